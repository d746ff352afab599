#pragma once
// Named sounds of every pack, each with one or more variants.
#include <cstdint>
#include <filesystem>
#include <string>
#include <unordered_map>
#include <vector>

struct Mix_Chunk;

using Audio_id = std::uint16_t; // 0: no sound

struct Audio_database {
  std::vector<Mix_Chunk*> variants;    // every file loaded, in load order; null where it failed
  std::vector<std::uint64_t> offsets;  // group i: variants[offsets[i], offsets[i + 1])
  std::unordered_map<std::string, Audio_id> names;

  // Reads every pack's sounds.cfg; the mixer must be open.
  Audio_database();
  explicit Audio_database(std::filesystem::path const& packs);
  Audio_database(Audio_database const&) = delete;
  Audio_database& operator=(Audio_database const&) = delete;

  // The id of a full name; 0, with a warning, when no pack defines it.
  Audio_id find(std::string const& name) const;
  // One variant, picked with rand(); null for id 0, a sound without
  // variants or a variant that failed to load.
  Mix_Chunk* sound(Audio_id id) const;
  Mix_Chunk* sound(std::string const& name) const;

  // Reads one pack's sounds.cfg; false when absent or cut by a syntax error.
  bool load_file(std::filesystem::path const& pack);
};

Audio_database& audio_db();
