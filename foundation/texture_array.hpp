#pragma once
// One OpenGL array texture holding every pack image, cut into square layers.
#include <epoxy/gl.h>

#include <cstdint>
#include <filesystem>
#include <unordered_map>
#include <vector>

using Tex_id = std::uint16_t;

// The layers one image file got. In cell and item models the top three bits
// of `first` carry the face orientation and the low 13 bits the layer.
struct Tex_range {
  static constexpr std::uint16_t flip_x = 0x2000;
  static constexpr std::uint16_t flip_y = 0x4000;
  static constexpr std::uint16_t flip_d = 0x8000;
  static constexpr std::uint16_t layer_mask = 0x1FFF;
  static constexpr std::uint16_t none = 0xFFFF; // an untextured face

  std::uint16_t first = none;
  std::uint16_t count = 1;

  // Frame i of an animated image, wrapping after `count` frames; the
  // orientation bits pass through.
  std::uint32_t get(std::uint64_t i) const {
    return count ? first + std::uint32_t(i % count) : first;
  }
  bool operator==(Tex_range const&) const = default;
};

struct Texture_array {
  // Layer numbers must fit below the orientation bits.
  static constexpr int max_layers_13bit = 8191;

  std::int32_t size = -1; // edge of every layer in pixels; set by the first image
  std::vector<std::uint8_t> pixels; // RGBA, layer after layer, rows top first
  std::unordered_map<std::filesystem::path, Tex_range> ranges;
  std::int32_t layers = 0;
  GLuint texture = 0;
  // The most layers add accepts: the driver's limit, at most 8191.
  std::int32_t max_layers = max_layers_13bit;

  Texture_array();
  ~Texture_array();
  Texture_array(Texture_array const&) = delete;
  Texture_array& operator=(Texture_array const&) = delete;

  // Appends the image's squares as layers, top square first, or returns the
  // range the same path already got. Throws std::runtime_error; on error
  // nothing changes.
  Tex_range add(std::filesystem::path const& path);

  // Creates the immutable storage with mipmaps and fills it; leaves the
  // array bound to GL_TEXTURE_2D_ARRAY.
  void upload();

  // min(4, floor(log2 size) + 1): no level below one pixel.
  static int mip_levels(int size);
};

// One 2-D texture view per layer of an uploaded array; entry L shows layer L.
struct Texture_array_views {
  std::vector<GLuint> views;

  Texture_array_views() = default;
  explicit Texture_array_views(Texture_array const& array);
  ~Texture_array_views();
  Texture_array_views(Texture_array_views&& other) noexcept;
  Texture_array_views& operator=(Texture_array_views&& other) noexcept;
  Texture_array_views(Texture_array_views const&) = delete;
  Texture_array_views& operator=(Texture_array_views const&) = delete;
};
