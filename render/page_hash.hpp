#pragma once
// The hash of integer positions that keys the renderers' page maps: 64-bit
// FNV-1a over x, y, z as little-endian bytes, each byte sign-extended.
#include <glm/vec3.hpp>

#include <cstddef>
#include <cstdint>

struct Page_hash {
  std::size_t operator()(glm::ivec3 const& v) const noexcept {
    std::uint64_t h = 0xcbf29ce484222325ull;
    for (int i = 0; i < 3; ++i) {
      auto const u = static_cast<std::uint32_t>(v[i]);
      for (int b = 0; b < 4; ++b) {
        h ^= static_cast<std::uint64_t>(static_cast<std::int64_t>(static_cast<std::int8_t>(u >> (8 * b))));
        h *= 0x100000001b3ull;
      }
    }
    return static_cast<std::size_t>(h);
  }
};
