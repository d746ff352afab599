#include "world/scene.hpp"

#include "content/cell_db.hpp"
#include "content/item_db.hpp"
#include "content/mob_db.hpp"
#include "foundation/save.hpp"
#include "foundation/str_db.hpp"
#include "foundation/zip.hpp"
#include "mpk/mpk.hpp"
#include "world/bad_file.hpp"

#include <SDL.h>

#include <chrono>
#include <cmath>
#include <string>
#include <system_error>
#include <thread>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr std::int64_t max_name = 256;

// The player as the world file holds it, read aside so a bad file changes
// nothing.
struct Mob_record {
  std::string type;
  glm::vec3 position{0.0f};
  glm::vec3 velocity{0.0f};
  glm::vec2 angles{0.0f};
  glm::vec2 size{0.0f};
  std::vector<std::pair<std::string, std::int16_t>> items;
};

void scan_name(mpk::Scanner& s, std::string& name) {
  std::int64_t n = mpk::scan_str_head(s);
  if (!s.ok()) return;
  if (n > max_name) {
    s.error("name too long");
    return;
  }
  name.resize(static_cast<std::size_t>(n));
  s.read(name.data(), static_cast<long>(n));
}

template <glm::length_t L> void scan_floats(mpk::Scanner& s, glm::vec<L, float>& v) {
  std::int64_t n = mpk::scan_arr_head(s);
  if (!s.ok()) return;
  if (n != L) {
    s.error("bad array size");
    return;
  }
  for (glm::length_t i = 0; i < L && s.ok(); ++i) {
    mpk::scan_flt(s, v[i]);
    if (s.ok() && !std::isfinite(v[i])) s.error("non-finite value");
  }
}

// Passes over what a record holds beyond the fields it knows.
void skip_rest(mpk::Scanner& s, std::int64_t left) {
  for (; left > 0 && s.ok(); --left) mpk::scan_skip(s);
}

void scan_item(mpk::Scanner& s, std::pair<std::string, std::int16_t>& item) {
  std::int64_t n = mpk::scan_arr_head(s);
  if (!s.ok()) return;
  if (n > 0) scan_name(s, item.first);
  if (n > 1 && s.ok()) mpk::scan_int(s, item.second);
  skip_rest(s, n - 2);
}

void scan_record(mpk::Scanner& s, Mob_record& r) {
  std::int64_t n = mpk::scan_arr_head(s);
  if (!s.ok()) return;
  if (n > 0) scan_name(s, r.type);
  if (n > 1 && s.ok()) scan_floats(s, r.position);
  if (n > 2 && s.ok()) scan_floats(s, r.velocity);
  if (n > 3 && s.ok()) scan_floats(s, r.angles);
  if (n > 4 && s.ok()) scan_floats(s, r.size);
  if (n > 5 && s.ok()) {
    std::int64_t slots = mpk::scan_arr_head(s);
    if (s.ok() && static_cast<std::uint64_t>(slots) > Short_vector<Item>::max_elements) s.error("too many slots");
    r.items.clear();
    for (std::int64_t i = 0; i < slots && s.ok(); ++i) scan_item(s, r.items.emplace_back());
  }
  skip_rest(s, n - 6);
}

void emit_record(mpk::Emitter& e, Mob const& m) {
  mpk::emit_arr_head(e, 6);
  mpk::emit_str(e, mob_db()[m.type].name);
  mpk::emit(e, m.body.position);
  mpk::emit(e, m.body.velocity);
  mpk::emit(e, m.body.angles);
  mpk::emit(e, m.body.size);
  mpk::emit_arr_head(e, m.inventory.size());
  for (Item const& item : m.inventory) {
    if (!e.ok()) return;
    mpk::emit_arr_head(e, 2);
    mpk::emit_str(e, item_db()[item.id].name);
    mpk::emit_int(e, item.count);
  }
}

