#include "foundation/save.hpp"

#include "foundation/zip.hpp"

#include <SDL.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <exception>
#include <system_error>

#include <unistd.h>

namespace fs = std::filesystem;

bool save_file(fs::path const& target, std::function<std::string(fs::path const& temp)> const& write) {
  fs::path temp = target;
  temp += ".tmp";
  std::string reason;
  try {
    reason = write(temp);
  } catch (std::exception const& e) {
    reason = e.what();
  }
  if (reason.empty()) {
    std::error_code ec;
    fs::rename(temp, target, ec);
    if (!ec) return true;
    reason = ec.message();
  }
  std::error_code ignored;
  fs::remove(temp, ignored);
  SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s: %s\n", target.c_str(), reason.c_str());
  return false;
}

bool save_text(fs::path const& target, std::string_view text) {
  return save_file(target, [text](fs::path const& temp) -> std::string {
    std::FILE* f = std::fopen(temp.c_str(), "wb");
    if (!f) return std::strerror(errno);
    std::string reason;
    if (std::fwrite(text.data(), 1, text.size(), f) != text.size() || std::fflush(f) != 0)
      reason = std::strerror(errno);
    if (std::fclose(f) != 0 && reason.empty()) reason = std::strerror(errno);
    return reason;
  });
}

bool save_zip(fs::path const& target, std::function<std::string(std::streambuf& out)> const& fill,
              std::uint64_t max_bytes) {
  return save_file(target, [&fill, max_bytes](fs::path const& temp) -> std::string {
    Zip_streambuf out(temp, std::ios_base::out);
    if (!out.file) return "can't open";
    out.limit(max_bytes);
    std::string reason = fill(out);
    // The cap refuses bytes without the filler noticing (an emitter does not
    // check what was written), and is then the first cause.
    if (std::string over = out.overrun(); !over.empty()) reason = over;
    // A write zlib refused may go unnoticed by the filler; its data is lost
    // even when the close succeeds.
    int code = Z_OK;
    gzerror(out.file, &code);
    if (reason.empty() && code != Z_OK) reason = "write failed";
    errno = 0;
    bool closed = out.close();
    if (!reason.empty()) return reason;
    if (!closed) return errno ? std::strerror(errno) : "write failed";
    return {};
  });
}

std::string make_writable_dir(fs::path const& dir) {
  std::error_code ec;
  fs::create_directories(dir, ec);
  if (ec) return ec.message();
  if (!fs::is_directory(dir, ec)) return ec ? ec.message() : std::strerror(ENOTDIR);
  std::string probe = (dir / ".write-test-XXXXXX").string();
  int fd = mkstemp(probe.data());
  if (fd < 0) return std::strerror(errno);
  ::close(fd);
  ::unlink(probe.c_str());
  return {};
}
