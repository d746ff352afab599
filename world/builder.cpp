#include "world/builder.hpp"

#include "world/builder_impl.hpp"
#include "world/cell_builder.hpp"
#include "world/light.hpp"
#include "world/scene.hpp"

#include <SDL.h>

#include <algorithm>
#include <execution>
#include <memory>
#include <thread>
#include <utility>

namespace {

// 2^63 ns, in minutes: a longer autosave period never comes round.
constexpr std::int64_t longest_period = 153'722'867;

// Positions handed to the workers at once. The main thread creates their
// pages first, and pages made for positions that miss the deadline are
// dropped again, so this stays near what a frame can run.
std::size_t parallel_chunk() {
  static std::size_t const n = std::max<std::size_t>(64, 16 * std::max(1u, std::thread::hardware_concurrency()));
  return n;
}

} // namespace

Builder::Impl::Impl(Scene& scene_, Mesh_jobs jobs, Builder_clock clock_)
    : World_center(scene_, std::move(jobs)),
      clock(clock_ ? std::move(clock_) : Builder_clock([] { return Clock::now(); })) {
  pending.max_load_factor(1.0f);
  queued.max_load_factor(1.0f);
  glm::ivec3 r = table_radius;
  {
    std::lock_guard lock(pending_mutex);
    pending.reserve(std::size_t(2 * r.x + 1) * std::size_t(2 * r.y + 1) * std::size_t(2 * r.z + 1));
    for (int x = center.x - r.x; x <= center.x + r.x; ++x)
      for (int y = center.y - r.y; y <= center.y + r.y; ++y)
        for (int z = center.z - r.z; z <= center.z + r.z; ++z) pending.insert({x, y, z});
  }
  last_autosave = clock();
}

Builder::Impl::~Impl() {
  try {
    SDL_Log("Cleaning up...\n");
    save_all();
    if (working_frames != 0)
      SDL_Log("%d operations done in %d frames (avg: %d, max: %d)\n", static_cast<std::int32_t>(total_ops),
              static_cast<std::int32_t>(working_frames), static_cast<std::int32_t>(total_ops / working_frames),
              most_ops);
  } catch (std::exception const& e) {
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "saving the world failed: %s\n", e.what());
  } catch (...) {
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "saving the world failed\n");
  }
}

