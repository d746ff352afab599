// Every interface key the game's code looks up has a text in each of the
// four languages, so no window shows a raw key.
#include "foundation/str_db.hpp"

#include "support/sdl_log.hpp"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <regex>
#include <set>
#include <string>

namespace {

namespace fs = std::filesystem;
fs::path const source = TERRAFOLD_SOURCE_DIR;

std::string read(fs::path const& p) {
  std::ifstream in(p);
  return {std::istreambuf_iterator<char>(in), {}};
}

// The quoted "ui." names in the game's sources, less the sounds of the ui
// pack, which are played and not shown.
std::set<std::string> interface_keys() {
  std::set<std::string> sounds;
  std::string const cfg = read(source / "data/packs/ui/sounds.cfg");
  std::regex const section(R"(\[([a-z_]+)\])");
  for (std::sregex_iterator i(cfg.begin(), cfg.end(), section), end; i != end; ++i) sounds.insert("ui." + (*i)[1].str());

  std::set<std::string> keys;
  std::regex const quoted(R"re("(ui\.[a-z_.]+)")re");
  for (auto const& entry : fs::directory_iterator(source / "game")) {
    if (entry.path().extension() != ".cpp") continue;
    std::string const text = read(entry.path());
    for (std::sregex_iterator i(text.begin(), text.end(), quoted), end; i != end; ++i)
      if (!sounds.count((*i)[1].str())) keys.insert((*i)[1].str());
  }
  return keys;
}

} // namespace

TEST(Interface_keys, EveryKeyTheCodeUsesIsTranslatedInEveryLanguage) {
  auto const keys = interface_keys();
  EXPECT_GT(keys.size(), 40u) << "the menus' keys are found";
  EXPECT_TRUE(keys.count("ui.conf.input.press_any_key"));
  for (char const* language : {"en_us", "es_es", "fr_fr", "pl_pl"}) {
    Sdl_log_capture quiet;
    String_database db;
    db.load(language, source / "data" / "packs");
    for (auto const& key : keys) EXPECT_TRUE(db.strings.count(key)) << language << " lacks " << key;
  }
}
