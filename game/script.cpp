#include "game/script.hpp"

#include "game/functions.hpp"

#include <exception>
#include <iostream>
#include <sstream>
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
  transcript += "> ";
  transcript += line;
  transcript += '\n';
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
    kestrine::Val result = console(scope, pending);
    if (result != kestrine::Val()) {
      std::ostringstream text;
      result.print(text, true);
      transcript += text.str();
      transcript += '\n';
    }
  } catch (std::exception const& e) {
    transcript += e.what();
    transcript += '\n';
  } catch (...) {
    transcript += "unrecognized error\n";
  }
  // "clear" may have shortened the transcript under the mark.
  if (mark > transcript.size()) mark = transcript.size();
  std::cout.write(transcript.data() + mark, static_cast<std::streamsize>(transcript.size() - mark));
  std::cout.flush();
  mark = transcript.size();
  pending.clear();
}
