#pragma once
// The global environment of scripts.
#include "kestrine/val.hpp"

#include <cstddef>
#include <string>
#include <unordered_map>
#include <vector>

namespace kestrine {

// Global names and their values. Names are never removed and their indices
// never change, because compiled scripts refer to globals by index.
class Scope {
public:
  // Binds a new name to a copy of the value; a name already bound keeps its
  // index and its value.
  void add(std::string const& name, Val const& value);

  std::vector<Val>& vals() { return vals_; }
  std::vector<Val> const& vals() const { return vals_; }
  std::unordered_map<std::string, std::size_t>& tags() { return tags_; }
  std::unordered_map<std::string, std::size_t> const& tags() const { return tags_; }

private:
  std::vector<Val> vals_;
  std::unordered_map<std::string, std::size_t> tags_;
};

} // namespace kestrine
