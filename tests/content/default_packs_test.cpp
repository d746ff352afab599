// The packs the game ships, loaded as the game loads them.
#include "content/audio_db.hpp"
#include "content/cell_db.hpp"
#include "content/item_db.hpp"
#include "content/mob_db.hpp"
#include "content/model_db.hpp"
#include "content/pack.hpp"
#include "content/recipe.hpp"
#include "foundation/slurp.hpp"

#include "../support/sdl_log.hpp"
#include "pack_fixture.hpp"

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <map>
#include <optional>
#include <set>

namespace {

fs::path const data = fs::path(TERRAFOLD_SOURCE_DIR) / "data";
fs::path const packs = data / "packs";

std::vector<std::string> const languages{"en_us", "es_es", "fr_fr", "pl_pl"};

// Every interface key the menus, the hotbar and the action bar look up.
std::vector<std::string> const interface_keys{
    "ui.main", "ui.main.resume", "ui.main.configure", "ui.main.exit", "ui.console", "ui.inventory", "ui.hotbar",
    "ui.action", "ui.conf", "ui.conf.save", "ui.conf.discard", "ui.conf.window", "ui.conf.window.width",
    "ui.conf.window.height", "ui.conf.window.fullscreen", "ui.conf.window.vsync", "ui.conf.window.ui_scale",
    "ui.conf.audio", "ui.conf.audio.music_volume", "ui.conf.audio.sfx_volume", "ui.conf.input",
    "ui.conf.input.press_any_key", "ui.conf.input.left", "ui.conf.input.right", "ui.conf.input.front",
    "ui.conf.input.back", "ui.conf.input.crouch", "ui.conf.input.run", "ui.conf.input.jump",
    "ui.conf.input.interact", "ui.conf.input.inventory", "ui.conf.input.paint", "ui.conf.input.erase",
    "ui.conf.input.pick", "ui.conf.server", "ui.conf.server.view_distance_h", "ui.conf.server.view_distance_v",
    "ui.conf.server.hd_radius", "ui.conf.server.planet_radius", "ui.conf.server.field_of_view",
    "ui.conf.server.multithreading", "ui.conf.server.page_op_time", "ui.conf.server.autosave_period",
    "ui.conf.lang", "ui.conf.lang.language"};

// Full key -> text of one language over every pack; syntax errors land on stderr.
std::map<std::string, std::string> translations(std::string const& language) {
  std::map<std::string, std::string> out;
  for_each_pack(packs, [&](fs::path const& dir) {
    fs::path file = dir / "strings" / (language + ".cfg");
    if (!fs::exists(file)) return;
    Kv_scan scan(slurp(file));
    std::string key;
    for (int kind; (kind = scan()) != Kv_scan::End && kind != Kv_scan::Error;) {
      if (kind == Kv_scan::Section) ADD_FAILURE() << file << ": section in a translation file";
      if (kind == Kv_scan::Key) key = scan.token;
      if (kind == Kv_scan::Value) out.emplace(pack_name(dir) + "." + key, scan.token);
    }
  });
  return out;
}

// Types the shipped packs define; other tests of this program may add more.
bool shipped(std::string const& name) { return name.rfind("basic.", 0) == 0 || name.rfind("ui.", 0) == 0; }

// Types that are never cells of their own: air, and the wallpapers, which only paint faces.
bool no_block(std::string const& name) {
  return name == "basic.none" || name.rfind("basic.wallpaper_", 0) == 0;
}

struct Shipped : ::testing::Test {
  static inline SDL_Window* window = nullptr;
  static inline SDL_GLContext context = nullptr;
  static inline Game_scope* game = nullptr;
  static inline std::vector<std::string>* logged = nullptr;
  static inline std::string* errors = nullptr;
  static inline Audio_database* sounds = nullptr;
  static inline Model_database* models = nullptr;
  static inline Recipe_database* recipes = nullptr;

