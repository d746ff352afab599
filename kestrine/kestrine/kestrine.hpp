#pragma once
// Everything a host needs to embed kestrine: values, scripts, scopes, the
// three ways to run source text, the binding of host functions, and the
// interrupt and time budget that stop a script running too long, and the
// limit on what scripts hold. Each run of the three entry points counts
// against the calling thread's budget and the memory limit.
#include "kestrine/fun.hpp"
#include "kestrine/interrupt.hpp"
#include "kestrine/memory.hpp"
#include "kestrine/scope.hpp"
#include "kestrine/script.hpp"
#include "kestrine/val.hpp"

#include <cstddef>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kestrine {

// Compiles the text against the scope and runs it once with fresh locals.
Val eval(Scope& scope, std::string_view text, Val* args = nullptr, int nargs = 0);

// Runs one text at a time against a scope; local variables keep their values
// from one text to the next (the console).
class Interactive {
public:
  Val operator()(Scope& scope, std::string_view text, Val* args = nullptr, int nargs = 0);

private:
  std::unordered_map<std::string, std::size_t> ltags_;
  std::vector<Val> lvals_;
};

// A text compiled once and run any number of times, each run with fresh
// locals. The scope must outlive it.
class Standalone {
public:
  Standalone(Scope& scope, std::string_view text);

  Val operator()(Val* args = nullptr, int nargs = 0) const;

private:
  Scope& global_;
  Script script_;
  std::size_t local_size_ = 0;
};

} // namespace kestrine
