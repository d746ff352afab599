// Typing into the console through the GUI's real SDL back end and the event
// feed, at frames so slow that every key is shorter than one.
#include "foundation/media.hpp"
#include "foundation/str_db.hpp"
#include "foundation/widgets.hpp"
#include "game/console_menu.hpp"
#include "game/script.hpp"

#include "support/gl.hpp"
#include "support/gui.hpp"
#include "support/key_events.hpp"

#include <gtest/gtest.h>

#include <cstdint>
#include <string>
#include <vector>

namespace {

struct Console_typing : testing::Test {
  Media media{test_window(640, 480)};
  Script script{[](Script&) {}};
  Console_menu console{script};

  Console_typing() {
    keep_gl_driver_loaded();
    str_db().strings.clear();
  }
  ~Console_typing() override { str_db().strings.clear(); }

  void frame(Widgets& w) {
    w.update();
    console.update({640, 480});
    w.render();
  }
  // A frame of the game in the console: what waits for the input line goes
  // on once the line holds the keyboard.
  void game_frame(Widgets& w) {
    frame(w);
    if (!console.waits_for_keyboard()) w.feed.go_on();
  }
};

} // namespace

TEST_F(Console_typing, WhatIsTypedReachesTheLineInAboutAFramePerKeyTheGuiActsOn) {
  std::string const line1023(1023, 'a');
  struct Case {
    std::string keys;
    char const* transcript; // the lines entered, as the console shows them
    std::string field;      // and what the line holds after
    int most_frames;
  } const cases[] = {
      // Plain typing: one frame, however many keys.
      {typing("aabbcc  dd"), "", "aabbcc  dd", 1},
      {typing("Print(\"Hi\") <x>"), "", "Print(\"Hi\") <x>", 1},
      {typing(line1023 + "bcdefg"), "", line1023, 1},
      // Keys the GUI acts on between letters.
      {typing("ab") + " +Backspace -Backspace " + typing("c"), "", "ac", 2},
      {typing("abx") + " +Backspace -Backspace +Backspace -Backspace " + typing("cd"), "", "acd", 4},
      {typing("ac") + " +Left -Left " + typing("b"), "", "abc", 2},
      {typing("abc") + " +Home -Home +Delete -Delete", "", "bc", 3},
      {typing("abc") + " +Left_Shift +Left -Left -Left_Shift " + typing("x"), "", "abx", 2},
      {typing("abc") + " +Left_Ctrl +A -A -Left_Ctrl " + typing("z"), "", "z", 3},
      // Enter right after text, and the next line right after Enter.
      {typing("1+2") + " +Return -Return " + typing("x"), "> 1+2\n3\n", "x", 2},
      {typing("7") + " +Return -Return " + typing("8") + " +Return -Return", "> 7\n7\n> 8\n8\n", "", 4},
      // Escape is the game's, not the line's.
      {typing("ab") + " +Escape -Escape " + typing("c"), "", "abc", 2},
  };
  for (auto const& c : cases) {
    Widgets w(media, game_font());
    ImGui::GetIO().IniFilename = nullptr;
    script.transcript.clear();
    console.input[0] = '\0';
    for (int i = 0; i < 2; ++i) frame(w); // the line holds the keyboard
    // All of it polled before one frame, as a slow frame finds it.
    for (SDL_Event e : key_events(c.keys)) w.handle_event(e);
    int frames = 0;
    for (; w.feed.waiting() > 0 && frames < 100; ++frames) frame(w);
    frame(w);
    EXPECT_EQ(script.transcript.text(), c.transcript) << c.keys.substr(0, 200);
    EXPECT_EQ(std::string(console.input.data()), c.field) << c.keys.substr(0, 200);
    EXPECT_LE(frames, c.most_frames) << c.keys.substr(0, 200);
  }
}

TEST_F(Console_typing, WhatIsTypedRightAfterTheConsoleKeyReachesTheLineWhole) {
  struct Case {
    char const* what;
    std::string opening;             // polled before the frame the console opens in, its key included
    std::vector<std::string> later;  // each polled before a later frame
    char const* transcript;
    char const* field;
  } const cases[] = {
      {"text and Return with the key", "+W 'w -W +. '. " + typing("20+3") + " -. +Return -Return", {}, "> 20+3\n23\n",
       ""},
      {"text in the next frame", "+. '. -.", {typing("20+3") + " +Return -Return"}, "> 20+3\n23\n", ""},
      {"text over three frames", "+. '. " + typing("2"), {typing("0+") + " -.", typing("3") + " +Return -Return"},
       "> 20+3\n23\n", ""},
      {"text left in the line", "+. '. " + typing("ab"), {"-. " + typing("c")}, "", "abc"},
      // Its own text, repeats included, never; the key pressed again types.
      {"the key held", "+. '. *. '.", {typing("4") + " *. '. -.", typing(".5")}, "", "4.5"},
  };
  for (auto const& c : cases) {
    Widgets w(media, game_font());
    ImGui::GetIO().IniFilename = nullptr;
    script.transcript.clear();
    console.input[0] = '\0';
    for (int i = 0; i < 2; ++i) {
      // Roaming: no console window.
      w.update();
      w.render();
    }
    std::uint64_t at = w.feed.pushed();
    for (SDL_Event e : key_events(c.opening)) {
      if (e.type == SDL_KEYDOWN && e.key.keysym.scancode == SDL_SCANCODE_PERIOD && !e.key.repeat) at = w.feed.pushed();
      w.handle_event(e);
    }
    w.feed.open_typing(at);
    game_frame(w);
    for (auto const& poll : c.later) {
      for (SDL_Event e : key_events(poll)) w.handle_event(e);
      game_frame(w);
    }
    for (int frames = 0; w.feed.waiting() > 0 && frames < 100; ++frames) game_frame(w);
    game_frame(w);
    EXPECT_EQ(script.transcript.text(), c.transcript) << c.what;
    EXPECT_EQ(std::string(console.input.data()), c.field) << c.what;
  }
}
