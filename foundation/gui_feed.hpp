#pragma once
// Window events on their way to the GUI library, frame by frame. The
// library reads the keyboard once a frame and takes a frame's text before
// its keys: a key pressed and released within one slow frame would never be
// seen down, and text typed after Enter in that frame would land in the line
// Enter completes. The feed hands over the events in order and ends a
// frame's share early where that would happen; the rest waits for the next
// frame, so whatever is typed reaches the GUI whole and in order, however
// slow the frames.
#include <SDL.h>

#include <cstddef>
#include <deque>
#include <vector>

class Gui_feed {
public:
  // Far more than anyone types ahead: past it, everything goes at once, as
  // without the feed, rather than falling ever further behind.
  static constexpr std::size_t most_waiting = 4096;

  void push(SDL_Event const& e) { waiting_.push_back(e); }
  // The events of the next GUI frame, oldest first. The share ends before
  //  - a key's second press or release in the frame (auto-repeats don't
  //    count), so a press shorter than a frame is down in one frame and up
  //    in the next;
  //  - text that follows a key going down without text of its own in the
  //    frame (Enter, Tab, Backspace, arrows, shortcuts; not the modifiers),
  //    so keys act on the text typed before them only.
  // A frame always takes at least one event.
  std::vector<SDL_Event> next_frame();
  std::size_t waiting() const { return waiting_.size(); }

private:
  std::deque<SDL_Event> waiting_;
};
