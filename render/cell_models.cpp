#include "render/cell_models.hpp"

#include "content/model_db.hpp"

#include <algorithm>
#include <mutex>

Cell_models::Cell_models(std::vector<Cell_opacity> const& opacity, std::vector<Cell_model> models)
    : models_(std::move(models)) {
  opacity_.fill(std::uint8_t(Cell_opacity::opaque));
  std::size_t const n = std::min(opacity.size(), opacity_.size());
  for (std::size_t i = 0; i < n; ++i) // a value past clear is taken as the default
    opacity_[i] = std::uint8_t(opacity[i] <= Cell_opacity::clear ? opacity[i] : Cell_opacity::opaque);
  // By opacity: opaque, semiopaque, semiclear, billboard, clear.
  constexpr std::uint8_t by_opacity[5] = {closes | drawn | bared_by_see_through, drawn | bared_by_see_through,
                                          see_through | drawn | bared_by_clear, see_through | clear,
                                          see_through | clear};
  for (std::size_t i = 0; i < flags_.size(); ++i) flags_[i] = by_opacity[opacity_[i]];
  flags_[0] = closes | bared_by_see_through; // the nameless type: opaque, yet never drawn at high detail
}

std::shared_ptr<Cell_models const> game_cell_models() {
  static std::mutex mutex;
  static std::shared_ptr<Cell_models const> current;
  static std::size_t types = 0, models = 0;

  Cell_database& cells = cell_db();
  Model_database const& db = model_db();
  std::lock_guard lock(mutex);
  if (!current || cells.size() != types || db.cells.size() != models) {
    types = cells.size();
    models = db.cells.size();
    std::vector<Cell_opacity> opacity(types);
    for (std::size_t id = 0; id < types; ++id) opacity[id] = cells[id].opacity;
    current = std::make_shared<Cell_models const>(opacity, db.cells);
  }
  return current;
}
