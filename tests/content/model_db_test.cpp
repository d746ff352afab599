#include "content/model_db.hpp"

#include "pack_fixture.hpp"
#include "support/gl.hpp"
#include "support/image.hpp"

#include <optional>

namespace {

struct Models : Gl_test {
  Temp_packs t;
  Sdl_log_capture log;
  std::optional<Audio_database> sounds;

  // A 16x16 image, or a strip of frames, below the pack's textures.
  void image(std::string const& pack, std::string const& name, int h = 16) {
    write_png(t.packs / pack / "textures" / name, 16, h, 0x336699FF);
  }
  Model_database build(fs::path const& packs = {}) {
    write_png(t.root / "bad_tex.png", 16, 16, 0xFF0000FF);
    write_png(t.root / "light.png", 16, 16, 0xFFFFFFFF);
    return Model_database(packs.empty() ? t.packs : packs, t.root / "bad_tex.png", t.root / "light.png",
                          [this]() -> Audio_database const& { return sounds ? *sounds : sounds.emplace(t.packs); });
  }
};

} // namespace

TEST_F(Models, WithoutModelFilesOnlyTheFallbackIsInTheArrayAndEveryTypeHasTheDefault) {
  fs::create_directories(t.packs / "empty");
  Model_database db = build();
  EXPECT_EQ(db.textures->layers, 1);
  EXPECT_EQ(db.views.views.size(), 1u);
  EXPECT_EQ(db.fallback.first, 0);
  EXPECT_TRUE(db.array_texture() && db.light);
  EXPECT_EQ(db.cells, std::vector<Cell_model>(cell_db().size()));
  EXPECT_EQ(Cell_model{}.texture[0].first, 0xFFFF);
  EXPECT_EQ(db.cell(cell_db()["m0.after_the_models"].id), Cell_model{}); // ids beyond the tables
  EXPECT_EQ(db.mob(Mob_id(60000)), (Mob_model{{0xFFFF}, {0xFFFF}, {}, {}, {}}));
  EXPECT_EQ(db.item(Item_id(60000)), 0xFFFF);
  EXPECT_FALSE(sounds); // no sound key, no sound table
}

TEST_F(Models, TextureKeysChooseTheirFacesAndOrientationsAndSectionsAddTypes) {
  for (char const* name : {"stone.png", "grass.png", "a.png", "gem.png"}) image("m1", name);
  image("m1", "spin.png", 64);
  std::size_t cells = cell_db().size();
  t.write("m1/cell_models.cfg",
          "[s]\ntexture = stone.png\ntexture.u = grass.png flipx\n"
          "[x]\ntexture.x = a.png\n"
          "[r]\ntexture = a.png    rot90\ntexture.d = a.png rot 90\ntexture.u = a.png FlipX\n"
          "[same]\ntexture = stone.png\n");
  t.write("m1/item_models.cfg", "[gem]\ntexture = gem.png flipy\n[spin]\ntexture = spin.png\n[none]\n");
  Model_database db = build();
  EXPECT_EQ(cell_db()["m1.s"].id, cells);
  Cell_model const& s = db.cell(cell_db()["m1.s"].id);
  Tex_range stone{0, 1}, flipped_grass{0x2000 | 1, 1}, a{2, 1}, untextured{};
  EXPECT_EQ(s.texture, (std::array{stone, stone, stone, flipped_grass, stone, stone}));
  EXPECT_EQ(db.cell(cell_db()["m1.x"].id).texture, (std::array{a, a, untextured, untextured, untextured, untextured}));
  Cell_model const& r = db.cell(cell_db()["m1.r"].id);
  EXPECT_EQ(r.texture[0].first, 2 | 0xC000);
  EXPECT_EQ(r.texture[2].first, 2); // "rot 90" is no word
  EXPECT_EQ(r.texture[3].first, 2); // words match case and all
  EXPECT_EQ(db.cell(cell_db()["m1.same"].id).texture[0], stone); // one image, one set of layers
  EXPECT_EQ(db.textures->layers, 9); // four images, the four frames of one, the fallback
  // An icon keeps the first layer and its orientation; the layer drawn drops
  // the orientation, and an item without an icon is drawn as the fallback.
  Item_id gem = item_db()["m1.gem"].id, none = item_db()["m1.none"].id;
  EXPECT_EQ(db.item(gem), 3 | 0x4000);
  EXPECT_EQ(db.icon_layer(gem), 3);
  EXPECT_EQ(db.item(item_db()["m1.spin"].id), 4);
  EXPECT_EQ(db.item(none), 0xFFFF);
  EXPECT_EQ(db.icon_layer(none), db.fallback.first);
  EXPECT_EQ(db.icon(none), db.views.views[db.fallback.first]);
}

