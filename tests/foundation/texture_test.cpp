#include "foundation/texture.hpp"

#include "foundation/media.hpp"

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <functional>
#include <memory>
#include <stdexcept>
#include <string>
#include <vector>

namespace fs = std::filesystem;

void keep_gl_driver_loaded();
Window_config test_window(int w, int h);

// Test images as 0xRRGGBBAA pixels, rows from the top. Shared by the GL
// tests of this folder.
void write_png(fs::path const& path, int w, int h, std::function<std::uint32_t(int x, int y)> const& colour) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_RGBA8888);
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x)
      static_cast<std::uint32_t*>(s->pixels)[y * s->pitch / 4 + x] = colour(x, y);
  ASSERT_EQ(IMG_SavePNG(s, path.c_str()), 0) << SDL_GetError();
  SDL_FreeSurface(s);
}

std::vector<std::uint32_t> read_image(fs::path const& path, int& w, int& h) {
  SDL_Surface* loaded = IMG_Load(path.c_str());
  if (!loaded) return {};
  SDL_Surface* s = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA8888, 0);
  SDL_FreeSurface(loaded);
  w = s->w, h = s->h;
  std::vector<std::uint32_t> out;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) out.push_back(static_cast<std::uint32_t*>(s->pixels)[y * s->pitch / 4 + x]);
  SDL_FreeSurface(s);
  return out;
}

namespace {

std::vector<std::string> logged;
void capture(void*, int, SDL_LogPriority, char const* message) { logged.emplace_back(message); }

std::uint32_t rgba(std::vector<std::uint8_t> const& bytes, std::size_t pixel) {
  auto const* p = &bytes[pixel * 4];
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}

std::vector<std::uint8_t> read_texture(int w, int h) {
  std::vector<std::uint8_t> out(std::size_t(w) * h * 4);
  glGetTexImage(GL_TEXTURE_2D, 0, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
  return out;
}

class Gl : public ::testing::Test {
protected:
  static inline std::unique_ptr<Media> media;
  fs::path dir = fs::path(::testing::TempDir()) / ("terrafold_texture_" + std::to_string(getpid()));
  GLuint tex = 0;

  static void SetUpTestSuite() {
    media = std::make_unique<Media>(test_window(64, 48));
    keep_gl_driver_loaded();
  }
  static void TearDownTestSuite() { media.reset(); }
  void SetUp() override {
    media->begin();
    fs::create_directories(dir);
    glGenTextures(1, &tex);
    logged.clear();
    SDL_LogSetOutputFunction(capture, nullptr);
  }
  void TearDown() override {
    SDL_LogSetOutputFunction(nullptr, nullptr);
    glDeleteTextures(1, &tex);
    EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR));
    fs::remove_all(dir);
  }
};

char const* const vertex_ok = "#version 330 core\nvoid main() { gl_Position = vec4(0.0, 0.0, 0.0, 1.0); }\n";
char const* const fragment_ok = "#version 330 core\nout vec4 colour;\nvoid main() { colour = vec4(1.0); }\n";

} // namespace

TEST_F(Gl, TextureUploadKeepsTheTopRowFirstWithNearestFiltering) {
  // Red counts rows from the top, green columns.
  write_png(dir / "tall.png", 16, 32, [](int x, int y) { return std::uint32_t(y) << 24 | std::uint32_t(x) << 16 | 0x07ff; });
  load_texture_2d(tex, dir / "tall.png");
  GLint w = 0, h = 0, mag = 0, min = 0, bound = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, &mag);
  glGetTexParameteriv(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, &min);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(w * 100 + h, 1632);
  EXPECT_EQ(mag, GL_NEAREST);
  EXPECT_EQ(min, GL_NEAREST);
  EXPECT_EQ(GLuint(bound), tex);
  auto px = read_texture(16, 32);
  EXPECT_EQ(rgba(px, 0), 0x000007ffu);
  EXPECT_EQ(rgba(px, 15), 0x000f07ffu);
  EXPECT_EQ(rgba(px, 16 * 31 + 3), 0x1f0307ffu);
}

TEST_F(Gl, PaletteImagesArriveAsRgba) {
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 2, 2, 8, SDL_PIXELFORMAT_INDEX8);
  SDL_Color colours[2] = {{200, 10, 20, 255}, {0, 0, 255, 255}};
  SDL_SetPaletteColors(s->format->palette, colours, 0, 2);
  auto* p = static_cast<std::uint8_t*>(s->pixels);
  p[0] = 1, p[1] = 0, p[s->pitch] = 0, p[s->pitch + 1] = 1;
  ASSERT_EQ(SDL_SaveBMP(s, (dir / "palette.bmp").c_str()), 0) << SDL_GetError();
  SDL_FreeSurface(s);
  load_texture_2d(tex, dir / "palette.bmp");
  auto px = read_texture(2, 2);
  EXPECT_EQ(rgba(px, 0), 0x0000ffffu);
  EXPECT_EQ(rgba(px, 1), 0xc80a14ffu);
  EXPECT_EQ(rgba(px, 3), 0x0000ffffu);
}

