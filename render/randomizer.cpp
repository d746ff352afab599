#include "render/randomizer.hpp"

#include <array>
#include <random>

namespace {

struct Randomizer {
  std::array<std::int32_t, 4096> table;

  Randomizer() {
    std::uint32_t seed;
    {
      std::random_device device("default");
      seed = device();
    }
    std::mt19937 engine(seed);
    for (std::int32_t& v : table) v = static_cast<std::int32_t>(engine());
  }
};

} // namespace

std::int32_t const* randomizer_table() {
  static Randomizer const r; // built once, by the first caller, while others wait
  return r.table.data();
}

std::int32_t page_seed(glm::ivec3 const& page) {
  std::uint64_t h = 0xcbf29ce484222325ull;
  for (std::int32_t v : {page.x, page.y, page.z})
    for (int k = 0; k < 4; ++k) {
      auto const byte = static_cast<std::int8_t>(static_cast<std::uint32_t>(v) >> (8 * k));
      h ^= static_cast<std::uint64_t>(static_cast<std::int64_t>(byte));
      h *= 0x100000001b3ull;
    }
  return static_cast<std::int32_t>(static_cast<std::uint32_t>(h));
}
