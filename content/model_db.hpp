#pragma once
// The one texture array of all pack images, with a view per layer, the light
// texture and the models of every cell, mob and item type.
#include "content/cell_db.hpp"
#include "content/item_db.hpp"
#include "content/mob_db.hpp"
#include "content/model.hpp"

#include <epoxy/gl.h>

#include <filesystem>
#include <functional>
#include <optional>
#include <vector>

struct Model_database {
  std::optional<Texture_array> textures; // empty once released
  Texture_array_views views;             // one 2-D view per layer
  GLuint light = 0;                      // 2-D light texture
  std::vector<Cell_model> cells;
  std::vector<Mob_model> mobs;
  std::vector<Item_model> items;
  Tex_range fallback;                    // the layers of textures/bad_tex.png

  // Everything from the data directories, sounds from audio_db(). Needs the
  // window's GL context current; loads the type tables' sizes as they stand.
  Model_database();
  // The packs, the fallback image and the light image given; sound names
  // resolved through `sounds`, asked for at the first sound key.
  Model_database(std::filesystem::path const& packs, std::filesystem::path const& bad_tex,
                 std::filesystem::path const& light_png, std::function<Audio_database const&()> sounds);
  ~Model_database();
  Model_database(Model_database const&) = delete;
  Model_database& operator=(Model_database const&) = delete;

  // The model of a type, or the default for an id the table does not cover.
  Cell_model const& cell(Cell_id id) const;
  Mob_model const& mob(Mob_id id) const;
  Tex_id item(Item_id id) const;

  // The layer an item's icon is drawn from: the orientation bits dropped, the
  // fallback image's layer when the item has no usable icon.
  Tex_id icon_layer(Item_id id) const;
  // The 2-D view of that layer.
  GLuint icon(Item_id id) const;

  // The GL name of the array texture (0 after release).
  GLuint array_texture() const { return textures ? textures->texture : 0; }

  // Deletes the GL objects while the context still exists; the models stay.
  void release();
};

Model_database& model_db();
