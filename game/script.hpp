#pragma once
// The game's script environment: the scope holding the game's functions,
// against which every pack script is compiled, and the console that runs
// typed code with local variables kept from one input to the next. Every
// script the game runs is stopped when it runs too long, or when the player
// asks to quit while it runs.
#include "game/quit_request.hpp"
#include "game/transcript.hpp"

#include <kestrine/kestrine.hpp>

#include <chrono>
#include <cstddef>
#include <cstdint>
#include <functional>
#include <optional>
#include <random>
#include <string>
#include <string_view>

struct Context;

// How long the scripts the game runs in one frame (console input, items'
// uses, cells' and mobs' scripts) may last together before the one running
// is stopped with an error: far beyond what any pack script or console input
// needs, short enough that scripts stuck in loops cost the player a moment
// and not the session.
inline constexpr std::chrono::seconds script_time_budget{2};

// The part of the scripts' memory limit that console input can't take, in
// sixteenths: a quarter. Whatever the player keeps in console variables, or
// loses in reference cycles, the pack scripts still have it, and only the
// console input gets "script out of memory".
inline constexpr unsigned console_leaves_sixteenths = 4;

class Script {
public:
  kestrine::Scope scope;
  kestrine::Interactive console{console_leaves_sixteenths};
  std::string pending;   // the open block, every line followed by "\n"
  Transcript transcript; // what the console window shows and standard output copies
  std::random_device device{"default"};
  std::minstd_rand engine;

  // Registers the game's functions before anything is compiled against the
  // scope; SIGTERM, SIGINT and a close of the window stop a running script.
  explicit Script(Context& context);
  // With the registration given: tests bind their own functions, or none,
  // and may shorten the budget; `poll` is called now and then while a
  // script runs long.
  explicit Script(std::function<void(Script&)> const& register_functions,
                  std::chrono::nanoseconds budget = script_time_budget, std::function<void()> poll = {});
  Script(Script const&) = delete;
  Script& operator=(Script const&) = delete;

  // One console line as typed, without its newline. A line ending in ':'
  // opens a block, which runs at the next empty line; any other line runs at
  // once. Nothing raised by the code leaves here: errors become transcript
  // lines.
  void input(std::string_view line);
  // Echoes the line into the transcript and adds it to the pending input.
  void push(std::string_view line);

  // The engine's seed for one value of the random device: never 0, which
  // would stop the engine.
  static std::uint_fast32_t seed_for(std::uint32_t device_value);

  // The time budget every script the game runs counts against.
  kestrine::Budget& budget() noexcept { return budget_; }

private:
  void evaluate();

  kestrine::Budget budget_;
  std::optional<Quit_signals> quit_signals_;
};
