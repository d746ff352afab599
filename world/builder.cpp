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
// pages first, and drops again the pages made for positions that missed the
// deadline, so this stays near what a frame can run.
std::size_t parallel_chunk() {
  static std::size_t const n = std::max<std::size_t>(256, 64 * std::max(1u, std::thread::hardware_concurrency()));
  return n;
}

// f(i) for every i below n on the worker pool. ThreadSanitizer can't see the
// ordering inside the pool's library, which is not instrumented, so its build
// uses plain threads: what it checks is the pipeline's own sharing.
template <class F>
void parallel_for(std::size_t n, F const& f) {
#if defined(__SANITIZE_THREAD__)
  std::atomic<std::size_t> next{0};
  auto work = [&] {
    for (std::size_t i; (i = next.fetch_add(1)) < n;) f(i);
  };
  std::vector<std::jthread> pool(std::min<std::size_t>(n, std::max(2u, std::thread::hardware_concurrency())) - 1);
  for (auto& t : pool) t = std::jthread(work);
  work();
#else
  static std::vector<std::size_t> const indices = [] {
    std::vector<std::size_t> v(parallel_chunk());
    for (std::size_t i = 0; i < v.size(); ++i) v[i] = i;
    return v;
  }();
  std::for_each(std::execution::par, indices.begin(), indices.begin() + std::ptrdiff_t(n), f);
#endif
}

} // namespace

Builder::Impl::Impl(Scene& scene_, Mesh_jobs jobs, Builder_clock clock_)
    : World_center(scene_, std::move(jobs)),
      clock(clock_ ? std::move(clock_) : Builder_clock([] { return Clock::now(); })) {
  rebuild_queue(); // the whole box, the centre page included
  last_autosave = clock();
}

Builder::Impl::~Impl() {
  try {
    SDL_Log("Cleaning up...\n");
    scene.unsaved += save_all();
    if (working_frames != 0)
      SDL_Log("%d operations done in %d frames (avg: %d, max: %d)\n", static_cast<std::int32_t>(total_ops),
              static_cast<std::int32_t>(working_frames), static_cast<std::int32_t>(total_ops / working_frames),
              most_ops);
  } catch (std::exception const& e) {
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "saving the world failed: %s\n", e.what());
    scene.unsaved.stopped = true;
  } catch (...) {
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "saving the world failed\n");
    scene.unsaved.stopped = true;
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
  Unsaved unsaved = save_all();
  // The player's record after the pages: a crash from here on finds the
  // player and the containers as this save left them, so nothing moved
  // between them is doubled or lost.
  if (!scene.save()) unsaved.player = true;
  failed_saves += unsaved;
}

void Builder::Impl::update_ops() {
  for (glm::ivec3 p : pending) {
    std::uint8_t& m = mark(p);
    m &= ~is_pending;
    if (m & in_bucket) continue; // its twin waits in a bucket already: one run at a time
    m |= in_bucket;
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
  auto run = [&](glm::ivec3 p, Wmap_page& page) -> Outcome {
    try {
      Outcome o = update_page(p, page) ? Outcome::again : Outcome::ran;
      ops.fetch_add(1);
      return o;
    } catch (...) {
      std::lock_guard lock(failure_mutex);
      if (!failure) failure = std::current_exception();
      failed = true;
      return Outcome::kept;
    }
  };
  auto in_time = [&] { return !failed.load() && clock() <= deadline; };

  if (!scene.config.multithreading || bucket.size() <= 1) {
    auto kept = std::remove_if(bucket.begin(), bucket.end(), [&](glm::ivec3 const& p) {
      if (!in_time()) return false;
      Outcome o = run(p, scene.wmap.insert(p));
      if (o != Outcome::kept) finish(p, o == Outcome::again);
      return o != Outcome::kept;
    });
    bucket.erase(kept, bucket.end());
    return;
  }

  // Workers only run stages and note what came of each position; the main
  // thread then puts the positions back, so the pending set takes no lock
  // per page.
  std::vector<glm::ivec3> made;
  std::vector<Outcome> outcome;
  auto out = bucket.begin();
  std::size_t at = 0;
  while (at < bucket.size() && in_time()) {
    auto const first = bucket.begin() + std::ptrdiff_t(at);
    std::size_t const n = std::min(bucket.size() - at, parallel_chunk());
    made.clear();
    for (std::size_t i = 0; i < n; ++i)
      if (!scene.wmap.find(first[std::ptrdiff_t(i)])) {
        scene.wmap.insert(first[std::ptrdiff_t(i)]);
        made.push_back(first[std::ptrdiff_t(i)]);
      }
    outcome.assign(n, Outcome::kept);
    parallel_for(n, [&](std::size_t i) {
      glm::ivec3 p = first[std::ptrdiff_t(i)];
      if (!in_time()) return;
      if (Wmap_page* page = scene.wmap.find(p)) outcome[i] = run(p, *page);
    });
    for (std::size_t i = 0; i < n; ++i) {
      glm::ivec3 p = first[std::ptrdiff_t(i)];
      if (outcome[i] == Outcome::kept) *out++ = p; // kept positions stay in order at the front
      else finish(p, outcome[i] == Outcome::again);
    }
    // Untouched pages made for positions that missed the deadline go again,
    // so the next drain still ranks them as not yet built.
    for (glm::ivec3 p : made)
      if (Wmap_page const* page = scene.wmap.find(p); page && page->stage.load() == 0 && page->flags.load() == 0)
        scene.wmap.erase(p);
    at += n;
  }
  auto const rest = bucket.begin() + std::ptrdiff_t(at);
  bucket.erase(out == rest ? bucket.end() : std::copy(rest, bucket.end(), out), bucket.end());
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

std::uint8_t& Builder::Impl::mark(glm::ivec3 p) { return marks[scene.wmap.slot(p)]; }

void Builder::Impl::finish(glm::ivec3 p, bool again) {
  mark(p) &= ~in_bucket;
  if (again) put_back(p);
}

void Builder::Impl::put_back(glm::ivec3 p) {
  std::uint8_t& m = mark(p);
  if (m & is_pending) return;
  m |= is_pending;
  pending.push_back(p);
}

void Builder::Impl::rebuild_queue() {
  pending.clear();
  buckets.clear();
  glm::ivec3 s = scene.wmap.size();
  marks.assign(std::size_t(s.x) * std::size_t(s.y) * std::size_t(s.z), 0);
  glm::ivec3 r = table_radius;
  for (int x = center.x - r.x; x <= center.x + r.x; ++x)
    for (int y = center.y - r.y; y <= center.y + r.y; ++y)
      for (int z = center.z - r.z; z <= center.z + r.z; ++z) {
        glm::ivec3 p{x, y, z};
        if (Wmap_page const* page = scene.wmap.find(p); page && page->stage.load() == 7) continue;
        put_back(p);
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
Unsaved Builder::take_failed_saves() { return std::exchange(impl_->failed_saves, Unsaved{}); }
std::uint64_t Builder::queue_size() const { return impl_->queue_size(); }
std::int32_t Builder::done() const { return impl_->ops.load(); }
std::int32_t Builder::added() const { return impl_->added; }
std::vector<Cube_page>& Builder::cube_queue() { return impl_->queue.cube_queue; }
std::vector<Quad_page>& Builder::quad_queue() { return impl_->queue.quad_queue; }
void Builder::change_cell(glm::ivec3 const& cell, Cell_id id) { impl_->change_cell(cell, id); }
void Builder::change_face(glm::ivec3 const& cell, int face, Cell_id id) { impl_->change_face(cell, face, id); }