TEST_F(Gl, UnreadableImagesRaiseSdlsError) {
  try {
    load_texture_2d(tex, dir / "missing.png");
    FAIL();
  } catch (std::runtime_error const& e) {
    EXPECT_NE(std::string(e.what()).find("missing.png"), std::string::npos) << e.what();
  }
  std::ofstream(dir / "junk.png") << "not an image";
  EXPECT_THROW(load_texture_2d(tex, dir / "junk.png"), std::runtime_error);
  EXPECT_THROW(load_rgba(dir), std::runtime_error);
}

TEST_F(Gl, ShaderLogsArePrintedWhetherOrNotCompilationSucceeds) {
  // Warnings: an unknown extension asked for with "warn". The text differs
  // on every run, since a driver's shader cache skips the compiler and its
  // warnings with it.
  std::string warned = std::string(fragment_ok) + "// " +
                       std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "\n";
  warned.insert(warned.find('\n') + 1, "#extension GL_TERRAFOLD_nothing : warn\n");
  GLuint fs_ = compile_shader(warned.c_str(), GL_FRAGMENT_SHADER);
  EXPECT_NE(fs_, 0u);
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_NE(logged[0].find("GL_TERRAFOLD_nothing"), std::string::npos) << logged[0];

  logged.clear();
  EXPECT_EQ(compile_shader("#version 330 core\nvoid main() { undeclared = 1; }\n", GL_VERTEX_SHADER), 0u);
  ASSERT_EQ(logged.size(), 1u);
  EXPECT_NE(logged[0].find("undeclared"), std::string::npos) << logged[0];

  logged.clear();
  GLuint vs = compile_shader(vertex_ok, GL_VERTEX_SHADER);
  GLuint program = link_program({vs, fs_});
  EXPECT_NE(program, 0u);
  EXPECT_TRUE(logged.empty() || logged.back() != "can't link program");
  GLint attached = 0;
  glGetProgramiv(program, GL_ATTACHED_SHADERS, &attached);
  EXPECT_EQ(attached, 2); // the caller owns them
  glDeleteProgram(program);
  glDeleteShader(vs);
  glDeleteShader(fs_);
}

TEST_F(Gl, ALinkFailurePrintsTheLogThenSaysSo) {
  GLuint vs = compile_shader(vertex_ok, GL_VERTEX_SHADER);
  GLuint fs_ = compile_shader("#version 330 core\nout vec4 colour;\nvec4 elsewhere();\n"
                              "void main() { colour = elsewhere(); }\n",
                              GL_FRAGMENT_SHADER);
  ASSERT_NE(fs_, 0u);
  logged.clear();
  EXPECT_EQ(link_program({vs, fs_}), 0u);
  ASSERT_EQ(logged.size(), 2u);
  EXPECT_NE(logged[0].find("elsewhere"), std::string::npos) << logged[0];
  EXPECT_EQ(logged[1], "can't link program");
  glDeleteShader(vs);
  glDeleteShader(fs_);
}

TEST_F(Gl, ShaderFilesAreReadWhole) {
  std::ofstream(dir / "ok.vert") << vertex_ok;
  GLuint vs = compile_shader(dir / "ok.vert", GL_VERTEX_SHADER);
  EXPECT_NE(vs, 0u);
  glDeleteShader(vs);
  EXPECT_THROW(compile_shader(dir / "none.vert", GL_VERTEX_SHADER), std::runtime_error);
  // Where no data directory has the file the path is empty, and so is the error.
  try {
    compile_shader(fs::path(), GL_VERTEX_SHADER);
    FAIL();
  } catch (std::runtime_error const& e) {
    EXPECT_STREQ(e.what(), "");
  }
}

TEST_F(Gl, ScreenshotIsAPngWithTheTopRowFirst) {
  glClearColor(0, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_SCISSOR_TEST);
  glScissor(0, 48 - 10, 64, 10); // GL counts rows from the bottom: the upper ten
  glClearColor(1, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
  ASSERT_TRUE(screenshot(dir / "shot.png"));
  int w = 0, h = 0;
  auto px = read_image(dir / "shot.png", w, h);
  ASSERT_EQ(w * 100 + h, 6448);
  EXPECT_EQ(px[0], 0xff0000ffu);
  EXPECT_EQ(px[9 * 64 + 63], 0xff0000ffu);
  EXPECT_EQ(px[10 * 64], 0x0000ffffu);
  EXPECT_EQ(px.back(), 0x0000ffffu);

  EXPECT_FALSE(screenshot(dir / "no such dir" / "shot.png"));
  EXPECT_EQ(logged.size(), 1u);
  SDL_GL_MakeCurrent(media->window, nullptr);
  EXPECT_FALSE(screenshot(dir / "nothing.png"));
  EXPECT_FALSE(fs::exists(dir / "nothing.png"));
}
