#pragma once
// The debug window: the cells at the player's feet and under the cursor,
// and rolling graphs of the last 30 drawn frames.
#include <glm/vec3.hpp>

#include <array>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct Context;
struct Raycast_result;
struct Scene;

// A figure in a few characters: 999, 1.2K, 12K, 3.4M, 56M, 7.8G, 90G, 1.2T...
std::string short_number(float v);

struct Debug_pane {
  // The last 30 values of one figure, oldest at `next`.
  struct Graph {
    std::array<float, 30> values{};
    std::uint64_t next = 0;
    float max = 0.0f; // the largest value ever pushed: the top of the scale

    void push(float v);
    // The mean of the 30 slots (slots not yet written count as 0), summed
    // through a whole number as the overlay shows it.
    std::int32_t average() const;
    // A histogram, oldest value first, with the average as its overlay.
    void plot(char const* label) const;
  };

  static constexpr std::array<char const*, 7> labels = {
      "FPS", "Triangles Rendered", "Ops Queued", "Ops Done", "Ops Added", "Cell pages", "Light pages"};
  // One frame's figures, in the order of the labels.
  using Figures = std::array<float, 7>;

  Context& context;
  std::array<Graph, 7> graphs{};

  explicit Debug_pane(Context& context_) : context(context_) {}
  // One frame of the window, with the triangles the page renderer drew.
  void update(std::uint64_t triangles);
  // One table row describing the cell, or none when it is not loaded or id 0.
  void print_block(char const* label, glm::ivec3 const& cell);
};

// What update draws, over the figures, scene and cursor given.
void draw_debug_pane(std::array<Debug_pane::Graph, 7>& graphs, Debug_pane::Figures const& figures, Scene& scene,
                     Raycast_result const& cursor);

// The 8 columns of a cell's row: label, x, y, z, type name, light byte in
// hex, whether a mob is there, the stone level of its column (empty when
// the column's flat page is not loaded).
using Pane_row = std::array<std::string, 8>;
// A cell's row; nothing for a cell whose page is not loaded or whose type
// is 0.
std::optional<Pane_row> cell_row(Scene const& scene, char const* label, glm::ivec3 const& cell);
// Adds that row to the current table.
void print_block(Scene const& scene, char const* label, glm::ivec3 const& cell);
void add_row(Pane_row const& row);
// The table's rows this frame: the player's cell, then the cursor's two
// (only their labels when the cursor is on no cell).
std::vector<Pane_row> pane_rows(Scene const& scene, Raycast_result const& cursor);
// The window's width on a first open: its longest graph label and every
// column whole, for these rows and any cell type's name.
float debug_pane_width(std::vector<Pane_row> const& rows);
