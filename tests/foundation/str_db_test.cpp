#include "foundation/str_db.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <fstream>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct StrDb : ::testing::Test {
  fs::path packs = fs::temp_directory_path() / ("terrafold_packs_" + std::to_string(getpid()));
  String_database db;

  void SetUp() override { fs::create_directories(packs); }
  void TearDown() override { fs::remove_all(packs); }

  void file(std::string const& pack, std::string const& lang, std::string const& text) {
    fs::create_directories(packs / pack / "strings");
    std::ofstream(packs / pack / "strings" / (lang + ".cfg")) << text;
  }
  std::string tr(std::string const& key) { return db.get(key); }
};

std::vector<std::string> warnings;

} // namespace

TEST_F(StrDb, LookupWithThePackAsPrefix) {
  file("ui", "en_us", "main.exit = Exit\nmain.title=  Terra fold  \n");
  file("basic.v2", "en_us", "stone = Stone\n");
  db.load("en_us", packs);
  EXPECT_EQ(tr("ui.main.exit"), "Exit");
  EXPECT_EQ(tr("ui.main.title"), "Terra fold");
  EXPECT_EQ(tr("basic.stone"), "Stone"); // the pack's name less its extension
  EXPECT_EQ(db.language, "en_us");
}

TEST_F(StrDb, MissingKeysShowThemselvesAndEmptyTextsAreNotStored) {
  file("ui", "en_us", "main.empty =\n");
  db.load("en_us", packs);
  EXPECT_EQ(tr("ui.main.empty"), "ui.main.empty");
  char const* first = db.get("ui.nothing");
  EXPECT_STREQ(first, "ui.nothing");
  EXPECT_EQ(db.get("ui.nothing"), first); // the same stored text
  EXPECT_EQ(db.strings.count("ui.nothing"), 1u);
}

TEST_F(StrDb, TheFirstDefinitionWins) {
  file("a", "en_us", "k = first\nk = second\n");
  file("a2", "en_us", "k = other\n"); // its own prefix
  file("c.x", "en_us", "k = from c.x\n");
  file("c", "en_us", "k = from c\n"); // same prefix "c." as c.x
  db.load("en_us", packs);
  EXPECT_EQ(tr("a.k"), "first");
  EXPECT_EQ(tr("a2.k"), "other");
  std::string listed_first;
  for (auto const& e : fs::directory_iterator(packs))
    if (e.path().stem() == "c") {
      listed_first = e.path().filename();
      break;
    }
  EXPECT_EQ(tr("c.k"), listed_first == "c" ? "from c" : "from c.x");
}

TEST_F(StrDb, SectionsWarnAndAreIgnored) {
  file("ui", "en_us", "[menu]\nexit = Exit\n[other]\nquit = Quit\n");
  warnings.clear();
  SDL_LogOutputFunction old_fn;
  void* old_data;
  SDL_LogGetOutputFunction(&old_fn, &old_data);
  SDL_LogSetOutputFunction(
      [](void*, int, SDL_LogPriority p, char const* m) {
        if (p == SDL_LOG_PRIORITY_WARN) warnings.emplace_back(m);
      },
      nullptr);
  db.load("en_us", packs);
  SDL_LogSetOutputFunction(old_fn, old_data);
  EXPECT_EQ(warnings, (std::vector<std::string>{"section will be ignored", "section will be ignored"}));
  EXPECT_EQ(tr("ui.exit"), "Exit");
  EXPECT_EQ(tr("ui.quit"), "Quit");
}

TEST_F(StrDb, ASyntaxErrorKeepsEarlierPairsAndOtherPacks) {
  file("a", "en_us", "one = 1\nbroken\ntwo = 2\n");
  file("b", "en_us", "three = 3\n");
  std::ofstream(packs / "loose_file.txt") << "not a pack";
  testing::internal::CaptureStderr();
  db.load("en_us", packs);
  testing::internal::GetCapturedStderr();
  EXPECT_EQ(tr("a.one"), "1");
  EXPECT_EQ(tr("a.two"), "a.two");
  EXPECT_EQ(tr("b.three"), "3");
}

TEST_F(StrDb, ReloadingForgetsOldKeys) {
  file("ui", "en_us", "exit = Exit\n");
  file("ui", "de_de", "exit = Beenden\n");
  db.load("en_us", packs);
  EXPECT_EQ(tr("ui.exit"), "Exit");
  tr("ui.missing");
  db.load("de_de", packs);
  EXPECT_EQ(db.language, "de_de");
  EXPECT_EQ(tr("ui.exit"), "Beenden");
  EXPECT_EQ(db.strings.count("ui.missing"), 0u);
  db.load("xx_xx", packs);
  EXPECT_TRUE(db.strings.empty());
}

TEST(StrDbGlobal, TheLiteralOperatorUsesTheProcessTable) {
  str_db().strings["ui.test.literal"] = "Literal";
  EXPECT_STREQ("ui.test.literal"_tr, "Literal");
  EXPECT_STREQ("ui.test.absent"_tr, "ui.test.absent");
  std::string computed = "ui.test.literal";
  EXPECT_STREQ(operator""_tr(computed.c_str(), computed.size()), "Literal");
  str_db().strings.clear();
}
