// The shipped shader files on this driver, and the overlays drawn through them.
#include "render/cross_renderer.hpp"
#include "render/gl_program.hpp"
#include "render/line_overlays.hpp"

#include "support/gl.hpp"
#include "support/image.hpp"
#include "support/render.hpp"
#include "support/sdl_log.hpp"

#include <fstream>
#include <string>
#include <vector>

#include <unistd.h>

namespace {

struct Shaders : Gl_test {};

struct Program_case {
  char const* vert;
  char const* frag;
  std::vector<char const*> uniforms;
};

Program_case const programs[] = {
    {"shaders/cube.vert", "shaders/cube.frag",
     {"model", "vp", "camera", "fog_color", "fog_depth", "texture1", "light", "occlusion", "waves", "effect_frame",
      "planet_radius"}},
    {"shaders/quad.vert", "shaders/quad.frag",
     {"model", "view", "projection", "camera", "fog_color", "fog_depth", "texture", "light"}},
    {"shaders/mob.vert", "shaders/mob.frag",
     {"view", "projection", "camera", "fog_color", "fog_depth", "texture", "light"}},
    {"shaders/cursor.vert", "shaders/cursor.frag", {"MVP"}},
    {"shaders/cross.vert", "shaders/cross.frag", {"MVP"}},
};

void clear_to(std::uint32_t rgba) {
  glDisable(GL_SCISSOR_TEST);
  glClearColor(float(red_of(rgba)) / 255, float(green_of(rgba)) / 255, float(blue_of(rgba)) / 255, 1.0f);
  glClear(GL_COLOR_BUFFER_BIT | GL_DEPTH_BUFFER_BIT);
}

} // namespace

TEST_F(Shaders, EveryFileCompilesAndLinksWithoutALogAndUsesItsUniforms) {
  for (auto const& p : programs) {
    Sdl_log_capture log;
    Gl_program const g(built_data(), p.vert, p.frag);
    EXPECT_NE(g.program, 0u) << p.vert;
    EXPECT_TRUE(log.lines.empty()) << p.vert << ":\n" << log.joined();
    for (char const* name : p.uniforms) EXPECT_NE(g.uniform(name), -1) << p.vert << ": " << name;
  }
}

TEST_F(Shaders, AMissingFileThrowsAndABrokenOneLeavesProgramZero) {
  Dirs const nowhere("/nonexistent-terrafold-data", "");
  Sdl_log_capture log;
  EXPECT_THROW(Gl_program(nowhere, "shaders/cube.vert", "shaders/cube.frag"), std::exception);
  fs::path const dir = fs::temp_directory_path() / ("terrafold-shaders-" + std::to_string(::getpid()));
  fs::create_directories(dir / "terrafold/shaders");
  std::ofstream(dir / "terrafold/shaders/bad.vert") << "#version 330 compatibility\nvoid main() { nonsense; }\n";
  fs::copy_file(fs::path(TERRAFOLD_SOURCE_DIR) / "data/shaders/cube.frag", dir / "terrafold/shaders/cube.frag");
  {
    Gl_program const broken(Dirs(dir, ""), "shaders/bad.vert", "shaders/cube.frag");
    EXPECT_EQ(broken.program, 0u);
    EXPECT_EQ(broken.uniform("fog_depth"), -1);
  }
  fs::remove_all(dir);
  EXPECT_FALSE(log.lines.empty());
}

TEST_F(Shaders, CrosshairInvertsExactlyItsOpaqueTexels) {
  Cross_renderer cross(built_data());
  for (bool interactive : {false, true}) {
    int iw = 0, ih = 0;
    auto const image = read_image(
        fs::path(TERRAFOLD_BINARY_DIR) / "share/terrafold/textures" / (interactive ? "square.png" : "cross.png"), iw,
        ih);
    ASSERT_EQ(std::pair(iw, ih), std::pair(16, 16));
    std::uint32_t const background = 0x40a0c0ffu, inverted = 0xbf5f3fffu;
    clear_to(background);
    glEnable(GL_DEPTH_TEST);
    cross.render(interactive, {64, 48});
    EXPECT_FALSE(glIsEnabled(GL_COLOR_LOGIC_OP));
    EXPECT_FALSE(glIsEnabled(GL_DEPTH_TEST));
    Pixels const px = Pixels::read(64, 48);
    int changed = 0;
    for (int y = 0; y < 48; ++y)
      for (int x = 0; x < 64; ++x) {
        bool const inside = x >= 24 && x < 40 && y >= 16 && y < 32;
        bool const opaque = inside && (image[std::size_t((y - 16) * 16 + x - 24)] & 0xff) >= 128;
        ASSERT_EQ(px.at(x, y), opaque ? inverted : background) << x << "," << y << " interactive " << interactive;
        changed += opaque;
      }
    EXPECT_GT(changed, 20);
  }
}

TEST_F(Shaders, LineOverlaysDrawBlendedAndLeaveBlendingOff) {
  Cursor_renderer cursor(built_data());
  Page_renderer grid(built_data());
  Camera const c = camera_at({8, 8, 30}, 0, 0, {64, 48});
  std::uint32_t const white = 0xffffffffu;
  int outline = 0;
  for (bool page : {false, true}) {
    clear_to(white);
    if (page) grid.render(c.projection * c.view, {0, 0, 0});
    else cursor.render(c.projection * c.view, {8.5f, 8.5f, 0.5f}, glm::vec3(0.5f));
    EXPECT_FALSE(glIsEnabled(GL_BLEND));
    int changed = 0;
    for (auto p : Pixels::read(64, 48).px) {
      changed += p != white;
      // The cursor's dark lines blended over white: grey, not near-black (grid lines cross and darken).
      EXPECT_GT(p == white || page ? 255 : red_of(p), 20);
    }
    EXPECT_GT(changed, page ? outline : 8);
    outline = changed;
  }
  GLfloat width = 0;
  glGetFloatv(GL_LINE_WIDTH, &width);
  EXPECT_EQ(width, 1.0f);
}
