#include "foundation/media.hpp"

#include "support/gl.hpp"
#include "support/sdl_log.hpp"
#include "util.hpp"

namespace {

struct Media_test : ::testing::Test {
  Sdl_log_capture log;
  static void SetUpTestSuite() {
    Media m(test_window(8, 8));
    keep_gl_driver_loaded();
  }
  void TearDown() override { EXPECT_EQ(SDL_WasInit(0), 0u) << "SDL left running"; }
};

std::vector<int> asked;
int accept_all(int i) { return asked.push_back(i), 0; }
int refuse_adaptive(int i) { return asked.push_back(i), i == -1 ? SDL_SetError("adaptive refused") : 0; }
int refuse_all(int i) { return asked.push_back(i), SDL_SetError("no swap control"); }

} // namespace

TEST_F(Media_test, OpensACurrentContextWithBlendingAtTheAskedSize) {
  SDL_DisplayMode desktop{};
  {
    Media m(test_window(64, 48));
    EXPECT_EQ(SDL_GL_GetCurrentContext(), m.context);
    EXPECT_TRUE(glIsEnabled(GL_BLEND));
    GLint src = 0, dst = 0;
    glGetIntegerv(GL_BLEND_SRC_RGB, &src);
    glGetIntegerv(GL_BLEND_DST_RGB, &dst);
    EXPECT_EQ(std::pair(src, dst), std::pair(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA));
    EXPECT_GE(epoxy_gl_version(), 43); // array-texture storage and views
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0);
  }
  // A negative width takes the desktop's; zero is passed on (SDL's narrowest window is one pixel).
  for (auto [w, want_w] : {std::pair(64, 64), std::pair(-1, desktop.w), std::pair(0, 1)}) {
    Media m(test_window(w, 40));
    int got_w = 0, got_h = 0;
    SDL_GetWindowSize(m.window, &got_w, &got_h);
    EXPECT_EQ(std::pair(got_w, got_h), std::pair(want_w, 40)) << w;
  }
  EXPECT_TRUE(log.lines.empty());
}

TEST(Window_size, NegativeTakesTheDisplayAndLargerIsLimitedToItWithAWarning) {
  glm::ivec2 const display{1024, 768};
  struct Case { glm::ivec2 asked, got; bool warned; } const cases[] = {
      {{800, 600}, {800, 600}, false},      {{1024, 768}, {1024, 768}, false},
      {{-1, -1}, {1024, 768}, false},        {{-1, 600}, {1024, 600}, false},
      {{0, 0}, {0, 0}, false},               {{1025, 600}, {1024, 600}, true},
      {{800, 769}, {800, 768}, true},        {{-5, 2000}, {1024, 768}, true},
      {{2147483647, 2147483647}, {1024, 768}, true},
  };
  for (auto const& c : cases) {
    Sdl_log_capture log;
    Window_config config;
    config.width = c.asked.x;
    config.height = c.asked.y;
    EXPECT_EQ(window_size(config, display), c.got) << c.asked.x << "x" << c.asked.y;
    EXPECT_EQ(log.lines.size(), c.warned ? 1u : 0u) << log.joined();
  }
}

TEST_F(Media_test, AWindowLargerThanTheDisplayOpensAtTheDisplaysSize) {
  Window_config c = test_window(0, 0);
  SDL_DisplayMode desktop{};
  ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0);
  ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0);
  SDL_Quit();
  c.width = desktop.w + 5000;
  c.height = 100000;
  Media m(c);
  int w = 0, h = 0;
  SDL_GetWindowSize(m.window, &w, &h);
  EXPECT_EQ(std::pair(w, h), std::pair(desktop.w, desktop.h));
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_NE(log.lines[0].find("larger than the display"), std::string::npos) << log.lines[0];
}

TEST_F(Media_test, ARefusedAdaptiveIntervalWarnsFallsBackAndStillBlends) {
  Window_config c = test_window(64, 48);
  c.vsync = -1; // this driver refuses adaptive swapping
  Media m(c);
  EXPECT_EQ(log.lines.size(), 1u);
  EXPECT_EQ(SDL_GL_GetSwapInterval(), 1);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));

  asked.clear();
  EXPECT_EQ(apply_swap_interval(-1, accept_all), -1);
  EXPECT_EQ(apply_swap_interval(-1, refuse_adaptive), 1);
  EXPECT_EQ(apply_swap_interval(-1, refuse_all), -1);
  // A plain interval is not retried: its refusal means no swap control.
  EXPECT_EQ(apply_swap_interval(0, refuse_all), 0);
  EXPECT_EQ(apply_swap_interval(1, refuse_all), 1);
  EXPECT_EQ(asked, (std::vector<int>{-1, -1, 1, -1, 1, 0, 1}));
  ASSERT_EQ(log.lines.size(), 1u + 1 + 2 + 1 + 1);
  EXPECT_EQ(log.lines[1], "adaptive refused");
  EXPECT_EQ(log.priorities[3], SDL_LOG_PRIORITY_INFO) << "no swap control at all: " << log.lines[3];
  EXPECT_EQ(log.priorities[4], SDL_LOG_PRIORITY_INFO) << "no waiting to switch off: " << log.lines[4];
  EXPECT_EQ(log.priorities[5], SDL_LOG_PRIORITY_INFO) << "no swap control: " << log.lines[5];
}

TEST_F(Media_test, BadTargetsContextsAndDriversAreErrorsWithTheirText) {
  Window_config c = test_window(64, 48);
  c.fps = 201;
  EXPECT_EQ(error_of([&] { Media m(c); }), "FPS out of range: 201");
  // A context version no driver offers; the next start has SDL's default attributes again.
  ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 9);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  EXPECT_THROW(Media m(test_window(64, 48)), std::runtime_error);
  EXPECT_EQ(SDL_WasInit(0), 0u);
  EXPECT_TRUE(Media(test_window(64, 48)).context);

  c = test_window(64, 48);
  setenv("SDL_VIDEODRIVER", "no_such_driver", 1);
  EXPECT_NE(error_of([&] { Media m(c); }).find("no_such_driver"), std::string::npos);
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
}
