#include "foundation/texture.hpp"

#include "support/gl.hpp"
#include "support/image.hpp"
#include "support/sdl_log.hpp"
#include "util.hpp"

#include <chrono>

namespace {

struct Texture : Gl_test {
  Temp_dir tmp;
  Sdl_log_capture log;
  GLuint tex = 0;
  void SetUp() override { Gl_test::SetUp(), glGenTextures(1, &tex); }
  void TearDown() override { glDeleteTextures(1, &tex), Gl_test::TearDown(); }
};

char const* const vertex_ok = "#version 330 core\nvoid main() { gl_Position = vec4(0.0, 0.0, 0.0, 1.0); }\n";

} // namespace

TEST_F(Texture, Uploads2dImagesAsRgbaTopRowFirstWithNearestFiltering) {
  // Red counts rows from the top, green columns.
  write_png(tmp / "tall.png", 16, 32, [](int x, int y) { return std::uint32_t(y << 24 | x << 16 | 0x07ff); });
  load_texture_2d(tex, tmp / "tall.png");
  GLint w = 0, h = 0, bound = 0;
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &w);
  glGetTexLevelParameteriv(GL_TEXTURE_2D, 0, GL_TEXTURE_HEIGHT, &h);
  glGetIntegerv(GL_TEXTURE_BINDING_2D, &bound);
  EXPECT_EQ(std::tuple(w, h, GLuint(bound)), std::tuple(16, 32, tex));
  EXPECT_EQ(tex_param(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER), GL_NEAREST);
  EXPECT_EQ(tex_param(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER), GL_NEAREST);
  auto px = read_texture(GL_TEXTURE_2D, 16, 32);
  EXPECT_EQ(rgba_at(px, 15), 0x000f07ffu);
  EXPECT_EQ(rgba_at(px, 16 * 31 + 3), 0x1f0307ffu);

  // A palette image is converted.
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, 2, 1, 8, SDL_PIXELFORMAT_INDEX8);
  SDL_Color colours[2] = {{200, 10, 20, 255}, {0, 0, 255, 255}};
  SDL_SetPaletteColors(s->format->palette, colours, 0, 2);
  static_cast<std::uint8_t*>(s->pixels)[0] = 1;
  ASSERT_EQ(SDL_SaveBMP(s, (tmp / "palette.bmp").c_str()), 0) << SDL_GetError();
  SDL_FreeSurface(s);
  load_texture_2d(tex, tmp / "palette.bmp");
  px = read_texture(GL_TEXTURE_2D, 2, 1);
  EXPECT_EQ(std::pair(rgba_at(px, 0), rgba_at(px, 1)), std::pair(0x0000ffffu, 0xc80a14ffu));

  EXPECT_NE(error_of([&] { load_texture_2d(tex, tmp / "missing.png"); }).find("missing.png"), std::string::npos);
  EXPECT_THROW(load_texture_2d(tex, tmp.write("junk.png", "not an image")), std::runtime_error);
  EXPECT_THROW(load_rgba(tmp.dir), std::runtime_error);
}

TEST_F(Texture, CubeFacesGoInOrderAndArraysStackEqualImages) {
  std::uint32_t const colour[6] = {0xff0000ff, 0x00ff00ff, 0x0000ffff, 0xffff00ff, 0x00ffffff, 0xff00ffff};
  std::vector<fs::path> f;
  for (int i = 0; i < 6; ++i) write_png(f.emplace_back(tmp / (std::to_string(i) + ".png")), 2, 2, colour[i]);
  load_texture_cubemap(tex, f[0], f[1], f[2], f[3], f[4], f[5]);
  for (int i = 0; i < 6; ++i)
    EXPECT_EQ(rgba_at(read_texture(GLenum(GL_TEXTURE_CUBE_MAP_POSITIVE_X + i), 2, 2), 3), colour[i]) << i;
  for (GLenum p : {GL_TEXTURE_MAG_FILTER, GL_TEXTURE_MIN_FILTER})
    EXPECT_EQ(tex_param(GL_TEXTURE_CUBE_MAP, p), GL_NEAREST);
  for (GLenum p : {GL_TEXTURE_WRAP_S, GL_TEXTURE_WRAP_T, GL_TEXTURE_WRAP_R})
    EXPECT_EQ(tex_param(GL_TEXTURE_CUBE_MAP, p), GL_CLAMP);

  // Layers in list order, each with its top-left pixel marked; level 1 is generated.
  for (int i = 0; i < 3; ++i)
    write_png(f[std::size_t(i)], 4, 4, [&](int x, int y) { return x + y ? colour[i] : 0x123456ffu; });
  GLuint array = 0;
  glGenTextures(1, &array);
  load_texture_array(array, {f[0], f[1], f[2]}, 3);
  EXPECT_EQ(tex_param(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_IMMUTABLE_LEVELS), 3);
  auto px = read_texture(GL_TEXTURE_2D_ARRAY, 4, 4, 3), mip = read_texture(GL_TEXTURE_2D_ARRAY, 2, 2, 3, 1);
  for (std::size_t i = 0; i < 3; ++i) {
    EXPECT_EQ(rgba_at(px, 16 * i), 0x123456ffu) << i;
    EXPECT_EQ(rgba_at(px, 16 * i + 12), colour[i]) << i;
    EXPECT_EQ(rgba_at(mip, 4 * i + 3), colour[i]) << i;
  }
  glDeleteTextures(1, &array);
  write_png(tmp / "wide.png", 8, 4, 0xffu);
  EXPECT_EQ(error_of([&] { load_texture_array(tex, {f[0], tmp / "wide.png"}, 1); }), "Texture size mismatch");
  EXPECT_EQ(error_of([&] { load_texture_array(tex, {}, 1); }), "load_texture_array: no image files");
}

