#include "foundation/str_db.hpp"

#include "support/sdl_log.hpp"
#include "util.hpp"

namespace {

struct StrDb : ::testing::Test {
  Temp_dir packs;
  String_database db;
  void file(std::string const& pack, std::string const& lang, std::string const& text) {
    packs.write(fs::path(pack) / "strings" / (lang + ".cfg"), text);
  }
  std::string tr(std::string const& key) { return db.get(key); }
};

} // namespace

TEST_F(StrDb, KeysTakeThePackAsPrefixAndTheFirstDefinitionWins) {
  file("ui", "en_us", "main.exit = Exit\nmain.title=  Terra fold  \nmain.empty =\nk = first\nk = second\n"
                      "one = 1\nbroken\ntwo = 2\n");
  file("basic.v2", "en_us", "stone = Stone\n"); // the pack's name less its extension
  file("b", "en_us", "[menu]\nexit = Exit\n[other]\nquit = Quit\n");
  packs.write("loose_file.txt", "not a pack");
  Sdl_log_capture log;
  testing::internal::CaptureStderr();
  db.load("en_us", packs.dir);
  EXPECT_NE(testing::internal::GetCapturedStderr().find("syntax error"), std::string::npos);
  EXPECT_EQ(std::count(log.lines.begin(), log.lines.end(), "section will be ignored"), 2);
  // Empty texts are not stored; a syntax error keeps the pairs before it.
  std::vector<std::string> keys = {"ui.main.exit", "ui.main.title", "ui.main.empty", "ui.k", "ui.one", "ui.two",
                                   "basic.stone", "b.exit", "b.quit"}, got;
  for (auto const& k : keys) got.push_back(tr(k));
  EXPECT_EQ(got, (std::vector<std::string>{"Exit", "Terra fold", "ui.main.empty", "first", "1", "ui.two", "Stone",
                                           "Exit", "Quit"}));
}

TEST_F(StrDb, MissingKeysShowThemselvesUntilTheNextLoad) {
  file("ui", "en_us", "exit = Exit\n");
  file("ui", "de_de", "exit = Beenden\n");
  db.load("en_us", packs.dir);
  char const* missing = db.get("ui.missing");
  EXPECT_STREQ(missing, "ui.missing");
  EXPECT_EQ(db.get("ui.missing"), missing); // the same stored text
  db.load("de_de", packs.dir);
  EXPECT_EQ(db.language, "de_de");
  EXPECT_EQ(tr("ui.exit"), "Beenden");
  EXPECT_EQ(db.strings.count("ui.missing"), 0u);
  db.load("xx_xx", packs.dir);
  EXPECT_TRUE(db.strings.empty());

  str_db().strings["ui.test.literal"] = "Literal";
  EXPECT_STREQ("ui.test.literal"_tr, "Literal");
  EXPECT_STREQ("ui.test.absent"_tr, "ui.test.absent");
  str_db().strings.clear();
}
