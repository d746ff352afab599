#include "content/cell_db.hpp"
#include "content/pack.hpp"

#include "pack_fixture.hpp"

#include <set>
#include <thread>

TEST(PackValues, NamesNumbersAndFlags) {
  for (auto [dir, name] : {std::pair{"/x/basic", "basic"}, {"/x/basic.new", "basic"}, {"/x/a.b.c", "a.b"},
                           {"/x/.extra", ".extra"}, {"/x/x.", "x"}})
    EXPECT_EQ(pack_name(dir), name) << dir;
  // Up to three integers; an unreadable one stays 0 without consuming
  // anything; one with too many digits is 0 but passed; only the value counts.
  std::string text = "8 8\n16";
  for (auto [value, want] : {std::pair<std::string_view, glm::vec3>{"16 0 -8", {1, 0, -0.5f}}, {"8", {0.5f, 0, 0}},
                             {"", {0, 0, 0}}, {"4,4,4", {0.25f, 0, 0}}, {"- 8 8", {0, 0, 0}}, {"8 x 8", {0.5f, 0, 0}},
                             {"99999999999 16 32", {0, 1, 2}}, {std::string_view(text).substr(0, 3), {0.5f, 0.5f, 0}}})
    EXPECT_EQ(parse_sixteenths(value), want) << value;
  for (auto [value, want] : {std::pair{"007", 7}, {"15 lamps", 15}, {"255", 255}, {"256", -1}, {"-1", -1}, {"", -1},
                             {"x1", -1}, {"+3", -1}, {"99999999999999999999", -1}}) {
    std::uint8_t b = 42;
    EXPECT_EQ(parse_byte(value, b), want >= 0) << value;
    EXPECT_EQ(b, want >= 0 ? want : 42) << value;
  }
  for (auto [value, want] : {std::pair{"0", false}, {"false", false}, {"1", true}, {"no", true}, {"False", true},
                             {"", true}, {"00", true}})
    EXPECT_EQ(parse_flag(value), want) << value;
}

TEST(PackLoop, SkipsMissingFilesAndEntriesThatAreNotDirectories) {
  Temp_packs t;
  t.write("plain_file", "not a pack");
  fs::create_directories(t.packs / "empty");
  Sdl_log_capture log;
  std::set<std::string> seen;
  for_each_pack(t.packs, [&](fs::path const& dir) {
    seen.insert(dir.filename());
    EXPECT_FALSE(read_pack_file(dir, "cell_types.cfg", [&](Pack_file&, int) { ADD_FAILURE(); }));
  });
  EXPECT_EQ(seen, (std::set<std::string>{"empty", "plain_file"}));
  EXPECT_TRUE(log.lines.empty()) << log.joined();
  EXPECT_THROW(for_each_pack(t.root / "nowhere", [](fs::path const&) {}), fs::filesystem_error);
  EXPECT_THROW(for_each_pack(fs::path(), [](fs::path const&) {}), fs::filesystem_error);
}

TEST(PackLoop, HandsOverTokensWithThePackPrefixAndStopsAtASyntaxError) {
  Temp_packs t;
  t.write("basic.old/x.cfg", "[a]\nk = v\nbroken line\nk2 = v2\n");
  Sdl_log_capture log;
  Stderr_capture err;
  std::vector<std::string> got;
  EXPECT_FALSE(read_pack_file(t.packs / "basic.old", "x.cfg", [&](Pack_file& f, int kind) {
    got.push_back(f.prefix + std::to_string(kind) + std::string(f.scan.token));
  }));
  EXPECT_EQ(got, (std::vector<std::string>{"basic.1a", "basic.2k", "basic.3v"}));
  EXPECT_TRUE(err.has("syntax error"));
  // SDL drops the final newline.
  EXPECT_EQ(log.lines, std::vector<std::string>{"Loading " + (t.packs / "basic.old/x.cfg").string()});
}

TEST(Database, FindOrAddHandsOutIdsInOrderAndRefusesTheOneTooMany) {
  Database<std::uint8_t, Cell_type> db; // a small table: 256 ids
  EXPECT_EQ(db[""].id, 0);
  EXPECT_EQ(db.size(), 1u); // "" is record 0, nothing added
  EXPECT_EQ(db["basic.stone"].id, 1);
  EXPECT_EQ(db["basic.dirt"].id, 2);
  db["basic.stone"].light = 7;
  EXPECT_EQ(db[1].light, 7);
  EXPECT_EQ(db[std::string("basic.dirt")].id, 2);
  EXPECT_EQ(db["Basic.stone"].id, 3); // exact, case-sensitive
  EXPECT_EQ(db["basic.stone "].id, 4);
  for (int i = 5; i < 256; ++i) EXPECT_EQ(db["p." + std::to_string(i)].id, i);
  Sdl_log_capture log;
  EXPECT_EQ(db["p.one_too_many"].id, 0);
  EXPECT_EQ(db.size(), 256u);
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_NE(log.lines[0].find("p.one_too_many"), std::string::npos);
  EXPECT_EQ(db["p.255"].id, 255); // the existing names still work
}

TEST(Database, ANameLongerThanAFileHoldsNeverEntersTheTable) {
  Database<std::uint8_t, Cell_type> db;
  std::string const longest = "p." + std::string(max_name_bytes - 2, 'n');
  EXPECT_EQ(db[longest].id, 1);
  Sdl_log_capture log;
  EXPECT_EQ(db[longest + "n"].id, 0);
  EXPECT_EQ(db[std::string(100000, 'n')].id, 0);
  EXPECT_EQ(db.size(), 2u);
  ASSERT_EQ(log.lines.size(), 2u);
  EXPECT_NE(log.lines[0].find("name too long: 'p.nnn"), std::string::npos) << log.lines[0];
  EXPECT_LT(log.lines[1].size(), 200u) << "a long name is shown by its start";
}

TEST(Database, LookupsAndAppendsFromSeveralThreadsAgreeAndRecordsStayPut) {
  Cell_database db;
  auto* first = &db["w.0"];
  for (int i = 1; i < 50; ++i) db["w." + std::to_string(i)];
  std::vector<std::vector<std::uint16_t>> ids(8);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        // Half the names exist already, the other half are added by whichever thread comes first.
        std::string name = "w." + std::to_string(i % 100 + (i % 2 ? 0 : 50 + i));
        auto& r = db[name];
        ids[t].push_back(r.id);
        EXPECT_EQ(r.name, name);
        EXPECT_EQ(db[r.id].name, name);
      }
    });
  for (auto& th : threads) th.join();
  EXPECT_GT(db.size(), 512u); // several blocks of records
  EXPECT_EQ(first, &db["w.0"]);
  std::set<std::string> names;
  for (std::size_t i = 0; i < db.size(); ++i) {
    EXPECT_EQ(db[i].id, i);
    EXPECT_TRUE(names.insert(db[i].name).second) << "duplicate " << db[i].name;
  }
  for (int t = 1; t < 8; ++t) EXPECT_EQ(ids[t], ids[0]);
}
