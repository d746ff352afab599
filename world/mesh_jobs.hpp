#pragma once
// What the meshing stage runs. The world never draws: the game passes the
// real meshers, tests and benchmarks may pass their own.
#include "render/cube_page.hpp"
#include "render/quad_page.hpp"

#include <glm/vec3.hpp>

#include <functional>
#include <vector>

struct Wmap;
struct Wmap_page;

struct Mesh_jobs {
  // The page's mesh at quality 0 (high detail) or 1 (low detail). Runs on
  // worker threads when the pipeline has them.
  std::function<Cube_mesh_data(Wmap const&, glm::ivec3 page, int quality)> mesh;
  // The page's billboard instances (high detail only); none when unset.
  std::function<std::vector<Quad_center>(Wmap_page const&)> billboards;
};
