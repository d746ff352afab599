#pragma once
// The meshing end of the pipeline: finished pages become entries of two
// output queues (page meshes and billboard lists) that the renderers take
// once a frame. Meshes are built outside the lock; only the appending is
// locked, so several workers may mesh at once.
#include "render/cube_page.hpp"
#include "render/quad_page.hpp"
#include "world/mesh_jobs.hpp"

#include <glm/vec3.hpp>

#include <mutex>
#include <vector>

struct Scene;
struct Wmap_page;

struct Cell_page_queue {
  std::vector<Cube_page> cube_queue;
  std::vector<Quad_page> quad_queue;
  std::mutex queue_mutex; // guards both queues
  Mesh_jobs jobs;

  explicit Cell_page_queue(Mesh_jobs jobs_) : jobs(std::move(jobs_)) {}

  // The page's meshes at quality 0 (high detail) or 1 (low detail); a page
  // with nothing to draw gets a removal instead; an absent page or another
  // quality queues nothing.
  void add(Scene& scene, glm::ivec3 p, int quality);
  void quality_0(Scene& scene, glm::ivec3 p, Wmap_page const& page);
  void quality_1(Scene& scene, glm::ivec3 p, Wmap_page const& page);
  // An empty mesh and an empty billboard list: the renderers drop the page.
  void remove(glm::ivec3 p);

  void clear();

private:
  void push(Cube_page&& cube, Quad_page&& quad);
};
