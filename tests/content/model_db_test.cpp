#include "content/model_db.hpp"

#include "../support/sdl_log.hpp"
#include "pack_fixture.hpp"

#include <SDL.h>
#include <SDL_image.h>
#include <gtest/gtest.h>

#include <functional>
#include <optional>

namespace {

void write_png(fs::path const& path, int w, int h) {
  fs::create_directories(path.parent_path());
  SDL_Surface* s = SDL_CreateRGBSurfaceWithFormat(0, w, h, 32, SDL_PIXELFORMAT_RGBA8888);
  ASSERT_TRUE(s);
  SDL_FillRect(s, nullptr, 0x336699FF);
  ASSERT_EQ(IMG_SavePNG(s, path.c_str()), 0) << SDL_GetError();
  SDL_FreeSurface(s);
}

// A hidden window with a GL context under the software renderer.
struct Models : ::testing::Test {
  static inline SDL_Window* window = nullptr;
  static inline SDL_GLContext context = nullptr;

  Temp_packs t;
  Sdl_log_capture log;
  std::optional<Audio_database> sounds;
  fs::path bad_tex, light;

  static void SetUpTestSuite() {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_VIDEO), 0) << SDL_GetError();
    window = SDL_CreateWindow("models", 0, 0, 32, 32, SDL_WINDOW_OPENGL | SDL_WINDOW_HIDDEN);
    ASSERT_TRUE(window) << SDL_GetError();
    context = SDL_GL_CreateContext(window);
    ASSERT_TRUE(context) << SDL_GetError();
  }
  // The window and context stay until the process ends: closing them unloads
  // the GL driver, whose process-wide allocations then can't be told apart
  // from leaks of ours.
  static void TearDownTestSuite() {}

  void SetUp() override {
    bad_tex = t.root / "textures/bad_tex.png";
    light = t.root / "textures/light.png";
    write_png(bad_tex, 16, 16);
    write_png(light, 16, 16);
  }

  void image(std::string const& pack, std::string const& name, int w = 16, int h = 16) {
    write_png(t.packs / pack / "textures" / name, w, h);
  }

  Model_database build() {
    return Model_database(t.packs, bad_tex, light, [this]() -> Audio_database const& {
      if (!sounds) sounds.emplace(t.packs);
      return *sounds;
    });
  }
};

} // namespace

TEST_F(Models, WithoutModelFilesOnlyTheFallbackIsInTheArray) {
  fs::create_directories(t.packs / "empty");
  Model_database db = build();
  EXPECT_EQ(db.textures->layers, 1);
  EXPECT_EQ(db.textures->size, 16);
  EXPECT_EQ(db.views.views.size(), 1u);
  EXPECT_EQ(db.fallback.first, 0);
  EXPECT_EQ(db.cells.size(), cell_db().size());
  for (auto const& c : db.cells) EXPECT_EQ(c, Cell_model{});
  EXPECT_EQ(Cell_model{}.texture[0].first, 0xFFFF);
  EXPECT_NE(db.array_texture(), 0u);
  EXPECT_NE(db.light, 0u);
  EXPECT_FALSE(sounds); // no sound key, no sound table
}

TEST_F(Models, TextureKeysChooseTheirFacesAndOrientations) {
  image("m1", "stone.png");
  image("m1", "grass.png");
  image("m1", "a.png");
  t.write("m1/cell_models.cfg",
          "[s]\ntexture = stone.png\ntexture.u = grass.png flipx\n"
          "[x]\ntexture.x = a.png\n"
          "[r]\ntexture = a.png    rot90\ntexture.d = a.png rot 90\ntexture.u = a.png FlipX\n"
          "[same]\ntexture = stone.png\n");
  Model_database db = build();
  Cell_model const& s = db.cell(cell_db()["m1.s"].id);
  Tex_range stone{0, 1}, grass{1, 1};
  for (int f : {0, 1, 2, 4, 5}) EXPECT_EQ(s.texture[f], stone) << f;
  EXPECT_EQ(s.texture[3], (Tex_range{std::uint16_t(grass.first | 0x2000), 1}));
  Cell_model const& x = db.cell(cell_db()["m1.x"].id);
  EXPECT_EQ(x.texture[0].first, 2);
  EXPECT_EQ(x.texture[1].first, 2);
  for (int f : {2, 3, 4, 5}) EXPECT_EQ(x.texture[f], Tex_range{}) << f;
  Cell_model const& r = db.cell(cell_db()["m1.r"].id);
  EXPECT_EQ(r.texture[0].first, 2 | 0xC000);
  EXPECT_EQ(r.texture[2].first, 2); // "rot 90" is no word
  EXPECT_EQ(r.texture[3].first, 2); // words match case and all
  EXPECT_EQ(db.cell(cell_db()["m1.same"].id).texture[0], stone); // one image, one set of layers
  EXPECT_EQ(db.textures->layers, 4); // three images and the fallback
}

