#pragma once
// What the meshers read of each cell type: its opacity and its model. Plain
// tables, so the meshers run on worker threads and tests fill them by hand
// without a window.
#include "content/cell_db.hpp"
#include "content/model.hpp"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

class Cell_models {
public:
  // What a cell's type means to the meshers, a bit each.
  enum Flag : std::uint8_t {
    see_through = 1, // low detail: semiclear, billboard or clear
    closes = 2,      // high detail, as a front cell: id 0 or opaque
    drawn = 4,       // high detail: opaque, semiopaque or semiclear (never id 0)
    clear = 8,       // low detail: billboard or clear
    // Low detail: the front flags that bare this cell's face, the bits above
    // shifted up by `bares_shift`. Solid cells (and id 0) show toward any
    // see-through front; semiclear ones only toward a clear front, so the sea
    // has its surface but no faces inside.
    bares_shift = 4,
    bared_by_see_through = see_through << bares_shift,
    bared_by_clear = clear << bares_shift,
  };

  // Ids past `opacity` are opaque and ids past `models` take the default
  // model, as types that no pack defines are.
  Cell_models(std::vector<Cell_opacity> const& opacity, std::vector<Cell_model> models);

  Cell_opacity opacity(Cell_id id) const { return Cell_opacity(opacity_[id]); }
  std::uint8_t flags(Cell_id id) const { return flags_[id]; }
  Cell_model const& model(Cell_id id) const { return id < models_.size() ? models_[id] : default_; }

private:
  std::array<std::uint8_t, 65536> opacity_;
  std::array<std::uint8_t, 65536> flags_;
  std::vector<Cell_model> models_;
  Cell_model default_{};
};

// The game's: cell_db() and model_db() as they stand, taken again whenever
// either table has grown since. model_db() must already exist (it is made on
// the thread that owns the GL context).
std::shared_ptr<Cell_models const> game_cell_models();
