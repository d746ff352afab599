#include "world/item.hpp"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

namespace {

Inventory make(std::initializer_list<Item> items) {
  Inventory inv;
  for (Item const& i : items) inv.slots.push_back(i);
  return inv;
}

} // namespace

TEST(ShortVector, GrowsByDoublingFromEmpty) {
  Short_vector<int> v;
  EXPECT_EQ(v.capacity(), 0u);
  std::vector<std::size_t> caps;
  for (int i = 0; i < 5; ++i) {
    ASSERT_TRUE(v.push_back(i));
    caps.push_back(v.capacity());
  }
  EXPECT_EQ(caps, (std::vector<std::size_t>{1, 2, 4, 4, 8}));
  for (int i = 0; i < 5; ++i) EXPECT_EQ(v[i], i);
}

TEST(ShortVector, BuiltOrCopiedWithTheSmallestPowerOfTwo) {
  EXPECT_EQ(Short_vector<int>(0).capacity(), 1u);
  EXPECT_EQ(Short_vector<int>(1).capacity(), 1u);
  EXPECT_EQ(Short_vector<int>(5).capacity(), 8u);
  Short_vector<int> grown;
  for (int i = 0; i < 5; ++i) grown.push_back(i);
  Short_vector<int> copy(grown);
  EXPECT_EQ(copy.capacity(), 8u);
  EXPECT_EQ(copy, grown);
  copy[0] = 42;
  EXPECT_EQ(grown[0], 0); // deep copy
}

TEST(ShortVector, RefusesTheElementPastItsLimit) {
  Short_vector<char> v(Short_vector<char>::max_elements);
  EXPECT_EQ(v.capacity(), 32768u);
  EXPECT_FALSE(v.push_back('x'));
  EXPECT_EQ(v.size(), 32768u);
  EXPECT_THROW(Short_vector<char>(32769), std::length_error);
}

TEST(ShortVector, OwnsNonTrivialElementsAcrossGrowthMoveAndClear) {
  auto counter = std::make_shared<int>(0);
  {
    Short_vector<std::shared_ptr<int>> v;
    for (int i = 0; i < 9; ++i) v.push_back(counter);
    EXPECT_EQ(counter.use_count(), 10);
    Short_vector<std::shared_ptr<int>> moved(std::move(v));
    EXPECT_EQ(v.size(), 0u);
    EXPECT_EQ(counter.use_count(), 10);
    moved.clear();
    EXPECT_EQ(counter.use_count(), 1);
    EXPECT_EQ(moved.capacity(), 16u); // storage kept for reuse
    moved.push_back(counter);
    Short_vector<std::shared_ptr<int>> copy;
    copy = moved;
    EXPECT_EQ(counter.use_count(), 3);
  }
  EXPECT_EQ(counter.use_count(), 1);
}

TEST(ShortVector, AppendingAnOwnElementWhileGrowingIsSafe) {
  Short_vector<std::string> v;
  v.push_back(std::string(40, 'a'));
  v.push_back(v[0]); // capacity 1 -> 2 while reading v[0]
  v.push_back(v[1]); // 2 -> 4
  ASSERT_EQ(v.size(), 3u);
  EXPECT_EQ(v[2], std::string(40, 'a'));
}

TEST(Item, AddRemovesAtMostTheStackAndEmptiesAtZero) {
  Item i{7, 3};
  EXPECT_EQ(i.add(-5), -3);
  EXPECT_EQ(i, (Item{0, 0}));
  i = {7, 3};
  EXPECT_EQ(i.add(-3), -3);
  EXPECT_EQ(i, (Item{0, 0}));
  i = {7, 3};
  EXPECT_EQ(i.add(2), 2);
  EXPECT_EQ(i, (Item{7, 5}));
}

TEST(Item, AddSaturatesInsteadOfWrapping) {
  Item i{7, 32760};
  EXPECT_EQ(i.add(100), 7);
  EXPECT_EQ(i.count, 32767);
  EXPECT_EQ(i.add(1), 0);
  EXPECT_EQ(i.count, 32767);
  Item big{7, 32767};
  EXPECT_EQ(big.add(-32768), -32767); // more removed than held, without overflow
  EXPECT_EQ(big, (Item{0, 0}));
}

