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

TEST(Gui_feed, EveryKeyChangeGetsAFrameOfItsOwnAndTheOrderHolds) {
  struct Case { std::vector<std::string> polls; char const* frames; } const cases[] = {
      // A press within one frame: down in one frame, up in the next.
      {{"+A 'a -A"}, "+A 'a | -A"},
      {{"+Return -Return"}, "+Return | -Return"},
      // A run of keys: each release waits for the next frame, with the
      // next key's press and text.
      {{typing("abc")}, "+A 'a | -A +B 'b | -B +C 'c | -C"},
      {{typing("aa")}, "+A 'a | -A | +A 'a | -A"},
      // Keys held over several frames, auto-repeats included, are handed
      // on at once.
      {{"+A 'a", "*A 'a *A 'a", "-A"}, "+A 'a | *A 'a *A 'a | -A"},
      {{"+Backspace", "*Backspace *Backspace -Backspace"}, "+Backspace | *Backspace *Backspace -Backspace"},
      // Text typed after Enter (or any key without text) waits for the
      // frame after it, whether Enter is still held or not.
      {{"+P 'p -P +Return -Return " + typing("q")}, "+P 'p | -P +Return | -Return +Q 'q | -Q"},
      {{"+Return +Q 'q -Return -Q"}, "+Return +Q | 'q -Return -Q"},
      {{"+Tab -Tab +A 'a -A"}, "+Tab | -Tab +A 'a | -A"},
      {{"+Left_Ctrl +V -V -Left_Ctrl +B 'b -B"}, "+Left_Ctrl +V | -V -Left_Ctrl +B 'b | -B"},
      // Modifiers bring no text of their own and hold nothing up.
      {{"+Left_Shift +A 'A -A -Left_Shift"}, "+Left_Shift +A 'A | -A -Left_Shift"},
      // Text from elsewhere (an input method) and other events pass.
      {{"'x 'y click 'z"}, "'x 'y click 'z"},
      {{"+A 'a click -A"}, "+A 'a click | -A"},
      // What waits goes before anything polled later.
      {{"+A 'a -A +B 'b -B", "+C 'c -C"}, "+A 'a | -A +B 'b | -B +C 'c | -C"},
  };
  for (auto const& c : cases) EXPECT_EQ(frames(c.polls), c.frames) << c.polls.front();
}

TEST(Gui_feed, AFloodIsHandedOnWhole) {
  Gui_feed feed;
  for (std::size_t i = 0; i <= Gui_feed::most_waiting / 2; ++i)
    for (SDL_Event const& e : key_events("+A -A")) feed.push(e);
  EXPECT_EQ(feed.next_frame().size(), 2 * (Gui_feed::most_waiting / 2 + 1));
  EXPECT_EQ(feed.waiting(), 0u);
  EXPECT_TRUE(feed.next_frame().empty());
}