TEST_F(Models, MobFramesAndStates) {
  image("m2", "walk.png", 16, 48);
  image("m2", "back.png", 16, 16);
  t.write("m2/mob_models.cfg", "[m]\ntexture.f = walk.png\ntexture.b = back.png\ntexture.f = back.png\n"
                               "state = 0:2 3:1\nstate = 2:1,3:1\nstate = 300:1\nstate = x\nstate = 1:0\n");
  Model_database db = build();
  Mob_model const& m = db.mob(mob_db()["m2.m"].id);
  Tex_id walk = m.front[0];
  ASSERT_EQ(m.front.size(), 4u); // three frames, then one more
  EXPECT_EQ(m.back.size(), 1u);
  EXPECT_EQ(m.front[1], walk + 1);
  EXPECT_EQ(m.front[2], walk + 2);
  EXPECT_EQ(m.frames, (std::vector<std::uint8_t>{0, 0, 3, 2, 44}));
  EXPECT_EQ(m.states, (std::vector<std::uint64_t>{0, 3, 4, 5, 5}));
}

TEST_F(Models, ASecondPackWithTheSameNameAppendsFrames) {
  image("m3", "walk.png", 16, 48);
  image("m3.more", "walk.png", 16, 48);
  t.write("m3/mob_models.cfg", "[m]\ntexture.f = walk.png\n");
  t.write("m3.more/mob_models.cfg", "[m]\ntexture.f = walk.png\n");
  Model_database db = build();
  EXPECT_EQ(db.mob(mob_db()["m3.m"].id).front.size(), 6u);
}

TEST_F(Models, ANegativeOrHugeStateCountIsRefusedNamingTheFile) {
  t.write("m4/mob_models.cfg", "[m]\nstate = 0:-1\n");
  Stderr_capture err;
  try {
    build();
    FAIL() << "no error";
  } catch (std::runtime_error const& e) {
    EXPECT_NE(std::string(e.what()).find((t.packs / "m4/mob_models.cfg").string()), std::string::npos);
  }
  t.write("m4/mob_models.cfg", "[m]\nstate = 0:40000 1:40000\n");
  EXPECT_THROW(build(), std::runtime_error);
}

TEST_F(Models, EffectsAndSounds) {
  t.write("m5/sounds.cfg", "[place]\n[break]\n");
  t.write("m5/cell_models.cfg", "[a]\neffects = 7 wave\nsound.place = m5.place\nsound.break = m5.break\n"
                                "sound.fail = m5.nothing\n"
                                "[b]\neffects = 9\neffects = 256\neffects = -1\neffects = x\n");
  t.write("m5/mob_models.cfg", "[m]\nsound.use = m5.break\n");
  Model_database db = build();
  Cell_model const& a = db.cell(cell_db()["m5.a"].id);
  EXPECT_EQ(a.effects, 7);
  EXPECT_EQ(a.sounds[Cell_model::place], sounds->find("m5.place"));
  EXPECT_EQ(a.sounds[Cell_model::break_], sounds->find("m5.break"));
  EXPECT_EQ(a.sounds[Cell_model::fail], 0);
  EXPECT_EQ(db.cell(cell_db()["m5.b"].id).effects, 9);
  EXPECT_EQ(db.mob(mob_db()["m5.m"].id).sounds[Mob_model::use], sounds->find("m5.break"));
  bool warned = false;
  for (auto const& l : log.lines) warned |= l.find("'m5.nothing' is not a valid sound name") != std::string::npos;
  EXPECT_TRUE(warned);
}

