#pragma once
// Shared pieces of the renderer tests: the built game data, a camera set up
// without a window, and pixels read back from the current framebuffer.
#include "foundation/paths.hpp"
#include "render/camera.hpp"

#include <epoxy/gl.h>

#include <cstdint>
#include <filesystem>
#include <vector>

// The data directories of the build tree (shaders and textures as shipped).
inline Dirs const& built_data() {
  static Dirs const dirs(std::filesystem::path(TERRAFOLD_BINARY_DIR) / "share", "");
  return dirs;
}

// A camera at the position with those look angles, updated for the window.
inline Camera camera_at(glm::vec3 position, float pitch = 0.0f, float yaw = 0.0f, glm::ivec2 window = {800, 600},
                        float far = 100.0f, float fov = 1.0f) {
  Camera c;
  c.position = position;
  c.pitch = pitch;
  c.yaw = yaw;
  c.far = far;
  c.fov = fov;
  c.update(window);
  return c;
}

// Framebuffer pixels as 0xRRGGBBAA, rows from the bottom as GL counts them.
struct Pixels {
  int w = 0, h = 0;
  std::vector<std::uint32_t> px;

  static Pixels read(int w, int h) {
    Pixels p{w, h, std::vector<std::uint32_t>(std::size_t(w) * std::size_t(h))};
    std::vector<std::uint8_t> bytes(p.px.size() * 4);
    glPixelStorei(GL_PACK_ALIGNMENT, 1);
    glReadPixels(0, 0, w, h, GL_RGBA, GL_UNSIGNED_BYTE, bytes.data());
    for (std::size_t i = 0; i < p.px.size(); ++i)
      p.px[i] = std::uint32_t(bytes[4 * i]) << 24 | std::uint32_t(bytes[4 * i + 1]) << 16 |
                std::uint32_t(bytes[4 * i + 2]) << 8 | bytes[4 * i + 3];
    return p;
  }
  // Pixel (x, y) with y counted from the top of the window.
  std::uint32_t at(int x, int y) const { return px[std::size_t(h - 1 - y) * std::size_t(w) + std::size_t(x)]; }
};

// Red, green and blue of a pixel, 0..255.
inline int red_of(std::uint32_t c) { return int(c >> 24); }
inline int green_of(std::uint32_t c) { return int(c >> 16 & 255); }
inline int blue_of(std::uint32_t c) { return int(c >> 8 & 255); }
