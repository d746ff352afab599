#pragma once
// How each type looks and sounds: face textures, mob frames and item icons
// with their sounds, read from every pack's three model files.
#include "content/audio_db.hpp"
#include "foundation/texture_array.hpp"

#include <array>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string_view>
#include <vector>

struct Cell_model {
  enum Sound { place, break_, step, use, fail };

  std::array<Tex_range, 6> texture{}; // in face order l, r, d, u, f, b; untextured 0xFFFF/1
  std::array<Audio_id, 5> sounds{};   // place, break, step, use, fail
  std::uint8_t effects = 1;           // handed to the page meshes

  bool operator==(Cell_model const&) const = default;
};

struct Mob_model {
  enum Sound { place, break_, use, fail };

  std::vector<Tex_id> front;          // frames seen from the front
  std::vector<Tex_id> back;           // frames seen from behind
  std::vector<std::uint8_t> frames;   // every state's sequence, one after another
  std::vector<std::uint64_t> states;  // where each state starts in `frames`
  std::array<Audio_id, 4> sounds{};   // place, break, use, fail

  bool operator==(Mob_model const&) const = default;
};

struct Item_model {
  Tex_id texture = Tex_range::none; // first layer with orientation bits; 0xFFFF: no icon

  bool operator==(Item_model const&) const = default;
};

// Reads one pack's cell_models.cfg, mob_models.cfg and item_models.cfg into
// the model tables, adding images to the texture array. Sound names are
// resolved through `sounds`, which is asked for only when a sound key comes.
struct Model_loader {
  std::vector<Cell_model>& cells;
  std::vector<Mob_model>& mobs;
  std::vector<Item_model>& items;
  Texture_array& textures;
  std::filesystem::path dir;
  std::function<Audio_database const&()> sounds;

  void operator()();
};

// A texture value: an image below the pack's textures/, optionally followed
// by blanks and an orientation word.
Tex_range load_texture(Model_loader& loader, std::string_view value);
// A frame-list value: every layer of the image, appended to `list`.
void load_textures(Model_loader& loader, std::vector<Tex_id>& list, std::string_view value);