TEST_F(Models, ItemIconsKeepTheFirstLayerWithItsOrientation) {
  image("m6", "gem.png");
  image("m6", "spin.png", 16, 64);
  t.write("m6/item_models.cfg", "[gem]\ntexture = gem.png flipy\n[spin]\ntexture = spin.png\n[none]\n");
  Model_database db = build();
  Tex_id gem = db.item(item_db()["m6.gem"].id);
  EXPECT_EQ(gem & 0x4000, 0x4000);
  EXPECT_EQ(db.icon_layer(item_db()["m6.gem"].id), gem & 0x1FFF);
  EXPECT_EQ(db.item(item_db()["m6.spin"].id), db.textures->ranges.at(t.packs / "m6/textures/spin.png").first);
  Item_id none = item_db()["m6.none"].id;
  EXPECT_EQ(db.item(none), 0xFFFF);
  EXPECT_EQ(db.icon_layer(none), db.fallback.first); // no icon: the fallback image
  EXPECT_EQ(db.icon(none), db.views.views[db.fallback.first]);
}

TEST_F(Models, SectionsAddTypesAndTheTablesGrowToHoldThem) {
  image("m7", "a.png");
  std::size_t cells = cell_db().size();
  t.write("m7/cell_models.cfg", "[new]\ntexture = a.png\n");
  Model_database db = build();
  Cell_id id = cell_db()["m7.new"].id;
  EXPECT_EQ(id, cells);
  ASSERT_GT(db.cells.size(), id);
  EXPECT_EQ(db.cells[id].texture[0].first, 0);
  Cell_id later = cell_db()["m7.after_the_models"].id;
  EXPECT_EQ(db.cell(later), Cell_model{}); // the default for ids beyond the table
  EXPECT_EQ(db.cell(later).effects, 1);
  EXPECT_EQ(db.mob(Mob_id(60000)).front, std::vector<Tex_id>{0xFFFF});
  EXPECT_EQ(db.mob(Mob_id(60000)).back, std::vector<Tex_id>{0xFFFF});
  EXPECT_TRUE(db.mob(Mob_id(60000)).frames.empty());
  EXPECT_EQ(db.item(Item_id(60000)), 0xFFFF);
}

TEST_F(Models, UnknownKeysEndTheLoad) {
  for (auto const& [file, text] : std::vector<std::pair<std::string, std::string>>{
           {"cell_models.cfg", "[a]\ntextures = a.png\n"},
           {"mob_models.cfg", "[a]\nsound.step = x\n"},
           {"item_models.cfg", "icon = a.png\n"}}) {
    Temp_packs other;
    other.write("m8/" + file, text);
    Stderr_capture err;
    try {
      Model_database(other.packs, bad_tex, light, []() -> Audio_database const& { throw 1; });
      FAIL() << file;
    } catch (std::out_of_range const& e) {
      EXPECT_STREQ(e.what(), "unordered_map::at");
    }
    EXPECT_NE(err.get().find("unrecognized key"), std::string::npos);
  }
}

TEST_F(Models, KeysBeforeASectionAreReportedPerFile) {
  t.write("m9/cell_models.cfg", "effects = 3\n");
  t.write("m9/mob_models.cfg", "state = 0:1\n");
  t.write("m9/item_models.cfg", "texture = a.png\n");
  Stderr_capture err;
  build();
  for (char const* m : {"expected section\n", "entry before section\n", "expected entry\n"})
    EXPECT_NE(err.get().find(m), std::string::npos) << m;
}

TEST_F(Models, ImagesOfAnotherSizeFail) {
  image("m10", "big.png", 32, 32);
  t.write("m10/cell_models.cfg", "[a]\ntexture = big.png\n");
  try {
    build();
    FAIL();
  } catch (std::runtime_error const& e) {
    EXPECT_NE(std::string(e.what()).find("Texture size mismatch"), std::string::npos) << e.what();
  }
}

TEST_F(Models, ReleaseDeletesTheTexturesButKeepsTheModels) {
  image("m11", "a.png");
  t.write("m11/cell_models.cfg", "[a]\ntexture = a.png\n");
  Model_database db = build();
  GLuint array = db.array_texture();
  EXPECT_TRUE(glIsTexture(array));
  db.release();
  EXPECT_FALSE(glIsTexture(array));
  EXPECT_EQ(db.array_texture(), 0u);
  EXPECT_EQ(db.cell(cell_db()["m11.a"].id).texture[0].first, 0);
  db.release(); // twice is harmless
}
