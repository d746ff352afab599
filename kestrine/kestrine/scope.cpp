#include "kestrine/scope.hpp"

namespace kestrine {

void Scope::add(std::string const& name, Val const& value) {
  if (tags_.try_emplace(name, vals_.size()).second) vals_.push_back(value);
}

} // namespace kestrine
