#include "world/mob_saves.hpp"

#include <algorithm>

std::vector<Mob_page_save> populated_pages(Wmap& wmap) {
  std::vector<Mob_page_save> pages;
  wmap.for_each([&](glm::ivec3 key, Wmap_page& p) {
    if (p.has(Wmap_page::populated)) pages.push_back({key, &p});
  });
  return pages;
}

std::int64_t save_mob_pages(std::span<Mob_page_save> pages, std::filesystem::path const& dir, Mob const* skip) {
  std::vector<Mob_page_save*> order;
  order.reserve(pages.size());
  for (Mob_page_save& p : pages) order.push_back(&p);
  std::stable_partition(order.begin(), order.end(),
                        [skip](Mob_page_save const* p) { return p->page->gains_mobs(p->at, skip); });
  std::int64_t failed = 0;
  for (Mob_page_save* p : order) {
    p->saved = p->page->save_mobs(dir, p->at, skip);
    failed += !p->saved;
  }
  return failed + rewrite_stale(pages, dir, skip);
}

std::int64_t rewrite_stale(std::span<Mob_page_save> pages, std::filesystem::path const& dir, Mob const* skip) {
  std::int64_t failed = 0;
  for (Mob_page_save& p : pages) {
    if (!p.saved || !p.page->file_is_stale(p.at)) continue;
    p.saved = p.page->save_mobs(dir, p.at, skip);
    failed += !p.saved;
  }
  return failed;
}
