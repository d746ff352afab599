#pragma once
// The box of cell pages kept loaded around a centre page, and the window of
// flat pages under it. The centre follows the player's page once the player
// has been off it for 30 frames in a row; a move drops the pages that leave
// the box (saving what changed, and holding apart what could not be saved),
// loads the flat pages that enter the window and sends pages whose detail
// level flips back to meshing.
//
// Everything here runs on the main thread while no worker runs: the shifts
// create and destroy pages that workers would otherwise read.
#include "world/cell_page_queue.hpp"
#include "world/held_pages.hpp"
#include "world/unsaved.hpp"

#include <glm/vec2.hpp>
#include <glm/common.hpp>
#include <glm/vec3.hpp>

#include <cstdint>
#include <vector>

struct Config;
struct Scene;

// The view distance in pages per axis, kept to what the page tables can hold
// (0..64 across, 0..32 up and down).
glm::ivec3 box_radius(Config const& config);
// The high-detail radius in pages, 0..64.
int detail_radius(Config const& config);
// 0 (high detail) within `radius` pages of the centre on every axis, else 1.
int page_detail(glm::ivec3 p, glm::ivec3 centre, int radius);
// The page holding a position in cells; far or non-finite coordinates are
// pinned well inside the integer range.
glm::ivec3 page_at(glm::vec3 position);

struct World_center {
  Scene& scene;
  Cell_page_queue queue;
  glm::ivec3 center{0};
  std::int32_t frames = 0; // consecutive frames the player was off the centre page
  bool forced = false;     // shift and re-queue at the next chance
  glm::ivec3 table_radius; // the view distance the page tables were sized for
  int meshed_radius;       // the high-detail radius of the meshes made so far
  Unsaved failed_saves;    // what the saves during the game could not write, until taken
  Held_pages held;         // pages that left unsaved: saved again, put back when in view again

  World_center(Scene& scene, Mesh_jobs jobs);
  ~World_center() = default;
  World_center(World_center const&) = delete;
  World_center& operator=(World_center const&) = delete;

  // The player's page, or the centre while there is no player.
  glm::ivec3 player_page() const;

  // True when the box moved (or a shift was forced): the caller re-queues it.
  bool update_center();
  void shift_flat_border(glm::ivec3 old_center);
  void shift_world_border(glm::ivec3 old_center);
  void shift_hd_threshold(glm::ivec3 old_center);

  // The changed cell pages (their light finished first), the mobs of every
  // page whose mobs were read (in the order of world/mob_saves.hpp), and the
  // changed flat pages; then the held pages, with the loaded pages whose
  // mobs a held page's write lets fit or leaves stale written again. Failures
  // are logged by the savers, leave the dirty bits set and are counted in
  // the result, a loaded mob page once when its last try failed.
  Unsaved save_all();
  // After the view distance changed: saves everything, queues the removal of
  // the pages that fall outside the new box and sizes both tables anew, so
  // no page can evict another with unsaved changes. Pages whose save failed
  // are held apart (and those in the new box put straight back); the others
  // come back from their files as the queue reaches them.
  void resize_tables();

  // A dirty page saved in the middle of its light stages would keep half a
  // light in its file: these bring such pages to stage 5 first, one stage
  // per page per round so neighbours advance together.
  void finish_light(std::vector<glm::ivec3> const& pages);
  // Cells when dirty, mobs when populated; the loaded pages that took mobs
  // its file holds are written first, so it can let go of them, and again
  // in the rounds of world/mob_saves.hpp with it (their failures count too).
  Unsaved save_page(glm::ivec3 p);

private:
  // Writes the mobs of p after the loaded pages that now list mobs which
  // left p but are still in p's file; how many of these pages could not be
  // written.
  std::int64_t save_with_gainers(glm::ivec3 p, Wmap_page& page);
  void size_tables();
  // From the held pages, else its file, else the map.
  void load_flat_page(glm::ivec2 p);
  // A page leaving the tables after its save: dropped, or held apart when
  // something of it could not be written or its file still keeps mobs that
  // live on in other pages.
  void let_go(glm::ivec3 p, Unsaved const& save);
  void let_go(glm::ivec2 p); // saves the flat page first
};
