#pragma once
// A page and its neighbours as the triangles the player sees. Near pages get
// the high-detail mesh: a quad per visible face with light smoothed over the
// corners, a mask of the closed cells around it for ambient occlusion, a
// texture variant per position and the model's effects. Far pages get the
// low-detail mesh: equal neighbouring faces merged into rectangles.
//
// Both are pure functions of the page table's cells, light and face paints
// (and, at high detail, the process's texture variants); they only read, so
// several pages may be meshed at once on worker threads. A page that is not
// in the table gives an empty mesh.
#include "render/cell_models.hpp"
#include "render/cube_page.hpp"

#include <glm/vec3.hpp>

struct Wmap;

// The mesh at quality 0 (high detail) or any other (low detail), with the
// game's cell and model tables; what the page pipeline's mesh jobs run.
Cube_mesh_data generate_mesh(Wmap const& wmap, glm::ivec3 page, int quality);
// The same with tables of the caller's.
Cube_mesh_data mesh_page(Wmap const& wmap, glm::ivec3 page, int quality, Cell_models const& models);

Cube_mesh_data generate_mesh_high(Wmap const& wmap, glm::ivec3 const& page, Cell_models const& models);
Cube_mesh_data generate_mesh_low(Wmap const& wmap, glm::ivec3 const& page, Cell_models const& models);
