#include "world/page_file.hpp"
#include "world/records.hpp"

#include "support/forged_files.hpp"
#include "support/sdl_log.hpp"
#include "support/world.hpp"

#include <gtest/gtest.h>

#include <fstream>
#include <iterator>
#include <random>
#include <sstream>
#include <string>
#include <vector>

using namespace world_test;
using namespace std::string_literals;

namespace {

Item_id item(char const* name) { return item_db()[name].id; }

// A file's bytes as stored, gzip and all.
std::string raw(fs::path const& p) {
  std::ifstream in(p, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}
void raw_write(fs::path const& p, std::string const& bytes) { std::ofstream(p, std::ios::binary) << bytes; }

// Layers of stone and dirt under air, one cell of a type no pack has, light
// by index, a container with an empty slot and two painted faces, one of
// them by a type that no cell of the page has.
struct Sample {
  Cell_id stone = cell_type("basic.stone"), dirt = cell_type("basic.dirt"), air = cell_type("basic.none");
  Cell_id rock = cell_type("files_test.rock"), paint = cell_type("files_test.paint");
  Wmap_page page;

  Sample() {
    Cell_id* c = page.cells.write();
    Light* l = page.light.write();
    for (int i = 0; i < page_cells; ++i) {
      int y = (i >> 4) & 15;
      c[i] = y < 4 ? stone : y < 8 ? dirt : air;
      l[i] = static_cast<Light>(i * 7);
    }
    c[cell_index(3, 8, 0)] = rock;
    page.data[17].inventory.slots = {{item("files_test.gem"), 3}, {}, {item("files_test.apple"), -2}};
    page.paints[5 * 4096 + 7] = paint;
    page.paints[17] = rock;
    page.set(Wmap_page::dirty);
  }
};

void expect_same(Wmap_page const& a, Wmap_page const& b) {
  EXPECT_TRUE(std::equal(a.cells.data(), a.cells.data() + page_cells, b.cells.data()));
  EXPECT_TRUE(std::equal(a.light.data(), a.light.data() + page_cells, b.light.data()));
  EXPECT_EQ(a.paints, b.paints);
  ASSERT_EQ(a.data.size(), b.data.size());
  for (auto const& [key, d] : a.data) EXPECT_EQ(d.inventory, b.data.at(key).inventory) << key;
}

// A page nothing was applied to: still all shared air and full light.
void expect_untouched(Wmap_page const& p) {
  EXPECT_TRUE(p.cells.same_array(Wmap_page::full_air_()));
  EXPECT_TRUE(p.light.same_array(Wmap_page::full_light_()));
  EXPECT_TRUE(p.data.empty());
  EXPECT_TRUE(p.paints.empty());
  EXPECT_TRUE(p.mobs.empty());
}

// A mob of a saved type with its fields set, owned by the test.
struct Crab {
  Mob_type& type = mob_type("files_test.crab", true, 3, {0.5f, 1.0f});
  std::unique_ptr<Mob> mob = std::make_unique<Mob>(type, glm::vec3(1.0f, 2.0f, 3.0f));
  Crab() {
    mob->body.angles = {0.5f, 0.0f};
    mob->inventory[0] = {item("files_test.gem"), 2};
    mob->inventory[2] = {item("files_test.apple"), 1};
  }
};

// The bytes of a good file of each kind, and a place to put variants of them.
struct Files {
  Temp_world world;
  glm::ivec3 key{-1, 2, -3};
  fs::path cells = cell_path(world.dir, key), mobs = mob_path(world.dir, key);

  std::string good_cells() {
    Sample s;
    EXPECT_TRUE(s.page.save_cells(world.dir, key));
    return read_gz(cells);
  }
  std::string good_mobs() {
    Crab a, b;
    Wmap_page p;
    p.mobs = {a.mob.get(), b.mob.get()};
    EXPECT_TRUE(p.save_mobs(world.dir, key));
    return read_gz(mobs);
  }

  // Loads the uncompressed bytes as a cell (or mob) file into a fresh page:
  // "read", or what was logged when the file was refused. A refused file
  // must leave the page untouched and be kept as ".bad".
  std::string load(fs::path const& file, std::string const& bytes) {
    std::error_code ec;
    fs::remove(file.string() + ".bad", ec);
    write_gz(file, bytes);
    Wmap_page p;
    Sdl_log_capture log;
    bool ok = file == cells ? p.load_cells(world.dir, key) : p.load_mobs(world.dir, key);
    for (Mob* m : p.mobs) delete m;
    if (ok) return "read";
    expect_untouched(p);
    EXPECT_FALSE(fs::exists(file));
    EXPECT_EQ(read_gz(file.string() + ".bad"), bytes);
    EXPECT_NE(log.joined().find("unreadable, kept as " + file.string() + ".bad"), std::string::npos);
    return log.joined();
  }
};

std::string str(std::string const& s) {
  return emitted([&](mpk::Emitter& e) { mpk::emit_str(e, s); });
}

// The longest type name a file holds, starting with the prefix.
std::string longest(std::string const& prefix) { return prefix + std::string(max_name_bytes - prefix.size(), 'x'); }

} // namespace

TEST(CellFile, RoundTripKeepsEverythingAndClearsDirty) {
  Files f;
  Sample s;
  ASSERT_TRUE(s.page.save_cells(f.world.dir, f.key));
  EXPECT_FALSE(s.page.has(Wmap_page::dirty));
  EXPECT_TRUE(fs::exists(f.world.dir / "cells/-1.2.-3.mpk.gz"));
  Wmap_page back;
  back.set(Wmap_page::dirty);
  ASSERT_TRUE(back.load_cells(f.world.dir, f.key));
  expect_same(s.page, back);
  EXPECT_FALSE(back.has(Wmap_page::dirty));

  // A palette name that no pack defines becomes a new cell type.
  std::string bytes = read_gz(f.cells), name = "files_test.rock", fresh = "files_test.rune";
  write_gz(f.cells, bytes.replace(bytes.find(name), name.size(), fresh));
  std::size_t types = cell_db().size();
  ASSERT_TRUE(back.load_cells(f.world.dir, f.key));
  EXPECT_EQ(cell_db().size(), types + 1);
  EXPECT_EQ(cell_db()[back.cells[cell_index(3, 8, 0)]].name, fresh);
}

TEST(CellFile, BytesOfThePaletteCellsLightSlotsAndPaints) {
  Files f;
  Wmap_page one;
  one.cells = Wmap_page::full_bedrock_();
  one.light = Wmap_page::full_dark_();
  ASSERT_TRUE(one.save_cells(f.world.dir, f.key));
  EXPECT_EQ(read_gz(f.cells), "\x95\x91" + str("basic.stone") + "\xdc\x10\x00"s + std::string(4096, '\0') +
                                "\xc5\x10\x00"s + std::string(4096, '\0') + "\x80\x80");

  std::string bytes = f.good_cells();
  std::string palette = "\x95\x95"s + str("basic.stone") + str("basic.dirt") + str("basic.none") +
                        str("files_test.rock") + str("files_test.paint");
  EXPECT_EQ(bytes.substr(0, palette.size()), palette) << "cell types in first use, then the paint's";
  std::string container = "\x81\x11\x91\x93\x92"s + str("files_test.gem") + "\x03\x92\xa0\x00\x92"s +
                          str("files_test.apple") + "\xfe";
  EXPECT_NE(bytes.find(container), std::string::npos) << "an empty slot is [\"\", 0]";
  std::string paints = bytes.substr(bytes.size() - 7);
  EXPECT_TRUE(paints == "\x82\xcd\x50\x07\x04\x11\x03"s || paints == "\x82\x11\x03\xcd\x50\x07\x04"s)
      << "face 5 cell 7 by palette 4, face 0 cell 17 by palette 3";
}

TEST(CellFile, RefusedFilesAreKeptAndNothingIsApplied) {
  Files f;
  std::string good = f.good_cells();
  std::size_t cells_at = good.find("\xdc\x10\x00"s), data_at = good.find("\xc5\x10\x00"s) + 3 + 4096;
  auto with = [&](std::size_t at, std::size_t n, std::string const& by) { return std::string(good).replace(at, n, by); };
  struct Case {
    char const* why;
    std::string bytes;
  };
  for (Case const& c : std::vector<Case>{
           {"bad array size", with(cells_at, 4, "\xdc\x0f\xff"s)},
           {"bad byte array size", with(data_at - 4099, 4, "\xc5\x0f\xff"s)},
           {"bad palette index", with(cells_at + 3, 1, "\x05")},
           {"bad palette index", with(cells_at + 3, 1, "\xff")},
           {"bad face key", with(good.size() - 7, 7, "\x81\xcd\x60\x00\x00"s)},
           {"bad palette index", with(good.size() - 7, 7, "\x81\x01\x09"s)},
           {"bad cell index", with(data_at, 3, "\x81\xcd\x10\x00"s)},
           {"too many slots", with(data_at, 5, "\x81\x11\x91\xdc\x9c\x40"s)},
           {"missing cells", "\x91\x90"s},
           {"palette too long", "\x95\xdd\x3b\x9a\xca\x00"s},
           {"name too long", "\x95\x91\xda\x01\x2c"s + std::string(300, 'a')},
           {"unexpected data after the end", good + "\xc0"},
           {"expected array", "\x00"s},
       })
    EXPECT_NE(f.load(f.cells, c.bytes).find(c.why), std::string::npos) << c.why;
  EXPECT_EQ(f.load(f.cells, good), "read");
}

TEST(CellFile, EveryPrefixAndRandomDamageIsRefusedOrSound) {
  Files f;
  std::string good = f.good_cells();
  for (std::size_t n = 0; n < good.size(); n += n < 64 || n + 64 > good.size() ? 1 : 53)
    ASSERT_NE(f.load(f.cells, good.substr(0, n)), "read") << n;
  std::mt19937 rng(7);
  for (int round = 0; round < 200; ++round) {
    std::string bad = good;
    for (int k = 0; k < 3; ++k) bad[rng() % bad.size()] = static_cast<char>(rng());
    write_gz(f.cells, bad);
    Wmap_page p;
    if (!p.load_cells(f.world.dir, f.key)) expect_untouched(p);
    for (int i = 0; i < page_cells; ++i) ASSERT_LT(p.cells[i], cell_db().size());
    for (auto [key, id] : p.paints) ASSERT_TRUE(key >= 0 && key < paint_keys && id < cell_db().size());
  }
}

TEST(CellFile, DamagedGzipIsKeptAsideAndNeverOverwritten) {
  Files f;
  f.good_cells();
  std::string packed = raw(f.cells);
  for (std::size_t n = 0; n < packed.size(); ++n) {
    raw_write(f.cells, packed.substr(0, n));
    Wmap_page p;
    ASSERT_FALSE(p.load_cells(f.world.dir, f.key)) << n;
    expect_untouched(p);
    fs::remove(f.cells.string() + ".bad");
  }
  Wmap_page p;
  for (char const* bytes : {"first", "second"}) {
    raw_write(f.cells, bytes);
    EXPECT_FALSE(p.load_cells(f.world.dir, f.key));
  }
  EXPECT_EQ(raw(f.cells.string() + ".bad"), "first");
  EXPECT_EQ(raw(f.cells.string() + ".bad2"), "second");
  EXPECT_FALSE(p.load_cells(f.world.dir, f.key)) << "no file: the page is generated";
}

TEST(CellFile, FailedSaveKeepsDirty) {
  Files f;
  raw_write(f.world.dir / "cells", "a file where the folder should be");
  Sample s;
  EXPECT_FALSE(s.page.save_cells(f.world.dir, f.key));
  EXPECT_TRUE(s.page.has(Wmap_page::dirty));
}

TEST(Wmap, SavesOnlyLoadedDirtyOrPopulatedPages) {
  Files f;
  Crab crab;
  Wmap w(glm::ivec3(4));
  Wmap_page& clean = w.insert({0, 0, 0});
  w.insert({1, 0, 0}).set(Wmap_page::dirty);
  clean.mobs.push_back(crab.mob.get()); // not populated: its mob file is not touched
  EXPECT_FALSE(w.save_cells({0, 0, 0}, f.world.dir));
  EXPECT_FALSE(w.save_cells({2, 0, 0}, f.world.dir));
  EXPECT_FALSE(w.load_cells({2, 0, 0}, f.world.dir));
  EXPECT_FALSE(w.save_mobs({0, 0, 0}, f.world.dir));
  w.save_cells(f.world.dir);
  w.save_mobs(f.world.dir);
  EXPECT_FALSE(fs::exists(cell_path(f.world.dir, {0, 0, 0})));
  EXPECT_TRUE(fs::exists(cell_path(f.world.dir, {1, 0, 0})));
  EXPECT_FALSE(fs::exists(mob_path(f.world.dir, {0, 0, 0})));

  clean.set(Wmap_page::populated);
  w.player = crab.mob.get(); // never in a page's file
  EXPECT_TRUE(w.save_mobs({0, 0, 0}, f.world.dir));
  EXPECT_FALSE(fs::exists(mob_path(f.world.dir, {0, 0, 0})));
  w.player = nullptr;
  w.save_mobs(f.world.dir);
  EXPECT_TRUE(fs::exists(mob_path(f.world.dir, {0, 0, 0})));
}

TEST(MobFile, RoundTripBytesAndNilEntries) {
  Files f;
  Crab crab, gone;
  gone.mob->body.flags |= Body::erased;
  Mobs others;
  mob_type("files_test.fly", false);
  Mob* fly = others.construct(mob_db()["files_test.fly"].id, {1.0f, 1.0f, 1.0f});
  Wmap_page p;
  p.mobs = {fly, crab.mob.get(), gone.mob.get()};
  ASSERT_TRUE(p.save_mobs(f.world.dir, f.key));
  std::string record = "\x96"s + str("files_test.crab") +
                       "\x93\xca\x3f\x80\x00\x00\xca\x40\x00\x00\x00\xca\x40\x40\x00\x00"s +
                       "\x93\xca\x00\x00\x00\x00\xca\x00\x00\x00\x00\xca\x00\x00\x00\x00"s +
                       "\x92\xca\x3f\x00\x00\x00\xca\x00\x00\x00\x00"s + "\x92\xca\x3f\x00\x00\x00\xca\x3f\x80\x00\x00"s +
                       "\x93\x92"s + str("files_test.gem") + "\x02\x92\xa0\x00\x92"s + str("files_test.apple") + "\x01";
  EXPECT_EQ(read_gz(f.mobs), "\x91" + record);

  write_gz(f.mobs, "\x94\xc0"s + record + "\xc0" + record);
  Wmap_page back;
  ASSERT_TRUE(back.load_mobs(f.world.dir, f.key));
  ASSERT_EQ(back.mobs.size(), 2u);
  std::unique_ptr<Mob> m(back.mobs[0]), n(back.mobs[1]);
  EXPECT_TRUE(m->type == crab.type.id && m->body.angles == crab.mob->body.angles);
  EXPECT_EQ(m->inventory, crab.mob->inventory);
  EXPECT_EQ(m->body.box_min, glm::vec3(0.5f, 1.0f, 2.5f));
  EXPECT_EQ(m->wait, 0);

  crab.mob->body.flags |= Body::erased; // killed: its file need not keep it
  p.mobs = {fly}; // nothing left to save: the page has no mob file any more
  EXPECT_TRUE(p.save_mobs(f.world.dir, f.key));
  EXPECT_FALSE(fs::exists(f.mobs));
}

TEST(MobFile, RefusedFilesAreKeptAndNothingIsApplied) {
  Files f;
  std::string good = f.good_mobs();
  std::string head = "\x91\x96"s + str("files_test.crab");
  std::string zero3 = "\x93\xca\x00\x00\x00\x00\xca\x00\x00\x00\x00\xca\x00\x00\x00\x00"s;
  struct Case {
    char const* why;
    std::string bytes;
  };
  for (Case const& c : std::vector<Case>{
           {"too many mobs", "\xdd\xff\xff\xff\xff"s + std::string(4097, '\xc0')},
           {"position out of range", head + "\x93\xca\x4e\x80\x00\x00"s + zero3.substr(6)}, // x = 2^30
           {"position out of range", head + "\x93\xca\x00\x00\x00\x00\xcb\xc2\x1b\xf0\x8e\xb0\x00\x00\x00\xca\x00\x00\x00\x00"s},
           {"bad array size", head + "\x92\xca\x00\x00\x00\x00\xca\x00\x00\x00\x00"s},
           {"bad number", head + "\x93\xca\x7f\xc0\x00\x00"s + zero3.substr(6)},
           {"bad number", head + zero3 + "\x93\xcb\x7f\xf0\x00\x00\x00\x00\x00\x00"s + zero3.substr(6)},
           {"expected float", head + "\x93\x01\x02\x03"},
           {"name too long", "\x91\x91\xda\x01\x01"s + std::string(257, 'm')},
           {"expected string", "\x92"s + good.substr(1, (good.size() - 1) / 2) + "\x91\x05"},
           {"expected array", "\x80"s},
       })
    EXPECT_NE(f.load(f.mobs, c.bytes).find(c.why), std::string::npos) << c.why;
  for (std::size_t n = 0; n < good.size(); ++n) ASSERT_NE(f.load(f.mobs, good.substr(0, n)), "read") << n;
  EXPECT_EQ(f.load(f.mobs, good), "read");
  EXPECT_EQ(f.load(f.mobs, "\x90"s), "read");
}

TEST(PageFiles, WhatTheWriterProducesAtEachLimitReadsBackEqual) {
  Files f;
  // Cell file: the longest names in the palette and in a container, a
  // container in every cell, one of them with the most slots, and every face
  // painted.
  Cell_id const stone = cell_type("basic.stone"), big = cell_type(longest("files_test.cell."));
  Item_id const gem = item(longest("files_test.item.").c_str());
  Wmap_page page;
  Cell_id* c = page.cells.write();
  for (int i = 0; i < page_cells; ++i) {
    c[i] = i % 3 ? stone : big;
    page.data[static_cast<std::int16_t>(i)].inventory.slots = {{gem, static_cast<std::int16_t>(i)}};
  }
  Inventory& most = page.data[7].inventory = Inventory(max_inventory_slots);
  most[0] = most[max_inventory_slots - 1] = {gem, -32768};
  for (int k = 0; k < paint_keys; ++k) page.paints[static_cast<std::int16_t>(k)] = k % 5 ? big : stone;
  ASSERT_TRUE(page.save_cells(f.world.dir, f.key));
  Wmap_page back;
  ASSERT_TRUE(back.load_cells(f.world.dir, f.key));
  expect_same(page, back);

  // Mob file: more mobs than a page ever held before, the longest type name,
  // the most slots, and positions just inside the cell range.
  Mob_type& type = mob_type(longest("files_test.mob."), true, 1);
  float const edge = std::nextafter(cell_limit, 0.0f);
  std::vector<std::unique_ptr<Mob>> owned;
  Wmap_page crowd;
  for (int i = 0; i < 5000; ++i) {
    owned.push_back(std::make_unique<Mob>(type, glm::vec3(i % 2 ? edge : -edge, float(i), -edge)));
    crowd.mobs.push_back(owned.back().get());
  }
  owned[4999]->inventory = Inventory(max_inventory_slots);
  owned[4999]->inventory[max_inventory_slots - 1] = {gem, 32767};
  ASSERT_TRUE(crowd.save_mobs(f.world.dir, f.key));
  Wmap_page read;
  ASSERT_TRUE(read.load_mobs(f.world.dir, f.key));
  std::vector<std::unique_ptr<Mob>> read_owned(read.mobs.begin(), read.mobs.end());
  ASSERT_EQ(read_owned.size(), owned.size());
  for (std::size_t i = 0; i < owned.size(); ++i) {
    Mob const &a = *owned[i], &b = *read_owned[i];
    ASSERT_TRUE(b.type == type.id && a.body.position == b.body.position && a.inventory == b.inventory) << i;
  }
}

TEST(PageFiles, ContainersOrPaintsAReaderWouldRefuseAreNotWritten) {
  Files f;
  struct Case {
    char const* why;
    void (*spoil)(Wmap_page&);
  };
  for (Case const& c : {Case{"bad cell index", [](Wmap_page& p) { p.data[page_cells]; }},
                        Case{"bad cell index", [](Wmap_page& p) { p.data[-1]; }},
                        Case{"bad face key", [](Wmap_page& p) { p.paints[paint_keys] = 1; }}}) {
    Sample s;
    c.spoil(s.page);
    Sdl_log_capture log;
    EXPECT_FALSE(s.page.save_cells(f.world.dir, f.key)) << c.why;
    EXPECT_TRUE(s.page.has(Wmap_page::dirty)) << c.why;
    EXPECT_FALSE(fs::exists(f.cells)) << c.why;
    EXPECT_NE(log.joined().find(f.cells.string() + ": " + c.why), std::string::npos) << log.joined();
  }
}

TEST(PageFiles, ForgedFilesPastALimitAreSetAsideAndFilesAtItRead) {
  Files f;
  std::string const cells = f.good_cells(), mobs = f.good_mobs();
  // A reader skips the elements it does not know: a cell file's sixth and a
  // mob record's seventh can make a file of any size.
  std::string const cells_head = std::string(cells).replace(0, 1, "\x96");
  std::string const mob_head = mobs.substr(0, (mobs.size() - 1) / 2 + 1).replace(0, 2, "\x91\x97");
  struct Case {
    fs::path file;
    std::string bytes;
    char const* outcome;
  };
  for (Case const& c : std::vector<Case>{
           {f.mobs, forged::empty_mobs(max_page_mobs), "read"},
           {f.mobs, forged::empty_mobs(max_page_mobs + 1), "too many mobs"},
           {f.mobs, forged::array_head(200'000'000) + std::string(64, '\x90'), "too many mobs"},
           {f.mobs, forged::padded(mob_head, max_file_bytes), "read"},
           {f.mobs, forged::padded(mob_head, max_file_bytes + 1), "too large (over 16777216 bytes)"},
           {f.cells, forged::padded(cells_head, max_file_bytes), "read"},
           {f.cells, forged::padded(cells_head, max_file_bytes + 1), "too large"},
       })
    EXPECT_NE(f.load(c.file, c.bytes).find(c.outcome), std::string::npos) << c.outcome << " " << c.bytes.size();
}

TEST(CellFile, APageJustUnderTheSizeCapReadsBackAndOnePastItIsNotSaved) {
  Files f;
  // Every cell a container full of items with the longest name: about 260
  // bytes a slot, so 16 slots a cell pass the cap and 15 do not.
  Item_id const bulky = item(longest("files_test.bulky.").c_str());
  auto containers = [&](Wmap_page& page, std::size_t slots) {
    for (int i = 0; i < page_cells; ++i) {
      Inventory& inv = page.data[static_cast<std::int16_t>(i)].inventory = Inventory(slots);
      for (Item& it : inv) it = {bulky, 1};
    }
    page.set(Wmap_page::dirty);
  };
  Wmap_page under;
  containers(under, 15);
  ASSERT_TRUE(under.save_cells(f.world.dir, f.key));
  Wmap_page back;
  ASSERT_TRUE(back.load_cells(f.world.dir, f.key));
  expect_same(under, back);

  std::string const saved = raw(f.cells);
  Wmap w(glm::ivec3(1));
  containers(w.insert(f.key), 16);
  Sdl_log_capture log;
  EXPECT_EQ(w.save_cells(f.world.dir), 1) << "counted as not saved";
  EXPECT_TRUE(w.find(f.key)->has(Wmap_page::dirty));
  EXPECT_NE(log.joined().find(f.cells.string() + ": too large"), std::string::npos) << log.joined();
  EXPECT_EQ(raw(f.cells), saved);
}

TEST(MobFile, APageAtTheMobLimitReadsBackWholeAndOneMoreIsNotSaved) {
  Files f;
  Mob_type& ant = mob_type("files_test.ant", true);
  std::vector<std::unique_ptr<Mob>> owned;
  Wmap w(glm::ivec3(1));
  Wmap_page& page = w.insert(f.key);
  page.set(Wmap_page::populated);
  auto add = [&] {
    float const i = static_cast<float>(owned.size());
    owned.push_back(std::make_unique<Mob>(ant, glm::vec3(-8.0f, 40.0f, -40.0f) + glm::vec3(i / 1024, 0, 0)));
    page.mobs.push_back(owned.back().get());
  };
  while (owned.size() < max_page_mobs) add();
  EXPECT_EQ(w.save_mobs(f.world.dir), 0);
  Wmap_page back;
  ASSERT_TRUE(back.load_mobs(f.world.dir, f.key));
  std::vector<std::unique_ptr<Mob>> read(back.mobs.begin(), back.mobs.end());
  ASSERT_EQ(read.size(), max_page_mobs);
  EXPECT_EQ(read.back()->body.position, owned.back()->body.position);

  // Mobs that walk in can't be turned away: the save fails and says why.
  std::string const saved = raw(f.mobs);
  add();
  Sdl_log_capture log;
  EXPECT_EQ(w.save_mobs(f.world.dir), 1);
  std::string const why = ": too many mobs (over " + std::to_string(max_page_mobs) + ")";
  EXPECT_NE(log.joined().find(f.mobs.string() + why), std::string::npos) << log.joined();
  EXPECT_EQ(raw(f.mobs), saved);
  // Mobs that are not saved don't count.
  owned.back()->body.flags |= Body::erased;
  EXPECT_EQ(w.save_mobs(f.world.dir), 0);
}

TEST(MobFile, AFileThatIsNotThereNeedsNoRemoving) {
  struct Case {
    char const* what;
    void (*make)(fs::path const& file);
    std::int64_t failed;
  };
  for (Case const& c : {
           Case{"no file", [](fs::path const&) {}, 0},
           // The removal fails without saying that the file is missing, as
           // on a read-only mount.
           Case{"a file where its folder should be",
                [](fs::path const& p) { forged::put_on_disk(p.parent_path(), "x"); }, 0},
           Case{"an old file", [](fs::path const& p) { forged::put_on_disk(p, "x"); }, 0},
           Case{"a folder with contents in its place",
                [](fs::path const& p) { forged::put_on_disk(p / "in", "x"); }, 1},
       }) {
    Files f;
    c.make(f.mobs);
    Wmap w(glm::ivec3(1));
    w.insert(f.key).set(Wmap_page::populated);
    Sdl_log_capture log;
    EXPECT_EQ(w.save_mobs(f.world.dir), c.failed) << c.what << "\n" << log.joined();
    EXPECT_EQ(fs::is_regular_file(f.mobs), false) << c.what;
  }
}

TEST(PageFiles, AnUnreadableFileWithNoNameLeftIsNeverSavedOver) {
  Files f;
  Crab crab;
  for (fs::path const& file : {f.cells, f.mobs}) {
    forged::put_on_disk(file, "the player's damaged bytes");
    forged::take_bad_names(file);
  }
  for (int session = 0; session < 2; ++session) {
    Wmap w(glm::ivec3(1));
    Wmap_page& p = w.insert(f.key);
    Sdl_log_capture log;
    EXPECT_FALSE(p.load_cells(f.world.dir, f.key));
    EXPECT_FALSE(p.load_mobs(f.world.dir, f.key));
    expect_untouched(p);
    EXPECT_NE(log.joined().find(f.cells.string() + ": unreadable and can't be kept aside (no free name)"),
              std::string::npos)
        << log.joined();
    p.set(Wmap_page::populated);
    EXPECT_TRUE(p.save_mobs(f.world.dir, f.key)) << "no mob to write: nothing is lost";
    // Played on from the map: a changed cell and a mob that walked in can't
    // be saved there, and say so.
    p.cells.set(0, cell_type("basic.stone"));
    p.set(Wmap_page::dirty);
    p.mobs.push_back(crab.mob.get());
    EXPECT_EQ(w.save_cells(f.world.dir), 1);
    EXPECT_EQ(w.save_mobs(f.world.dir), 1);
    EXPECT_TRUE(p.has(Wmap_page::dirty));
    EXPECT_NE(log.joined().find(f.mobs.string() + ": unreadable, left as it is: not saved over it"), std::string::npos)
        << log.joined();
    p.mobs.clear();
  }
  for (fs::path const& file : {f.cells, f.mobs}) {
    EXPECT_EQ(forged::on_disk(file), "the player's damaged bytes") << file;
    EXPECT_EQ(forged::on_disk(file.string() + ".bad1000"), "kept earlier") << file;
  }
}
