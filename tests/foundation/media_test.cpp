#include "foundation/media.hpp"

#include <dlfcn.h>
#include <epoxy/gl.h>
#include <gtest/gtest.h>
#include <link.h>

#include <cstdlib>
#include <stdexcept>
#include <string>
#include <vector>

// SDL unloads the GL driver when it quits; keeping every loaded library
// resident lets the leak checker name, and so suppress, the driver's leaks.
// Call it while a context exists. Shared by the GL tests of this folder.
void keep_gl_driver_loaded() {
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void*) {
        if (*info->dlpi_name) dlopen(info->dlpi_name, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
        return 0;
      },
      nullptr);
}

// A small window on the software renderer, as every GL test here uses.
Window_config test_window(int w, int h) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  Window_config c;
  c.width = w;
  c.height = h;
  c.fullscreen = false;
  c.vsync = 0;
  return c;
}

namespace {

std::vector<std::string> logged;
void capture(void*, int, SDL_LogPriority, char const* message) { logged.emplace_back(message); }

class Media_test : public ::testing::Test {
protected:
  static void SetUpTestSuite() {
    Media m(test_window(8, 8));
    keep_gl_driver_loaded();
  }
  void SetUp() override {
    test_window(0, 0);
    logged.clear();
    SDL_LogSetOutputFunction(capture, nullptr);
  }
  void TearDown() override {
    SDL_LogSetOutputFunction(nullptr, nullptr);
    EXPECT_EQ(SDL_WasInit(0), 0u) << "SDL left running";
  }
};

std::vector<int> asked;
int accept_all(int i) { return asked.push_back(i), 0; }
int refuse_adaptive(int i) { return asked.push_back(i), i == -1 ? SDL_SetError("adaptive refused") : 0; }
int refuse_all(int i) { return asked.push_back(i), SDL_SetError("no swap control"); }

} // namespace

TEST_F(Media_test, OpensACurrentContextWithBlending) {
  Media m(test_window(64, 48));
  ASSERT_TRUE(m.window && m.context);
  EXPECT_EQ(SDL_GL_GetCurrentContext(), m.context);
  int w = 0, h = 0;
  SDL_GetWindowSize(m.window, &w, &h);
  EXPECT_EQ(w, 64);
  EXPECT_EQ(h, 48);
  EXPECT_STREQ(SDL_GetWindowTitle(m.window), "terrafold");
  EXPECT_TRUE(glIsEnabled(GL_BLEND));
  GLint src = 0, dst = 0;
  glGetIntegerv(GL_BLEND_SRC_RGB, &src);
  glGetIntegerv(GL_BLEND_DST_RGB, &dst);
  EXPECT_EQ(src, GL_SRC_ALPHA);
  EXPECT_EQ(dst, GL_ONE_MINUS_SRC_ALPHA);
  EXPECT_GE(epoxy_gl_version(), 43); // array-texture storage and views
  EXPECT_TRUE(logged.empty());
}

TEST_F(Media_test, NegativeSizesTakeTheDesktopsAndZeroIsPassedOn) {
  int w = 0, h = 0;
  {
    Media m(test_window(-1, 40));
    SDL_DisplayMode desktop{};
    ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0);
    SDL_GetWindowSize(m.window, &w, &h);
    EXPECT_EQ(w, desktop.w);
    EXPECT_EQ(h, 40);
  }
  Media m(test_window(0, 40));
  SDL_GetWindowSize(m.window, &w, &h);
  EXPECT_LE(w, 1); // SDL's narrowest window
}

TEST_F(Media_test, ARefusedAdaptiveIntervalWarnsFallsBackAndStillBlends) {
  Window_config c = test_window(64, 48);
  c.vsync = -1; // this driver refuses adaptive swapping
  Media m(c);
  EXPECT_EQ(logged.size(), 1u);
  EXPECT_EQ(SDL_GL_GetSwapInterval(), 1);
  EXPECT_TRUE(glIsEnabled(GL_BLEND));

  asked.clear();
  EXPECT_EQ(apply_swap_interval(-1, accept_all), -1);
  EXPECT_EQ(apply_swap_interval(-1, refuse_adaptive), 1);
  EXPECT_EQ(apply_swap_interval(-1, refuse_all), -1);
  EXPECT_EQ(apply_swap_interval(0, refuse_all), 0); // a plain interval is not retried
  EXPECT_EQ(asked, (std::vector<int>{-1, -1, 1, -1, 1, 0}));
  EXPECT_EQ(logged.size(), 1u + 1 + 2 + 1);
  EXPECT_EQ(logged[1], "adaptive refused");
}

TEST_F(Media_test, AnOutOfRangeTargetFailsBeforeAnyWindowOpens) {
  for (int fps : {0, 201}) {
    Window_config c = test_window(64, 48);
    c.fps = fps;
    try {
      Media m(c);
      FAIL();
    } catch (std::runtime_error const& e) {
      EXPECT_EQ(std::string(e.what()), "FPS out of range: " + std::to_string(fps));
    }
  }
}

TEST_F(Media_test, NoContextOrNoVideoIsAnErrorWithSdlsText) {
  // A context version no driver offers.
  ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO), 0);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_MAJOR_VERSION, 9);
  SDL_GL_SetAttribute(SDL_GL_CONTEXT_PROFILE_MASK, SDL_GL_CONTEXT_PROFILE_CORE);
  EXPECT_THROW(Media m(test_window(64, 48)), std::runtime_error);
  EXPECT_EQ(SDL_WasInit(0), 0u);
  // The next start has SDL's default attributes again.
  EXPECT_TRUE(Media(test_window(64, 48)).context);

  Window_config c = test_window(64, 48);
  setenv("SDL_VIDEODRIVER", "no_such_driver", 1);
  try {
    Media m(c);
    FAIL();
  } catch (std::runtime_error const& e) {
    EXPECT_NE(std::string(e.what()).find("no_such_driver"), std::string::npos) << e.what();
  }
}

TEST_F(Media_test, FramesArePacedWhetherDrawnOrSkipped) {
  Window_config c = test_window(64, 48);
  c.fps = 200;
  Media m(c);
  SDL_GL_MakeCurrent(m.window, nullptr);
  m.begin();
  EXPECT_EQ(SDL_GL_GetCurrentContext(), m.context);
  m.end();
  m.skip();
  m.end();
  EXPECT_EQ(m.pacer.times.size(), 3u);
}
