// Picking cells and mobs along a ray.
#include "world/raycast.hpp"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <utility>
#include <vector>

#include <glm/geometric.hpp>

#include "support/hand_world.hpp"

namespace {

using namespace hand_world;
using Kind = Raycast_result::Kind;

TEST(Raycast, Cells) {
  auto const& c = cells();
  float const nan = std::numeric_limits<float>::quiet_NaN();
  glm::ivec3 const at(5, 5, 5);
  struct Case {
    char const* name;
    std::vector<std::pair<glm::ivec3, Cell_id>> cells; // their pages are loaded, no others
    glm::vec3 origin, vector;
    Kind kind;
    glm::ivec3 cell{0}, adjacent{0};
    Face face = Face::l;
  } const cases[] = {
      {"shorter than a sixteenth", {{at, c.stone}}, {5.5f, 6.05f, 5.5f}, {0, -0.06f, 0}, Kind::nothing},
      {"onto the top of a cell", {{at, c.stone}}, {5.5f, 8.5f, 5.5f}, {0, -5, 0}, Kind::cell, at, {5, 6, 5}, Face::u},
      {"from inside a cell to the next", {{at, c.stone}, {{6, 5, 5}, c.stone}}, {5.5f, 5.5f, 5.5f}, {3, 0, 0},
       Kind::cell, {6, 5, 5}, at, Face::l},
      {"into a small hit box", {{at, c.flower}}, {2.5f, 5.5f, 5.5f}, {5, 0, 0}, Kind::cell, at, {4, 5, 5}, Face::l},
      {"beside a small hit box", {{at, c.flower}}, {2.5f, 5.5f, 5.1f}, {5, 0, 0}, Kind::nothing},
      {"liquid stops rays", {{at, c.water}}, {5.5f, 5.5f, 9.5f}, {0, 0, -6}, Kind::cell, at, {5, 5, 6}, Face::b},
      {"through mist and an unloaded page to glass", {{at, c.mist}, {{33, 5, 5}, c.glass}}, {4.5f, 5.5f, 5.5f},
       {30, 0, 0}, Kind::cell, {33, 5, 5}, {32, 5, 5}, Face::l},
      {"a ray of NaN", {{at, c.stone}}, {5.5f, 8.5f, 5.5f}, {0, nan, 0}, Kind::nothing},
      {"an endless ray", {{at, c.stone}}, {5.5f, 8.5f, 5.5f}, {0, -1e30f, 0}, Kind::nothing},
      {"as long as a ray may be", {{at, c.stone}}, {5.5f, 1029.5f, 5.5f}, {0, -1024, 0}, Kind::cell, at, {5, 6, 5},
       Face::u},
      {"a cell longer", {{at, c.stone}}, {5.5f, 1030.5f, 5.5f}, {0, -1025, 0}, Kind::nothing},
      {"into a small hit box from above", {{at, c.flower}}, {5.5f, 8.5f, 5.45f}, {0, -5, 0.1f}, Kind::cell, at,
       {5, 6, 5}, Face::u},
      {"from nowhere", {{at, c.stone}}, {5.5f, INFINITY, 5.5f}, {0, -5, 0}, Kind::nothing},
  };
  for (auto const& k : cases) {
    SCOPED_TRACE(k.name);
    World w;
    for (auto [cell, id] : k.cells) {
      if (!w.wmap.find(page_of(cell))) w.load(page_of(cell));
      w.set(cell, id);
    }
    Raycast_result r = raycast(w.scene, k.origin, k.vector);
    ASSERT_EQ(r.kind, k.kind);
    if (k.kind != Kind::cell) continue;
    EXPECT_EQ(r.cell, k.cell);
    EXPECT_EQ(r.adjacent, k.adjacent);
    EXPECT_EQ(r.face, k.face);
  }
}

// Loads every page that holds a cell of the inclusive box (as air).
void load_box(World& w, glm::ivec3 lo, glm::ivec3 hi) {
  for (int x = lo.x >> 4; x <= hi.x >> 4; ++x)
    for (int y = lo.y >> 4; y <= hi.y >> 4; ++y)
      for (int z = lo.z >> 4; z <= hi.z >> 4; ++z)
        if (!w.wmap.find({x, y, z})) w.load({x, y, z});
}

glm::ivec3 unit(int axis, int sign) {
  glm::ivec3 v(0);
  v[axis] = sign;
  return v;
}

// The face whose outward normal is n.
Face face_toward(glm::ivec3 n) {
  for (int f = 0; f < 6; ++f)
    if (face_normal(Face(f)) == n) return Face(f);
  return Face::l;
}

TEST(Raycast, RaysInCellPlanesComeInThroughTheFaceTheyFace) {
  // Along each axis both ways, from the middle of a cell or lying in one or
  // two cell planes, at positive and negative cells: a stone three cells
  // ahead is hit on the face toward the ray, the adjacent cell is the one
  // before it on the ray, and stone walls touching the ray are passed by.
  auto const& c = cells();
  for (glm::ivec3 const base : {glm::ivec3(5, 5, 5), glm::ivec3(-7, -3, -17), glm::ivec3(0, -1, 15)})
    for (int axis = 0; axis < 3; ++axis)
      for (int sign : {1, -1})
        for (int planes = 0; planes < 4; ++planes) {
          int const a = (axis + 1) % 3, b = (axis + 2) % 3;
          glm::vec3 origin = glm::vec3(base) + 0.5f;
          if (planes & 1) origin[a] = float(base[a]);
          if (planes & 2) origin[b] = float(base[b]);
          glm::ivec3 const dir = unit(axis, sign), target = base + 3 * dir;
          SCOPED_TRACE(testing::Message() << "from " << origin.x << ' ' << origin.y << ' ' << origin.z << " along "
                                          << dir.x << ' ' << dir.y << ' ' << dir.z);
          World w;
          load_box(w, base - 4, base + 4);
          w.set(target, c.stone);
          // The cells on the other side of each plane the ray lies in.
          for (int k = 1; k <= 3; ++k) {
            glm::ivec3 const along = base + k * dir;
            if (planes & 1) w.set(along - unit(a, 1), c.stone);
            if (planes & 2) w.set(along - unit(b, 1), c.stone);
            if (planes == 3) w.set(along - unit(a, 1) - unit(b, 1), c.stone);
          }
          Raycast_result const r = raycast(w.scene, origin, glm::vec3(dir) * 5.0f);
          ASSERT_EQ(r.kind, Kind::cell);
          EXPECT_EQ(r.cell, target);
          EXPECT_EQ(r.face, face_toward(-dir));
          EXPECT_EQ(r.adjacent, target - dir);
        }
}

TEST(Raycast, CornerCuttingRaysNameTheCellTheyCameFrom) {
  // Crossing x = 5 and z = 5 within one step of the march, on a level floor
  // of open cells at y = 5.
  auto const& c = cells();
  struct Case {
    char const* name;
    glm::vec3 origin;
    std::vector<glm::ivec3> stone;
    glm::ivec3 cell, adjacent;
    Face face;
  } const cases[] = {
      {"x first, into the corner cell", {4.81f, 5.5f, 4.8f}, {{5, 5, 5}}, {5, 5, 5}, {5, 5, 4}, Face::f},
      {"z first, into the corner cell", {4.8f, 5.5f, 4.81f}, {{5, 5, 5}}, {5, 5, 5}, {4, 5, 5}, Face::l},
      {"x first, the cell between is stone", {4.81f, 5.5f, 4.8f}, {{5, 5, 4}, {5, 5, 5}}, {5, 5, 4}, {4, 5, 4},
       Face::l},
      {"z first, the cell between is stone", {4.8f, 5.5f, 4.81f}, {{4, 5, 5}, {5, 5, 5}}, {4, 5, 5}, {4, 5, 4},
       Face::f},
      {"x first, the other side cell is stone", {4.81f, 5.5f, 4.8f}, {{4, 5, 5}, {5, 5, 5}}, {5, 5, 5}, {5, 5, 4},
       Face::f},
      {"through the edge itself: x before z", {4.5f, 5.5f, 4.5f}, {{5, 5, 5}}, {5, 5, 5}, {5, 5, 4}, Face::f},
      {"negative cells, down and back", {-1.81f, -2.8f, 4.5f}, {{-3, -4, 4}}, {-3, -4, 4}, {-3, -3, 4}, Face::u},
  };
  for (Case const& k : cases) {
    SCOPED_TRACE(k.name);
    World w;
    load_box(w, {-8, -8, 0}, {8, 8, 8});
    for (glm::ivec3 s : k.stone) w.set(s, c.stone);
    glm::vec3 const toward = glm::vec3(k.cell) + 0.5f - k.origin;
    Raycast_result const r = raycast(w.scene, k.origin, toward * (3.0f / glm::length(toward)));
    ASSERT_EQ(r.kind, Kind::cell);
    EXPECT_EQ(r.cell, k.cell);
    EXPECT_EQ(r.adjacent, k.adjacent);
    EXPECT_EQ(r.face, k.face);
  }
}

TEST(Raycast, AgreesWithAnExactWalkOnRandomRays) {
  // The reference walks the straight line in double precision; rays that
  // pass within a hair of a cell edge or end near a boundary are only held
  // to the rules every hit keeps.
  auto const& c = cells();
  std::mt19937 rng(23);
  std::uniform_real_distribution<float> unit_f(0.0f, 1.0f);
  glm::ivec3 const lo{-20, -4, -12}, hi{-9, 7, -1};
  int compared = 0;
  for (int world = 0; world < 20; ++world) {
    World w;
    load_box(w, lo - 1, hi + 1);
    auto solid = [&](glm::ivec3 p) { return w.wmap.get_cell(p) == c.stone; };
    for (int x = lo.x; x <= hi.x; ++x)
      for (int y = lo.y; y <= hi.y; ++y)
        for (int z = lo.z; z <= hi.z; ++z)
          if (rng() % 5 == 0) w.set({x, y, z}, c.stone);
    for (int ray = 0; ray < 100; ++ray) {
      glm::ivec3 start;
      do start = lo + 3 + glm::ivec3(rng() % 6, rng() % 6, rng() % 6);
      while (solid(start));
      glm::vec3 origin = glm::vec3(start) + glm::vec3(unit_f(rng), unit_f(rng), unit_f(rng));
      glm::vec3 dir(unit_f(rng) - 0.5f, unit_f(rng) - 0.5f, unit_f(rng) - 0.5f);
      // Some rays lie in cell planes, some along an axis.
      for (int i = 0; i < 3; ++i)
        if (rng() % 4 == 0) origin[i] = std::floor(origin[i]), dir[i] = rng() % 3 == 0 ? 0.0f : dir[i];
      if (glm::length(dir) < 0.05f) continue;
      glm::vec3 const vector = dir * (4.0f / glm::length(dir));
      SCOPED_TRACE(testing::Message() << "world " << world << " ray " << ray);

      // The reference: cells in the order the line enters them.
      glm::ivec3 cell = start, before = start;
      bool hit = false, near = false;
      glm::dvec3 const o(origin), v(vector);
      for (int guard = 0; guard < 64 && !hit; ++guard) {
        double first = 2.0, second = 2.0;
        int axis = -1;
        for (int i = 0; i < 3; ++i) {
          if (v[i] == 0.0) continue;
          double const t = ((v[i] > 0 ? cell[i] + 1.0 : double(cell[i])) - o[i]) / v[i];
          if (t < first) second = first, first = t, axis = i;
          else second = std::min(second, t);
        }
        near |= second - first < 1e-4 || std::abs(first - 1.0) < 1e-4;
        if (axis < 0 || first > 1.0) break;
        before = cell;
        cell[axis] += v[axis] > 0 ? 1 : -1;
        hit = solid(cell);
      }

      Raycast_result const r = raycast(w.scene, origin, vector);
      if (r.kind == Kind::cell) {
        EXPECT_TRUE(solid(r.cell));
        EXPECT_EQ(r.adjacent, r.cell + face_normal(r.face));
        EXPECT_TRUE(!solid(r.adjacent) || r.adjacent == start);
      }
      if (near) continue;
      ++compared;
      ASSERT_EQ(r.kind, hit ? Kind::cell : Kind::nothing);
      if (!hit) continue;
      EXPECT_EQ(r.cell, cell);
      EXPECT_EQ(r.adjacent, before);
    }
  }
  EXPECT_GT(compared, 1500);
}

TEST(Raycast, AMobInFrontWinsButNeverThePlayer) {
  World w;
  w.load({0, 0, 0});
  w.set({9, 5, 5}, cells().stone);
  Mob_id const kind = mob_type("hand.target", {0.3f, 0.5f}, false);
  Mob* player = w.scene.mobs.construct(kind, {3.5f, 5.5f, 5.5f});
  Mob* target = w.scene.mobs.construct(kind, {6.5f, 5.5f, 5.5f});
  w.scene.player = player;
  w.scene.mobs.keep = player;
  w.scene.mobs.resort_mobs(w.scene);

  Raycast_result hit = raycast(w.scene, {1.5f, 5.5f, 5.5f}, {10, 0, 0});
  ASSERT_EQ(hit.kind, Kind::mob);
  EXPECT_EQ(hit.mob.get(), target);
  // A result kept after its mob is gone holds no mob.
  target->body.flags |= Body::erased;
  w.scene.mobs.resort_mobs(w.scene);
  EXPECT_FALSE(hit.mob);
  Raycast_result cell = raycast(w.scene, {1.5f, 5.5f, 5.5f}, {10, 0, 0});
  EXPECT_EQ(cell.kind, Kind::cell);
  EXPECT_EQ(cell.cell, glm::ivec3(9, 5, 5));
}

} // namespace
