#include "world/item.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <tuple>
#include <vector>

namespace {

Inventory make(std::initializer_list<Item> items) {
  Inventory inv;
  inv.slots = items;
  return inv;
}

} // namespace

TEST(ShortVector, RefusesTheElementPastItsLimit) {
  Short_vector<char> v(Short_vector<char>::max_elements);
  EXPECT_EQ(v.capacity(), 32768u);
  EXPECT_FALSE(v.push_back('x'));
  EXPECT_EQ(v.size(), 32768u);
  EXPECT_THROW(Short_vector<char>(32769), std::length_error);
}

TEST(ShortVector, OwnsNonTrivialElementsAcrossGrowthMoveCopyAndClear) {
  auto counter = std::make_shared<int>(0);
  {
    Short_vector<std::shared_ptr<int>> v;
    for (int i = 0; i < 9; ++i) v.push_back(counter);
    Short_vector<std::shared_ptr<int>> moved(std::move(v)), copy;
    EXPECT_EQ(v.size(), 0u);
    EXPECT_EQ(counter.use_count(), 10);
    moved.clear();
    EXPECT_EQ(counter.use_count(), 1);
    EXPECT_EQ(moved.capacity(), 16u); // storage kept for reuse
    moved.push_back(counter);
    copy = moved;
    EXPECT_EQ(counter.use_count(), 3);
  }
  EXPECT_EQ(counter.use_count(), 1);
  std::string a(40, 'a');
  Short_vector<std::string> s{a};
  s.push_back(s[0]); // grows while reading its own element
  s.push_back(s[1]);
  EXPECT_EQ(s, (Short_vector<std::string>{a, a, a}));
}

TEST(Item, AddTakesAtMostTheStackAndSaturatesInsteadOfWrapping) {
  // {count before, added, change made, item after}
  for (auto [before, n, change, after] : {std::tuple<short, short, short, Item>{3, -5, -3, {0, 0}},
                                          {3, -3, -3, {0, 0}}, {3, 2, 2, {7, 5}}, {32760, 100, 7, {7, 32767}},
                                          {32767, 1, 0, {7, 32767}}, {32767, -32768, -32767, {0, 0}}}) {
    Item i{7, before};
    EXPECT_EQ(i.add(n), change) << before << " + " << n;
    EXPECT_EQ(i, after) << before << " + " << n;
  }
}

TEST(Inventory, GiveAddsTheWholeStackToTheFirstOfItsKindElseTheFirstEmptySlot) {
  Inventory inv = make({{0, 0}, {3, 2}, {0, 0}, {3, 1}});
  EXPECT_TRUE(inv.give({3, 4}));
  EXPECT_TRUE(inv.give({5, 2}));
  EXPECT_TRUE(inv.give({0, 5})); // nothing to give: no count on an empty slot
  EXPECT_TRUE(inv.give({4, 0}));
  EXPECT_EQ(inv, make({{5, 2}, {3, 6}, {0, 0}, {3, 1}}));
  // Neither a free slot nor one of its kind, or a stack that would overflow
  // its slot: refused, nothing changed, never split or wrapped.
  Inventory full = make({{1, 32000}, {2, 1}}), before = full;
  EXPECT_FALSE(full.give({3, 1}));
  EXPECT_FALSE(full.give({1, 1000}));
  EXPECT_FALSE(full.give({0, 1}));
  EXPECT_EQ(full, before);
  EXPECT_TRUE(full.give({1, 767}));
  EXPECT_EQ(full[0].count, 32767);
  EXPECT_FALSE(Inventory(0).give({1, 1})); // a mob without slots
}

TEST(Inventory, TakeCountAndContains) {
  Inventory inv = make({{1, 3}, {2, 9}, {1, 4}});
  EXPECT_TRUE(inv.contains(Item{1, 7}));
  EXPECT_FALSE(inv.contains(Item{1, 8}));
  EXPECT_TRUE(inv.contains(Item{9, 0}));
  // Each entry alone: two of 5 fit in 7, but 1 of 9 does not.
  EXPECT_TRUE(inv.contains(make({{1, 5}, {1, 5}, {2, 1}})));
  EXPECT_FALSE(inv.contains(make({{2, 1}, {1, 9}})));
  EXPECT_EQ(inv.take({1, 5}), 5); // slots in order
  EXPECT_EQ(inv, make({{0, 0}, {2, 9}, {1, 2}}));
  EXPECT_EQ(inv.take(make({{1, 10}, {2, 4}, {2, 1}})), 7);
  EXPECT_EQ(inv, make({{0, 0}, {2, 4}, {0, 0}}));
  EXPECT_EQ(inv.count(2), 4);
  EXPECT_EQ(Inventory(0).take({1, 1}), 0);
}
