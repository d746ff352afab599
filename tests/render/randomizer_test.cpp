#include "render/page_hash.hpp"
#include "render/randomizer.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <vector>

namespace {

// 64-bit FNV-1a over the position's bytes in memory, each read as a signed char.
std::uint64_t fnv_signed_bytes(glm::ivec3 p) {
  signed char bytes[12];
  std::memcpy(bytes, &p.x, 4), std::memcpy(bytes + 4, &p.y, 4), std::memcpy(bytes + 8, &p.z, 4);
  unsigned long long h = 14695981039346656037ull;
  for (signed char b : bytes) h = (h ^ (unsigned long long)(long long)b) * 1099511628211ull;
  return h;
}

// The inverse of the Mersenne Twister's output tempering.
std::uint32_t untemper(std::uint32_t y) {
  y ^= y >> 18;
  y ^= (y << 15) & 0xefc60000u;
  std::uint32_t x = y;
  for (int i = 0; i < 5; ++i) x = y ^ ((x << 7) & 0x9d2c5680u);
  y = x;
  for (int i = 0; i < 3; ++i) x = y ^ (x >> 11);
  return x;
}

int at(int i, int v) { return randomizer(i >> 8, (i >> 4) & 15, i & 15, v); }

} // namespace

// Page seeds are the low half of the page maps' hash.
TEST(PageSeed, IsTheLow32BitsOfTheSignExtendedFnv1aOfThePosition) {
  struct Case {
    glm::ivec3 page;
    std::uint64_t hash;
  } const cases[] = {
      {{0, 0, 0}, 0x5467b0da1d106495ull},  // twelve zero bytes
      {{-1, 0, 0}, 0x9e2c9e2845698771ull}, // 0xff taken as -1 over all 64 bits
      {{1, 2, -3}, 0xf478f9437d05e660ull},
  };
  for (auto const& k : cases) {
    EXPECT_EQ(Page_hash{}(k.page), k.hash) << k.page.x << "," << k.page.y << "," << k.page.z;
    EXPECT_EQ(std::uint32_t(page_seed(k.page)), std::uint32_t(k.hash));
  }
  EXPECT_EQ(std::uint32_t(page_seed({INT_MIN, INT_MAX, -129})), 0x9b54a48du);
  for (int i = -300; i < 300; i += 7) {
    glm::ivec3 const p{i, -i * 97, i * 65537};
    EXPECT_EQ(Page_hash{}(p), fnv_signed_bytes(p));
    EXPECT_EQ(std::uint32_t(page_seed(p)), std::uint32_t(fnv_signed_bytes(p)));
  }
}

TEST(Randomizer, OneMersenneTwisterStreamInIndexOrderXoredAndShiftedBySeed) {
  std::vector<std::uint32_t> stored(4096), x(4096); // v = 0: the stored values
  for (int i = 0; i < 4096; ++i) stored[i] = std::uint32_t(at(i, 0)), x[i] = untemper(stored[i]);
  for (int i = 0; i + 624 < 4096; ++i) { // the generator's recurrence, one index to the next
    std::uint32_t const y = (x[i] & 0x80000000u) | (x[i + 1] & 0x7fffffffu);
    ASSERT_EQ(x[i + 624], x[i + 397] ^ (y >> 1) ^ ((y & 1) ? 0x9908b0dfu : 0u)) << i;
  }
  for (int v : {1, 15, 16, -1, -16, INT_MAX, INT_MIN, INT_MIN | 15})
    for (int i : {0, 17, 300, 4095}) {
      int const value = int(stored[i]);
      EXPECT_EQ(at(i, v), (value ^ v) >> (v & 15)) << v << ' ' << i; // arithmetic: the sign stays
    }
}
