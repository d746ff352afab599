#pragma once
// The script functions on the world around the player: positions ("here",
// "cubr", "cupl"), reading one cell ("cell", "light", "face"), changing cells
// and faces ("place", "paint", "replace"), making mobs ("spawn"), opening the
// inventory screen on the cursor's target ("browse", "craft") and stepping
// the player through a passage ("cross").
//
// A position outside the loaded pages reads as the nameless cell type 0
// (solid and opaque), light 15 and no paint; nothing is ever changed there,
// nor in a page still waiting for its fill.
#include "game/fun_env.hpp"
#include "world/face.hpp"

#include <kestrine/kestrine.hpp>

#include <glm/vec3.hpp>

#include <array>
#include <string>

// The player's body centre, each coordinate truncated toward zero.
struct fun_here_ {
  Fun_env_ptr env;
  glm::ivec3 operator()() const;
};
// The cell the cursor hit, and the cell in front of the face it hit.
struct fun_cubr_ {
  Fun_env_ptr env;
  glm::ivec3 operator()() const;
};
struct fun_cupl_ {
  Fun_env_ptr env;
  glm::ivec3 operator()() const;
};

// The full name of the cell's type.
struct fun_cell_ {
  Fun_env_ptr env;
  std::string operator()(glm::ivec3 const& p) const;
};
// The light byte: sunlight in the low nibble, spotlight in the high one.
struct fun_light_ {
  Fun_env_ptr env;
  kestrine::Int operator()(glm::ivec3 const& p) const;
};
// The type painted on face f of the cell, or Null. The face key is cut to
// 16 bits as the page stores it, so face 16 is face 0 again.
struct fun_face_ {
  Fun_env_ptr env;
  kestrine::Val operator()(glm::ivec3 const& p, kestrine::Int f) const;
};

// place(p, v), place(p, x, y, z) or place(p, -x, +x, -y, +y, -z, +z), with +x
// the candidate for a view toward positive x. Of several candidates, the
// first true one on the axes ordered by how much the view runs along them is
// placed; later ones are not tried even when that fails.
struct fun_place_ {
  Fun_env_ptr env;
  kestrine::Val call_(kestrine::Val const* env_, kestrine::Val* argv, int argc) const;
  // Fills the empty cell p with the type named by v (a String, else "bad
  // cast"); false when p is not empty or v names the nameless type.
  bool impl(glm::ivec3 const& p, kestrine::Val const& v) const;
};

// The axes (0 x, 1 y, 2 z) from the one the direction runs most along to the
// least; ties favour x, then y, then z, except that equal x and y behind z
// go y first.
std::array<int, 3> axis_order(glm::vec3 const& direction);

// paint(p, face, v) or paint(p, face, v0, v1, v2, v3), the candidate chosen
// by the view's painting direction on that face.
struct fun_paint_ {
  Fun_env_ptr env;
  kestrine::Val call_(kestrine::Val const* env_, kestrine::Val* argv, int argc) const;
  // Paints face f of the opaque cell p with the type named by v.
  bool impl(glm::ivec3 const& p, Face f, kestrine::Val const& v) const;
};

// A new mob of the named type standing at the centre of the cell's floor;
// always false. A page that holds as many mobs as its file may
// (max_page_mobs) raises "too many mobs in the page".
struct fun_spawn_ {
  Fun_env_ptr env;
  bool operator()(glm::ivec3 const& p, std::string const& name) const;
};
// The cell becomes the named type whatever it was; false for the nameless
// type or a page that can't be edited.
struct fun_replace_ {
  Fun_env_ptr env;
  bool operator()(glm::ivec3 const& p, std::string const& name) const;
};
// The inventory screen on the cursor's target (the argument is not used):
// its container, or its recipes.
struct fun_browse_ {
  Fun_env_ptr env;
  bool operator()(glm::ivec3 const& p) const;
};
struct fun_craft_ {
  Fun_env_ptr env;
  bool operator()(glm::ivec3 const& p) const;
};
// Moves the player from b's side through a into t = 2a - b, standing on the
// first blocking cell of the two below t; false when t itself blocks.
struct fun_cross_ {
  Fun_env_ptr env;
  bool operator()(glm::ivec3 const& a, glm::ivec3 const& b) const;
};
