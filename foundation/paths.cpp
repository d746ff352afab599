#include "foundation/paths.hpp"

#include <SDL.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <sstream>

namespace {

char const* real_getenv(char const* name) { return std::getenv(name); }

// An empty value counts as unset.
char const* lookup(Getenv const& env, char const* name) {
  char const* v = env(name);
  return v && *v ? v : nullptr;
}

fs::path home_or(Getenv const& env, char const* var, char const* under_home) {
  if (char const* v = lookup(env, var)) return v;
  return fs::path(getenv_safe("HOME", env)) / under_home;
}

std::string list_or(Getenv const& env, char const* var, char const* fallback) {
  char const* v = lookup(env, var);
  return v ? v : fallback;
}

fs::path make_parents(fs::path const& full) {
  fs::path parent = full.parent_path();
  if (!parent.empty()) fs::create_directories(parent);
  return full;
}

} // namespace

std::string getenv_safe(char const* name, Getenv const& env) {
  if (char const* v = lookup(env, name)) return v;
  SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "unset environment variable '%s'", name);
  std::exit(-1);
}

std::string getenv_safe(char const* name) { return getenv_safe(name, real_getenv); }

Home::Home(fs::path dir_) : dir(std::move(dir_)) {}

fs::path Home::r(fs::path const& name) const { return dir / name; }

fs::path Home::w(fs::path const& name) const { return make_parents(dir / name); }

Dirs::Dirs(fs::path home, std::string_view list) {
  dirs.push_back(std::move(home));
  // Split like a line reader with ':' as the delimiter: a trailing colon adds
  // nothing, an empty item elsewhere is an empty path.
  std::istringstream in{std::string(list)};
  for (std::string item; std::getline(in, item, ':');) dirs.emplace_back(item);
}

fs::path Dirs::find(fs::path const& name) const {
  // A directory of the list that can't be examined (a name too long, a
  // folder that may not be searched) is passed over like one without the name.
  for (auto const& d : dirs) {
    fs::path p = d / name;
    std::error_code ec;
    if (fs::exists(p, ec)) return p;
  }
  return {};
}

fs::path Dirs::r(fs::path const& name) const {
  if (fs::path p = find(name); !p.empty()) return p;
  SDL_Log("%s: %s", name.c_str(), std::strerror(ENOENT));
  for (auto const& d : dirs) SDL_Log("  | %s", d.c_str());
  return {};
}

fs::path Dirs::w(fs::path const& name) const { return make_parents(dirs.front() / name); }

Paths::Paths(Getenv const& env)
    : data(home_or(env, "XDG_DATA_HOME", ".local/share"),
           list_or(env, "XDG_DATA_DIRS", "/usr/local/share/:/usr/share/")),
      config(home_or(env, "XDG_CONFIG_HOME", ".config"), list_or(env, "XDG_CONFIG_DIRS", "/etc/xdg/")),
      state(home_or(env, "XDG_STATE_HOME", ".local/state")),
      cache(home_or(env, "XDG_CACHE_HOME", ".cache")),
      runtime(list_or(env, "XDG_RUNTIME_DIR", "/tmp")) {}

Paths::Paths() : Paths(real_getenv) {}

// Both are built before main; basedir right after paths (same unit, in order).
Paths const paths;
fs::path const basedir = "terrafold";
