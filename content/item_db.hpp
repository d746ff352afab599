#pragma once
// Item types, read from every pack's item_types.cfg.
#include "content/database.hpp"
#include "world/item.hpp"

#include <kestrine/kestrine.hpp>

#include <filesystem>
#include <memory>
#include <string>

struct Item_type {
  Item_id id;
  std::string name;
  std::unique_ptr<kestrine::Standalone> use; // (hit cell, cell in front, face)

  Item_type(Item_id id_, std::string name_) : id(id_), name(std::move(name_)) {}
};

struct Item_database : Database<Item_id, Item_type> {
  void load(kestrine::Scope& scope);
  void load(kestrine::Scope& scope, std::filesystem::path const& packs);
};

Item_database& item_db();
