#pragma once
// OpenGL in tests: the software renderer, small windows, and a GL driver that
// stays loaded so the leak checker can name (and suppress) its allocations.
#include "foundation/media.hpp"

#include <dlfcn.h>
#include <epoxy/gl.h>
#include <gtest/gtest.h>
#include <link.h>

#include <cstdint>
#include <cstdlib>
#include <memory>
#include <vector>

// SDL unloads the GL driver when its last context goes; keeping every library
// loaded so far resident keeps the driver's leaks attributable. Call it while
// any context exists (Media's or a plain SDL_GL_CreateContext one); after
// that, windows and contexts may be closed as usual.
inline void keep_gl_driver_loaded() {
  dl_iterate_phdr(
      [](dl_phdr_info* info, std::size_t, void*) {
        if (*info->dlpi_name) dlopen(info->dlpi_name, RTLD_LAZY | RTLD_NOLOAD | RTLD_NODELETE);
        return 0;
      },
      nullptr);
}

// A small window on the offscreen driver, no vsync.
inline Window_config test_window(int w, int h) {
  setenv("SDL_VIDEODRIVER", "offscreen", 1);
  Window_config c;
  c.width = w;
  c.height = h;
  c.fullscreen = false;
  c.vsync = 0;
  return c;
}

// A parameter of the texture bound to the target.
inline GLint tex_param(GLenum target, GLenum name) {
  GLint v = 0;
  glGetTexParameteriv(target, name, &v);
  return v;
}

// A level of the texture bound to the target (or one cube face) as RGBA bytes.
inline std::vector<std::uint8_t> read_texture(GLenum target, int w, int h, int layers = 1, int level = 0) {
  std::vector<std::uint8_t> out(std::size_t(w) * h * layers * 4);
  glGetTexImage(target, level, GL_RGBA, GL_UNSIGNED_BYTE, out.data());
  return out;
}

// A suite that shares one 64x48 Media: each test starts with its context
// current and must leave no GL error behind.
class Gl_test : public ::testing::Test {
protected:
  static inline std::unique_ptr<Media> media;
  static void SetUpTestSuite() {
    media = std::make_unique<Media>(test_window(64, 48));
    keep_gl_driver_loaded();
  }
  static void TearDownTestSuite() { media.reset(); }
  void SetUp() override { media->begin(); }
  void TearDown() override { EXPECT_EQ(glGetError(), GLenum(GL_NO_ERROR)); }
};
