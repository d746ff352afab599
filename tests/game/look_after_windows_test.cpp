// The mouse look around the game's windows, frame by frame: where the
// pointer was left in a window never turns the view once the window closes,
// whichever frames are drawn, and motion made afterwards turns it as always.
#include "support/look_frames.hpp"

#include <gtest/gtest.h>

#include <string>

TEST(Look_after_windows, TheWindowsPointerTurnsNothingAndLaterMotionTurnsAsBefore) {
  struct Window { char const* name; std::string open, close_before, close; } const windows[] = {
      {"inventory", "Tab", "", "Tab"},
      {"inventory left by Escape", "Tab", "", "Escape"},
      {"main menu", "Escape", "", "Escape"},
      {"main menu left by its resume row", "Escape", "", "@resume"},
      {"settings, then the main menu", "Escape @settings", "Escape", "Escape"},
      {"console", ".", "", "Escape"},
  };
  glm::ivec2 const middle = Look_frames::window / 2, corner = Look_frames::window - 1;
  glm::ivec2 const places[] = {{0, 0}, {corner.x, 0}, {0, corner.y}, corner, middle + glm::ivec2(3, -3)};
  // Drawn or not, the frame that takes the closing key; more than 50 ms
  // after a drawn frame is not drawn.
  struct Rate { char const* name; std::uint64_t ms; bool close_drawn; } const rates[] = {
      {"normal", 33, true},
      {"slow", 45, true},
      {"dropped frames, the closing one drawn", 60, true},
      {"dropped frames, the closing one not drawn", 60, false},
  };
  for (auto const& w : windows)
    for (glm::ivec2 place : places)
      for (auto const& r : rates) {
        std::string const what = std::string(w.name) + ", pointer left at " + std::to_string(place.x) + "," +
                                 std::to_string(place.y) + ", " + r.name;
        Look_frames f;
        f.frame_ms = r.ms;
        f.frames(3);
        glm::vec2 const before = f.body.angles;
        f.act(w.open);
        // The window shows the pointer in the middle; it goes to the place
        // in steps, the last taken in the frame of the closing key.
        glm::ivec2 const to = place - middle;
        for (int i = 0; i < 2; ++i) {
          Look_frames::move(to / 3);
          f.frame();
        }
        f.act(w.close_before);
        while (f.next_drawn() != r.close_drawn) f.frame();
        Look_frames::move(to - to / 3 * 2);
        f.act(w.close);
        ASSERT_EQ(f.mode, mode_roaming) << what;
        if (w.close[0] != '@') {
          EXPECT_EQ(f.closed_drawn, r.close_drawn) << what;
        }
        f.frames(4);
        EXPECT_EQ(f.body.angles, before) << what;

        Look_frames::move({20, -5});
        Look_frames::move({10, -15});
        f.frame();
        EXPECT_NEAR(f.body.angles.y, before.y - 0.075f, 1e-6f) << what;
        EXPECT_NEAR(f.body.angles.x, before.x + 0.05f, 1e-6f) << what;
      }
}
