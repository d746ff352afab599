#pragma once
// Test images as 0xRRGGBBAA pixels, rows from the top.
#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <vector>

// Writes a PNG (making its directory) whose pixel (x, y) is colour(x, y).
inline void write_png(std::filesystem::path const& path, int w, int h,
                      std::function<std::uint32_t(int x, int y)> const& colour) {
  std::filesystem::create_directories(path.parent_path());
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_RGBA8888);
  ASSERT_TRUE(s) << SDL_GetError();
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) static_cast<std::uint32_t*>(s->pixels)[y * s->pitch / 4 + x] = colour(x, y);
  EXPECT_EQ(IMG_SavePNG(s, path.c_str()), 0) << SDL_GetError();
  SDL_FreeSurface(s);
}

// A one-colour PNG.
inline void write_png(std::filesystem::path const& path, int w, int h, std::uint32_t colour) {
  write_png(path, w, h, [colour](int, int) { return colour; });
}

// Every pixel of an image file, top row first; empty when it can't be read.
inline std::vector<std::uint32_t> read_image(std::filesystem::path const& path, int& w, int& h) {
  SDL_Surface* loaded = IMG_Load(path.c_str());
  if (!loaded) return {};
  SDL_Surface* s = SDL_ConvertSurfaceFormat(loaded, SDL_PIXELFORMAT_RGBA8888, 0);
  SDL_FreeSurface(loaded);
  if (!s) return {};
  w = s->w, h = s->h;
  std::vector<std::uint32_t> out;
  for (int y = 0; y < h; ++y)
    for (int x = 0; x < w; ++x) out.push_back(static_cast<std::uint32_t*>(s->pixels)[y * s->pitch / 4 + x]);
  SDL_FreeSurface(s);
  return out;
}

// Texel `i` of bytes read back from GL as GL_RGBA / GL_UNSIGNED_BYTE.
inline std::uint32_t rgba_at(std::vector<std::uint8_t> const& bytes, std::size_t i) {
  auto const* p = &bytes[i * 4];
  return std::uint32_t(p[0]) << 24 | std::uint32_t(p[1]) << 16 | std::uint32_t(p[2]) << 8 | p[3];
}
