#pragma once
// The debug window: the cells at the player's feet and under the cursor,
// and rolling graphs of the last 30 drawn frames.
#include <glm/vec3.hpp>

#include <array>
#include <cstdint>

struct Context;

struct Debug_pane {
  struct Graph {
    std::array<float, 30> values{};
    std::uint64_t next = 0;
    float max = 0.0f;
  };

  Context& context;
  // FPS, triangles rendered, ops queued, ops done, ops added, cell pages,
  // light pages.
  std::array<Graph, 7> graphs{};

  explicit Debug_pane(Context& context_) : context(context_) {}
  // One frame of the window, with the triangles the page renderer drew.
  void update(std::uint64_t triangles);
  // One table row describing the cell, or none when it is not loaded or id 0.
  void print_block(char const* label, glm::ivec3 const& cell);
};
