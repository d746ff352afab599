#include "foundation/texture.hpp"

#include "foundation/slurp.hpp"

#include <SDL.h>
#include <SDL_image.h>

#include <cstdint>
#include <cstring>
#include <stdexcept>
#include <string>
#include <vector>

void Surface_deleter::operator()(SDL_Surface* s) const { SDL_FreeSurface(s); }

Surface load_rgba(std::filesystem::path const& path) {
  Surface loaded(IMG_Load(path.c_str()));
  if (!loaded) throw std::runtime_error(SDL_GetError());
  Surface rgba(SDL_ConvertSurfaceFormat(loaded.get(), SDL_PIXELFORMAT_ABGR8888, 0));
  if (!rgba) throw std::runtime_error(SDL_GetError());
  return rgba;
}

namespace {

// Rows packed tightly, top row first, whatever the surface's pitch.
std::vector<std::uint8_t> rows_of(SDL_Surface const* s) {
  std::size_t row = std::size_t(s->w) * 4;
  std::vector<std::uint8_t> out(row * std::size_t(s->h));
  auto const* src = static_cast<std::uint8_t const*>(s->pixels);
  for (int y = 0; y < s->h; ++y) std::memcpy(out.data() + row * y, src + std::size_t(s->pitch) * y, row);
  return out;
}

void load_image_impl(GLenum target, std::filesystem::path const& path) {
  Surface s = load_rgba(path);
  auto pixels = rows_of(s.get());
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glTexImage2D(target, 0, GL_RGBA, s->w, s->h, 0, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
}

} // namespace

void load_texture_2d(GLuint texture, std::filesystem::path const& path) {
  glBindTexture(GL_TEXTURE_2D, texture);
  load_image_impl(GL_TEXTURE_2D, path);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
}

void load_texture_cubemap(GLuint texture, std::filesystem::path const& pos_x, std::filesystem::path const& neg_x,
                          std::filesystem::path const& pos_y, std::filesystem::path const& neg_y,
                          std::filesystem::path const& pos_z, std::filesystem::path const& neg_z) {
  glBindTexture(GL_TEXTURE_CUBE_MAP, texture);
  load_image_impl(GL_TEXTURE_CUBE_MAP_POSITIVE_X, pos_x);
  load_image_impl(GL_TEXTURE_CUBE_MAP_NEGATIVE_X, neg_x);
  load_image_impl(GL_TEXTURE_CUBE_MAP_POSITIVE_Y, pos_y);
  load_image_impl(GL_TEXTURE_CUBE_MAP_NEGATIVE_Y, neg_y);
  load_image_impl(GL_TEXTURE_CUBE_MAP_POSITIVE_Z, pos_z);
  load_image_impl(GL_TEXTURE_CUBE_MAP_NEGATIVE_Z, neg_z);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_S, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_T, GL_CLAMP);
  glTexParameteri(GL_TEXTURE_CUBE_MAP, GL_TEXTURE_WRAP_R, GL_CLAMP);
}

void load_texture_array(GLuint texture, std::vector<std::filesystem::path> const& files, int levels) {
  if (files.empty()) throw std::runtime_error("load_texture_array: no image files");
  int w = 0, h = 0;
  std::vector<std::uint8_t> pixels;
  for (auto const& file : files) {
    Surface s = load_rgba(file);
    if (&file == &files.front()) {
      w = s->w;
      h = s->h;
    } else if (s->w != w || s->h != h) {
      throw std::runtime_error("Texture size mismatch");
    }
    auto rows = rows_of(s.get());
    pixels.insert(pixels.end(), rows.begin(), rows.end());
  }
  GLsizei layers = GLsizei(files.size());
  glBindTexture(GL_TEXTURE_2D_ARRAY, texture);
  glTexStorage3D(GL_TEXTURE_2D_ARRAY, levels, GL_RGBA8, w, h, layers);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glTexSubImage3D(GL_TEXTURE_2D_ARRAY, 0, 0, 0, 0, w, h, layers, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  if (levels > 1) glGenerateMipmap(GL_TEXTURE_2D_ARRAY);
}

namespace {

// Logs a shader's or program's info log, warnings included.
template <class Get_iv, class Get_log>
void log_info(GLuint object, Get_iv get_iv, Get_log get_log) {
  GLint length = 0;
  get_iv(object, GL_INFO_LOG_LENGTH, &length);
  if (length <= 0) return;
  std::string log(std::size_t(length), '\0');
  get_log(object, length, nullptr, log.data());
  SDL_Log("%s", log.c_str());
}

} // namespace

GLuint compile_shader(char const* source, GLenum type) {
  GLuint shader = glCreateShader(type);
  glShaderSource(shader, 1, &source, nullptr);
  glCompileShader(shader);
  log_info(shader, glGetShaderiv, glGetShaderInfoLog);
  GLint status = 0;
  glGetShaderiv(shader, GL_COMPILE_STATUS, &status);
  return status == GL_TRUE ? shader : 0;
}

GLuint compile_shader(std::filesystem::path const& path, GLenum type) {
  std::string source = slurp(path);
  return compile_shader(source.c_str(), type);
}

GLuint link_program(std::initializer_list<GLuint> shaders) {
  GLuint program = glCreateProgram();
  for (GLuint s : shaders) glAttachShader(program, s);
  glLinkProgram(program);
  log_info(program, glGetProgramiv, glGetProgramInfoLog);
  GLint status = 0;
  glGetProgramiv(program, GL_LINK_STATUS, &status);
  if (status == GL_TRUE) return program;
  SDL_Log("can't link program");
  glDeleteProgram(program); // the caller only ever sees 0
  return 0;
}

bool screenshot(std::filesystem::path const& path) {
  SDL_Window* window = SDL_GL_GetCurrentWindow();
  if (!window) {
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s", SDL_GetError());
    return false;
  }
  // The framebuffer's size in pixels, which is what glReadPixels counts.
  int w = 0, h = 0;
  SDL_GL_GetDrawableSize(window, &w, &h);
  Surface shot(SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_ABGR8888));
  if (!shot) {
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s", SDL_GetError());
    return false;
  }
  std::size_t row = std::size_t(w) * 4;
  std::vector<std::uint8_t> pixels(row * std::size_t(h));
  glPixelStorei(GL_PACK_ALIGNMENT, 4);
  glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, pixels.data());
  // GL hands the bottom row first; the file starts with the top one.
  SDL_LockSurface(shot.get());
  auto* dst = static_cast<std::uint8_t*>(shot->pixels);
  for (int y = 0; y < h; ++y)
    std::memcpy(dst + std::size_t(shot->pitch) * y, pixels.data() + row * std::size_t(h - 1 - y), row);
  SDL_UnlockSurface(shot.get());
  if (IMG_SavePNG(shot.get(), path.c_str()) != 0) {
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s", SDL_GetError());
    return false;
  }
  return true;
}