TEST_F(Texture, ShaderAndLinkLogsArePrintedWhetherOrNotTheyFail) {
  // Warnings: an unknown extension asked for with "warn". The text differs on
  // every run, since a driver's shader cache skips the compiler and its warnings.
  std::string warned = "#version 330 core\n#extension GL_TERRAFOLD_nothing : warn\nout vec4 colour;\n"
                       "void main() { colour = vec4(1.0); }\n// " +
                       std::to_string(std::chrono::steady_clock::now().time_since_epoch().count()) + "\n";
  GLuint frag = compile_shader(warned.c_str(), GL_FRAGMENT_SHADER);
  EXPECT_NE(frag, 0u);
  EXPECT_EQ(compile_shader("#version 330 core\nvoid main() { undeclared = 1; }\n", GL_VERTEX_SHADER), 0u);
  ASSERT_EQ(log.lines.size(), 2u);
  EXPECT_NE(log.lines[0].find("GL_TERRAFOLD_nothing"), std::string::npos) << log.lines[0];
  EXPECT_NE(log.lines[1].find("undeclared"), std::string::npos) << log.lines[1];

  GLuint vert = compile_shader(vertex_ok, GL_VERTEX_SHADER);
  GLuint program = link_program({vert, frag});
  EXPECT_NE(program, 0u);
  glDeleteProgram(program);

  GLuint missing = compile_shader("#version 330 core\nout vec4 colour;\nvec4 elsewhere();\n"
                                  "void main() { colour = elsewhere(); }\n", GL_FRAGMENT_SHADER);
  ASSERT_NE(missing, 0u);
  log.lines.clear();
  EXPECT_EQ(link_program({vert, missing}), 0u);
  ASSERT_EQ(log.lines.size(), 2u);
  EXPECT_NE(log.lines[0].find("elsewhere"), std::string::npos) << log.lines[0];
  EXPECT_EQ(log.lines[1], "can't link program");
  for (GLuint s : {vert, frag, missing}) glDeleteShader(s);

  GLuint from_file = compile_shader(tmp.write("ok.vert", vertex_ok), GL_VERTEX_SHADER);
  EXPECT_NE(from_file, 0u);
  glDeleteShader(from_file);
  // Where no data directory has the file the path is empty, and so is the error.
  for (fs::path p : {tmp / "none.vert", fs::path()})
    EXPECT_EQ(error_of([&] { compile_shader(p, GL_VERTEX_SHADER); }), p.string());
}

TEST_F(Texture, ScreenshotIsAPngWithTheTopRowFirst) {
  glClearColor(0, 0, 1, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glEnable(GL_SCISSOR_TEST);
  glScissor(0, 48 - 10, 64, 10); // GL counts rows from the bottom: the upper ten
  glClearColor(1, 0, 0, 1);
  glClear(GL_COLOR_BUFFER_BIT);
  glDisable(GL_SCISSOR_TEST);
  ASSERT_TRUE(screenshot(tmp / "shot.png"));
  int w = 0, h = 0;
  auto px = read_image(tmp / "shot.png", w, h);
  ASSERT_EQ(w * 100 + h, 6448);
  EXPECT_EQ(px[9 * 64 + 63], 0xff0000ffu);
  EXPECT_EQ(px[10 * 64], 0x0000ffffu);

  EXPECT_FALSE(screenshot(tmp / "no such dir" / "shot.png"));
  EXPECT_EQ(log.lines.size(), 1u);
  SDL_GL_MakeCurrent(media->window, nullptr);
  EXPECT_FALSE(screenshot(tmp / "nothing.png"));
  EXPECT_FALSE(fs::exists(tmp / "nothing.png"));
}
