#include "world/cell_page_queue.hpp"

#include "world/scene.hpp"

void Cell_page_queue::add(Scene& scene, glm::ivec3 p, int quality) {
  Wmap_page const* page = scene.wmap.find(p);
  if (!page) return;
  if (page->has(Wmap_page::empty)) return remove(p);
  if (quality == 0) quality_0(scene, p, *page);
  else if (quality == 1) quality_1(scene, p, *page);
}

void Cell_page_queue::quality_0(Scene& scene, glm::ivec3 p, Wmap_page const& page) {
  Profiler::Guard timing(scene.redraw_hd);
  Cube_page cube(p, jobs.mesh ? jobs.mesh(scene.wmap, p, 0) : Cube_mesh_data{});
  Quad_page quad{p, jobs.billboards ? jobs.billboards(page) : std::vector<Quad_center>{}};
  push(std::move(cube), std::move(quad));
}

void Cell_page_queue::quality_1(Scene& scene, glm::ivec3 p, Wmap_page const&) {
  Profiler::Guard timing(scene.redraw_ld);
  Cube_page cube(p, jobs.mesh ? jobs.mesh(scene.wmap, p, 1) : Cube_mesh_data{});
  push(std::move(cube), Quad_page{p, {}}); // far pages show no billboards
}

void Cell_page_queue::remove(glm::ivec3 p) {
  Cube_page cube;
  cube.page = p;
  push(std::move(cube), Quad_page{p, {}});
}

void Cell_page_queue::clear() {
  std::lock_guard lock(queue_mutex);
  cube_queue.clear();
  quad_queue.clear();
}

void Cell_page_queue::push(Cube_page&& cube, Quad_page&& quad) {
  std::lock_guard lock(queue_mutex);
  cube_queue.push_back(std::move(cube));
  quad_queue.push_back(std::move(quad));
}
