#pragma once
// Small terrain maps and gzip files written and read back byte for byte, for
// the tests of the flat map, the fill and the scene.
#include "foundation/zip.hpp"
#include "mpk/mpk.hpp"
#include "world/fmap.hpp"

#include <gtest/gtest.h>

#include <atomic>
#include <filesystem>
#include <functional>
#include <sstream>
#include <string>

#include <unistd.h>

namespace terrain {

namespace fs = std::filesystem;

// The four samples of one map point.
struct Sample {
  float g0 = 0.0f, g1 = 0.0f, g2 = 1.0f, g3 = 5.0f;
};

// A map of side n whose sample (i, k) is f(i, k); by default the same
// sample everywhere.
inline Fmap map(std::uint64_t n, std::function<Sample(std::uint64_t i, std::uint64_t k)> const& f) {
  Fmap_grids g;
  for (auto& grid : g) grid.resize(n * n);
  for (std::uint64_t at = 0; at < n * n; ++at) {
    Sample s = f(at % n, at / n);
    g[0][at] = s.g0, g[1][at] = s.g1, g[2][at] = s.g2, g[3][at] = s.g3;
  }
  return Fmap(n, std::move(g));
}
inline Fmap flat_map(Sample s) { return map(2, [s](auto, auto) { return s; }); }

// A fresh directory, removed with its contents.
struct World_dir {
  static inline std::atomic<int> serial{0};
  fs::path dir = fs::temp_directory_path() /
                 ("terrafold-world-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
  World_dir() { fs::remove_all(dir), fs::create_directories(dir); }
  ~World_dir() {
    std::error_code ec;
    fs::remove_all(dir, ec);
  }
  fs::path operator/(fs::path const& rel) const { return dir / rel; }
};

inline void write_gz(fs::path const& path, std::string const& bytes) {
  fs::create_directories(path.parent_path());
  Zip_streambuf out(path, std::ios_base::out);
  out.sputn(bytes.data(), static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.close()) << path;
}

inline std::string read_gz(fs::path const& path) {
  Zip_streambuf in(path, std::ios_base::in);
  std::string bytes;
  for (int c; in.file && (c = in.sbumpc()) != std::streambuf::traits_type::eof();) bytes += static_cast<char>(c);
  return bytes;
}

inline std::string emitted(std::function<void(mpk::Emitter&)> const& f) {
  std::stringbuf sb;
  mpk::Emitter e(sb);
  f(e);
  return sb.str();
}

// The path with ".bad" appended: where an unreadable file is kept.
inline fs::path bad(fs::path p) { return p += ".bad"; }

} // namespace terrain
