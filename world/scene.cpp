#include "world/scene.hpp"

#include "content/cell_db.hpp"
#include "content/item_db.hpp"
#include "content/mob_db.hpp"
#include "foundation/str_db.hpp"
#include "mpk/mpk.hpp"
#include "world/records.hpp"
#include "world/zip_read.hpp"

#include <SDL.h>

#include <chrono>
#include <string>
#include <system_error>
#include <thread>

namespace fs = std::filesystem;

namespace {

// The world file's player: the record read over a scratch copy, applied only
// when the whole file read.
void apply(Mob const& read, Mob& player) {
  player.type = read.type;
  player.body = read.body;
  player.inventory = read.inventory;
  // A record with fewer slots than the type has leaves the player room for all.
  for (std::size_t n = mob_db()[player.type].items; player.inventory.size() < n;)
    player.inventory.slots.push_back(Item{});
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
  if (!save()) unsaved.player = true;
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
  if (on_closed) on_closed(unsaved);
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
  Mob read;
  read.type = player->type;
  read.body = player->body;
  read.inventory = player->inventory;
  Item read_held; // none in a file of the player alone
  bool any = false;
  Zip_read result = read_zip(path, [&](mpk::Scanner& s) {
    std::int64_t n = mpk::scan_arr_head(s);
    if (n > 0 && s.ok()) {
      s % read;
      any = true;
    }
    if (n > 1 && s.ok()) s % read_held;
    for (; n > 2 && s.ok(); --n) mpk::scan_skip(s);
  });
  if (result == Zip_read::done && any) {
    apply(read, *player);
    held = read_held;
  }
  world_file_damaged = result == Zip_read::in_place;
}

bool Scene::save() const {
  if (!player) return true;
  fs::path path = dir / "world.mpk.gz";
  if (world_file_damaged) return refuse_damaged(path);
  SDL_Log("Saving %s\n", path.c_str());
  std::error_code ec;
  fs::create_directories(dir, ec);
  Mob const& p = *player;
  Item const& h = held;
  return write_zip(path, [&p, &h](std::streambuf& out) {
    mpk::Emitter e(out);
    mpk::emit_arr_head(e, 2);
    e % p;
    e % h;
    return e.err;
  });
}
