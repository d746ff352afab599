#pragma once
// Small terrain maps, gzip files written and read back byte for byte, and a
// world directory for the tests of the flat map, the fill and the scene.
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

// A map of side n whose sample (i, k) is f(i, k).
inline Fmap map(std::uint64_t n, std::function<Sample(std::uint64_t i, std::uint64_t k)> const& f) {
  Fmap_grids g;
  for (auto& grid : g) grid.resize(n * n);
  for (std::uint64_t k = 0; k < n; ++k)
    for (std::uint64_t i = 0; i < n; ++i) {
      Sample s = f(i, k);
      std::uint64_t at = n * k + i;
      g[0][at] = s.g0, g[1][at] = s.g1, g[2][at] = s.g2, g[3][at] = s.g3;
    }
  return Fmap(n, std::move(g));
}

// The same sample everywhere.
inline Fmap flat_map(Sample s, std::uint64_t n = 2) {
  return map(n, [s](std::uint64_t, std::uint64_t) { return s; });
}

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

// Writes the bytes as a gzip file.
inline void write_gz(fs::path const& path, std::string const& bytes) {
  fs::create_directories(path.parent_path());
  Zip_streambuf out(path, std::ios_base::out);
  ASSERT_TRUE(out.file) << path;
  ASSERT_EQ(out.sputn(bytes.data(), static_cast<std::streamsize>(bytes.size())),
            static_cast<std::streamsize>(bytes.size()));
  ASSERT_TRUE(out.close());
}

// The uncompressed bytes of a gzip file.
inline std::string read_gz(fs::path const& path) {
  Zip_streambuf in(path, std::ios_base::in);
  EXPECT_TRUE(in.file) << path;
  std::string bytes;
  for (int c; (c = in.sbumpc()) != std::streambuf::traits_type::eof();) bytes += static_cast<char>(c);
  return bytes;
}

// What f emits.
inline std::string emitted(std::function<void(mpk::Emitter&)> const& f) {
  std::stringbuf sb;
  mpk::Emitter e(sb);
  f(e);
  EXPECT_EQ(e.err, "");
  return sb.str();
}

// A map file's bytes: [n, g0, g1, g2, g3] with every grid `count` floats of
// value v; `extra` is emitted after the grids inside the same array.
inline std::string map_bytes(std::uint64_t n, std::uint64_t count, float v = 1.0f, int grids = 4,
                             std::function<void(mpk::Emitter&)> const& extra = {}) {
  return emitted([&](mpk::Emitter& e) {
    mpk::emit_arr_head(e, 1 + grids + (extra ? 1 : 0));
    mpk::emit_int(e, n);
    for (int g = 0; g < grids; ++g) {
      mpk::emit_arr_head(e, count);
      for (std::uint64_t i = 0; i < count; ++i) mpk::emit_flt(e, v);
    }
    if (extra) extra(e);
  });
}

} // namespace terrain
