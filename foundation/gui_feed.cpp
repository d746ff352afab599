#include "foundation/gui_feed.hpp"

#include <algorithm>
#include <iterator>

namespace {

bool key_change(SDL_Event const& e) { return (e.type == SDL_KEYDOWN || e.type == SDL_KEYUP) && e.key.repeat == 0; }

bool modifier(SDL_Scancode s) { return s >= SDL_SCANCODE_LCTRL && s <= SDL_SCANCODE_RGUI; }

} // namespace

std::vector<SDL_Event> Gui_feed::next_frame() {
  std::size_t n = 0;
  if (waiting_.size() > most_waiting) {
    n = waiting_.size();
  } else {
    std::vector<SDL_Scancode> changed; // keys pressed or released in this frame
    bool acted = false;                // a key without text went down
    for (; n < waiting_.size(); ++n) {
      SDL_Event const& e = waiting_[n];
      if (key_change(e)) {
        SDL_Scancode const key = e.key.keysym.scancode;
        if (std::find(changed.begin(), changed.end(), key) != changed.end()) break;
        changed.push_back(key);
        // SDL sends a key's text right after the key.
        bool const typed = n + 1 < waiting_.size() && waiting_[n + 1].type == SDL_TEXTINPUT;
        if (e.type == SDL_KEYDOWN && !typed && !modifier(key)) acted = true;
      } else if (e.type == SDL_TEXTINPUT && acted) {
        break;
      }
    }
  }
  auto const end = waiting_.begin() + static_cast<std::ptrdiff_t>(n);
  std::vector<SDL_Event> out(waiting_.begin(), end);
  waiting_.erase(waiting_.begin(), end);
  return out;
}
