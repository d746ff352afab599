#pragma once
// Inside the page pipeline: the pending set that stage runs put their pages
// back into, the distance buckets drained from it once a frame, the frame's
// budget and counters, the stage runs and the edits.
//
// Threads: worker threads run only `update_page` for distinct positions of
// the one bucket in hand. The main thread has created those positions' pages
// before they start, so workers only look pages up, and it puts the
// positions back into the pending set once the workers are done, so the set
// is the main thread's alone. Workers share the output queues (queue mutex),
// the scene's mob list (mobs mutex), `ops` and the profile counters
// (atomic).
#include "world/builder.hpp"
#include "world/world_center.hpp"

#include <atomic>
#include <chrono>
#include <cstdint>
#include <exception>
#include <mutex>
#include <vector>

struct Builder::Impl : World_center {
  using Clock = std::chrono::steady_clock;

  // Positions whose next stage is due in a coming frame, in the order they
  // came. Every queued position lies in the box, whose positions have slots
  // of their own in the page table: a byte per slot says whether the
  // position is pending and whether it waits in a bucket.
  std::vector<glm::ivec3> pending;
  std::vector<std::uint8_t> marks;
  enum Mark : std::uint8_t { is_pending = 1, in_bucket = 2 };
  std::vector<std::vector<glm::ivec3>> buckets; // by priority, lowest first
  Clock::time_point deadline;
  Clock::time_point last_autosave;
  std::atomic<std::int32_t> ops{0};
  std::int32_t added = 0;
  std::uint64_t total_ops = 0;
  std::uint64_t working_frames = 0;
  std::int32_t most_ops = 0;
  std::mutex mobs_mutex;            // guards the scene's mob list
  Builder_clock clock;
  std::atomic<bool> missing_flat_logged{false};
  std::exception_ptr failure;       // the first error a stage raised in this bucket
  std::atomic<bool> failed{false};
  std::mutex failure_mutex;

  Impl(Scene& scene, Mesh_jobs jobs, Builder_clock clock);
  ~Impl();

  void update();
  void autosave();
  void update_ops();
  void rebuild_queue();
  std::uint64_t queue_size() const;

  enum class Outcome : std::uint8_t { kept, ran, again };

  // One bucket: runs what fits before the deadline, keeps the rest in order.
  void run_bucket(std::vector<glm::ivec3>& bucket);
  // Runs the page's stage; true when the page wants its next stage.
  bool update_page(glm::ivec3 p, Wmap_page& page);
  bool regen_page(glm::ivec3 p, Wmap_page& page);
  bool init_light_page(glm::ivec3 p, Wmap_page& page);
  bool spread_light_page(glm::ivec3 p, Wmap_page& page);
  bool populate_page(glm::ivec3 p, Wmap_page& page);
  bool redraw_page(glm::ivec3 p, Wmap_page& page);
  // The position left its bucket; back into the pending set when `again`.
  void finish(glm::ivec3 p, bool again);
  void put_back(glm::ivec3 p);
  std::uint8_t& mark(glm::ivec3 p);

  void change_cell(glm::ivec3 const& cell, Cell_id id);
  void change_face(glm::ivec3 const& cell, int face, Cell_id id);
  // Sends the loaded pages of the box back to the light stage.
  void relight(glm::ivec3 lo, glm::ivec3 hi);
};
