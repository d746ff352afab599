#pragma once
// Window events on their way to the GUI library, frame by frame. The
// library reads the keyboard once a frame: a key's state as the frame ends,
// its text before its keys, one editing key per frame and the modifiers as
// they are at the end. A key pressed and released within one slow frame
// would never be seen down, text typed after Enter in that frame would land
// in the line Enter completes, and a shortcut whose Ctrl went up in the
// same frame would not be one. The feed hands over the events in order and
// ends a frame's share early only where the library would misread it; the
// rest waits for the next frame, so whatever is typed reaches the GUI whole
// and in order, however slow the frames, and plain typing costs no frames.
//
// A key that opens a window to type in is the last of what the game had:
// the window's field takes the keyboard a frame after it is first drawn,
// and the library drops what is typed before that. So the feed holds back
// what comes after that key until the field holds the keyboard.
#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <optional>
#include <vector>

class Gui_feed {
public:
  // Far more than anyone types ahead: past it, everything goes at once, as
  // without the feed, rather than falling ever further behind.
  static constexpr std::size_t most_waiting = 4096;

  void push(SDL_Event const& e) {
    waiting_.push_back(e);
    mute(waiting_.back());
    ++pushed_;
  }
  // The events of the next GUI frame, oldest first. The share ends before
  //  - a second press or release in the frame of a key the GUI acts on
  //    (auto-repeats don't count), so a press shorter than a frame is down
  //    in one frame and up in the next;
  //  - anything but a key's release, text of other keys or another event
  //    after a key the GUI acts on went down without text (Enter, Tab,
  //    Backspace, arrows, Ctrl shortcuts): its text, another such key and
  //    a modifier change wait, so the key acts on what was typed before it
  //    and with the modifiers it came with;
  //  - a change of Ctrl, Alt or GUI after text, under which the GUI would
  //    drop that text.
  // Text, other keys and Shift go with the frame they came in. A frame
  // always takes at least one event, unless what waits is held back.
  std::vector<SDL_Event> next_frame();
  // The key press pushed as the `at`-th event (pushed() before it) opened a
  // window to type in. What was typed up to it was meant for the game: text
  // still waiting before it is dropped, and so is the key's own text and
  // that of its auto-repeats until the key goes up. What comes after the
  // press waits until `go_on()`, once the window's field holds the
  // keyboard.
  void open_typing(std::uint64_t at);
  void go_on() { hold_.reset(); }
  std::size_t waiting() const { return waiting_.size(); }
  // Events pushed and handed over since the start: every event pushed
  // before the n-th has reached the GUI once handed() >= n.
  std::uint64_t pushed() const { return pushed_; }
  std::uint64_t handed() const { return pushed_ - waiting_.size(); }

private:
  // What a dropped event becomes: it keeps its place in the count, and no
  // frame hands it over.
  static constexpr Uint32 dropped = SDL_FIRSTEVENT;

  // Drops the text of an auto-repeat of the muted key; its release ends
  // the mute.
  void mute(SDL_Event& e);

  std::deque<SDL_Event> waiting_;
  std::uint64_t pushed_ = 0;
  std::optional<std::uint64_t> hold_;   // events after this one wait
  std::optional<SDL_Scancode> muted_;   // the key that opened the window, while down
  bool after_muted_ = false;            // the event before was its press
};
