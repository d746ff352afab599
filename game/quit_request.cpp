#include "game/quit_request.hpp"

#include <kestrine/interrupt.hpp>

#include <SDL.h>

#include <atomic>

namespace {

std::atomic<bool> quit{false};
static_assert(std::atomic<bool>::is_always_lock_free, "a signal handler sets it");

void on_quit_signal(int) { request_quit(); }

void handle(int signal, struct sigaction& old) {
  struct sigaction action {};
  action.sa_handler = on_quit_signal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  sigaction(signal, &action, &old);
}

} // namespace

Quit_signals::Quit_signals() {
  quit.store(false);
  handle(SIGTERM, old_term_);
  handle(SIGINT, old_int_);
}

Quit_signals::~Quit_signals() {
  sigaction(SIGINT, &old_int_, nullptr);
  sigaction(SIGTERM, &old_term_, nullptr);
}

bool quit_requested() noexcept { return quit.load(); }

void request_quit() noexcept {
  // The flag first: a script stopped by this request finds it set.
  quit.store(true);
  kestrine::request_interrupt();
}

void poll_close_request() {
  SDL_PumpEvents();
  if (SDL_HasEvent(SDL_QUIT)) request_quit();
}
