#pragma once
// The page pipeline: once a frame it autosaves (the pages, then the player's
// world file), or moves the view box with the player, or brings the pending
// pages through their stages (fill or file, light, mobs, meshing) within the
// frame's time budget, nearest first and optionally on worker threads.
// Finished meshes wait in two queues for the renderers. Cell and face edits
// come in here.
#include "content/cell_db.hpp"
#include "render/cube_page.hpp"
#include "render/quad_page.hpp"
#include "world/mesh_jobs.hpp"
#include "world/unsaved.hpp"

#include <glm/vec3.hpp>

#include <chrono>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

struct Scene;

// The steady clock, replaceable in tests.
using Builder_clock = std::function<std::chrono::steady_clock::time_point()>;

class Builder {
public:
  explicit Builder(Scene& scene, Mesh_jobs jobs, Builder_clock clock = {});
  ~Builder();
  Builder(Builder const&) = delete;
  Builder& operator=(Builder const&) = delete;

  void update();
  void set_dirty();
  // What the saves of the game so far (autosaves, pages leaving the view)
  // could not write since the last call; the end of the game adds what its
  // own save could not write to the scene's `unsaved`.
  Unsaved take_failed_saves();

  std::uint64_t queue_size() const;
  std::int32_t done() const;
  std::int32_t added() const;

  std::vector<Cube_page>& cube_queue();
  std::vector<Quad_page>& quad_queue();

  void change_cell(glm::ivec3 const& cell, Cell_id id);
  void change_face(glm::ivec3 const& cell, int face, Cell_id id);

  struct Impl;

private:
  std::unique_ptr<Impl> impl_;
};
