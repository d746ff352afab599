#pragma once
// Mob types, read from every pack's mob_types.cfg.
#include "content/database.hpp"
#include "world/item.hpp"

#include <kestrine/kestrine.hpp>

#include <glm/vec2.hpp>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

using Mob_id = std::uint16_t;

struct Mob_type {
  Mob_id id;
  std::string name;
  Item_id drop = 0;      // what picking a mob of this kind gives
  glm::vec2 size{0.0f};  // half extents: horizontal, vertical
  bool solid = false;
  bool persistent = false; // saved with its page
  std::uint8_t items = 0;  // inventory slots
  std::unique_ptr<kestrine::Standalone> interact; // (mob)
  std::unique_ptr<kestrine::Standalone> callback; // (mob); no key fills it
  std::unique_ptr<kestrine::Standalone> update;   // (mob)

  Mob_type(Mob_id id_, std::string name_) : id(id_), name(std::move(name_)) {}
};

struct Mob_database : Database<Mob_id, Mob_type> {
  void load(kestrine::Scope& scope);
  void load(kestrine::Scope& scope, std::filesystem::path const& packs);
};

Mob_database& mob_db();
