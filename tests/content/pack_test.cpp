#include "content/database.hpp"
#include "content/pack.hpp"

#include "../support/sdl_log.hpp"
#include "pack_fixture.hpp"

#include <gtest/gtest.h>

#include <set>
#include <thread>

namespace {

struct Record {
  std::uint8_t id;
  std::string name;
  int value = 0;
  Record(std::uint8_t id_, std::string name_) : id(id_), name(std::move(name_)) {}
};

struct Big_record {
  std::uint16_t id;
  std::string name;
  Big_record(std::uint16_t id_, std::string name_) : id(id_), name(std::move(name_)) {}
};

} // namespace

TEST(PackName, DropsOnlyTheLastExtension) {
  EXPECT_EQ(pack_name("/x/basic"), "basic");
  EXPECT_EQ(pack_name("/x/basic.new"), "basic");
  EXPECT_EQ(pack_name("/x/a.b.c"), "a.b");
  EXPECT_EQ(pack_name("/x/.extra"), ".extra");
  EXPECT_EQ(pack_name("/x/x."), "x");
}

TEST(ParseValues, SixteenthsReadUpToThreeIntegers) {
  EXPECT_EQ(parse_sixteenths("16 0 -8"), glm::vec3(1, 0, -0.5f));
  EXPECT_EQ(parse_sixteenths("8"), glm::vec3(0.5f, 0, 0));
  EXPECT_EQ(parse_sixteenths(""), glm::vec3(0));
  EXPECT_EQ(parse_sixteenths("4,4,4"), glm::vec3(0.25f, 0, 0));
  // An unreadable integer stays 0 without consuming anything.
  EXPECT_EQ(parse_sixteenths("- 8 8"), glm::vec3(0, 0, 0));
  EXPECT_EQ(parse_sixteenths("8 x 8"), glm::vec3(0.5f, 0, 0));
  // Too many digits: 0, but reading goes on after them.
  EXPECT_EQ(parse_sixteenths("99999999999 16 32"), glm::vec3(0, 1, 2));
  // Only the value is read: what follows it in the file never counts.
  std::string text = "8 8\n16";
  EXPECT_EQ(parse_sixteenths(std::string_view(text).substr(0, 3)), glm::vec3(0.5f, 0.5f, 0));
}

TEST(ParseValues, BytesNeedALeadingDigitAndAtMost255) {
  std::uint8_t b = 42;
  EXPECT_TRUE(parse_byte("007", b));
  EXPECT_EQ(b, 7);
  EXPECT_TRUE(parse_byte("15 lamps", b));
  EXPECT_EQ(b, 15);
  for (char const* bad : {"256", "-1", "", "x1", "+3", "99999999999999999999"}) {
    b = 42;
    EXPECT_FALSE(parse_byte(bad, b)) << bad;
    EXPECT_EQ(b, 42) << bad;
  }
}

TEST(ParseValues, FlagsAreFalseOnlyForZeroAndFalse) {
  EXPECT_FALSE(parse_flag("0"));
  EXPECT_FALSE(parse_flag("false"));
  for (char const* yes : {"1", "no", "False", "true", "", "00"}) EXPECT_TRUE(parse_flag(yes)) << yes;
}

TEST(PackLoop, SkipsMissingFilesAndEntriesThatAreNotDirectories) {
  Temp_packs t;
  t.write("plain_file", "not a pack");
  fs::create_directories(t.packs / "empty");
  Sdl_log_capture log;
  int tokens = 0;
  std::vector<std::string> seen;
  for_each_pack(t.packs, [&](fs::path const& dir) {
    seen.push_back(dir.filename());
    EXPECT_FALSE(read_pack_file(dir, "cell_types.cfg", [&](Pack_file&, int) { ++tokens; }));
  });
  std::sort(seen.begin(), seen.end());
  EXPECT_EQ(seen, (std::vector<std::string>{"empty", "plain_file"}));
  EXPECT_EQ(tokens, 0);
  EXPECT_TRUE(log.lines.empty()) << log.joined();
}