void Builder::Impl::update() {
  ops = 0;
  added = 0;
  queue.clear();
  Clock::time_point now = clock();
  std::int64_t period = std::min<std::int64_t>(scene.config.autosave_period, longest_period);
  if (period > 0 && now - last_autosave > std::chrono::nanoseconds(period * 60'000'000'000)) {
    autosave();
    last_autosave = now;
  } else if (box_radius(scene.config) != table_radius) {
    resize_tables();
    rebuild_queue();
  } else if (update_center()) {
    rebuild_queue();
  } else {
    update_ops();
  }
  std::int32_t n = ops.load();
  if (n != 0) {
    total_ops += static_cast<std::uint64_t>(n);
    ++working_frames;
    most_ops = std::max(most_ops, n);
  }
}

void Builder::Impl::autosave() {
  SDL_Log("Autosaving...\n");
  save_all();
}

void Builder::Impl::update_ops() {
  for (glm::ivec3 p : pending) {
    if (!in_box(p)) continue; // its slot belongs to another page of the box
    if (!queued.insert(p).second) continue; // its twin waits in a bucket already
    glm::ivec3 d = glm::abs(p - center);
    std::size_t index = std::size_t(d.x) + std::size_t(d.y) + std::size_t(d.z);
    if (Wmap_page const* page = scene.wmap.find(p)) index += 2 * std::size_t(std::clamp<int>(page->stage.load(), 0, 7)) + 2;
    if (index >= buckets.size()) buckets.resize(index + 1);
    buckets[index].push_back(p);
  }
  pending.clear();
  deadline = clock() + std::chrono::milliseconds(std::max(0, scene.config.page_op_time));
  for (auto& bucket : buckets) {
    if (bucket.empty()) continue;
    run_bucket(bucket);
    if (failed) {
      failed = false;
      std::rethrow_exception(std::exchange(failure, nullptr));
    }
    if (!bucket.empty()) break;
  }
  added = static_cast<std::int32_t>(pending.size());
}

void Builder::Impl::run_bucket(std::vector<glm::ivec3>& bucket) {
  // Stage errors can't leave a parallel algorithm: the first is kept and
  // raised on the main thread once the bucket is decided.
  auto run = [&](glm::ivec3 p, Wmap_page& page) {
    try {
      bool again = update_page(p, page);
      finish(p, again);
      ops.fetch_add(1);
      return true;
    } catch (...) {
      std::lock_guard lock(failure_mutex);
      if (!failure) failure = std::current_exception();
      failed = true;
      return false;
    }
  };
  auto in_time = [&] { return !failed.load() && clock() <= deadline; };

  if (!scene.config.multithreading || bucket.size() <= 1) {
    auto kept = std::remove_if(bucket.begin(), bucket.end(),
                               [&](glm::ivec3 const& p) { return in_time() && run(p, scene.wmap.insert(p)); });
    bucket.erase(kept, bucket.end());
    return;
  }

  std::vector<glm::ivec3> made;
  auto out = bucket.begin();
  std::size_t at = 0;
  while (at < bucket.size() && in_time()) {
    auto first = bucket.begin() + std::ptrdiff_t(at);
    auto last = bucket.begin() + std::ptrdiff_t(std::min(bucket.size(), at + parallel_chunk()));
    made.clear();
    for (auto it = first; it != last; ++it)
      if (!scene.wmap.find(*it)) {
        scene.wmap.insert(*it);
        made.push_back(*it);
      }
    auto kept = std::remove_if(std::execution::par, first, last, [&](glm::ivec3 const& p) {
      if (!in_time()) return false;
      Wmap_page* page = scene.wmap.find(p);
      return page && run(p, *page);
    });
    out = out == first ? kept : std::move(first, kept, out);
    // Untouched pages made for positions that missed the deadline go again,
    // so the next drain still ranks them as not yet built.
    for (glm::ivec3 p : made)
      if (Wmap_page const* page = scene.wmap.find(p); page && page->stage.load() == 0 && page->flags.load() == 0)
        scene.wmap.erase(p);
    at = std::size_t(last - bucket.begin());
  }
  auto rest = bucket.begin() + std::ptrdiff_t(at);
  out = out == rest ? bucket.end() : std::move(rest, bucket.end(), out);
  bucket.erase(out, bucket.end());
}

bool Builder::Impl::update_page(glm::ivec3 p, Wmap_page& page) {
  int stage = page.stage.load();
  if (stage < 0 || stage > 6) {
    SDL_LogWarn(SDL_LOG_CATEGORY_APPLICATION, "queued operation on done page\n");
    return false;
  }
  if (stage < 5 && !scene.fmap.pages.find({p.x, p.z})) {
    // Filling and lighting read the flat page; the page waits for the next
    // rebuild of the queue.
    if (!missing_flat_logged.exchange(true))
      SDL_LogWarn(SDL_LOG_CATEGORY_APPLICATION, "page %d %d %d waits: its flat page %d %d is not loaded\n", p.x, p.y,
                  p.z, p.x, p.z);
    return false;
  }
  switch (stage) {
  case 0: return regen_page(p, page);
  case 1: return init_light_page(p, page);
  case 5: return populate_page(p, page);
  case 6: return redraw_page(p, page);
  default: return spread_light_page(p, page);
  }
}

bool Builder::Impl::regen_page(glm::ivec3 p, Wmap_page& page) {
  if (page.load_cells(scene.dir, p)) page.stage = 5; // the file's light stands
  else build_cell_page(scene, p, page);
  return true;
}

bool Builder::Impl::init_light_page(glm::ivec3 p, Wmap_page& page) {
  initialize_light_page(scene, p, page);
  return true;
}

bool Builder::Impl::spread_light_page(glm::ivec3 p, Wmap_page& page) {
  ::spread_light_page(scene, p, page);
  return true;
}

bool Builder::Impl::populate_page(glm::ivec3 p, Wmap_page& page) {
  Profiler::Guard timing(scene.populate);
  // A page sent back here by an edit keeps its mobs and reads no file.
  if (!page.has(Wmap_page::populated)) {
    page.mobs.clear();
    page.load_mobs(scene.dir, p);
    page.set(Wmap_page::populated);
    std::lock_guard lock(mobs_mutex);
    for (Mob* mob : page.mobs) scene.mobs.adopt(std::unique_ptr<Mob>(mob));
  }
  page.stage = 6;
  return true;
}

bool Builder::Impl::redraw_page(glm::ivec3 p, Wmap_page& page) {
  int quality = page_detail(p, center, meshed_radius);
  page.stage = 7;
  queue.add(scene, p, quality);
  return false;
}

void Builder::Impl::finish(glm::ivec3 p, bool again) {
  std::lock_guard lock(pending_mutex);
  queued.erase(p);
  if (again) pending.insert(p);
}

void Builder::Impl::put_back(glm::ivec3 p) {
  std::lock_guard lock(pending_mutex);
  pending.insert(p);
}

void Builder::Impl::rebuild_queue() {
  std::lock_guard lock(pending_mutex);
  pending.clear();
  buckets.clear();
  queued.clear();
  glm::ivec3 r = table_radius;
  for (int x = center.x - r.x; x <= center.x + r.x; ++x)
    for (int y = center.y - r.y; y <= center.y + r.y; ++y)
      for (int z = center.z - r.z; z <= center.z + r.z; ++z) {
        glm::ivec3 p{x, y, z};
        if (Wmap_page const* page = scene.wmap.find(p); page && page->stage.load() == 7) continue;
        pending.insert(p);
      }
}

std::uint64_t Builder::Impl::queue_size() const {
  std::uint64_t n = 0;
  for (auto const& bucket : buckets) n += bucket.size();
  return n;
}

Builder::Builder(Scene& scene, Mesh_jobs jobs, Builder_clock clock)
    : impl_(std::make_unique<Impl>(scene, std::move(jobs), std::move(clock))) {}

Builder::~Builder() = default;

void Builder::update() { impl_->update(); }
void Builder::set_dirty() { impl_->forced = true; }
std::uint64_t Builder::queue_size() const { return impl_->queue_size(); }
std::int32_t Builder::done() const { return impl_->ops.load(); }
std::int32_t Builder::added() const { return impl_->added; }
std::vector<Cube_page>& Builder::cube_queue() { return impl_->queue.cube_queue; }
std::vector<Quad_page>& Builder::quad_queue() { return impl_->queue.quad_queue; }
void Builder::change_cell(glm::ivec3 const& cell, Cell_id id) { impl_->change_cell(cell, id); }
void Builder::change_face(glm::ivec3 const& cell, int face, Cell_id id) { impl_->change_face(cell, face, id); }
