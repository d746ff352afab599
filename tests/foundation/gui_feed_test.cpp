#include "foundation/gui_feed.hpp"

#include "support/key_events.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Pushes the events (each string a batch polled before one frame) and
// takes frames until nothing waits: the frames' events, " | " between.
std::string frames(std::vector<std::string> const& polls) {
  Gui_feed feed;
  std::string out;
  auto take = [&] {
    std::string const f = key_text(feed.next_frame());
    if (!f.empty()) out += (out.empty() ? "" : " | ") + f;
  };
  for (auto const& poll : polls) {
    for (SDL_Event const& e : key_events(poll)) feed.push(e);
    take();
  }
  while (feed.waiting() > 0) take();
  return out;
}

} // namespace

TEST(Gui_feed, OnlyWhatTheGuiWouldMisreadWaitsAndTheOrderHolds) {
  struct Case { std::vector<std::string> polls; char const* frames; } const cases[] = {
      // Typing goes in one frame, repeated letters, blanks and shifted
      // characters included: the GUI takes the text in order.
      {{typing("abc")}, "+A 'a -A +B 'b -B +C 'c -C"},
      {{typing("aa  b")}, "+A 'a -A +A 'a -A +Space '  -Space +Space '  -Space +B 'b -B"},
      {{typing("A(")}, "+Left_Shift +A 'A -A -Left_Shift +Left_Shift +9 '( -9 -Left_Shift"},
      {{"+Left_Shift +A 'A +B 'B -Left_Shift -A -B"}, "+Left_Shift +A 'A +B 'B -Left_Shift -A -B"},
      // A key the GUI acts on, pressed within one frame: down in one
      // frame, up in the next; pressed again, it waits a frame more.
      {{"+Return -Return"}, "+Return | -Return"},
      {{"+Backspace -Backspace +Backspace -Backspace"}, "+Backspace | -Backspace | +Backspace | -Backspace"},
      // Keys held over several frames, auto-repeats included, are handed
      // on at once.
      {{"+A 'a", "*A 'a *A 'a", "-A"}, "+A 'a | *A 'a *A 'a | -A"},
      {{"+Backspace", "*Backspace *Backspace -Backspace"}, "+Backspace | *Backspace *Backspace -Backspace"},
      // Such a key acts on the text before it: text after it waits, whether
      // the key is still held or not.
      {{"+P 'p -P +Return -Return " + typing("q")}, "+P 'p -P +Return | -Return +Q 'q -Q"},
      {{"+Return +Q 'q -Return -Q"}, "+Return +Q | 'q -Return -Q"},
      {{"+Tab -Tab +A 'a -A"}, "+Tab | -Tab +A 'a -A"},
      // A text field acts on one such key a frame, whatever their order.
      {{"+Left +Backspace -Left -Backspace"}, "+Left | +Backspace -Left | -Backspace"},
      {{"+Home -Home +Delete -Delete"}, "+Home | -Home +Delete | -Delete"},
      // Letters are shortcuts with Ctrl held; Ctrl goes with the key that
      // used it, text waits for Ctrl to go, and Ctrl for text before it.
      {{"+Left_Ctrl +V -V -Left_Ctrl +B 'b -B"}, "+Left_Ctrl +V | -V -Left_Ctrl +B 'b -B"},
      {{"+Left_Ctrl +V -Left_Ctrl -V"}, "+Left_Ctrl +V | -Left_Ctrl -V"},
      {{"+Left_Ctrl +Z -Z +Z -Z -Left_Ctrl"}, "+Left_Ctrl +Z | -Z | +Z | -Z -Left_Ctrl"},
      {{typing("a") + " +Left_Ctrl +A -A -Left_Ctrl"}, "+A 'a -A | +Left_Ctrl +A | -A -Left_Ctrl"},
      {{"+Left_Shift +Left -Left_Shift -Left"}, "+Left_Shift +Left | -Left_Shift -Left"},
      // Modifiers bring no text of their own and hold nothing up.
      {{"+Left_Ctrl -Left_Ctrl +Left_Alt -Left_Alt " + typing("b")},
       "+Left_Ctrl -Left_Ctrl +Left_Alt -Left_Alt +B 'b -B"},
      // Text from elsewhere (an input method) and other events pass.
      {{"'x 'y click 'z"}, "'x 'y click 'z"},
      {{"+A 'a click -A"}, "+A 'a click -A"},
      // What waits goes before anything polled later, and with it.
      {{"+A 'a -A +Return -Return", typing("c")}, "+A 'a -A +Return | -Return +C 'c -C"},
  };
  for (auto const& c : cases) EXPECT_EQ(frames(c.polls), c.frames) << c.polls.front();
}

