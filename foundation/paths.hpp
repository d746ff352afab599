#pragma once
// XDG directory search: where data, configuration and saves live.
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace fs = std::filesystem;

// Reads one environment variable; null when unset. Injectable for tests.
using Getenv = std::function<char const*(char const*)>;

// The value of a required variable; logs and ends the process when it is
// unset or empty.
std::string getenv_safe(char const* name, Getenv const& env);
std::string getenv_safe(char const* name);

struct Home {
  fs::path dir;

  explicit Home(fs::path dir_);
  fs::path r(fs::path const& name) const;
  fs::path w(fs::path const& name) const;
};

struct Dirs {
  std::vector<fs::path> dirs; // home first, then the system list

  Dirs(fs::path home, std::string_view list);
  // The first existing copy of the name along the list; empty when none.
  fs::path find(fs::path const& name) const;
  // The same, logging the search when it finds nothing.
  fs::path r(fs::path const& name) const;
  fs::path w(fs::path const& name) const;
};

struct Paths {
  Dirs data;
  Dirs config;
  Home state;
  Home cache;
  Home runtime;

  Paths();
  explicit Paths(Getenv const& env);
};

extern Paths const paths;
extern fs::path const basedir;
