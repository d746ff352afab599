#pragma once
// Helpers shared by the script language's tests and benchmarks.
#include <kestrine/script.hpp>

#include <cstddef>
#include <cstdint>
#include <functional>
#include <sstream>
#include <stdexcept>
#include <string>
#include <utility>
#include <vector>

namespace kestrine_util {

// The message of the runtime_error that `f` raises, or "" when none.
inline std::string error_of(std::function<void()> const& f) {
  try {
    f();
  } catch (std::runtime_error const& e) {
    return e.what();
  }
  return "";
}

// What operator<< writes for a value or a script.
template <class T> std::string text_of(T const& v) {
  std::ostringstream o;
  o << v;
  return o.str();
}

// Builds scripts by hand, one instruction at a time.
struct Asm {
  std::vector<kestrine::Val> data;
  std::vector<std::int8_t> code;

  Asm& op(kestrine::Opcode o, int arg = 0) {
    kestrine::encode(code, o, arg);
    return *this;
  }
  int k(kestrine::Val v) {
    data.push_back(std::move(v));
    return static_cast<int>(data.size() - 1);
  }
  Asm& loadk(kestrine::Val v) { return op(kestrine::Script::LOADK, k(std::move(v))); }
  // A forward jump with a placeholder operand; returns the operand's index.
  std::size_t jump(kestrine::Opcode o) {
    op(o, -1);
    return code.size() - 1;
  }
  void land(std::size_t operand) {
    code[operand] = static_cast<std::int8_t>(code.size() - operand + 1);
  }
  void back(kestrine::Opcode o, std::size_t target) {
    op(o, static_cast<int>(target) - static_cast<int>(code.size()));
  }
  kestrine::Script done(std::size_t stack = 16) {
    return kestrine::Script(std::move(data), std::move(code), stack);
  }
};

} // namespace kestrine_util
