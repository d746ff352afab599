#include "content/pack.hpp"

#include "content/database.hpp"
#include "foundation/paths.hpp"
#include "foundation/slurp.hpp"

#include <SDL.h>

#include <charconv>

void report_table_full(std::string_view name) {
  std::string msg = "no id left for '" + std::string(name) + "': the name is refused";
  SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s", msg.c_str());
}

void report_name_too_long(std::string_view name) {
  // The name may be a script's megabyte: its start is enough to find it.
  constexpr std::size_t shown = 64;
  std::string msg = "name too long: '" + std::string(name.substr(0, shown)) + "...' (" +
                    std::to_string(name.size()) + " bytes, at most " + std::to_string(max_name_bytes) +
                    "): the name is refused";
  SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s", msg.c_str());
}

std::string section_name(Pack_file const& file) {
  std::string name = file.prefix + std::string(file.scan.token);
  if (name.size() <= max_name_bytes) return name;
  SDL_LogWarn(SDL_LOG_CATEGORY_APPLICATION, "%s: section [%.*s]: name too long (%zu bytes, at most %zu), skipped\n",
              file.dir.c_str(), static_cast<int>(file.scan.token.size()), file.scan.token.data(), name.size(),
              max_name_bytes);
  return {};
}

fs::path packs_dir() { return paths.data.r(basedir / "packs"); }

std::string pack_name(fs::path const& pack) {
  std::string name = pack.filename().string();
  if (name.empty()) name = pack.parent_path().filename().string(); // "dir/"
  auto dot = name.rfind('.');
  if (dot == std::string::npos || dot == 0) return name;
  return name.substr(0, dot);
}

void for_each_pack(fs::path const& packs, std::function<void(fs::path const&)> const& visit) {
  for (auto const& entry : fs::directory_iterator(packs)) visit(entry.path());
}

bool read_pack_file(fs::path const& pack, std::string_view file,
                    std::function<void(Pack_file&, int kind)> const& token) {
  fs::path const path = pack / file;
  // A path below an entry that is not a directory counts as missing.
  if (!fs::exists(path)) return false;
  SDL_Log("Loading %s\n", path.c_str());
  Kv_scan scan(slurp(path));
  Pack_file f{pack, pack_name(pack) + ".", scan};
  for (;;) {
    switch (int kind = scan()) {
    case Kv_scan::End:
      return true;
    case Kv_scan::Error:
      return false;
    default:
      token(f, kind);
    }
  }
}

bool parse_byte(std::string_view value, std::uint8_t& out) {
  if (value.empty() || value[0] < '0' || value[0] > '9') return false;
  unsigned n = 0;
  for (char c : value) {
    if (c < '0' || c > '9') break;
    n = n * 10 + unsigned(c - '0');
    if (n > 255) return false;
  }
  out = std::uint8_t(n);
  return true;
}

glm::vec3 parse_sixteenths(std::string_view value) {
  char const* pos = value.data();
  char const* const end = pos + value.size();
  int v[3] = {0, 0, 0};
  for (int i = 0; i < 3; ++i) {
    if (i > 0)
      while (pos != end && (*pos == ' ' || (*pos >= '\t' && *pos <= '\r'))) ++pos;
    // No digits: the integer stays 0 and nothing is consumed; too many
    // digits: it stays 0 but the digits are passed.
    pos = std::from_chars(pos, end, v[i]).ptr;
  }
  return {float(v[0]) * 0.0625f, float(v[1]) * 0.0625f, float(v[2]) * 0.0625f};
}

bool parse_flag(std::string_view value) { return value != "0" && value != "false"; }
