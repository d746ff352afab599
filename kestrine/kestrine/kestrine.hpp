#pragma once
// Everything a host needs to embed kestrine: values, scripts, scopes, the
// three ways to run source text, the binding of host functions, and the
// interrupt and time budget that stop a script running too long, and the
// limit on what scripts hold. Each run of the three entry points counts
// against the calling thread's budget and the memory limit.
#include "kestrine/counted_text.hpp"
#include "kestrine/fun.hpp"
#include "kestrine/interrupt.hpp"
#include "kestrine/memory.hpp"
#include "kestrine/scope.hpp"
#include "kestrine/script.hpp"
#include "kestrine/val.hpp"

#include <cstddef>
#include <functional>
#include <ostream>
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
  Interactive() = default;
  // Its runs leave `leave` sixteenths of the memory limit (at most 15) to
  // other runs, whatever its locals hold.
  explicit Interactive(unsigned leave) : leave_(leave) {}

  Val operator()(Scope& scope, std::string_view text, Val* args = nullptr, int nargs = 0);
  // Runs the text and, within the same run, prints its result with the
  // expand flag into `out` unless it is Null (a console's result line), so
  // that the printing counts against the time budget and the memory limit
  // like the script itself. Returns whether it printed.
  bool show(Scope& scope, std::string_view text, std::ostream& out);

private:
  Val run(Scope& scope, std::string_view text, Val* args, int nargs, std::function<void(Val const&)> const& then);

  std::unordered_map<std::string, std::size_t> ltags_;
  std::vector<Val> lvals_;
  unsigned leave_ = 0;
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
