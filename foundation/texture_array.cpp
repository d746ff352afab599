#include "foundation/texture_array.hpp"

#include "foundation/texture.hpp"

#include <SDL.h>

#include <algorithm>
#include <cstring>
#include <stdexcept>
#include <string>
#include <utility>

Texture_array::Texture_array() {
  glGenTextures(1, &texture);
  GLint driver = 0;
  glGetIntegerv(GL_MAX_ARRAY_TEXTURE_LAYERS, &driver);
  if (driver > 0) max_layers = std::min<std::int32_t>(driver, max_layers_13bit);
}

Texture_array::~Texture_array() { glDeleteTextures(1, &texture); }

Tex_range Texture_array::add(std::filesystem::path const& path) {
  if (auto it = ranges.find(path); it != ranges.end()) return it->second;
  auto fail = [&](char const* what) { return std::runtime_error(path.string() + ": " + what); };
  Surface s = load_rgba(path);
  int w = s->w, h = s->h;
  if (w <= 0 || h <= 0) throw fail("empty image");
  if (size != -1 && w != size) throw fail("Texture size mismatch");
  if (h % w != 0) throw fail("Texture size mismatch");
  std::int64_t count = h / w;
  if (layers + count > max_layers) throw fail("too many texture layers");

  std::size_t row = std::size_t(w) * 4;
  std::size_t old = pixels.size();
  pixels.resize(old + row * std::size_t(h));
  auto const* src = static_cast<std::uint8_t const*>(s->pixels);
  for (int y = 0; y < h; ++y) std::memcpy(pixels.data() + old + row * y, src + std::size_t(s->pitch) * y, row);

  size = w;
  Tex_range r{std::uint16_t(layers), std::uint16_t(count)};
  ranges.emplace(path, r);
  layers += std::int32_t(count);
  return r;
}

int Texture_array::mip_levels(int size) {
  int levels = 1;
  while (levels < 4 && (size >> levels) > 0) ++levels;
  return levels;
}

void Texture_array::upload() {
  glBindTexture(GL_TEXTURE_2D_ARRAY, texture);
  // Storage of zero layers is invalid; an empty array stays without storage.
  if (layers == 0) return;
  glTexStorage3D(GL_TEXTURE_2D_ARRAY, mip_levels(size), GL_RGBA8, size, size, layers);
  glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
  glTexSubImage3D(GL_TEXTURE_2D_ARRAY, 0, 0, 0, 0, size, size, layers, GL_RGBA, GL_UNSIGNED_BYTE,
                  pixels.data());
  glGenerateMipmap(GL_TEXTURE_2D_ARRAY);
  glTexParameteri(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_MIN_FILTER, GL_LINEAR_MIPMAP_LINEAR);
  glTexParameteri(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D_ARRAY, GL_TEXTURE_WRAP_T, GL_REPEAT);
}

Texture_array_views::Texture_array_views(Texture_array const& array) : views(std::size_t(array.layers), 0) {
  if (views.empty()) return;
  glGenTextures(GLsizei(views.size()), views.data());
  for (std::size_t i = 0; i < views.size(); ++i) {
    glTextureView(views[i], GL_TEXTURE_2D, array.texture, GL_RGBA8, 0, 1, GLuint(i), 1);
    glBindTexture(GL_TEXTURE_2D, views[i]);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  }
}

Texture_array_views::~Texture_array_views() {
  if (!views.empty()) glDeleteTextures(GLsizei(views.size()), views.data());
}

Texture_array_views::Texture_array_views(Texture_array_views&& other) noexcept
    : views(std::exchange(other.views, {})) {}

Texture_array_views& Texture_array_views::operator=(Texture_array_views&& other) noexcept {
  if (this != &other) {
    if (!views.empty()) glDeleteTextures(GLsizei(views.size()), views.data());
    views = std::exchange(other.views, {});
  }
  return *this;
}