// The record's ids; false when a table has no id left for a new name.
bool apply(Mob_record const& r, Mob& m) {
  Mob_type const& type = mob_db()[r.type];
  if (type.id == 0 && !r.type.empty()) return false;
  Inventory inventory(std::max<std::size_t>(r.items.size(), type.items));
  for (std::size_t i = 0; i < r.items.size(); ++i) {
    Item_id id = item_db()[r.items[i].first].id;
    if (id == 0 && !r.items[i].first.empty()) return false;
    inventory[i] = {id, r.items[i].second};
  }
  m.type = type.id;
  m.body.position = r.position;
  m.body.velocity = r.velocity;
  m.body.angles = r.angles;
  m.body.size = r.size;
  m.body.update_box();
  m.inventory = std::move(inventory);
  return true;
}

} // namespace

Scene::Scene(Config& config_, fs::path const& dir_, kestrine::Scope& scope)
    : config(config_), dir(dir_), fmap(dir_) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s: %s\n", dir.c_str(), ec.message().c_str());
  str_db().load(config.language);
  cell_db().load(scope);
  item_db().load(scope);
  mob_db().load(scope);
  player = mobs.construct(mob_db()["basic.player"].id, {0.0f, 64.0f, 0.0f});
  wmap.player = player;
  mobs.keep = player;
  load();
}

Scene::Scene(Config& config_, fs::path const& dir_, Fmap fmap_)
    : config(config_), dir(dir_), fmap(std::move(fmap_)) {}

Scene::~Scene() {
  save();
  SDL_Log("Session profile:\n");
  SDL_Log("operation           time     ops     avg\n");
  regen.print("Regen");
  light_init.print("Light (init)");
  light_spread.print("Light (spread)");
  populate.print("Populate");
  redraw_hd.print("Redraw (HD)");
  redraw_ld.print("Redraw (LD)");
  render.print("Render");
  if (config.multithreading)
    SDL_Log("- time is ms until operation completion across %d concurrent threads\n",
            static_cast<int>(std::thread::hardware_concurrency()));
  using Tick = std::chrono::steady_clock::period;
  SDL_Log("- clock resolution is %g\n", static_cast<double>(Tick::num) / static_cast<double>(Tick::den));
  wmap.player = nullptr;
  mobs.keep = nullptr;
  player = nullptr;
  mobs.clear();
}

void Scene::load() {
  if (!player) return;
  fs::path path = dir / "world.mpk.gz";
  std::error_code ec;
  if (!fs::exists(path, ec)) {
    player->body.position = {static_cast<float>(fmap.spawn.x * 16 + 8), 4.0f,
                             static_cast<float>(fmap.spawn.y * 16 + 8)};
    player->body.update_box();
    return;
  }
  SDL_Log("Loading %s\n", path.c_str());
  std::string message;
  {
    Zip_streambuf in(path, std::ios_base::in);
    if (!in.file) {
      message = "can't open";
    } else {
      mpk::Scanner s(in);
      Mob_record record;
      Mob const& p = *player;
      record.type = mob_db()[p.type].name;
      record.position = p.body.position;
      record.velocity = p.body.velocity;
      record.angles = p.body.angles;
      record.size = p.body.size;
      std::int64_t n = mpk::scan_arr_head(s);
      if (n > 0 && s.ok()) scan_record(s, record);
      skip_rest(s, n - 1);
      message = s.message();
      if (message.empty()) message = in.check_end();
      if (message.empty() && n > 0 && !apply(record, *player)) message = "type table full";
    }
  }
  if (!message.empty()) {
    // Whatever it holds stays for the player to recover; this run starts from
    // the defaults and writes a fresh file at the end.
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s: %s\n", path.c_str(), message.c_str());
    keep_bad_file(path);
  }
}

void Scene::save() const {
  if (!player) return;
  fs::path path = dir / "world.mpk.gz";
  SDL_Log("Saving %s\n", path.c_str());
  std::error_code ec;
  fs::create_directories(dir, ec);
  Mob const& p = *player;
  save_zip(path, [&p](std::streambuf& out) {
    mpk::Emitter e(out);
    mpk::emit_arr_head(e, 1);
    emit_record(e, p);
    return e.err;
  });
}
