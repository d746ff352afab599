// The packs the game ships, loaded as the game loads them.
#include "content/model_db.hpp"
#include "content/recipe.hpp"
#include "foundation/str_db.hpp"

#include "pack_fixture.hpp"
#include "support/gl.hpp"

#include <sstream>

namespace {

fs::path const data = fs::path(TERRAFOLD_SOURCE_DIR) / "data";
fs::path const packs = data / "packs";

// Every interface key the menus, the hotbar and the action bar look up, less "ui.".
char const* const interface_keys =
    "main main.resume main.configure main.exit console inventory hotbar action world_not_saved conf conf.save "
    "conf.discard conf.window conf.window.width conf.window.height conf.window.fullscreen conf.window.vsync "
    "conf.window.ui_scale conf.audio conf.audio.music_volume conf.audio.sfx_volume conf.input "
    "conf.input.press_any_key conf.input.left conf.input.right conf.input.front conf.input.back "
    "conf.input.crouch conf.input.run conf.input.jump conf.input.interact conf.input.inventory "
    "conf.input.paint conf.input.erase conf.input.pick conf.server conf.server.view_distance_h "
    "conf.server.view_distance_v conf.server.hd_radius conf.server.planet_radius conf.server.field_of_view "
    "conf.server.multithreading conf.server.page_op_time conf.server.autosave_period conf.lang conf.lang.language";

// The strings of one language as the game loads them, which must report nothing.
auto translations(std::string const& language) {
  Sdl_log_capture log;
  Stderr_capture err;
  String_database db;
  db.load(language, packs);
  for (auto const& line : log.lines) EXPECT_EQ(line.rfind("Loading ", 0), 0u) << line;
  EXPECT_EQ(err.get(), "");
  return db.strings;
}

// Types the shipped packs define; other tests of this program may add more.
bool shipped(std::string const& name) { return name.rfind("basic.", 0) == 0 || name.rfind("ui.", 0) == 0; }

// Types that are never cells of their own: air, and the wallpapers, which only paint faces.
bool no_block(std::string const& name) { return name == "basic.none" || name.rfind("basic.wallpaper_", 0) == 0; }

struct Shipped : Gl_test {
  static inline Game_scope* game = nullptr;
  static inline std::string* reported = nullptr;
  static inline Audio_database* sounds = nullptr;
  static inline Model_database* models = nullptr;
  static inline Recipe_database* recipes = nullptr;

  static void SetUpTestSuite() {
    Gl_test::SetUpTestSuite();
    open_test_audio();
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
    reported = new std::string(err.get());
    for (auto const& line : log.lines)
      if (line.rfind("Loading ", 0) != 0) *reported += line + "\n";
  }

  static void TearDownTestSuite() {
    delete recipes;
    delete models; // releases its textures while the context lives
    delete sounds;
    delete reported;
    Mix_CloseAudio();
    Gl_test::TearDownTestSuite();
  }
};

} // namespace

TEST_F(Shipped, LoadWithoutAWarningOrAnError) {
  EXPECT_EQ(*reported, "");
  EXPECT_FALSE(recipes->recipes.empty());
}

TEST_F(Shipped, TheWorldsCellTypesAndThePlayerAreDefined) {
  std::size_t cells = cell_db().size(), mobs = mob_db().size();
  for (char const* name :
       {"basic.none", "basic.stone", "basic.dirt", "basic.grass", "basic.sand", "basic.leaves", "basic.water"})
    EXPECT_LT(cell_db()[name].id, cells) << name << " is not defined by the packs";
  EXPECT_EQ(cell_db()["basic.none"].collision, Cell_collision::empty);
  EXPECT_EQ(cell_db()["basic.none"].opacity, Cell_opacity::clear);
  Mob_type const& player = mob_db()["basic.player"];
  EXPECT_LT(player.id, mobs);
  EXPECT_TRUE(player.items == 16 && player.solid && player.size.y > player.size.x && player.size.x > 0);
}

TEST_F(Shipped, EveryModelIsCompleteAndItsSoundsExist) {
  Sdl_log_capture log;
  std::size_t const layers = models->views.views.size();
  for (std::size_t i = 1; i < cell_db().size(); ++i) {
    Cell_type const& c = cell_db()[i];
    if (!shipped(c.name) || c.name == "basic.none") continue;
    Cell_model const& model = models->cell(c.id);
    for (Tex_range const& face : model.texture)
      EXPECT_LT(face.first & Tex_range::layer_mask, layers) << c.name << " has an untextured face";
    if (no_block(c.name)) continue;
    EXPECT_NE(model.sounds[Cell_model::break_], 0) << c.name;
    if (c.interact) {
      EXPECT_TRUE(model.sounds[Cell_model::use] && model.sounds[Cell_model::fail]) << c.name;
    }
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
    for (std::uint8_t f : model.frames) EXPECT_TRUE(f < model.front.size() && f < model.back.size()) << m.name;
    EXPECT_NE(model.sounds[Mob_model::break_], 0) << m.name;
  }
  for (char const* name :
       {"basic.place_wallpaper", "basic.break_wallpaper", "ui.move_item", "ui.pick_item", "ui.open_menu"})
    EXPECT_NE(sounds->sound(std::string(name)), nullptr) << name;
  for (auto* v : sounds->variants) EXPECT_NE(v, nullptr);
  EXPECT_TRUE(log.lines.empty()) << log.joined();
}

// Drops and recipes name their items by full name, so a misspelt one shows up
// here as a type without a name.
TEST_F(Shipped, EveryItemTypeAndInterfaceKeyHasAnEnglishNameInEveryLanguage) {
  auto english = translations("en_us");
  for (std::size_t i = 1; i < item_db().size(); ++i) {
    if (shipped(item_db()[i].name)) {
      EXPECT_TRUE(english.count(item_db()[i].name)) << item_db()[i].name;
    }
  }
  for (auto const& entry : recipes->recipes)
    for (Recipe const& r : entry.second) {
      EXPECT_TRUE(r.result.count > 0 && english.count(item_db()[r.result.id].name) && r.from.size() > 0);
      for (Item const& in : r.from) EXPECT_TRUE(in.count > 0 && english.count(item_db()[in.id].name)) << in.id;
    }
  std::istringstream keys(interface_keys);
  for (std::string key; keys >> key;) EXPECT_TRUE(english.count("ui." + key)) << key;
  for (char const* language : {"es_es", "fr_fr", "pl_pl"}) {
    auto other = translations(language);
    for (auto const& entry : english) EXPECT_TRUE(other.count(entry.first)) << language << " lacks " << entry.first;
    EXPECT_EQ(other.size(), english.size()) << language;
  }
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
  for (std::size_t i = 1; i < mob_db().size(); ++i) {
    run(mob_db()[i].interact, 1, mob_db()[i].name);
    run(mob_db()[i].update, 1, mob_db()[i].name);
  }
  for (char const* used : {"place", "paint", "browse", "craft", "replace", "spawn", "mob_wait"})
    EXPECT_GT((*game->calls)[used], 0) << used;
}
