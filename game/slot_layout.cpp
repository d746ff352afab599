#include "game/slot_layout.hpp"

#include <algorithm>

Count_layout count_layout(float slot, glm::vec2 text) {
  float scale = 1.0f;
  if (text.x > slot) scale = slot / text.x;
  if (text.y * scale > slot) scale = slot / text.y;
  glm::vec2 const size = text * scale;
  return {{std::max(0.0f, slot - size.x), std::clamp(slot - size.y, 0.0f, slot / 2.0f)}, scale};
}

float row_width(int n, float slot, float spacing) {
  return n < 1 ? 0.0f : static_cast<float>(n) * slot + static_cast<float>(n - 1) * spacing;
}