  static void SetUpTestSuite() {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    setenv("SDL_AUDIODRIVER", "dummy", 1);
    ASSERT_EQ(SDL_Init(SDL_INIT_VIDEO | SDL_INIT_AUDIO), 0) << SDL_GetError();
    window = SDL_CreateWindow("packs", 0, 0, 32, 32, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    ASSERT_TRUE(window) << SDL_GetError();
    context = SDL_GL_CreateContext(window);
    ASSERT_TRUE(context) << SDL_GetError();
    ASSERT_EQ(Mix_OpenAudioDevice(44100, MIX_DEFAULT_FORMAT, 2, 2048, nullptr,
                                  SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_FORMAT_CHANGE),
              0)
        << Mix_GetError();

    // Load everything the way the game does, keeping whatever it reports.
    game = new Game_scope;
    Sdl_log_capture log;
    Stderr_capture err;
    cell_db().load(game->scope, packs);
    item_db().load(game->scope, packs);
    mob_db().load(game->scope, packs);
    sounds = new Audio_database(packs);
    models = new Model_database(packs, data / "textures/bad_tex.png", data / "textures/light.png",
                                []() -> Audio_database const& { return *sounds; });
    recipes = new Recipe_database(packs);
    logged = new std::vector<std::string>(log.lines);
    errors = new std::string(err.get());
  }

  static void TearDownTestSuite() {
    delete recipes;
    if (models) models->release();
    delete models;
    delete logged;
    delete errors;
    Mix_CloseAudio();
    // The window and context stay until the process ends: closing them
    // unloads the GL driver, whose own allocations would then look like leaks.
  }
};

} // namespace

TEST_F(Shipped, LoadWithoutAWarningOrAnError) {
  EXPECT_EQ(*errors, "");
  for (auto const& line : *logged) EXPECT_EQ(line.rfind("Loading ", 0), 0u) << line;
  EXPECT_GE(logged->size(), 9u); // types, sounds, models and recipes
}

TEST_F(Shipped, TheWorldsCellTypesAndThePlayerExist) {
  std::size_t cells = cell_db().size();
  for (char const* name :
       {"basic.none", "basic.stone", "basic.dirt", "basic.grass", "basic.sand", "basic.leaves", "basic.water"})
    EXPECT_LT(cell_db()[name].id, cells) << name << " is not defined by the packs";
  Cell_type const& air = cell_db()["basic.none"];
  EXPECT_EQ(air.collision, Cell_collision::empty);
  EXPECT_EQ(air.opacity, Cell_opacity::clear);
  EXPECT_EQ(cell_db()["basic.water"].collision, Cell_collision::buoy);
  std::size_t mobs = mob_db().size();
  Mob_type const& player = mob_db()["basic.player"];
  EXPECT_LT(player.id, mobs);
  EXPECT_EQ(player.items, 16);
  EXPECT_FALSE(player.persistent);
  EXPECT_TRUE(player.solid);
  EXPECT_GT(player.size.x, 0);
  EXPECT_GT(player.size.y, player.size.x);
}

TEST_F(Shipped, TheBuildingCellsHaveWhatMakesThemWork) {
  bool light = false, container = false, billboard = false, see_through = false;
  for (std::size_t i = 1; i < cell_db().size(); ++i) {
    Cell_type const& c = cell_db()[i];
    light |= c.light > 0;
    container |= c.capacity > 0 && c.interact;
    billboard |= c.opacity == Cell_opacity::billboard;
    see_through |= c.opacity == Cell_opacity::semiclear && c.collision == Cell_collision::solid;
    if (shipped(c.name) && !no_block(c.name) && c.name != "basic.water") {
      EXPECT_NE(c.drop, 0) << c.name << " drops nothing";
    }
  }
  EXPECT_TRUE(light && container && billboard && see_through);
  EXPECT_TRUE(recipes->find(cell_db()["basic.workbench"].id));
  // The door opens into a type that shuts it again.
  EXPECT_TRUE(cell_db()["basic.door"].interact);
  EXPECT_TRUE(cell_db()["basic.door_open"].interact);
  EXPECT_EQ(cell_db()["basic.door"].drop, cell_db()["basic.door_open"].drop);
}

TEST_F(Shipped, EveryModelIsComplete) {
  std::size_t const layers = models->views.views.size();
  for (std::size_t i = 1; i < cell_db().size(); ++i) {
    Cell_type const& c = cell_db()[i];
    if (!shipped(c.name) || c.name == "basic.none") continue;
    for (Tex_range const& face : models->cell(c.id).texture)
      EXPECT_LT(face.first & Tex_range::layer_mask, layers) << c.name << " has an untextured face";
  }
  for (std::size_t i = 1; i < item_db().size(); ++i) {
    if (shipped(item_db()[i].name)) {
      EXPECT_NE(models->item(Item_id(i)), Tex_range::none) << item_db()[i].name << " has no icon";
    }
  }
  for (std::size_t i = 1; i < mob_db().size(); ++i) {
    Mob_type const& m = mob_db()[i];
    if (!shipped(m.name) || m.name == "basic.player") continue; // the player is never drawn
    Mob_model const& model = models->mob(m.id);
    ASSERT_FALSE(model.states.empty()) << m.name;
    for (std::uint8_t f : model.frames) {
      EXPECT_LT(f, model.front.size()) << m.name;
      EXPECT_LT(f, model.back.size()) << m.name;
    }
    EXPECT_NE(model.sounds[Mob_model::break_], 0) << m.name;
  }
}

TEST_F(Shipped, TheSoundsTheGameNamesExist) {
  Sdl_log_capture log;
  for (char const* name : {"basic.place_wallpaper", "basic.break_wallpaper", "ui.move_item", "ui.pick_item",
                           "ui.open_menu"})
    EXPECT_NE(sounds->sound(std::string(name)), nullptr) << name;
  for (auto* v : sounds->variants) EXPECT_NE(v, nullptr);
  for (std::size_t i = 1; i < cell_db().size(); ++i) {
    Cell_type const& c = cell_db()[i];
    auto const& s = models->cell(c.id).sounds;
    if (!shipped(c.name) || no_block(c.name)) continue;
    EXPECT_NE(s[Cell_model::break_], 0) << c.name;
    if (c.interact) {
      EXPECT_TRUE(s[Cell_model::use] && s[Cell_model::fail]) << c.name;
    }
  }
  EXPECT_TRUE(log.lines.empty()) << log.joined();
}

TEST_F(Shipped, EveryItemTypeHasAnEnglishName) {
  auto english = translations("en_us");
  for (std::size_t i = 1; i < item_db().size(); ++i) {
    if (shipped(item_db()[i].name)) {
      EXPECT_TRUE(english.count(item_db()[i].name)) << item_db()[i].name;
    }
  }
  for (auto const& key : interface_keys) EXPECT_TRUE(english.count(key)) << key;
}

TEST_F(Shipped, EveryLanguageTranslatesTheSameKeys) {
  Stderr_capture err;
  auto english = translations("en_us");
  for (auto const& language : languages) {
    auto other = translations(language);
    for (auto const& [key, text] : english) {
      EXPECT_TRUE(other.count(key)) << language << " lacks " << key;
      EXPECT_FALSE(text.empty()) << key;
    }
    EXPECT_EQ(other.size(), english.size()) << language;
  }
  EXPECT_EQ(err.get(), "");
}

TEST_F(Shipped, RecipesUseDefinedItems) {
  auto english = translations("en_us");
  std::size_t count = 0;
  for (auto const& [cell, list] : recipes->recipes) {
    if (!shipped(cell_db()[cell].name)) continue;
    EXPECT_EQ(cell_db()[cell].name, "basic.workbench");
    for (Recipe const& r : list) {
      ++count;
      EXPECT_GT(r.result.count, 0);
      EXPECT_TRUE(english.count(item_db()[r.result.id].name)) << item_db()[r.result.id].name;
      EXPECT_GT(r.from.size(), 0u);
      for (Item const& in : r.from) {
        EXPECT_GT(in.count, 0);
        EXPECT_TRUE(english.count(item_db()[in.id].name)) << item_db()[in.id].name;
      }
    }
  }
  EXPECT_GE(count, 5u);
}

TEST_F(Shipped, ScriptsRunAgainstTheGameFunctionsAlone) {
  game->calls->clear();
  kestrine::Val args[3];
  // A misspelt function would be a null local here, and calling it would throw.
  auto run = [&](std::unique_ptr<kestrine::Standalone> const& s, int n, std::string const& who) {
    if (s) {
      EXPECT_NO_THROW((*s)(args, n)) << who;
    }
  };
  for (std::size_t i = 1; i < item_db().size(); ++i) run(item_db()[i].use, 3, item_db()[i].name);
  for (std::size_t i = 1; i < cell_db().size(); ++i) {
    run(cell_db()[i].interact, 2, cell_db()[i].name);
    run(cell_db()[i].callback, 2, cell_db()[i].name);
  }
  bool updates = false;
  for (std::size_t i = 1; i < mob_db().size(); ++i) {
    Mob_type const& m = mob_db()[i];
    updates |= bool(m.update);
    run(m.interact, 1, m.name);
    run(m.update, 1, m.name);
  }
  EXPECT_TRUE(updates);
  auto& calls = *game->calls;
  for (char const* used : {"place", "paint", "browse", "craft", "replace", "spawn", "mob_wait"})
    EXPECT_GT(calls[used], 0) << used;
}
