#include "foundation/gui_feed.hpp"

#include <algorithm>
#include <iterator>

namespace {

bool key_change(SDL_Event const& e) { return (e.type == SDL_KEYDOWN || e.type == SDL_KEYUP) && e.key.repeat == 0; }

bool modifier(SDL_Scancode s) { return s >= SDL_SCANCODE_LCTRL && s <= SDL_SCANCODE_RGUI; }

bool shift(SDL_Scancode s) { return s == SDL_SCANCODE_LSHIFT || s == SDL_SCANCODE_RSHIFT; }

// The keys the GUI's back end maps for the library; the letters act only
// as shortcuts, with Ctrl held (select all, copy, paste, cut, redo, undo).
// Space is mapped too, but only keyboard navigation reads it, which the
// game's windows don't take: text fields get the blank from its text. Other
// keys reach the GUI through their text alone.
bool acts(SDL_Scancode s, Uint16 mod) {
  switch (s) {
  case SDL_SCANCODE_TAB:
  case SDL_SCANCODE_LEFT:
  case SDL_SCANCODE_RIGHT:
  case SDL_SCANCODE_UP:
  case SDL_SCANCODE_DOWN:
  case SDL_SCANCODE_PAGEUP:
  case SDL_SCANCODE_PAGEDOWN:
  case SDL_SCANCODE_HOME:
  case SDL_SCANCODE_END:
  case SDL_SCANCODE_INSERT:
  case SDL_SCANCODE_DELETE:
  case SDL_SCANCODE_BACKSPACE:
  case SDL_SCANCODE_RETURN:
  case SDL_SCANCODE_ESCAPE:
  case SDL_SCANCODE_KP_ENTER: return true;
  case SDL_SCANCODE_A:
  case SDL_SCANCODE_C:
  case SDL_SCANCODE_V:
  case SDL_SCANCODE_X:
  case SDL_SCANCODE_Y:
  case SDL_SCANCODE_Z: return (mod & KMOD_CTRL) != 0;
  default: return false;
  }
}

struct Changed {
  SDL_Scancode key;
  bool acted; // some change of it in the frame counts for the GUI
};

} // namespace

std::vector<SDL_Event> Gui_feed::next_frame() {
  std::size_t n = 0;
  if (waiting_.size() > most_waiting) {
    n = waiting_.size();
  } else {
    std::size_t limit = waiting_.size();
    if (hold_) limit = *hold_ < handed() ? 0 : std::min<std::uint64_t>(limit, *hold_ - handed() + 1);
    std::vector<Changed> changed; // keys pressed or released in this frame
    bool pressed = false;         // a key the GUI acts on went down without text
    bool typed = false;           // text came
    for (; n < limit; ++n) {
      SDL_Event const& e = waiting_[n];
      if (key_change(e)) {
        SDL_Scancode const key = e.key.keysym.scancode;
        if (modifier(key)) {
          // The library reads the modifiers once, as the frame ends.
          if (pressed || (typed && !shift(key))) break;
          continue;
        }
        bool const act = acts(key, e.key.keysym.mod);
        auto const seen = std::find_if(changed.begin(), changed.end(), [&](Changed const& c) { return c.key == key; });
        if (seen != changed.end()) {
          if (act || seen->acted) break;
          continue;
        }
        changed.push_back({key, act});
        // SDL sends a key's text right after the key.
        bool const with_text = n + 1 < waiting_.size() && waiting_[n + 1].type == SDL_TEXTINPUT;
        if (e.type == SDL_KEYDOWN && act && !with_text) {
          // A text field acts on one such key a frame.
          if (pressed) break;
          pressed = true;
        }
      } else if (e.type == SDL_TEXTINPUT) {
        if (pressed) break;
        typed = true;
      }
    }
  }
  auto const end = waiting_.begin() + static_cast<std::ptrdiff_t>(n);
  std::vector<SDL_Event> out;
  std::copy_if(waiting_.begin(), end, std::back_inserter(out), [](SDL_Event const& e) { return e.type != dropped; });
  waiting_.erase(waiting_.begin(), end);
  return out;
}

void Gui_feed::open_typing(std::uint64_t at) {
  hold_ = at;
  if (at < handed() || at >= pushed_) return;
  auto const key = static_cast<std::size_t>(at - handed());
  for (std::size_t i = 0; i < key; ++i)
    if (waiting_[i].type == SDL_TEXTINPUT) waiting_[i].type = dropped;
  if (waiting_[key].type != SDL_KEYDOWN) return;
  muted_ = waiting_[key].key.keysym.scancode;
  after_muted_ = true; // SDL sends a key's text right after the key
  for (std::size_t i = key + 1; i < waiting_.size(); ++i) mute(waiting_[i]);
}

void Gui_feed::mute(SDL_Event& e) {
  bool const after = after_muted_;
  after_muted_ = false;
  if (!muted_) return;
  if (e.type == SDL_TEXTINPUT) {
    if (after) e.type = dropped;
  } else if ((e.type == SDL_KEYDOWN || e.type == SDL_KEYUP) && e.key.keysym.scancode == *muted_) {
    if (e.type == SDL_KEYUP)
      muted_.reset();
    else
      after_muted_ = true;
  }
}
