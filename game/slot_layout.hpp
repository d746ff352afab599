#pragma once
// Where things go in and around item slots, in pixels: a stack's count
// inside its slot, and rows of slots.
#include <glm/vec2.hpp>

// A count's text in a square slot: drawn at `scale` times the font size,
// its top-left corner `at` from the slot's.
struct Count_layout {
  glm::vec2 at;
  float scale;
};

// The count right-aligned to the slot's edge and halfway down (higher when
// it is taller than half the slot), at the full font size when it fits
// and smaller when it must be: every count stays whole inside the slot.
// `text` is the count's size at the full font size.
Count_layout count_layout(float slot, glm::vec2 text);

// The width of a row of n slots with `spacing` between neighbours.
float row_width(int n, float slot, float spacing);
