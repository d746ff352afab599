#include "kestrine/kestrine.hpp"

#include "kestrine/compiler.hpp"

#include <iostream>

namespace kestrine {

namespace {

void show(Script const& script) {
  if (debug_script) std::cout << script;
}

} // namespace

Val eval(Scope& scope, std::string_view text, Val* args, int nargs) {
  detail::Run_memory memory;
  Names locals;
  Script script = compile(scope.tags(), locals, text);
  show(script);
  std::vector<Val> lvals(locals.size());
  Timed_run timed;
  return script.run(scope.vals().data(), lvals.data(), args, nargs);
}

Val Interactive::operator()(Scope& scope, std::string_view text, Val* args, int nargs) {
  detail::Run_memory memory;
  Script script = compile(scope.tags(), ltags_, text);
  show(script);
  if (lvals_.size() < ltags_.size()) lvals_.resize(ltags_.size());
  Timed_run timed;
  return script.run(scope.vals().data(), lvals_.data(), args, nargs);
}

Standalone::Standalone(Scope& scope, std::string_view text) : global_(scope) {
  Names locals;
  script_ = compile(scope.tags(), locals, text);
  show(script_);
  local_size_ = locals.size();
}

Val Standalone::operator()(Val* args, int nargs) const {
  // Pack scripts are small: their locals usually fit on the C++ stack.
  constexpr std::size_t small = 16;
  detail::Run_memory memory;
  Timed_run timed;
  if (local_size_ <= small) {
    Val locals[small];
    return script_.run(global_.vals().data(), locals, args, nargs);
  }
  std::vector<Val> locals(local_size_);
  return script_.run(global_.vals().data(), locals.data(), args, nargs);
}

} // namespace kestrine
