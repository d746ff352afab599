#pragma once
// Cell types: what a cell of each id is, read from every pack's cell_types.cfg.
#include "content/database.hpp"
#include "world/item.hpp"

#include <kestrine/kestrine.hpp>

#include <glm/vec3.hpp>

#include <cstdint>
#include <filesystem>
#include <memory>
#include <string>

using Cell_id = std::uint16_t;

// How bodies and rays treat a cell; below climb blocks movement, all but
// empty stop the pointer ray.
enum class Cell_collision : std::int32_t { solid = 0, climb = 1, slow = 2, buoy = 3, raycast = 4, empty = 5 };

// How a cell is drawn and whether it hides its neighbours' faces.
enum class Cell_opacity : std::int32_t { opaque = 0, semiopaque = 1, semiclear = 2, billboard = 3, clear = 4 };

struct Cell_type {
  Cell_id id;
  std::string name;
  Item_id drop = 0;
  std::unique_ptr<kestrine::Standalone> interact; // (hit cell, cell in front)
  std::unique_ptr<kestrine::Standalone> callback; // after its container changed
  Cell_opacity opacity = Cell_opacity::opaque;
  Cell_collision collision = Cell_collision::solid;
  std::uint8_t capacity = 0; // container slots; 0: not a container
  std::uint8_t light = 0;
  glm::vec3 offset{0.5f}; // centre of the box, from the cell's lower corner
  glm::vec3 radius{0.5f}; // half extents of the box

  Cell_type(Cell_id id_, std::string name_) : id(id_), name(std::move(name_)) {}
};

struct Cell_database : Database<Cell_id, Cell_type> {
  // Every pack's cell types, scripts compiled against the scope; then the
  // names the world's page fillers use are registered on this thread.
  void load(kestrine::Scope& scope);
  // The cell types of the packs under one packs directory.
  void load(kestrine::Scope& scope, std::filesystem::path const& packs);
};

Cell_database& cell_db();