TEST(Inventory, GiveAddsToTheFirstStackOfItsKindBeforeEmptySlots) {
  Inventory inv = make({{0, 0}, {3, 2}, {0, 0}, {3, 1}});
  EXPECT_TRUE(inv.give({3, 4}));
  EXPECT_EQ(inv[0], (Item{0, 0}));
  EXPECT_EQ(inv[1], (Item{3, 6}));
  EXPECT_EQ(inv[3], (Item{3, 1}));
  EXPECT_TRUE(inv.give({5, 2}));
  EXPECT_EQ(inv[0], (Item{5, 2}));
}

TEST(Inventory, GiveToAFullInventoryChangesNothing) {
  Inventory inv = make({{1, 1}, {2, 1}});
  Inventory before = inv;
  EXPECT_FALSE(inv.give({3, 1}));
  EXPECT_EQ(inv, before);
}

TEST(Inventory, GiveThatWouldOverflowTheStackIsRefused) {
  Inventory inv = make({{1, 32000}, {0, 0}});
  Inventory before = inv;
  EXPECT_FALSE(inv.give({1, 1000})); // never split over two slots, never wrapped
  EXPECT_EQ(inv, before);
  EXPECT_TRUE(inv.give({1, 767}));
  EXPECT_EQ(inv[0].count, 32767);
}

TEST(Inventory, GivingNothingLeavesEmptySlotsClean) {
  Inventory inv(2);
  EXPECT_TRUE(inv.give({0, 5}));
  EXPECT_TRUE(inv.give({4, 0}));
  EXPECT_EQ(inv, Inventory(2));
  EXPECT_EQ(inv.count(0), 0);
}

TEST(Inventory, TakeWalksStacksInSlotOrder) {
  Inventory inv = make({{1, 3}, {2, 9}, {1, 4}});
  EXPECT_EQ(inv.take({1, 5}), 5);
  EXPECT_EQ(inv[0], (Item{0, 0}));
  EXPECT_EQ(inv[2], (Item{1, 2}));
  EXPECT_EQ(inv.take({1, 10}), 2);
  EXPECT_EQ(inv.count(1), 0);
  EXPECT_EQ(inv[1], (Item{2, 9}));
}

TEST(Inventory, TakeOfAnInventorySumsEveryEntry) {
  Inventory inv = make({{1, 3}, {2, 2}});
  Inventory wanted = make({{1, 2}, {2, 5}, {1, 1}});
  EXPECT_EQ(inv.take(wanted), 5);
  EXPECT_EQ(inv, make({{0, 0}, {0, 0}}));
}

TEST(Inventory, ContainsTestsEachEntryOnItsOwn) {
  Inventory inv = make({{1, 2}, {1, 1}, {2, 1}});
  EXPECT_TRUE(inv.contains(Item{1, 3}));
  EXPECT_FALSE(inv.contains(Item{1, 4}));
  EXPECT_TRUE(inv.contains(Item{9, 0}));
  EXPECT_TRUE(inv.contains(Inventory()));
  // Two entries of 2 each fit in 3 because each is tested alone.
  EXPECT_TRUE(inv.contains(make({{1, 2}, {1, 2}, {2, 1}})));
  EXPECT_FALSE(inv.contains(make({{2, 1}, {1, 9}})));
}

TEST(Inventory, WithoutSlotsNothingFitsOrIsFound) {
  Inventory inv(0);
  EXPECT_FALSE(inv.give({1, 1}));
  EXPECT_EQ(inv.take({1, 1}), 0);
  EXPECT_EQ(inv.count(1), 0);
  EXPECT_EQ(inv.find(1), inv.end());
}

TEST(Inventory, FindGivesTheFirstSlotOfAKind) {
  Inventory inv = make({{2, 1}, {1, 1}, {1, 5}});
  EXPECT_EQ(inv.find(1) - inv.begin(), 1);
  EXPECT_EQ(inv.find(0), inv.end());
}
