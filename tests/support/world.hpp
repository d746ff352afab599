#pragma once
// Shared by the world tests: a throw-away world directory, gzip files as
// plain bytes, cell and mob types set up without packs, mobs by their box.
#include "content/cell_db.hpp"
#include "content/mob_db.hpp"
#include "foundation/zip.hpp"
#include "world/mob.hpp"

#include <filesystem>
#include <fstream>
#include <iterator>
#include <memory>
#include <string>

#include <stdlib.h>

namespace world_test {

namespace fs = std::filesystem;

struct Temp_world {
  fs::path dir;
  Temp_world() {
    char name[] = "/tmp/terrafold-world-XXXXXX";
    dir = mkdtemp(name);
  }
  ~Temp_world() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  static std::string read(fs::path const& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static void write(fs::path const& p, std::string const& bytes) {
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
  }
};

// The uncompressed bytes of a gzip file, and the other way round.
inline std::string unzip(fs::path const& p) {
  Zip_streambuf in(p, std::ios_base::in);
  std::string out;
  char buf[4096];
  for (std::streamsize n; in.file && (n = in.sgetn(buf, sizeof buf)) > 0;) out.append(buf, static_cast<std::size_t>(n));
  return out;
}
inline void zip(fs::path const& p, std::string const& bytes) {
  fs::create_directories(p.parent_path());
  Zip_streambuf(p, std::ios_base::out).sputn(bytes.data(), static_cast<std::streamsize>(bytes.size()));
}

// Types by name (added when new) with the fields the world reads.
inline Cell_id cell_type(std::string const& name, int capacity = 0) {
  Cell_type& t = cell_db()[name];
  t.capacity = static_cast<std::uint8_t>(capacity);
  return t.id;
}
inline Mob_type& mob_type(std::string const& name, bool persistent, int items = 0, glm::vec2 size = {0.4f, 0.9f}) {
  Mob_type& t = mob_db()[name];
  t.persistent = persistent;
  t.items = static_cast<std::uint8_t>(items);
  t.size = size;
  return t;
}

// A mob whose box is exactly [lo, hi).
inline std::unique_ptr<Mob> mob_in_box(glm::vec3 lo, glm::vec3 hi) {
  auto m = std::make_unique<Mob>();
  m->body.position = (lo + hi) * 0.5f;
  m->body.box_min = lo;
  m->body.box_max = hi;
  return m;
}

} // namespace world_test
