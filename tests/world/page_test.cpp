#include "world/page.hpp"
#include "world/page_table.hpp"

#include <gtest/gtest.h>

#include <set>
#include <string>
#include <thread>
#include <vector>

namespace {

using Cells = Page<std::uint16_t>;

std::int64_t arrays() { return Cells::total_.load(); }

// A page counting how many of its kind are alive, to see evictions.
struct Counted {
  static inline int alive = 0;
  int value = 0;
  Counted() { ++alive; }
  ~Counted() { --alive; }
};

} // namespace

TEST(Page, CopiesShareTheArrayUntilOneWrites) {
  std::int64_t before = arrays();
  Cells a(7);
  Cells b = a, c = a;
  EXPECT_EQ(arrays(), before + 1);
  EXPECT_TRUE(b.same_array(a) && c.same_array(a) && a.shared());

  b.set(cell_index(1, 2, 3), 9); // copy before the first write
  EXPECT_EQ(arrays(), before + 2);
  EXPECT_FALSE(b.same_array(a));
  EXPECT_EQ(b[cell_index(1, 2, 3)], 9);
  EXPECT_EQ(a[cell_index(1, 2, 3)], 7);
  EXPECT_EQ(c[cell_index(1, 2, 3)], 7);

  std::uint16_t const* own = b.data();
  b.set(0, 1); // sole owner: in place
  EXPECT_EQ(b.data(), own);
  EXPECT_EQ(arrays(), before + 2);

  a = Cells(3);
  c = Cells(4); // the first array's last owner lets go
  EXPECT_EQ(arrays(), before + 3);
}

TEST(Page, CopyOfAndMoveKeepTheCount) {
  std::int64_t before = arrays();
  std::vector<std::uint16_t> src(page_cells);
  for (int i = 0; i < page_cells; ++i) src[i] = static_cast<std::uint16_t>(i);
  Cells p = Cells::copy_of(src.data());
  Cells q = std::move(p);
  EXPECT_EQ(arrays(), before + 1);
  EXPECT_EQ(q[4095], 4095);
  Cells& alias = q;
  q = alias; // self-assignment keeps the array
  EXPECT_EQ(q[100], 100);
  EXPECT_EQ(arrays(), before + 1);
}

TEST(Page, SnapshotOutlivesTheOwnersNewArray) {
  Cells owner(5);
  Cells seen = owner.snapshot();
  owner = Cells(6); // published while the reader holds the old array
  EXPECT_EQ(seen[10], 5);
  EXPECT_EQ(owner[10], 6);
  EXPECT_FALSE(seen.shared());
}

TEST(Page, ReadersAndPublisherOnSeveralThreads) {
  std::int64_t before = arrays();
  {
    Cells owner(0);
    std::vector<std::thread> readers;
    std::atomic<bool> torn{false};
    for (int t = 0; t < 4; ++t)
      readers.emplace_back([&] {
        for (int i = 0; i < 2000; ++i) {
          Cells s = owner.snapshot();
          if (s[0] != s[4095]) torn = true;
        }
      });
    for (int i = 1; i <= 2000; ++i) owner = Cells(static_cast<std::uint16_t>(i));
    for (auto& r : readers) r.join();
    EXPECT_FALSE(torn);
  }
  EXPECT_EQ(arrays(), before);
}

TEST(PageTable, SizesArePowersOfTwoAroundTheViewDistance) {
  for (auto [d, size] : std::vector<std::pair<int, int>>{{-3, 1}, {0, 1}, {1, 4}, {3, 8}, {4, 16}, {8, 32}, {48, 128}})
    EXPECT_EQ(table_size(d), size) << d;
  Page_table<int, 3> t(glm::ivec3(5, 0, 128));
  EXPECT_EQ(t.size(), glm::ivec3(8, 1, 128));
}

TEST(PageTable, KeysWrapIncludingNegativeOnes) {
  Page_table<int, 3> t(glm::ivec3(4, 2, 8));
  struct Case {
    glm::ivec3 key;
    std::size_t slot;
  };
  // x shifts by log2(2) + log2(8) = 4, y by 3.
  for (Case c : {Case{{0, 0, 0}, 0}, {{-1, 0, 0}, 3u << 4}, {{0, -1, 0}, 1u << 3}, {{0, 0, -1}, 7},
                 {{-1, -1, -1}, 63}, {{4, 2, 8}, 0}, {{-5, 3, 9}, (3u << 4) + (1u << 3) + 1}})
    EXPECT_EQ(t.slot(c.key), c.slot) << c.key.x << "," << c.key.y << "," << c.key.z;

  // Any run of `size` consecutive keys per axis covers every slot once.
  std::set<std::size_t> seen;
  for (int x = -7; x < -3; ++x)
    for (int y = 11; y < 13; ++y)
      for (int z = -2; z < 6; ++z) seen.insert(t.slot({x, y, z}));
  EXPECT_EQ(seen.size(), 64u);

  Page_table<int, 2> flat(glm::ivec2(4, 16));
  EXPECT_EQ(flat.slot({-1, -1}), (3u << 4) + 15);
}

TEST(PageTable, InsertFindsEvictsAndErases) {
  Counted::alive = 0;
  Page_table<Counted, 3> t(glm::ivec3(2, 2, 2));
  t.insert({1, 0, 0}).value = 42;
  EXPECT_EQ(t.insert({1, 0, 0}).value, 42); // same key: same page, untouched
  EXPECT_EQ(Counted::alive, 1);
  EXPECT_EQ(t.find({3, 0, 0}), nullptr); // shares the slot, other key
  EXPECT_EQ(t.find({1, 0, 2}), nullptr);

  EXPECT_EQ(t.insert({-1, 0, 0}).value, 0); // evicts the page of (1, 0, 0)
  EXPECT_EQ(Counted::alive, 1);
  EXPECT_EQ(t.find({1, 0, 0}), nullptr);
  ASSERT_NE(t.find({-1, 0, 0}), nullptr);

  t.insert({0, 1, 1});
  int visited = 0;
  t.for_each([&](glm::ivec3, Counted&) { ++visited; });
  EXPECT_EQ(visited, 2);
  t.erase({2, 1, 1}); // another key: nothing happens
  EXPECT_EQ(Counted::alive, 2);
  t.erase({0, 1, 1});
  EXPECT_EQ(Counted::alive, 1);
  t.clear();
  EXPECT_EQ(Counted::alive, 0);
}
