#include "game/fun_world.hpp"

#include "content/mob_db.hpp"
#include "render/camera.hpp"
#include "world/body.hpp"
#include "world/page.hpp"
#include "world/page_file.hpp"
#include "world/script_values.hpp"

#include <cmath>
#include <cstdint>
#include <limits>
#include <stdexcept>

using kestrine::Val;

namespace {

Mob& player_of(Fun_env_ptr const& env) {
  // Only a scene built without packs has none.
  if (!env->scene.player) throw std::runtime_error("no player");
  return *env->scene.player;
}

Cell_type& type_at(Scene& scene, glm::ivec3 const& p) { return cell_db()[scene.wmap.get_cell(p)]; }

// Loaded and past its fill: until then a page reads as air and the pipeline
// refuses edits to it, so nothing is placed, painted or crossed into there.
bool filled(Scene& scene, glm::ivec3 const& p) {
  Wmap_page const* page = scene.wmap.find(page_of(p));
  return page && page->stage.load() != 0;
}

// Filled, and within the 16 bits that the pipeline keeps a column's sunlight
// level in: the cells that a cell edit can change.
bool editable(Scene& scene, glm::ivec3 const& p) {
  return filled(scene, p) && p.y >= std::numeric_limits<std::int16_t>::min() &&
         p.y < std::numeric_limits<std::int16_t>::max();
}

// Componentwise with 32-bit wrap-around, as the script's own Vec arithmetic.
int wrap(std::int64_t v) { return static_cast<int>(static_cast<std::uint32_t>(static_cast<std::uint64_t>(v))); }

// Neither solid nor climbable, in a filled page and of a named type.
bool passable(Scene& scene, glm::ivec3 const& p) {
  if (!filled(scene, p)) return false;
  Cell_id id = scene.wmap.get_cell(p);
  if (id == 0) return false;
  Cell_collision c = cell_db()[id].collision;
  return c != Cell_collision::solid && c != Cell_collision::climb;
}

} // namespace

glm::ivec3 fun_here_::operator()() const {
  glm::vec3 const p = player_of(env).body.position;
  return {trunc_cell(p.x), trunc_cell(p.y), trunc_cell(p.z)};
}

glm::ivec3 fun_cubr_::operator()() const { return env->cursor.cell; }

glm::ivec3 fun_cupl_::operator()() const { return env->cursor.adjacent; }

std::string fun_cell_::operator()(glm::ivec3 const& p) const { return type_at(env->scene, p).name; }

kestrine::Int fun_light_::operator()(glm::ivec3 const& p) const { return env->scene.wmap.get_light(p); }

Val fun_face_::operator()(glm::ivec3 const& p, kestrine::Int f) const {
  Wmap_page const* page = env->scene.wmap.find(page_of(p));
  if (!page) return Val();
  // Unsigned, so that any Int wraps as the 16-bit key does.
  std::uint64_t const index = static_cast<std::uint64_t>(cell_index(p.x, p.y, p.z));
  std::uint64_t const key = static_cast<std::uint64_t>(f) * 4096u + index;
  auto it = page->paints.find(static_cast<std::int16_t>(static_cast<std::uint16_t>(key & 0xFFFFu)));
  if (it == page->paints.end()) return Val();
  return Val(cell_db()[it->second].name);
}

std::array<int, 3> axis_order(glm::vec3 const& d) {
  float const ax = std::abs(d.x), ay = std::abs(d.y), az = std::abs(d.z);
  if (ay > ax) {
    if (az > ay) return {2, 1, 0};
    if (az > ax) return {1, 2, 0};
    return {1, 0, 2};
  }
  if (az > ax) {
    if (ax > ay) return {2, 0, 1};
    return {2, 1, 0};
  }
  if (az > ay) return {0, 2, 1};
  return {0, 1, 2};
}

Val fun_place_::call_(Val const*, Val* argv, int argc) const {
  if (!((argc == 2 || argc == 4 || argc == 7) && argv[0].is<glm::ivec3>()))
    throw std::runtime_error("function expects one of:\n  (Vec, Val)\n  (Vec, Val, Val, Val)\n"
                             "  (Vec, Val, Val, Val, Val, Val, Val)");
  glm::ivec3 const p = argv[0].get_unsafe<glm::ivec3>();
  if (argc == 2) return Val(impl(p, argv[1]));
  glm::vec3 const d = env->view;
  Val const* axis[3] = {&argv[1], &argv[2], &argv[3]};
  if (argc == 7) {
    axis[0] = d.x > 0.0f ? &argv[1] : &argv[2];
    axis[1] = d.y > 0.0f ? &argv[3] : &argv[4];
    axis[2] = d.z > 0.0f ? &argv[5] : &argv[6];
  }
  for (int a : axis_order(d))
    if (*axis[a]) return Val(impl(p, *axis[a]));
  return Val(false);
}

