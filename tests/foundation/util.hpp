#pragma once
// Small helpers shared by this folder's tests.
#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <iterator>
#include <stdexcept>
#include <stdlib.h>
#include <string>

namespace fs = std::filesystem;

// What the call throws as a runtime error, or "<no error>".
template <class F> std::string error_of(F&& f) {
  try {
    f();
  } catch (std::runtime_error const& e) {
    return e.what();
  }
  return "<no error>";
}

// A fresh directory for one test, removed with its contents.
struct Temp_dir {
  fs::path dir;
  Temp_dir() {
    char name[] = "/tmp/terrafold-test-XXXXXX";
    dir = mkdtemp(name);
  }
  ~Temp_dir() { fs::remove_all(dir); }
  fs::path operator/(fs::path const& rel) const { return dir / rel; }
  // Writes the bytes, making the file's directories; returns its path.
  fs::path write(fs::path const& rel, std::string const& bytes) const {
    fs::create_directories((dir / rel).parent_path());
    std::ofstream(dir / rel, std::ios::binary | std::ios::trunc) << bytes;
    return dir / rel;
  }
  static std::string read(fs::path const& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
};
