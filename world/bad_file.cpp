#include "world/bad_file.hpp"

#include <SDL.h>

#include <string>
#include <system_error>

namespace fs = std::filesystem;

fs::path keep_bad_file(fs::path const& file) {
  std::error_code ec;
  fs::path bad = file;
  bad += ".bad";
  for (int i = 2; fs::exists(bad, ec) && i < 1000; ++i) {
    bad = file;
    bad += ".bad." + std::to_string(i);
  }
  if (!ec && !fs::exists(bad, ec) && !ec) fs::rename(file, bad, ec);
  else if (!ec) ec = std::make_error_code(std::errc::file_exists);
  if (ec) {
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s: can't set aside: %s\n", file.c_str(), ec.message().c_str());
    return {};
  }
  SDL_LogWarn(SDL_LOG_CATEGORY_APPLICATION, "%s: unreadable, kept as %s\n", file.c_str(), bad.c_str());
  return bad;
}
