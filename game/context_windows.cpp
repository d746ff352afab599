// The game's windows over its context: what each works on, taken from the
// game's own members.
#include "content/model_db.hpp"
#include "content/recipe.hpp"
#include "foundation/paths.hpp"
#include "foundation/texture.hpp"
#include "game/context.hpp"
#include "game/interact.hpp"

#include <epoxy/gl.h>

#include <cstdint>
#include <memory>
#include <string>

namespace {

// A GL texture deleted with the last holder.
struct Gl_image {
  GLuint name = 0;
  Gl_image() { glGenTextures(1, &name); }
  ~Gl_image() { glDeleteTextures(1, &name); }
  Gl_image(Gl_image const&) = delete;
  Gl_image& operator=(Gl_image const&) = delete;
};

ImTextureID texture_id(GLuint name) { return reinterpret_cast<ImTextureID>(static_cast<std::intptr_t>(name)); }

Inventory_menu::Target inventory_target(Context& c) {
  // The hotbar's frame; a missing image stops the game here.
  auto frame = std::make_shared<Gl_image>();
  load_texture_2d(frame->name, paths.data.r(basedir / "textures/hotbar.png"));
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_NEAREST);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_REPEAT);
  glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_REPEAT);
  ImTextureID const frame_id = texture_id(frame->name);
  return Inventory_menu::Target{
      c.scene.config,
      c.scene,
      c.cursor,
      c.inventory_kind,
      [&audio = c.audio](char const* sound) { audio.play(std::string(sound)); },
      [&c] { callback(c, c.cursor); },
      // The icon look-up holds the frame image, so it lives as long as the
      // screen drawing it.
      [frame](Item_id id) { return texture_id(model_db().icon(id)); },
      [](Cell_id id) { return recipe_db().find(id); },
      frame_id,
  };
}

} // namespace

Inventory_menu::Inventory_menu(Context& context) : Inventory_menu(inventory_target(context)) {}

Config_menu::Config_menu(Context& context)
    : Config_menu(Target{context.scene.config, context.input, context.audio.mixer}) {}

void Debug_pane::update(std::uint64_t triangles) {
  Figures const figures = {static_cast<float>(context.media.pacer.times.size()),
                           static_cast<float>(triangles),
                           static_cast<float>(context.builder.queue_size()),
                           static_cast<float>(context.builder.done()),
                           static_cast<float>(context.builder.added()),
                           static_cast<float>(Page<Cell_id>::total_.load()),
                           static_cast<float>(Page<Light>::total_.load())};
  draw_debug_pane(graphs, figures, context.scene, context.cursor);
}

void Debug_pane::print_block(char const* label, glm::ivec3 const& cell) { ::print_block(context.scene, label, cell); }