TEST(PackLoop, HandsOverTokensWithThePackPrefixAndStopsAtASyntaxError) {
  Temp_packs t;
  fs::path file = t.write("basic.old/x.cfg", "[a]\nk = v\nbroken line\nk2 = v2\n");
  Sdl_log_capture log;
  Stderr_capture err;
  std::vector<std::string> got;
  bool done = read_pack_file(t.packs / "basic.old", "x.cfg", [&](Pack_file& f, int kind) {
    got.push_back(f.prefix + std::to_string(kind) + std::string(f.scan.token));
  });
  EXPECT_FALSE(done);
  EXPECT_EQ(got, (std::vector<std::string>{"basic.1a", "basic.2k", "basic.3v"}));
  EXPECT_NE(err.get().find("syntax error"), std::string::npos);
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_EQ(log.lines[0], "Loading " + file.string()); // SDL drops the final newline
}

TEST(PackLoop, AMissingPacksDirectoryIsAnError) {
  Temp_packs t;
  EXPECT_THROW(for_each_pack(t.root / "nowhere", [](fs::path const&) {}), fs::filesystem_error);
  EXPECT_THROW(for_each_pack(fs::path(), [](fs::path const&) {}), fs::filesystem_error);
}

TEST(Database, FindOrAddHandsOutIdsInOrder) {
  Database<std::uint8_t, Record> db;
  EXPECT_EQ(db.size(), 1u);
  EXPECT_EQ(db[""].id, 0);
  EXPECT_EQ(db.size(), 1u); // "" is record 0, nothing added
  EXPECT_EQ(db["basic.stone"].id, 1);
  EXPECT_EQ(db["basic.dirt"].id, 2);
  db["basic.stone"].value = 7;
  EXPECT_EQ(db["basic.stone"].id, 1);
  EXPECT_EQ(db[1].value, 7);
  EXPECT_EQ(db[std::string("basic.dirt")].id, 2);
  EXPECT_EQ(db["Basic.stone"].id, 3); // exact, case-sensitive
  EXPECT_EQ(db["basic.stone "].id, 4);
  EXPECT_EQ(db[0].name, "");
}

TEST(Database, RecordsKeepTheirAddressesWhileTheTableGrows) {
  Database<std::uint16_t, Big_record> db;
  Big_record* first = &db["a.first"];
  for (int i = 0; i < 3000; ++i) db["a." + std::to_string(i)];
  EXPECT_EQ(first, &db["a.first"]);
  EXPECT_EQ(db[2999 + 2].name, "a.2999");
}

TEST(Database, ANameBeyondTheLastIdIsRefused) {
  Database<std::uint8_t, Record> db;
  for (int i = 1; i < 256; ++i) EXPECT_EQ(db["p." + std::to_string(i)].id, i);
  Sdl_log_capture log;
  Record& r = db["p.one_too_many"];
  EXPECT_EQ(r.id, 0);
  EXPECT_EQ(db.size(), 256u);
  ASSERT_EQ(log.lines.size(), 1u);
  EXPECT_NE(log.lines[0].find("p.one_too_many"), std::string::npos);
  EXPECT_EQ(db["p.255"].id, 255); // the existing names still work
}

TEST(Database, LookupsAndAppendsFromSeveralThreadsAgree) {
  Database<std::uint16_t, Big_record> db;
  for (int i = 0; i < 50; ++i) db["w." + std::to_string(i)];
  std::vector<std::vector<std::uint16_t>> ids(8);
  std::vector<std::thread> threads;
  for (int t = 0; t < 8; ++t)
    threads.emplace_back([&, t] {
      for (int i = 0; i < 2000; ++i) {
        // Half the names exist already, the other half are added by whichever thread comes first.
        std::string name = "w." + std::to_string(i % 100 + (i % 2 ? 0 : 50 + i));
        Big_record& r = db[name];
        ids[t].push_back(r.id);
        EXPECT_EQ(r.name, name);
        EXPECT_EQ(db[r.id].name, name);
      }
    });
  for (auto& th : threads) th.join();
  std::set<std::string> names;
  for (std::size_t i = 0; i < db.size(); ++i) {
    EXPECT_EQ(db[i].id, i);
    EXPECT_TRUE(names.insert(db[i].name).second) << "duplicate " << db[i].name;
  }
  for (int t = 1; t < 8; ++t) EXPECT_EQ(ids[t], ids[0]);
}
