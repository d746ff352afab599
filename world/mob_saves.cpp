#include "world/mob_saves.hpp"

#include <algorithm>

std::vector<Mob_page_save> populated_pages(Wmap& wmap) {
  std::vector<Mob_page_save> pages;
  wmap.for_each([&](glm::ivec3 key, Wmap_page& p) {
    if (p.has(Wmap_page::populated)) pages.push_back({key, &p});
  });
  return pages;
}

namespace {

bool write(Mob_page_save& p, std::filesystem::path const& dir, Mob const* skip) {
  return p.saved = p.page->save_mobs(dir, p.at, skip);
}

// One round over the pages whose file went stale; true when it wrote one.
bool write_stale(std::span<Mob_page_save> pages, std::filesystem::path const& dir, Mob const* skip) {
  bool wrote = false;
  for (Mob_page_save& p : pages)
    if (p.page->file_is_stale(p.at)) wrote |= write(p, dir, skip);
  return wrote;
}

} // namespace

std::int64_t save_mob_pages(std::span<Mob_page_save> pages, std::filesystem::path const& dir, Mob const* skip,
                            std::span<Mob_page_save> before) {
  std::vector<Mob_page_save*> order;
  order.reserve(pages.size());
  for (Mob_page_save& p : pages) order.push_back(&p);
  std::stable_partition(order.begin(), order.end(),
                        [skip](Mob_page_save const* p) { return p->page->gains_mobs(p->at, skip); });
  for (Mob_page_save* p : order) write(*p, dir, skip);
  // A write leaves its page's file fresh, and it goes stale again only when
  // another write takes its mobs: the rounds end well before the bound,
  // which only keeps a fault from looping.
  if (!pages.empty())
    for (std::size_t round = 0; round <= pages.size() + before.size(); ++round) {
      bool const wrote = write_stale(before, dir, skip);
      if (!(write_stale(pages, dir, skip) || wrote)) break;
    }
  return std::count_if(pages.begin(), pages.end(), [](Mob_page_save const& p) { return !p.saved; });
}
