#pragma once
// Saves that can't be written, not even by root, until mended: a plain file
// where a folder of the world should be made, or a folder (with something
// in it) where a file's temporary copy should go, which leaves the old file
// as it was.
#include <filesystem>
#include <fstream>
#include <system_error>
#include <utility>

namespace blocked_saves {

namespace fs = std::filesystem;

class Blocked {
public:
  // Blocks every file under the folder `dir` (which must not exist yet).
  static Blocked folder(fs::path dir) {
    std::ofstream(dir) << "in the way";
    return Blocked(std::move(dir));
  }
  // Blocks the one file, whether or not it exists.
  static Blocked file(fs::path const& target) {
    fs::path temp = target;
    temp += ".tmp";
    fs::create_directories(temp);
    std::ofstream(temp / "in the way") << "in the way";
    return Blocked(temp);
  }

  Blocked(Blocked&& o) noexcept : path_(std::exchange(o.path_, {})) {}
  Blocked& operator=(Blocked&&) = delete;
  ~Blocked() { mend(); }

  void mend() {
    std::error_code ec;
    if (!path_.empty()) fs::remove_all(path_, ec);
    path_.clear();
  }

private:
  explicit Blocked(fs::path p) : path_(std::move(p)) {}
  fs::path path_;
};

} // namespace blocked_saves