TEST_F(Models, MobFramesAndStatesAndASecondPackAppendingFrames) {
  image("m2", "walk.png", 48);
  image("m2", "back.png");
  image("m2.more", "walk.png", 48);
  t.write("m2/mob_models.cfg", "[m]\ntexture.f = walk.png\ntexture.b = back.png\ntexture.f = back.png\n"
                               "state = 0:2 3:1\nstate = 2:1,3:1\nstate = 300:1\nstate = x\nstate = 1:0\n"
                               "[n]\ntexture.f = walk.png\n");
  t.write("m2.more/mob_models.cfg", "[n]\ntexture.f = walk.png\n");
  Model_database db = build();
  Mob_model const& m = db.mob(mob_db()["m2.m"].id);
  Tex_id walk = m.front[0];
  EXPECT_EQ(m.front, (std::vector<Tex_id>{walk, Tex_id(walk + 1), Tex_id(walk + 2), m.back[0]}));
  EXPECT_EQ(m.back.size(), 1u);
  EXPECT_EQ(m.frames, (std::vector<std::uint8_t>{0, 0, 3, 2, 44}));
  EXPECT_EQ(m.states, (std::vector<std::uint64_t>{0, 3, 4, 5, 5}));
  EXPECT_EQ(db.mob(mob_db()["m2.n"].id).front.size(), 6u);
}

TEST_F(Models, BadStateCountsAndImageSizesRaiseErrorsNamingTheFile) {
  Stderr_capture err;
  for (char const* states : {"0:-1", "0:40000 1:40000"}) {
    t.write("m3/mob_models.cfg", std::string("[m]\nstate = ") + states + "\n");
    EXPECT_NE(thrown<std::runtime_error>([&] { build(); }).find((t.packs / "m3/mob_models.cfg").string()),
              std::string::npos);
  }
  fs::remove(t.packs / "m3/mob_models.cfg");
  write_png(t.packs / "m3/textures/big.png", 32, 32, 0);
  t.write("m3/cell_models.cfg", "[a]\ntexture = big.png\n");
  EXPECT_NE(thrown<std::runtime_error>([&] { build(); }).find("Texture size mismatch"), std::string::npos);
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
  EXPECT_EQ(a.sounds, (std::array<Audio_id, 5>{sounds->find("m5.place"), sounds->find("m5.break"), 0, 0, 0}));
  EXPECT_EQ(db.cell(cell_db()["m5.b"].id).effects, 9);
  EXPECT_EQ(db.mob(mob_db()["m5.m"].id).sounds[Mob_model::use], sounds->find("m5.break"));
  EXPECT_NE(log.joined().find("'m5.nothing' is not a valid sound name"), std::string::npos);
}

TEST_F(Models, UnknownKeysEndTheLoadAndKeysBeforeASectionAreReported) {
  for (auto [file, text] : {std::pair{"cell_models.cfg", "[a]\ntextures = a.png\n"},
                            {"mob_models.cfg", "[a]\nsound.step = x\n"}, {"item_models.cfg", "icon = a.png\n"}}) {
    Temp_packs other;
    other.write(std::string("m8/") + file, text);
    Stderr_capture err;
    EXPECT_EQ(thrown<std::out_of_range>([&] { build(other.packs); }), "unordered_map::at") << file;
    EXPECT_TRUE(err.has("unrecognized key")) << file;
  }
  t.write("m9/cell_models.cfg", "effects = 3\n");
  t.write("m9/mob_models.cfg", "state = 0:1\n");
  t.write("m9/item_models.cfg", "texture = a.png\n");
  Stderr_capture err;
  build();
  for (char const* m : {"expected section\n", "entry before section\n", "expected entry\n"})
    EXPECT_TRUE(err.has(m)) << m;
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
