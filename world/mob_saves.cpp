#include "world/mob_saves.hpp"

#include "world/page_file.hpp"

#include <algorithm>

std::vector<Mob_page_save> populated_pages(Wmap& wmap) {
  std::vector<Mob_page_save> pages;
  wmap.for_each([&](glm::ivec3 key, Wmap_page& p) {
    if (p.has(Wmap_page::populated)) pages.push_back({key, &p});
  });
  return pages;
}

namespace {

// One save's writes: where, whom to leave out, and the pages whose mobs stay
// in their old files.
struct Writes {
  std::filesystem::path const& dir;
  Mob const* skip;
  std::vector<glm::ivec3> stay;

  bool write(Mob_page_save& p) const { return p.saved = p.page->save_mobs(dir, p.at, skip, stay); }

  // One round over the pages whose file went stale; true when it wrote one.
  bool write_stale(std::span<Mob_page_save> pages) const {
    bool wrote = false;
    for (Mob_page_save& p : pages)
      if (p.page->file_is_stale(p.at)) wrote |= write(p);
    return wrote;
  }
};

// The pages whose own mobs pass the cap: no write of theirs can go through,
// so their old files keep every mob filed there.
void add_over_cap(std::vector<glm::ivec3>& out, std::span<Mob_page_save const> pages, Mob const* skip) {
  for (Mob_page_save const& p : pages)
    if (p.page->own_mobs(skip) > max_page_mobs) out.push_back(p.at);
}

} // namespace

std::int64_t save_mob_pages(std::span<Mob_page_save> pages, std::filesystem::path const& dir, Mob const* skip,
                            std::span<Mob_page_save> before) {
  Writes w{dir, skip, {}};
  add_over_cap(w.stay, pages, skip);
  add_over_cap(w.stay, before, skip);
  std::vector<Mob_page_save*> order;
  order.reserve(pages.size());
  for (Mob_page_save& p : pages) order.push_back(&p);
  std::stable_partition(order.begin(), order.end(),
                        [&](Mob_page_save const* p) { return p->page->gains_mobs(p->at, skip, w.stay); });
  for (Mob_page_save* p : order) w.write(*p);
  // A write leaves its page's file fresh, and it goes stale again only when
  // another write takes its mobs: the rounds end well before the bound,
  // which only keeps a fault from looping.
  if (!pages.empty())
    for (std::size_t round = 0; round <= pages.size() + before.size(); ++round) {
      bool const wrote = w.write_stale(before);
      if (!(w.write_stale(pages) || wrote)) break;
    }
  return std::count_if(pages.begin(), pages.end(), [](Mob_page_save const& p) { return !p.saved; });
}
