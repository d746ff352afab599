// Every interface key the game's code looks up has a text in each of the
// four languages, so no window shows a raw key.
#include "foundation/str_db.hpp"

#include "support/sdl_log.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <regex>
#include <set>
#include <sstream>

TEST(Interface_keys, EveryKeyTheCodeUsesIsTranslatedInEveryLanguage) {
  namespace fs = std::filesystem;
  fs::path const source = TERRAFOLD_SOURCE_DIR;
  auto read = [](fs::path const& p) { return (std::ostringstream() << std::ifstream(p).rdbuf()).str(); };
  auto matches = [](std::string const& text, char const* pattern) {
    std::set<std::string> found;
    std::regex const re(pattern);
    for (std::sregex_iterator i(text.begin(), text.end(), re), end; i != end; ++i) found.insert((*i)[1].str());
    return found;
  };
  // The ui pack's sounds are played by name, not shown.
  auto const sounds = matches(read(source / "data/packs/ui/sounds.cfg"), R"(\[([a-z_]+)\])");
  std::set<std::string> keys;
  for (auto const& entry : fs::directory_iterator(source / "game"))
    if (entry.path().extension() == ".cpp")
      for (auto const& key : matches(read(entry.path()), R"re("(ui\.[a-z_.]+)")re"))
        if (!sounds.count(key.substr(3))) keys.insert(key);
  EXPECT_GT(keys.size(), 40u);
  for (char const* language : {"en_us", "es_es", "fr_fr", "pl_pl"}) {
    Sdl_log_capture quiet;
    String_database db;
    db.load(language, source / "data/packs");
    for (auto const& key : keys) EXPECT_TRUE(db.strings.count(key)) << language << " lacks " << key;
  }
}
