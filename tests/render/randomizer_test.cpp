#include "render/randomizer.hpp"

#include <gtest/gtest.h>

#include <climits>
#include <cstring>
#include <thread>
#include <vector>

namespace {

// FNV-1a over the 12 bytes as the hash tables of positions see them: each
// byte read as signed char and sign-extended.
std::uint32_t fnv_signed_bytes(glm::ivec3 p) {
  signed char bytes[12];
  std::memcpy(bytes, &p.x, 4), std::memcpy(bytes + 4, &p.y, 4), std::memcpy(bytes + 8, &p.z, 4);
  unsigned long long h = 14695981039346656037ull;
  for (signed char b : bytes) h = (h ^ (unsigned long long)(long long)b) * 1099511628211ull;
  return std::uint32_t(h);
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

} // namespace

TEST(PageSeed, IsTheLow32BitsOfTheSignExtendedFnv1aOfThePosition) {
  struct Case {
    glm::ivec3 page;
    std::uint32_t seed;
  };
  for (Case c : {Case{{0, 0, 0}, 0x1d106495u},
                 {{-1, 0, 0}, 0x45698771u}, // four 0xFF bytes mixed in as all-ones words
                 {{1, 2, 3}, 0x81eb0395u},
                 {{INT_MIN, INT_MAX, -129}, 0x9b54a48du}}) {
    EXPECT_EQ(std::uint32_t(page_seed(c.page)), c.seed);
    EXPECT_EQ(std::uint32_t(page_seed(c.page)), fnv_signed_bytes(c.page));
  }
  for (int i = -300; i < 300; i += 7) EXPECT_EQ(std::uint32_t(page_seed({i, -i * 97, i * 65537})), fnv_signed_bytes({i, -i * 97, i * 65537}));
}

TEST(Randomizer, IsTheTableValueXorTheSeedShiftedArithmetically) {
  std::vector<int> values; // v = 0: the stored values themselves
  for (int a = 0; a < 16; ++a)
    for (int b = 0; b < 16; ++b)
      for (int c = 0; c < 16; ++c) values.push_back(randomizer(a, b, c, 0));
  for (int v : {0, 1, 15, 16, -1, -16, 0x7fffffff, INT_MIN, 0x1234567, INT_MIN | 15})
    for (int i : {0, 1, 17, 300, 4095}) {
      int const expected = (values[i] ^ v) >> (v & 15);
      EXPECT_EQ(randomizer(i >> 8, (i >> 4) & 15, i & 15, v), expected) << v << ' ' << i;
      if ((values[i] ^ v) < 0) {
        EXPECT_LT(randomizer(i >> 8, (i >> 4) & 15, i & 15, v), 0);
      }
    }
}

TEST(Randomizer, TableIsOneMersenneTwisterStreamInIndexOrderSharedByEveryThread) {
  std::vector<std::vector<std::uint32_t>> seen(4);
  std::vector<std::thread> threads;
  for (auto& s : seen)
    threads.emplace_back([&s] {
      for (int i = 0; i < 4096; ++i) s.push_back(std::uint32_t(randomizer(i >> 8, (i >> 4) & 15, i & 15, 0)));
    });
  for (auto& t : threads) t.join();
  for (auto const& s : seen) EXPECT_EQ(s, seen[0]);
  // Untempered outputs follow the generator's recurrence from one index to the next.
  std::vector<std::uint32_t> x(4096);
  for (int i = 0; i < 4096; ++i) x[i] = untemper(seen[0][i]);
  for (int i = 0; i + 624 < 4096; ++i) {
    std::uint32_t const y = (x[i] & 0x80000000u) | (x[i + 1] & 0x7fffffffu);
    ASSERT_EQ(x[i + 624], x[i + 397] ^ (y >> 1) ^ ((y & 1) ? 0x9908b0dfu : 0u)) << i;
  }
}
