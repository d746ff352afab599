#include "world/page.hpp"
#include "world/page_table.hpp"

#include <gtest/gtest.h>

#include <set>
#include <vector>

namespace {

using Cells = Page<std::uint16_t>;

std::int64_t arrays() { return Cells::total_.load(); }

// Counts the pages of its kind alive, to see evictions.
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
  b.set(cell_index(1, 2, 3), 9); // copy before the first write
  EXPECT_EQ(arrays(), before + 2);
  EXPECT_EQ(b[cell_index(1, 2, 3)], 9);
  EXPECT_EQ(a[cell_index(1, 2, 3)], 7);
  EXPECT_TRUE(c.same_array(a));

  std::uint16_t const* own = b.data();
  b.set(0, 1); // sole owner: in place
  EXPECT_EQ(b.data(), own);
  Cells& alias = b;
  b = alias;
  Cells moved = std::move(b);
  EXPECT_EQ(moved[cell_index(1, 2, 3)], 9);
  a = Cells(3);
  c = Cells::copy_of(moved.data()); // the first array's last owner lets go
  EXPECT_EQ(arrays(), before + 3);
}

TEST(Page, SnapshotOutlivesTheOwnersNewArray) {
  Cells owner(0);
  Cells seen = owner.snapshot();
  owner = Cells(6);
  EXPECT_EQ(seen[10], 0);
  EXPECT_FALSE(seen.shared());
}

TEST(PageTable, SizesAndWrappedKeys) {
  for (auto [d, size] : std::vector<std::pair<int, int>>{{-3, 1}, {0, 1}, {1, 4}, {3, 8}, {4, 16}, {48, 128}})
    EXPECT_EQ(table_size(d), size) << d;
  Page_table<int, 3> t(glm::ivec3(4, 2, 8)); // x shifts by 4, y by 3
  for (auto [key, slot] : std::vector<std::pair<glm::ivec3, std::size_t>>{
           {{-1, 0, 0}, 3u << 4}, {{0, -1, 0}, 1u << 3}, {{-1, -1, -1}, 63}, {{4, 2, 8}, 0}, {{-5, 3, 9}, 57}})
    EXPECT_EQ(t.slot(key), slot) << key.x << "," << key.y << "," << key.z;
  std::set<std::size_t> seen; // any run of `size` keys per axis: every slot once
  for (int x = -7; x < -3; ++x)
    for (int y = 11; y < 13; ++y)
      for (int z = -2; z < 6; ++z) seen.insert(t.slot({x, y, z}));
  EXPECT_EQ(seen.size(), 64u);
  EXPECT_EQ((Page_table<int, 2>(glm::ivec2(4, 16)).slot({-1, -1})), (3u << 4) + 15);
}

TEST(PageTable, InsertFindsEvictsAndErases) {
  Counted::alive = 0;
  Page_table<Counted, 3> t(glm::ivec3(2, 2, 2));
  t.insert({1, 0, 0}).value = 42;
  EXPECT_EQ(t.insert({1, 0, 0}).value, 42); // same key: same page, untouched
  EXPECT_EQ(t.find({3, 0, 0}), nullptr);    // same slot, other key
  EXPECT_EQ(t.insert({-1, 0, 0}).value, 0); // evicts the page of (1, 0, 0)
  EXPECT_EQ(Counted::alive, 1);
  EXPECT_EQ(t.find({1, 0, 0}), nullptr);
  t.insert({0, 1, 1});
  t.erase({2, 1, 1}); // another key: nothing happens
  EXPECT_EQ(Counted::alive, 2);
  t.erase({0, 1, 1});
  EXPECT_EQ(Counted::alive, 1);
  t.clear();
  EXPECT_EQ(Counted::alive, 0);
}
