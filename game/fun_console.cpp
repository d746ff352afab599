#include "game/fun_console.hpp"

#include "game/script.hpp"

#include <stdexcept>

using kestrine::Int;
using kestrine::Val;

Val fun_print_::call_(Val const*, Val* argv, int argc) const {
  kestrine::Counted_text text;
  for (int i = 0; i < argc; ++i) argv[i].print(text, true);
  text << '\n';
  transcript->write_through(text.pieces());
  return Val();
}

void fun_clear_::operator()() const { script->transcript.clear(); }

void fun_say_::operator()(std::string const& text) const { env->action_bar.say(text); }

Int fun_rand_::operator()(Int a, Int b) const {
  if (a > b) throw std::runtime_error("rand expects a <= b");
  return std::uniform_int_distribution<Int>(a, b)(*engine);
}

Int fun_size_(Val const& v) { return static_cast<Int>(v.size()); }

void fun_push_(kestrine::List& list, Val const& v) { list.push_back(v); }

void fun_pop_(kestrine::List& list) {
  if (!list.empty()) list.pop_back();
}