bool fun_place_::impl(glm::ivec3 const& p, Val const& v) const {
  if (v.is<std::string>()) check_type_name(v.get_unsafe<std::string>());
  Scene& scene = env->scene;
  if (!editable(scene, p) || type_at(scene, p).collision != Cell_collision::empty) return false;
  Cell_id const id = cell_db()[v.get<std::string>()].id;
  if (id == 0) return false;
  env->effects->change_cell(p, id);
  env->effects->place_sound(id);
  return true;
}

Val fun_paint_::call_(Val const*, Val* argv, int argc) const {
  if (!((argc == 3 || argc == 6) && argv[0].is<glm::ivec3>() && argv[1].is<Face>()))
    throw std::runtime_error("function expects one of:\n  (Vec, Int, Val)\n  (Vec, Int, Val, Val, Val, Val)");
  glm::ivec3 const p = argv[0].get_unsafe<glm::ivec3>();
  Face const f = argv[1].get_unsafe<Face>();
  int const choice = argc == 3 ? 0 : painting_direction(env->view, f);
  return Val(impl(p, f, argv[2 + choice]));
}

bool fun_paint_::impl(glm::ivec3 const& p, Face f, Val const& v) const {
  if (v.is<std::string>()) check_type_name(v.get_unsafe<std::string>());
  Scene& scene = env->scene;
  // An unloaded page has no faces to paint, though its type 0 reads opaque.
  if (!filled(scene, p)) return false;
  if (type_at(scene, p).opacity != Cell_opacity::opaque) return false;
  Cell_id const id = cell_db()[v.get<std::string>()].id;
  if (id == 0) return false;
  env->effects->change_face(p, static_cast<int>(f), id);
  env->effects->play("basic.place_wallpaper");
  return true;
}

bool fun_spawn_::operator()(glm::ivec3 const& p, std::string const& name) const {
  check_type_name(name);
  glm::vec3 const at(static_cast<float>(p.x + 0.5), static_cast<float>(p.y), static_cast<float>(p.z + 0.5));
  // A page's file holds at most max_page_mobs: one more is refused here,
  // where it can be, rather than when the page can't be saved. The mobs
  // made since the last regrouping are not listed in their page yet, so
  // the whole list is counted.
  glm::ivec3 const page = page_of(floor_cell(at));
  std::size_t in_page = 0;
  for (auto const& m : env->scene.mobs)
    in_page += !m->body.has(Body::erased) && page_of(floor_cell(m->body.position)) == page;
  if (in_page >= max_page_mobs) throw std::runtime_error("too many mobs in the page");
  env->scene.mobs.construct(mob_db()[name].id, at);
  return false;
}

bool fun_replace_::operator()(glm::ivec3 const& p, std::string const& name) const {
  check_type_name(name);
  if (!editable(env->scene, p)) return false;
  Cell_id const id = cell_db()[name].id;
  if (id == 0) return false;
  env->effects->change_cell(p, id);
  return true;
}

bool fun_browse_::operator()(glm::ivec3 const&) const {
  env->mode = mode_inventory;
  env->inventory_kind = kind_container;
  return true;
}

bool fun_craft_::operator()(glm::ivec3 const&) const {
  env->mode = mode_inventory;
  env->inventory_kind = kind_target_recipes;
  return true;
}

bool fun_cross_::operator()(glm::ivec3 const& a, glm::ivec3 const& b) const {
  Scene& scene = env->scene;
  glm::ivec3 t;
  for (int i = 0; i < 3; ++i) t[i] = wrap(2 * std::int64_t(a[i]) - b[i]);
  if (!passable(scene, t)) return false;
  Body& body = player_of(env).body;
  auto centre = [](int c) { return static_cast<float>(c + 0.5); };
  body.position = glm::vec3(centre(t.x), centre(t.y), centre(t.z));
  for (int down = 1; down <= 2; ++down) {
    glm::ivec3 const below(t.x, wrap(std::int64_t(t.y) - down), t.z);
    if (passable(scene, below)) continue;
    // The feet 0.001 above the top of the blocking cell.
    float const centre = static_cast<float>(below.y) + body.size.y;
    body.position.y = static_cast<float>(static_cast<double>(centre) + 1.001);
    break;
  }
  body.update_box();
  return true;
}