TEST(Gui_feed, CountsWhatItHandsOver) {
  Gui_feed feed;
  for (SDL_Event const& e : key_events("+A 'a -A +Return -Return +B")) feed.push(e);
  EXPECT_EQ(feed.pushed(), 6u);
  EXPECT_EQ(feed.handed(), 0u);
  feed.next_frame();
  EXPECT_EQ(feed.handed(), 4u);
  feed.next_frame();
  EXPECT_EQ(feed.handed(), 6u);
}

TEST(Gui_feed, AFloodIsHandedOnWhole) {
  Gui_feed feed;
  for (std::size_t i = 0; i <= Gui_feed::most_waiting / 2; ++i)
    for (SDL_Event const& e : key_events("+A -A")) feed.push(e);
  EXPECT_EQ(feed.next_frame().size(), 2 * (Gui_feed::most_waiting / 2 + 1));
  EXPECT_EQ(feed.waiting(), 0u);
  EXPECT_TRUE(feed.next_frame().empty());
}

namespace {

// The key at `at` of `before` opens a window to type in: the frame that
// takes it, a frame after `later` is polled while the window's field has
// no keyboard yet, and the frames once it has (" | " between): " # "
// between the three.
std::string opening(std::string const& before, std::uint64_t at, std::string const& later) {
  Gui_feed feed;
  for (SDL_Event const& e : key_events(before)) feed.push(e);
  feed.open_typing(at);
  std::vector<std::string> parts{key_text(feed.next_frame())};
  for (SDL_Event const& e : key_events(later)) feed.push(e);
  parts.push_back(key_text(feed.next_frame()));
  feed.go_on();
  std::string rest;
  while (feed.waiting() > 0) rest.append(rest.empty() ? "" : " | ").append(key_text(feed.next_frame()));
  parts.push_back(rest);
  return parts[0] + " # " + parts[1] + " # " + parts[2];
}

} // namespace

TEST(Gui_feed, WhatComesAfterAKeyThatOpensTypingWaitsForTheField) {
  struct Case { char const* before; std::uint64_t at; std::string later; char const* frames; } const cases[] = {
      // Text typed before the key was the game's; the key's own text too.
      {"+W 'w -W +. '.", 3, "", "+W -W +. #  # "},
      // What comes after it, in the same poll or a later one, waits whole.
      {"+. '. +P 'p -. -P", 0, typing("q"), "+. #  # +P 'p -. -P +Q 'q -Q"},
      {"+. '. -.", 0, typing("1") + " +Return -Return " + typing("2"),
       "+. #  # -. +1 '1 -1 +Return | -Return +2 '2 -2"},
      // Held, the key types nothing until it goes up; then it types.
      {"+. '. *. '.", 0, "*. '. +A 'a *. '. -. +. '. -.",
       "+. #  # *. *. +A 'a *. -. +. '. -."},
      // A key the GUI acts on before the opening key keeps its own frame.
      {"+Return -Return +. '.", 2, typing("x"), "+Return # -Return +. # +X 'x -X"},
  };
  for (auto const& c : cases) EXPECT_EQ(opening(c.before, c.at, c.later), c.frames) << c.before << " / " << c.later;
}
