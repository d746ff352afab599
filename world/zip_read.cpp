#include "world/zip_read.hpp"

#include "foundation/zip.hpp"
#include "world/bad_file.hpp"

#include <SDL.h>

#include <exception>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

Zip_read read_zip(fs::path const& path, std::function<void(mpk::Scanner&)> const& read) {
  std::error_code ec;
  if (!fs::exists(path, ec)) return Zip_read::missing;
  std::string reason;
  {
    Zip_streambuf in(path, std::ios_base::in);
    if (!in.file) {
      SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s: can't open\n", path.c_str());
      return Zip_read::failed;
    }
    mpk::Scanner s(in);
    try {
      read(s);
      reason = s.ok() ? in.check_end() : s.message();
    } catch (std::exception const& e) {
      reason = e.what();
    }
  }
  if (reason.empty()) return Zip_read::done;
  SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s: %s\n", path.c_str(), reason.c_str());
  keep_bad_file(path);
  return Zip_read::failed;
}
