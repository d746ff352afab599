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
#include <SDL.h>

#include <cstddef>
#include <cstdint>
#include <deque>
#include <vector>

class Gui_feed {
public:
  // Far more than anyone types ahead: past it, everything goes at once, as
  // without the feed, rather than falling ever further behind.
  static constexpr std::size_t most_waiting = 4096;

  void push(SDL_Event const& e) {
    waiting_.push_back(e);
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
  // always takes at least one event.
  std::vector<SDL_Event> next_frame();
  std::size_t waiting() const { return waiting_.size(); }
  // Events pushed and handed over since the start: every event pushed
  // before the n-th has reached the GUI once handed() >= n.
  std::uint64_t pushed() const { return pushed_; }
  std::uint64_t handed() const { return pushed_ - waiting_.size(); }

private:
  std::deque<SDL_Event> waiting_;
  std::uint64_t pushed_ = 0;
};
