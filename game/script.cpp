#include "game/script.hpp"

#include "game/functions.hpp"

#include <exception>
#include <utility>

Script::Script(Context& context)
    : Script([&context](Script& self) { register_game_functions(context, self); }, script_time_budget,
             poll_close_request) {
  quit_signals_.emplace();
}

Script::Script(std::function<void(Script&)> const& register_functions, std::chrono::nanoseconds budget,
               std::function<void()> poll)
    : budget_(budget, std::move(poll)) {
  engine.seed(seed_for(device()));
  if (register_functions) register_functions(*this);
}

std::uint_fast32_t Script::seed_for(std::uint32_t device_value) {
  std::uint_fast32_t s = device_value % std::minstd_rand::modulus;
  return s == 0 ? 1 : s;
}

void Script::push(std::string_view line) {
  std::string echo = "> ";
  echo += line;
  echo += '\n';
  transcript.add(echo);
  pending += line;
  pending += '\n';
}

void Script::input(std::string_view line) {
  if (pending.empty()) {
    if (line.empty()) return;
    push(line);
    if (line.back() == ':') return;
  } else if (!line.empty()) {
    push(line);
    return;
  }
  evaluate();
}

void Script::evaluate() {
  try {
    // Built within the input's run: a result many times its own size stops
    // like the script would, at the memory limit or the budget.
    kestrine::Counted_text text;
    if (console.show(scope, pending, text)) {
      transcript.write_through(text.pieces());
      transcript.add("\n");
    }
  } catch (std::exception const& e) {
    transcript.add(std::string(e.what()) + '\n');
  } catch (...) {
    transcript.add("unrecognized error\n");
  }
  transcript.write_out();
  pending.clear();
}
