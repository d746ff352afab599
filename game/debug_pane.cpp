#include "game/debug_pane.hpp"

#include "content/cell_db.hpp"
#include "world/body.hpp"
#include "world/raycast.hpp"
#include "world/scene.hpp"

#include <imgui.h>
#include <imgui_internal.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>

namespace {

template <class... A>
std::string format(char const* f, A... a) {
  char buf[64];
  std::snprintf(buf, sizeof buf, f, a...);
  return buf;
}

// The whole part of a float that fits; 0 for NaN.
long whole(float v) {
  if (std::isnan(v)) return 0;
  if (v >= 9.2e18f) return 9200000000000000000L;
  if (v <= -9.2e18f) return -9200000000000000000L;
  return static_cast<long>(v);
}

} // namespace

std::string short_number(float v) {
  if (v < 1000.0f) return format("%ld", whole(v));
  if (v < 10000.0f) return format("%.1fK", v / 1000.0f);
  if (v < 1e6f) return format("%ldK", whole(v / 1000.0f));
  if (v < 1e7f) return format("%.1fM", v / 1e6f);
  if (v < 1e9f) return format("%ldM", whole(v / 1e6f));
  if (v < 1e10f) return format("%.1fG", v / 1e9f);
  if (v < 1e12f) return format("%ldG", whole(v / 1e9f));
  if (v < 1e13f) return format("%.1fT", v / 1e12f);
  return format("%ldT", whole(v / 1e12f));
}

void Debug_pane::Graph::push(float v) {
  values[next] = v;
  next = (next + 1) % values.size();
  if (v > max) max = v;
}

std::int32_t Debug_pane::Graph::average() const {
  std::int32_t sum = 0;
  for (float v : values) {
    float const s = static_cast<float>(sum) + v;
    // A sum past the 32-bit range stays at its end.
    if (std::isnan(s)) continue;
    if (s >= 2147483520.0f)
      sum = 2147483520;
    else if (s <= -2147483648.0f)
      sum = INT32_MIN;
    else
      sum = static_cast<std::int32_t>(s);
  }
  return sum / static_cast<std::int32_t>(values.size());
}

void Debug_pane::Graph::plot(char const* label) const {
  char overlay[32];
  std::snprintf(overlay, sizeof overlay, "%s", short_number(static_cast<float>(average())).c_str());
  ImGui::PlotHistogram(label, values.data(), static_cast<int>(values.size()), static_cast<int>(next), overlay, 0.0f,
                       max, ImVec2(0, 0), sizeof(float));
}

std::optional<Pane_row> cell_row(Scene const& scene, char const* label, glm::ivec3 const& c) {
  Wmap_page const* page = scene.wmap.find(page_of(c));
  if (!page) return std::nullopt;
  Cell_id const id = page->cells[cell_index(c.x, c.y, c.z)];
  if (id == 0) return std::nullopt;
  std::string const name = id < cell_db().size() ? cell_db()[id].name : std::string();
  Fmap_cell const* column = scene.fmap.column(c.x, c.z);
  return Pane_row{
      format("%-12s", label),
      format("%4d", c.x),
      format("%4d", c.y),
      format("%4d", c.z),
      format("%-24s", name.c_str()),
      format("%02x", static_cast<unsigned>(page->light[cell_index(c.x, c.y, c.z)])),
      format("%d", scene.wmap.cell_has_mob(c) ? 1 : 0),
      column ? format("%d", static_cast<int>(column->l0)) : std::string()};
}

void print_block(Scene const& scene, char const* label, glm::ivec3 const& cell) {
  if (auto const row = cell_row(scene, label, cell)) add_row(*row);
}

void add_row(Pane_row const& row) {
  ImGui::TableNextRow();
  for (std::string const& column : row) {
    ImGui::TableNextColumn();
    ImGui::TextUnformatted(column.c_str());
  }
}

std::vector<Pane_row> pane_rows(Scene const& scene, Raycast_result const& cursor) {
  std::vector<Pane_row> rows;
  auto add = [&](char const* label, glm::ivec3 const& cell) {
    if (auto row = cell_row(scene, label, cell)) rows.push_back(std::move(*row));
  };
  if (scene.player) add("player", floor_cell(scene.player->body.position));
  if (cursor.kind == Raycast_result::Kind::cell) {
    add("cursor.in", cursor.cell);
    add("cursor.out", cursor.adjacent);
  } else {
    for (char const* label : {"cursor.in", "cursor.out"}) rows.push_back({label});
  }
  return rows;
}

float debug_pane_width(std::vector<Pane_row> const& rows) {
  ImGuiStyle const& style = ImGui::GetStyle();
  auto width = [](std::string const& text) { return ImGui::CalcTextSize(text.c_str()).x; };
  // The table: each column as wide as its widest text, in these rows, any
  // cell type's name, or ordinary figures.
  std::array<float, 8> columns{};
  auto fit = [&](Pane_row const& row) {
    for (std::size_t i = 0; i < columns.size(); ++i) columns[i] = std::max(columns[i], width(row[i]));
  };
  for (Pane_row const& row : rows) fit(row);
  fit({format("%-12s", "cursor.out"), "-9999", "-9999", "-9999", "", "ff", "1", "-32768"});
  for (std::size_t id = 0; id < cell_db().size(); ++id)
    columns[4] = std::max(columns[4], width(format("%-24s", cell_db()[static_cast<Cell_id>(id)].name.c_str())));
  float table = 2.0f * style.CellPadding.x * static_cast<float>(columns.size());
  for (float w : columns) table += w;
  // A graph takes 0.65 of the window's width, its label follows it.
  float label = 0.0f;
  for (char const* l : Debug_pane::labels) label = std::max(label, width(l));
  float const graphs = (label + style.ItemInnerSpacing.x) / 0.35f;
  // Padding on both sides, and room for a scrollbar on a low window.
  return std::ceil(std::max(table, graphs) + 2.0f * style.WindowPadding.x + style.ScrollbarSize + 1.0f);
}

void draw_debug_pane(std::array<Debug_pane::Graph, 7>& graphs, Debug_pane::Figures const& figures, Scene& scene,
                     Raycast_result const& cursor) {
  std::vector<Pane_row> const rows = pane_rows(scene, cursor);
  // No stored size (a first open): wide enough for everything; the height
  // fits the content.
  if (!ImGui::FindWindowByName("Debug")) ImGui::SetNextWindowSize(ImVec2(debug_pane_width(rows), 0), ImGuiCond_FirstUseEver);
  bool const open = ImGui::Begin("Debug");
  if (open) {
    ImGui::Separator();
    ImGui::TextUnformatted("Cells");
    if (ImGui::BeginTable("positions", 8, ImGuiTableFlags_SizingFixedFit, ImVec2(0, 0), 0.0f)) {
      for (Pane_row const& row : rows) add_row(row);
      ImGui::EndTable();
    }
    ImGui::Separator();
    ImGui::TextUnformatted("Profiling");
  }
  // The graphs go on while the window is collapsed.
  for (std::size_t i = 0; i < graphs.size(); ++i) {
    graphs[i].push(figures[i]);
    if (open) graphs[i].plot(Debug_pane::labels[i]);
  }
  if (open) ImGui::Text("mobs:%zu", scene.mobs.size());
  ImGui::End();
}
