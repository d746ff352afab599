#include "world/item.hpp"

#include <algorithm>
#include <limits>

namespace {

constexpr int count_min = std::numeric_limits<std::int16_t>::min();
constexpr int count_max = std::numeric_limits<std::int16_t>::max();

short to_short(int v) { return static_cast<short>(std::clamp(v, count_min, count_max)); }

} // namespace

short Item::add(short n) {
  int const old = count;
  int now;
  if (-n > old) {
    now = 0;
  } else {
    now = std::clamp(old + n, count_min, count_max);
  }
  count = static_cast<std::int16_t>(now);
  if (count == 0) id = 0;
  return to_short(now - old);
}

bool Inventory::give(Item item) {
  if (slots.empty()) return false;
  // The empty item goes to the first empty slot, but storing it there would
  // leave a count on an empty slot: only whether there is one counts.
  if (item.id == 0) return find(0) != end();
  if (Item* same = find(item.id); same != end()) {
    int const sum = same->count + item.count;
    if (sum > count_max || sum < count_min) return false;
    same->add(item.count);
    return true;
  }
  Item* free = find(0);
  if (free == end()) return false;
  if (item.count != 0) *free = item;
  return true;
}

int Inventory::take(Item item) {
  int wanted = item.count;
  int taken = 0;
  for (Item& slot : slots) {
    if (slot.id != item.id) continue;
    if (slot.count >= wanted) {
      taken -= slot.add(to_short(-wanted));
      break;
    }
    int const got = -slot.add(to_short(-wanted));
    taken += got;
    wanted -= got;
  }
  return taken;
}

int Inventory::take(Inventory const& items) {
  int taken = 0;
  for (Item const& item : items) taken += take(item);
  return taken;
}

int Inventory::count(Item_id id) const {
  int total = 0;
  for (Item const& slot : slots)
    if (slot.id == id) total += slot.count;
  return total;
}

bool Inventory::contains(Item item) const { return item.count <= count(item.id); }

bool Inventory::contains(Inventory const& items) const {
  return std::all_of(items.begin(), items.end(), [this](Item const& i) { return contains(i); });
}

Item* Inventory::find(Item_id id) {
  return std::find_if(slots.begin(), slots.end(), [id](Item const& s) { return s.id == id; });
}

Item const* Inventory::find(Item_id id) const {
  return std::find_if(slots.begin(), slots.end(), [id](Item const& s) { return s.id == id; });
}
