#include "content/audio_db.hpp"

#include "content/pack.hpp"

#include <SDL.h>
#include <SDL_mixer.h>

#include <cstdlib>

namespace {

// Sounds are decoded whole either way; `lazy` only tells what the pack meant.
// One that can't be decoded stays silent: the game goes on without it.
Mix_Chunk* load_audio(fs::path const& path) {
  Mix_Chunk* chunk = Mix_LoadWAV(path.c_str());
  if (!chunk) SDL_LogWarn(SDL_LOG_CATEGORY_APPLICATION, "%s: %s", path.c_str(), SDL_GetError());
  return chunk;
}

} // namespace

Audio_database::Audio_database() : Audio_database(packs_dir()) {}

Audio_database::Audio_database(fs::path const& packs) : offsets{0} {
  for_each_pack(packs, [this](fs::path const& dir) { load_file(dir); });
}

bool Audio_database::load_file(fs::path const& pack) {
  bool in_section = false;
  std::string key;
  bool const done = read_pack_file(pack, "sounds.cfg", [&](Pack_file& file, int kind) {
    std::string_view const token = file.scan.token;
    switch (kind) {
    case Kv_scan::Section: {
      // A repeated name keeps its first id; the repeat's group is unreachable.
      names.try_emplace(file.prefix + std::string(token), Audio_id(offsets.size()));
      offsets.push_back(variants.size());
      in_section = true;
      break;
    }
    case Kv_scan::Key:
      if (!in_section) file.scan.error(token, "expected section");
      key = token;
      break;
    case Kv_scan::Value:
      if (!in_section) break;
      if (key == "path" || key == "lazy") {
        variants.push_back(load_audio(pack / "sounds" / token));
      } else {
        SDL_LogWarn(SDL_LOG_CATEGORY_APPLICATION, "unrecognized key: %.*s\n", int(key.size()), key.data());
      }
      break;
    }
  });
  // Close the file's last group, also after a syntax error.
  if (in_section) offsets.push_back(variants.size());
  return done;
}

Audio_id Audio_database::find(std::string const& name) const {
  auto it = names.find(name);
  if (it != names.end()) return it->second;
  SDL_LogWarn(SDL_LOG_CATEGORY_APPLICATION, "'%s' is not a valid sound name\n", name.c_str());
  return 0;
}

Mix_Chunk* Audio_database::sound(Audio_id id) const {
  if (id == 0 || std::size_t(id) + 1 >= offsets.size()) return nullptr;
  std::uint64_t const first = offsets[id], count = offsets[std::size_t(id) + 1] - first;
  if (count == 0) return nullptr;
  return variants[first + std::uint64_t(std::rand()) % count];
}

Mix_Chunk* Audio_database::sound(std::string const& name) const { return sound(find(name)); }

Audio_database& audio_db() {
  static Audio_database db;
  return db;
}
