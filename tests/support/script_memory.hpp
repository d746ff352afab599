#pragma once
// The scripts' memory limit for one test, and scripts that would hold ever
// more memory: each kind of growth a script can make.
#include <kestrine/memory.hpp>

#include <cstddef>
#include <sstream>
#include <string>
#include <vector>

// Sets the limit while it lives; the one before comes back after.
struct Script_memory_limit {
  std::size_t before;
  explicit Script_memory_limit(std::size_t bytes) : before(kestrine::set_memory_limit(bytes)) {}
  ~Script_memory_limit() { kestrine::set_memory_limit(before); }
  Script_memory_limit(Script_memory_limit const&) = delete;
  Script_memory_limit& operator=(Script_memory_limit const&) = delete;
};

// The limit the growth tests run under: small, so they are quick.
inline constexpr std::size_t growth_test_limit = std::size_t{4} << 20;

// A script that grows the value in `kept` one step at a time and counts the
// steps in `n`. The loop ends by itself after `bound` steps, which take
// several times the test limit: a growth that is not counted ends without an
// error instead of taking the machine's memory. Uses the functions "push"
// and "size".
struct Growth {
  char const* name;
  char const* kept;
  char const* setup; // statements, one per line
  char const* body;  // the loop's statements, one per line
  long bound;

  // The lines as typed into a console: a block, run by its empty last line.
  std::vector<std::string> lines() const {
    std::vector<std::string> out;
    std::istringstream s(setup), b(body);
    for (std::string l; std::getline(s, l);) out.push_back(l);
    out.push_back("n = 0");
    out.push_back("while n < " + std::to_string(bound) + ":");
    for (std::string l; std::getline(b, l);) out.push_back("    " + l);
    out.push_back("    n = n + 1");
    out.push_back("");
    return out;
  }
  // The same as one text.
  std::string text() const {
    std::string t;
    for (std::string const& l : lines()) t += l + "\n";
    return t;
  }
};

inline std::vector<Growth> const& growths() {
  static std::vector<Growth> const all = {
      {"string doubling", "s", "s = \"x\"", "s = s + s", 26},
      {"list of one value", "l", "l = []", "push(l, 1)", 2'000'000},
      {"list of new values", "l", "l = []", "push(l, n)", 1'000'000},
      {"map growth", "m", "m = {}", "m[n] = n", 1'000'000},
      {"map reads of missing keys", "m", "m = {}", "m[n]", 1'000'000},
      {"list nesting", "l", "l = []", "l = [l, n]", 1'000'000},
      {"map of built strings", "m", "m = {}\nt = \"a string that lives outside its object\"",
       "m[n] = t + t", 1'000'000},
  };
  return all;
}
