#include "kestrine/kestrine.hpp"

#include "kestrine/compiler.hpp"

#include <iostream>

namespace kestrine {

namespace {

void show_compiled(Script const& script) {
  if (debug_script) std::cout << script;
}

} // namespace

Val eval(Scope& scope, std::string_view text, Val* args, int nargs) {
  detail::Run_memory memory;
  Names locals;
  Script script = compile(scope.tags(), locals, text);
  show_compiled(script);
  std::vector<Val> lvals(locals.size());
  Timed_run timed;
  return script.run(scope.vals().data(), lvals.data(), args, nargs);
}

Val Interactive::operator()(Scope& scope, std::string_view text, Val* args, int nargs) {
  return run(scope, text, args, nargs, nullptr);
}

bool Interactive::show(Scope& scope, std::string_view text, std::ostream& out) {
  bool printed = false;
  run(scope, text, nullptr, 0, [&](Val const& result) {
    if (result != Val()) {
      result.print(out, true);
      printed = true;
    }
  });
  return printed;
}

Val Interactive::run(Scope& scope, std::string_view text, Val* args, int nargs,
                     std::function<void(Val const&)> const& then) {
  detail::Run_memory memory(leave_);
  Script script = compile(scope.tags(), ltags_, text);
  show_compiled(script);
  if (lvals_.size() < ltags_.size()) lvals_.resize(ltags_.size());
  Timed_run timed;
  Val result = script.run(scope.vals().data(), lvals_.data(), args, nargs);
  if (then) then(result);
  return result;
}

Standalone::Standalone(Scope& scope, std::string_view text) : global_(scope) {
  Names locals;
  script_ = compile(scope.tags(), locals, text);
  show_compiled(script_);
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
