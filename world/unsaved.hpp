#pragma once
// What a save of the world could not write. Each saver logs its own file and
// the reason; the tally lets the caller say it once and decide the outcome.
#include <cstdint>
#include <string>

struct Unsaved {
  std::int64_t cell_pages = 0;
  std::int64_t mob_pages = 0;
  std::int64_t flat_pages = 0;
  bool player = false;  // the world file
  bool stopped = false; // an error ended the save before it went through every page

  bool any() const { return cell_pages != 0 || mob_pages != 0 || flat_pages != 0 || player || stopped; }
  Unsaved& operator+=(Unsaved const& other);
};

// "2 cell pages, 1 flat page and the player"; empty when nothing failed.
std::string describe(Unsaved const& unsaved);
