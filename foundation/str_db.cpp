#include "foundation/str_db.hpp"

#include "foundation/kv.hpp"
#include "foundation/paths.hpp"
#include "foundation/slurp.hpp"

#include <SDL.h>

#include <system_error>

namespace fs = std::filesystem;

void String_database::load(std::string const& language_) {
  language = language_;
  strings.clear();
  load(language_, paths.data.r(basedir / "packs"));
}

void String_database::load(std::string const& language_, fs::path const& packs) {
  language = language_;
  strings.clear();
  for (auto const& entry : fs::directory_iterator(packs)) load_file(entry.path());
}

void String_database::load_file(fs::path const& pack) {
  fs::path file = pack / "strings" / (language + ".cfg");
  std::error_code ec;
  if (!fs::exists(file, ec)) return;
  SDL_Log("Loading %s\n", file.c_str());
  std::string prefix = pack.filename().stem().string() + ".";
  Kv_scan scan(slurp(file));
  std::string key;
  for (;;) {
    switch (scan()) {
    case Kv_scan::Section:
      SDL_LogWarn(SDL_LOG_CATEGORY_APPLICATION, "section will be ignored\n");
      break;
    case Kv_scan::Key: key = scan.token; break;
    case Kv_scan::Value:
      if (!scan.token.empty()) strings.try_emplace(prefix + key, scan.token); // first wins
      break;
    default: return;
    }
  }
}

char const* String_database::get(std::string_view key) {
  auto it = strings.find(key);
  if (it == strings.end()) it = strings.try_emplace(std::string(key), key).first;
  return it->second.c_str();
}

String_database& str_db() {
  static String_database db;
  return db;
}

char const* operator""_tr(char const* key, std::size_t length) {
  return str_db().get(std::string_view(key, length));
}
