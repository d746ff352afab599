#pragma once
// The GUI library's context on the window and GL context of Media: set-up,
// events, and the start and drawing of each GUI frame.
#include "foundation/gui_feed.hpp"

#include <SDL.h>

#include <filesystem>

struct Media;

struct Widgets {
  // The GUI font, under "fonts" in the program's data directories.
  static constexpr char const* font_name = "DejaVuSans.ttf";

  Media& media;
  Gui_feed feed; // events that wait for their GUI frame
  bool settings_read = false; // the library's settings file, before the first frame

  explicit Widgets(Media& media_);
  // With the font file given directly. A font that cannot be read is logged
  // and the library's built-in font used instead.
  Widgets(Media& media_, std::filesystem::path const& font);
  ~Widgets();
  Widgets(Widgets const&) = delete;
  Widgets& operator=(Widgets const&) = delete;

  // Queues the event for the GUI; the frames take them in order, a key
  // press shorter than a frame included.
  void handle_event(SDL_Event& event);
  void update(); // starts a GUI frame with its share of the events
  void render(); // draws it
};
