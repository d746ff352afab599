#include "world/zip_read.hpp"

#include "foundation/save.hpp"
#include "foundation/zip.hpp"

#include <SDL.h>

#include <exception>
#include <string>
#include <system_error>

namespace fs = std::filesystem;

fs::path keep_bad(fs::path const& file) {
  std::error_code ec;
  for (int n = 1; n <= 1000; ++n) {
    fs::path bad = file;
    bad += n == 1 ? ".bad" : ".bad" + std::to_string(n);
    if (fs::exists(bad, ec) || ec) continue;
    // Never onto an existing name: a file kept earlier stays as it was.
    fs::rename(file, bad, ec);
    if (ec) break;
    SDL_LogWarn(SDL_LOG_CATEGORY_APPLICATION, "%s: unreadable, kept as %s\n", file.c_str(), bad.c_str());
    return bad;
  }
  SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s: unreadable and can't be kept aside (%s): left as it is\n",
               file.c_str(), ec ? ec.message().c_str() : "no free name");
  return {};
}

Zip_read read_zip(fs::path const& path, std::function<void(mpk::Scanner&)> const& read) {
  std::error_code ec;
  if (!fs::exists(path, ec)) return Zip_read::missing;
  std::string reason;
  {
    Zip_streambuf in(path, std::ios_base::in);
    if (!in.file) {
      reason = "can't open";
    } else {
      in.limit(max_file_bytes);
      mpk::Scanner s(in);
      try {
        read(s);
        reason = s.ok() ? in.check_end() : s.message();
      } catch (std::exception const& e) {
        reason = e.what();
      }
      // Whatever the reader made of the data cut off there, the cap is why.
      if (std::string over = in.overrun(); !over.empty()) reason = over;
    }
  }
  if (reason.empty()) return Zip_read::done;
  SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s: %s\n", path.c_str(), reason.c_str());
  return keep_bad(path).empty() ? Zip_read::in_place : Zip_read::set_aside;
}

bool refuse_damaged(fs::path const& file) {
  SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s: unreadable, left as it is: not saved over it\n", file.c_str());
  return false;
}

bool write_zip(fs::path const& path, std::function<std::string(std::streambuf& out)> const& fill) {
  return save_zip(path, fill, max_file_bytes);
}
