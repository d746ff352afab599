#pragma once
// A clock for a script time budget that stands still until the test moves
// it: what the budget lets finish, what it stops and the times it names
// then follow from the times the test set, however the scheduler runs the
// script and the watchdog.
#include <kestrine/kestrine.hpp>

#include <atomic>
#include <chrono>
#include <cstdint>

class Set_clock {
public:
  Set_clock() = default;
  Set_clock(Set_clock const&) = delete;
  Set_clock& operator=(Set_clock const&) = delete;

  // For a budget, which must not outlive the clock.
  kestrine::Budget::Clock clock() {
    return [this] { return std::chrono::nanoseconds(ns_.load()); };
  }

  // Time that passes inside one call of a host function: the script looks
  // at it only if a watchdog tick asks it to.
  void advance(std::chrono::nanoseconds d) { ns_ += d.count(); }

  // Time that a running script spends, ended as by a watchdog tick: the
  // script looks at its next jump or call, so the test does not wait for a
  // real tick to learn what the budget makes of the time.
  void spend(std::chrono::nanoseconds d) {
    advance(d);
    kestrine::interrupt_word.fetch_or(kestrine::interrupt_look);
  }

  // "spend(ms)" and "nap(ms)" (advance) for the scripts of `scope`.
  void add_to(kestrine::Scope& scope) {
    using kestrine::Int;
    scope.add("spend", kestrine::Val(kestrine::Fun([this](Int ms) { spend(std::chrono::milliseconds(ms)); })));
    scope.add("nap", kestrine::Val(kestrine::Fun([this](Int ms) { advance(std::chrono::milliseconds(ms)); })));
  }

private:
  std::atomic<std::int64_t> ns_{0};
};
