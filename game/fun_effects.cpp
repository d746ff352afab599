#include "game/fun_effects.hpp"

#include "content/model_db.hpp"
#include "foundation/audio.hpp"
#include "world/builder.hpp"

namespace {

struct Game_effects final : Fun_effects {
  Builder& builder;
  Audio& audio;

  Game_effects(Builder& b, Audio& a) : builder(b), audio(a) {}

  void change_cell(glm::ivec3 const& cell, Cell_id id) override { builder.change_cell(cell, id); }
  void change_face(glm::ivec3 const& cell, int face, Cell_id id) override { builder.change_face(cell, face, id); }
  void place_sound(Cell_id id) override {
    // Types added after the models were read have no model, and no sound.
    Model_database const& models = model_db();
    if (id < models.cells.size()) audio.play(models.cells[id].sounds[Cell_model::place]);
  }
  void play(std::string const& name) override { audio.play(name); }
  void play(std::string const& name, glm::ivec3 const& cell) override { audio.play(name, cell); }
  void play(std::string const& name, Mob const& mob) override { audio.play(name, &mob); }
};

} // namespace

std::unique_ptr<Fun_effects> game_effects(Builder& builder, Audio& audio) {
  return std::make_unique<Game_effects>(builder, audio);
}
