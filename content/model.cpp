#include "content/model.hpp"

#include "content/cell_db.hpp"
#include "content/item_db.hpp"
#include "content/mob_db.hpp"
#include "content/pack.hpp"

#include <algorithm>
#include <sstream>
#include <stdexcept>
#include <string>
#include <unordered_map>

namespace {

// Mirrors the failure of a keyword-map look-up.
[[noreturn]] void unknown_key(Pack_file& file, std::string_view value) {
  file.scan.error(value, "unrecognized key");
  throw std::out_of_range("unordered_map::at");
}

template <class Map>
auto lookup(Map const& map, std::string_view key, Pack_file& file, std::string_view value) {
  auto it = map.find(key);
  if (it == map.end()) unknown_key(file, value);
  return it->second;
}

// Faces in the order l, r, d, u, f, b as bits.
std::unordered_map<std::string_view, int> const cell_keys{
    {"texture", 0x3F},   {"texture.x", 0x03}, {"texture.y", 0x0C}, {"texture.z", 0x30},
    {"texture.l", 0x01}, {"texture.r", 0x02}, {"texture.d", 0x04}, {"texture.u", 0x08},
    {"texture.f", 0x10}, {"texture.b", 0x20}, {"effects", 0x40},   {"sound.place", 0x100},
    {"sound.break", 0x101}, {"sound.step", 0x102}, {"sound.use", 0x103}, {"sound.fail", 0x104},
};

enum Mob_key { mob_front, mob_back, mob_state, mob_sound };
std::unordered_map<std::string_view, int> const mob_keys{
    {"texture.f", mob_front},       {"texture.b", mob_back},           {"state", mob_state},
    {"sound.place", mob_sound + 0}, {"sound.break", mob_sound + 1},    {"sound.use", mob_sound + 2},
    {"sound.fail", mob_sound + 3},
};

std::unordered_map<std::string_view, int> const item_keys{{"texture", 0}};

std::unordered_map<std::string_view, std::uint16_t> const orientations{
    {"flipx", 0x2000},  {"flipy", 0x4000}, {"rot180", 0x6000},
    {"flipd", 0x8000}, {"rot270", 0xA000}, {"rot90", 0xC000}, {"flipr", 0xE000},
};

constexpr std::uint64_t max_state_frames = 65535;

Audio_id sound_of(Model_loader& loader, std::string_view value) {
  return loader.sounds().find(std::string(value));
}

// Pairs "frame:count" up to the first that does not parse.
void add_state(Mob_model& mob, Pack_file& file, std::string_view value) {
  mob.states.push_back(mob.frames.size());
  std::istringstream in{std::string(value)};
  long long frame = 0, count = 0;
  char colon = 0;
  std::uint64_t total = 0;
  while (in >> frame >> colon >> count && colon == ':') {
    if (count < 0 || total + std::uint64_t(count) > max_state_frames) {
      file.scan.error(value, "animation state too long");
      throw std::runtime_error((file.dir / "mob_models.cfg").string() +
                               ": an animation state holds at most 65535 frames");
    }
    total += std::uint64_t(count);
    mob.frames.insert(mob.frames.end(), std::size_t(count), std::uint8_t(frame));
  }
}

// The model-table entry of a type, growing the table to cover new ids.
template <class Model>
Model& entry(std::vector<Model>& table, std::size_t id) {
  if (id >= table.size()) table.resize(id + 1);
  return table[id];
}

template <class Db, class Model, class Apply>
void load_models(Model_loader& loader, Db& types, std::vector<Model>& table, char const* file_name,
                 char const* before_section, Apply const& apply) {
  Model* model = nullptr;
  std::string key;
  read_pack_file(loader.dir, file_name, [&](Pack_file& file, int kind) {
    switch (kind) {
    case Kv_scan::Section: {
      auto const id = types[file.prefix + std::string(file.scan.token)].id;
      model = id ? &entry(table, id) : nullptr; // record 0: the name was refused
      break;
    }
    case Kv_scan::Key:
      if (!model) file.scan.error(file.scan.token, before_section);
      key = file.scan.token;
      break;
    case Kv_scan::Value: apply(model, file, key); break;
    }
  });
}

} // namespace

Tex_range load_texture(Model_loader& loader, std::string_view value) {
  auto const blank = value.find_first_of(" \t");
  Tex_range range = loader.textures.add(loader.dir / "textures" / value.substr(0, blank));
  if (blank == std::string_view::npos) return range;
  std::string_view word = value.substr(blank);
  word.remove_prefix(std::min(word.find_first_not_of(" \t"), word.size()));
  if (auto it = orientations.find(word); it != orientations.end()) range.first |= it->second;
  return range;
}

void load_textures(Model_loader& loader, std::vector<Tex_id>& list, std::string_view value) {
  Tex_range const range = loader.textures.add(loader.dir / "textures" / value);
  for (std::uint32_t i = 0; i < range.count; ++i) list.push_back(Tex_id(range.first + i));
}

void Model_loader::operator()() {
  load_models(*this, cell_db(), cells, "cell_models.cfg", "expected section",
              [this](Cell_model* model, Pack_file& file, std::string const& key) {
                std::string_view const value = file.scan.token;
                int const what = lookup(cell_keys, key, file, value);
                if (!model) return;
                if (what & 0x100) {
                  model->sounds[what & 0xFF] = sound_of(*this, value);
                } else if (what == 0x40) {
                  parse_byte(value, model->effects);
                } else {
                  Tex_range const range = load_texture(*this, value);
                  for (int face = 0; face < 6; ++face)
                    if (what & (1 << face)) model->texture[face] = range;
                }
              });
  load_models(*this, mob_db(), mobs, "mob_models.cfg", "entry before section",
              [this](Mob_model* model, Pack_file& file, std::string const& key) {
                std::string_view const value = file.scan.token;
                int const what = lookup(mob_keys, key, file, value);
                if (!model) return;
                switch (what) {
                case mob_front: load_textures(*this, model->front, value); break;
                case mob_back: load_textures(*this, model->back, value); break;
                case mob_state: add_state(*model, file, value); break;
                default: model->sounds[what - mob_sound] = sound_of(*this, value); break;
                }
              });
  load_models(*this, item_db(), items, "item_models.cfg", "expected entry",
              [this](Item_model* model, Pack_file& file, std::string const& key) {
                std::string_view const value = file.scan.token;
                lookup(item_keys, key, file, value);
                if (model) model->texture = load_texture(*this, value).first;
              });
}
