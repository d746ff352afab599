#include "render/billboards.hpp"

#include "content/model_db.hpp"
#include "world/wmap.hpp"

#include <cmath>

namespace {

// floor((coordinate + offset) * 16), cut to its low 8 bits: an offset
// outside [0, 1) wraps inside the page rather than failing.
std::uint8_t anchor(int coordinate, float offset) {
  float const v = std::floor((float(coordinate) + offset) * 16.0f);
  if (!std::isfinite(v)) return 0;
  return static_cast<std::uint8_t>(static_cast<std::int64_t>(std::fmod(v, 256.0f)) & 0xFF);
}

} // namespace

std::vector<Quad_center> make_mesh_for_billboards(Wmap_page const& page) {
  return make_mesh_for_billboards(page, cell_db(), model_db().cells);
}

std::vector<Quad_center> make_mesh_for_billboards(Wmap_page const& page, Cell_database const& types,
                                                  std::span<Cell_model const> models) {
  static Cell_model const default_model{};
  std::vector<Quad_center> out;
  Page<Cell_id> const cells = page.cells.snapshot();
  Page<Light> const light = page.light.snapshot();
  for (int i = 0; i < page_cells; ++i) {
    Cell_id const id = cells[i];
    Cell_type const& type = types[id];
    if (type.opacity != Cell_opacity::billboard) continue;
    int const x = i >> 8, y = (i >> 4) & 15, z = i & 15;
    Cell_model const& model = id < models.size() ? models[id] : default_model;
    out.push_back({anchor(x, type.offset.x), anchor(y, type.offset.y), anchor(z, type.offset.z), light[i],
                   static_cast<std::int16_t>(model.texture[0].get(0))});
  }
  return out;
}
