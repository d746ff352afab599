#include "content/model_db.hpp"

#include "content/pack.hpp"
#include "foundation/paths.hpp"
#include "foundation/texture.hpp"

namespace {

Cell_model const null_cell{};

Mob_model const& null_mob() {
  static Mob_model const model{{Tex_range::none}, {Tex_range::none}, {}, {}, {}};
  return model;
}

} // namespace

Model_database::Model_database()
    : Model_database(packs_dir(), paths.data.r(basedir / "textures/bad_tex.png"),
                     paths.data.r(basedir / "textures/light.png"),
                     []() -> Audio_database const& { return audio_db(); }) {}

Model_database::Model_database(fs::path const& packs, fs::path const& bad_tex, fs::path const& light_png,
                               std::function<Audio_database const&()> sounds) {
  textures.emplace();
  try {
    cells.resize(cell_db().size());
    mobs.resize(mob_db().size());
    items.resize(item_db().size());
    for_each_pack(packs, [&](fs::path const& dir) { Model_loader{cells, mobs, items, *textures, dir, sounds}(); });
    fallback = textures->add(bad_tex);
    textures->upload();
    views = Texture_array_views(*textures);
    glGenTextures(1, &light);
    load_texture_2d(light, light_png);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
  } catch (...) {
    release();
    throw;
  }
}

Model_database::~Model_database() { release(); }

void Model_database::release() {
  if (light) glDeleteTextures(1, &light);
  light = 0;
  views = Texture_array_views();
  textures.reset();
}

Cell_model const& Model_database::cell(Cell_id id) const { return id < cells.size() ? cells[id] : null_cell; }

Mob_model const& Model_database::mob(Mob_id id) const { return id < mobs.size() ? mobs[id] : null_mob(); }

Tex_id Model_database::item(Item_id id) const { return id < items.size() ? items[id].texture : Tex_range::none; }

Tex_id Model_database::icon_layer(Item_id id) const {
  Tex_id const layer = item(id) & Tex_range::layer_mask;
  return layer < views.views.size() ? layer : Tex_id(fallback.first & Tex_range::layer_mask);
}

GLuint Model_database::icon(Item_id id) const {
  Tex_id const layer = icon_layer(id);
  return layer < views.views.size() ? views.views[layer] : 0;
}

Model_database& model_db() {
  static Model_database db;
  return db;
}
