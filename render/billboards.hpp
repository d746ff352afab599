#pragma once
// The billboard cells of a page as quad instances, in cell index order. Reads
// only the page's cells and light and the content tables, so the pipeline's
// worker threads run it for every page meshed at high detail.
#include "content/cell_db.hpp"
#include "content/model.hpp"
#include "render/quad_page.hpp"

#include <span>
#include <vector>

struct Wmap_page;

// With the game's cell types and models.
std::vector<Quad_center> make_mesh_for_billboards(Wmap_page const& page);

// With the given tables; an id past `models` takes the default model.
std::vector<Quad_center> make_mesh_for_billboards(Wmap_page const& page, Cell_database const& types,
                                                  std::span<Cell_model const> models);
