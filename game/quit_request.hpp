#pragma once
// A request to leave the game through its saving exit that can come while a
// script keeps the frame loop waiting: SIGTERM, SIGINT, or a close of the
// window seen during a long script. Every request also interrupts the
// running script, so the frame loop gets to the quit mode within moments.
#include <csignal>

// While it lives, SIGTERM and SIGINT request the quit (in place of the video
// library's handlers, which only queue an event for the next frame); the
// previous handlers come back after. Building one clears an earlier request.
class Quit_signals {
public:
  Quit_signals();
  ~Quit_signals();
  Quit_signals(Quit_signals const&) = delete;
  Quit_signals& operator=(Quit_signals const&) = delete;

private:
  struct sigaction old_term_ {};
  struct sigaction old_int_ {};
};

bool quit_requested() noexcept;
// Async-signal-safe.
void request_quit() noexcept;

// For a script that has run a while: takes the window's pending events into
// the queue, where the frame loop still finds them, and turns a close
// request among them into a quit request.
void poll_close_request();
