#include "game/quit_request.hpp"

#include <kestrine/kestrine.hpp>

#include <SDL.h>
#include <gtest/gtest.h>

#include <csignal>

namespace {

// The handler a signal has now.
void (*handler_of(int signal))(int) {
  struct sigaction now {};
  sigaction(signal, nullptr, &now);
  return now.sa_handler;
}

// Whether the next loop of a script is stopped by a request.
bool next_script_interrupted() {
  kestrine::Scope scope;
  try {
    kestrine::eval(scope, "i = 0\nwhile i < 3:\n    i = i + 1\n");
  } catch (kestrine::Interrupted const& e) {
    return e.cause() == kestrine::Interrupted::Cause::request;
  }
  return false;
}

void on_nothing(int) {}

} // namespace

TEST(Quit_request, SignalsAskToQuitAndStopTheScript) {
  for (int signal : {SIGTERM, SIGINT}) {
    struct sigaction before {}, old {};
    before.sa_handler = on_nothing;
    sigaction(signal, &before, &old);
    {
      Quit_signals signals;
      EXPECT_FALSE(quit_requested());
      EXPECT_FALSE(next_script_interrupted());
      std::raise(signal);
      EXPECT_TRUE(quit_requested()) << signal;
      EXPECT_TRUE(next_script_interrupted()) << signal;
      EXPECT_FALSE(next_script_interrupted()) << "one request stops one script";
    }
    EXPECT_EQ(handler_of(signal), &on_nothing) << "the earlier handler is back";
    sigaction(signal, &old, nullptr);
  }
}

TEST(Quit_request, AClosedWindowSeenDuringAScriptAsksToQuit) {
  ASSERT_EQ(SDL_Init(SDL_INIT_EVENTS), 0) << SDL_GetError();
  Quit_signals signals;
  poll_close_request();
  EXPECT_FALSE(quit_requested());
  SDL_Event quit{};
  quit.type = SDL_QUIT;
  SDL_PushEvent(&quit);
  poll_close_request();
  EXPECT_TRUE(quit_requested());
  EXPECT_TRUE(next_script_interrupted());
  EXPECT_TRUE(SDL_HasEvent(SDL_QUIT)) << "the frame loop still finds the close";
  SDL_Quit();
}
