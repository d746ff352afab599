#include "game/inventory_menu.hpp"

#include "content/item_db.hpp"
#include "foundation/config.hpp"
#include "foundation/str_db.hpp"
#include "game/crafting.hpp"
#include "game/menu_window.hpp"
#include "game/slot_layout.hpp"
#include "game/stack_moves.hpp"
#include "world/raycast.hpp"
#include "world/scene.hpp"

#include <epoxy/gl.h>

#include <algorithm>
#include <cstdio>

namespace {

constexpr char const* move_sound = "ui.move_item";

// A GL texture name deleted with its holder.
struct Owned_texture {
  GLuint name = 0;
  Owned_texture() = default;
  Owned_texture(Owned_texture const&) = delete;
  Owned_texture& operator=(Owned_texture const&) = delete;
  ~Owned_texture() {
    if (name) glDeleteTextures(1, &name);
  }
};

bool left_click() { return ImGui::IsMouseClicked(ImGuiMouseButton_Left); }
bool right_click() { return ImGui::IsMouseClicked(ImGuiMouseButton_Right); }

} // namespace

struct Inventory_menu::Impl {
  Target target;
  Item& held; // the scene's: it outlives the screen and is saved with the player
  Owned_texture hotbar_texture;

  explicit Impl(Target t) : target(std::move(t)), held(target.scene.held) {}

  float scale() const { return static_cast<float>(gui_scale(target.config.ui_scale)); }
  ImVec2 vec2(float x, float y) const { return {x * scale(), y * scale()}; }
  // A pane four slots wide, with room for its scrollbar at small scales.
  ImVec2 pane() const {
    ImGuiStyle const& style = ImGui::GetStyle();
    float const row = row_width(4, 16.0f * scale(), style.ItemSpacing.x) + style.ScrollbarSize;
    return {std::max(80.0f * scale(), row), 120.0f * scale()};
  }
  void play(char const* sound) const {
    if (target.play) target.play(sound);
  }
  ImTextureID icon(Item_id id) const { return target.icon ? target.icon(id) : nullptr; }

  void update(glm::ivec2 window);
  void update_drag();
  void update_left();
  void update_right();
  void update_recipe(std::vector<Recipe> const& recipes);
  void update_debug();
  // The number of clicks that changed the container.
  int update_container(Inventory& inventory);
  // Draws one slot; true while it is hovered.
  bool draw_item(std::size_t index, Item const& item, int columns, long selected);
  // A stack's count, whole inside the current slot.
  void draw_count(int count) const;
  void hotbar(int selected, glm::ivec2 window);
};

void Inventory_menu::Impl::update(glm::ivec2 window) {
  ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(1, 1));
  update_drag();
  centre_next_window(window, vec2(0, 140));
  if (ImGui::Begin(keyed_label("ui.inventory").c_str(), nullptr, menu_window_flags)) {
    ImGui::BeginChild("##left", pane());
    update_left();
    ImGui::EndChild();
    ImGui::SameLine();
    ImGui::BeginChild("##right", pane());
    update_right();
    ImGui::EndChild();
  }
  ImGui::End();
  ImGui::PopStyleVar();
}

void Inventory_menu::Impl::update_drag() {
  if (held.id == 0 || !ImGui::IsMousePosValid()) return;
  ImVec2 const at = ImGui::GetIO().MousePos;
  float const half = 8.0f * scale();
  ImDrawList* list = ImGui::GetForegroundDrawList();
  list->AddImage(icon(held.id), ImVec2(at.x - half, at.y - half), ImVec2(at.x + half, at.y + half), ImVec2(0, 0),
                 ImVec2(1, 1), IM_COL32_WHITE);
  if (held.count > 1) {
    char count[16];
    std::snprintf(count, sizeof count, "%2d", held.count);
    list->AddText(at, IM_COL32_WHITE, count);
  }
}

void Inventory_menu::Impl::draw_count(int count) const {
  char text[16];
  std::snprintf(text, sizeof text, "%d", count);
  ImVec2 const size = ImGui::CalcTextSize(text);
  Count_layout const place = count_layout(16.0f * scale(), {size.x, size.y});
  ImVec2 const slot = ImGui::GetWindowPos();
  ImGui::GetWindowDrawList()->AddText(ImGui::GetFont(), ImGui::GetFontSize() * place.scale,
                                      ImVec2(slot.x + place.at.x, slot.y + place.at.y),
                                      ImGui::GetColorU32(ImGuiCol_Text), text);
}

bool Inventory_menu::Impl::draw_item(std::size_t index, Item const& item, int columns, long selected) {
  if (index % static_cast<std::size_t>(columns) != 0) ImGui::SameLine();
  char id[32];
  std::snprintf(id, sizeof id, "##%zu", index);
  ImGui::PushStyleColor(ImGuiCol_ChildBg, ImVec4(0.2f, 0.2f, 0.2f, 0.5f));
  // A slot never scrolls: the wheel goes on to the pane.
  ImGui::BeginChild(id, vec2(16, 16), false, ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse);
  if (item.id != 0) ImGui::Image(icon(item.id), vec2(16, 16), ImVec2(0, 0), ImVec2(1, 1));
  if (static_cast<long>(index) == selected) {
    ImGui::SetCursorPos(ImVec2(0, 0));
    ImGui::Image(target.frame, vec2(16, 16));
  }
  if (item.count > 1) draw_count(item.count);
  bool const hovered = ImGui::IsWindowHovered();
  ImGui::EndChild();
  ImGui::PopStyleColor();
  if (hovered && item.id != 0 && item.id < item_db().size()) {
    ImGui::BeginTooltip();
    ImGui::TextUnformatted(str_db().get(item_db()[item.id].name)); // the full name is the key
    ImGui::EndTooltip();
  }
  return hovered;
}

void Inventory_menu::Impl::update_left() {
  Mob* player = target.scene.player;
  if (!player) return;
  Inventory& inventory = player->inventory;
  for (std::size_t i = 0; i < inventory.size(); ++i) {
    if (!draw_item(i, inventory[i], 4, -1)) continue;
    if (left_click()) {
      drop(held, inventory[i], true);
      play(move_sound);
    }
    if (right_click()) {
      drop(held, inventory[i], false);
      play(move_sound);
    }
  }
}

int Inventory_menu::Impl::update_container(Inventory& inventory) {
  int changes = 0;
  for (std::size_t i = 0; i < inventory.size(); ++i) {
    if (!draw_item(i, inventory[i], 4, -1)) continue;
    if (left_click()) {
      drop(held, inventory[i], true);
      ++changes;
    }
    if (right_click()) {
      drop(held, inventory[i], false);
      ++changes;
    }
  }
  return changes;
}

void Inventory_menu::Impl::update_recipe(std::vector<Recipe> const& recipes) {
  for (std::size_t i = 0; i < recipes.size(); ++i) {
    Recipe const& recipe = recipes[i];
    if (!draw_item(i, recipe.result, 4, -1)) continue;
    Mob* player = target.scene.player;
    if (left_click() && player && craft(player->inventory, recipe)) play(move_sound);
    ImGui::BeginTooltip();
    for (std::size_t j = 0; j < recipe.from.size(); ++j) draw_item(j, recipe.from[j], 4, -1);
    ImGui::EndTooltip();
  }
}

void Inventory_menu::Impl::update_debug() {
  Item_database& items = item_db();
  for (std::size_t id = 1; id < items.size(); ++id) {
    auto const kind = static_cast<Item_id>(id);
    if (!draw_item(id - 1, Item{kind, 1}, 4, -1)) continue;
    if (left_click()) {
      take_from_palette(held, kind, 1);
      play(move_sound);
    }
    if (right_click()) {
      take_from_palette(held, kind, 16);
      play(move_sound);
    }
  }
}

void Inventory_menu::Impl::update_right() {
  auto recipes_of = [this](Cell_id cell) {
    return target.recipes ? target.recipes(cell) : recipe_db().find(cell);
  };
  Raycast_result const cursor = target.cursor; // a callback may move the cursor
  Wmap& wmap = target.scene.wmap;
  switch (target.kind) {
  case kind_hand_recipes:
    if (auto const* recipes = recipes_of(0)) update_recipe(*recipes);
    break;
  case kind_palette: update_debug(); break;
  case kind_container: {
    // The callbacks run once the slots are drawn: a script may replace the
    // cell or remove the mob, and with it the inventory drawn here.
    int changes = 0;
    if (cursor.kind == Raycast_result::Kind::cell) {
      if (Cell_data* data = wmap.get_data(cursor.cell)) changes = update_container(data->inventory);
    } else if (cursor.kind == Raycast_result::Kind::mob) {
      if (Mob* mob = cursor.mob.get()) changes = update_container(mob->inventory);
    }
    for (; changes > 0; --changes) {
      if (target.callback) target.callback();
      if (cursor.kind == Raycast_result::Kind::cell)
        if (Wmap_page* page = wmap.find(page_of(cursor.cell))) page->set(Wmap_page::dirty);
      play(move_sound);
    }
    break;
  }
  case kind_target_recipes:
    if (cursor.kind == Raycast_result::Kind::cell)
      if (auto const* recipes = recipes_of(wmap.get_cell(cursor.cell))) update_recipe(*recipes);
    break;
  default: break;
  }
}

void Inventory_menu::Impl::hotbar(int selected, glm::ivec2 window) {
  ImGui::PushStyleVar(ImGuiStyleVar_FramePadding, ImVec2(1, 1));
  ImGui::SetNextWindowPos(ImVec2(static_cast<float>(window.x / 2), static_cast<float>(window.y) - 15.0f * scale()),
                          ImGuiCond_Always, ImVec2(0.5f, 0.5f));
  // One row of 16 slots, whole at every scale; a second row lies below it.
  ImGuiStyle const& style = ImGui::GetStyle();
  float const slot = 16.0f * scale();
  ImGui::SetNextWindowSize(ImVec2(row_width(16, slot, style.ItemSpacing.x) + 2.0f * style.WindowPadding.x,
                                  slot + 2.0f * style.WindowPadding.y),
                           ImGuiCond_Always);
  ImGuiWindowFlags const flags = ImGuiWindowFlags_NoTitleBar | ImGuiWindowFlags_NoResize |
                                 ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoCollapse |
                                 ImGuiWindowFlags_NoBackground | ImGuiWindowFlags_NoSavedSettings |
                                 ImGuiWindowFlags_NoNav;
  if (ImGui::Begin(keyed_label("ui.hotbar").c_str(), nullptr, flags)) {
    if (Mob* player = target.scene.player)
      for (std::size_t i = 0; i < player->inventory.size(); ++i) draw_item(i, player->inventory[i], 16, selected);
  }
  ImGui::End();
  ImGui::PopStyleVar();
}

Inventory_menu::Inventory_menu(Target target) : impl_(std::make_unique<Impl>(std::move(target))) {}

Inventory_menu::~Inventory_menu() = default;

void Inventory_menu::update() { impl_->update(gl_window_size()); }

void Inventory_menu::update(glm::ivec2 window) { impl_->update(window); }

void Inventory_menu::hotbar(int selected) { impl_->hotbar(selected, gl_window_size()); }

void Inventory_menu::hotbar(int selected, glm::ivec2 window) { impl_->hotbar(selected, window); }

Item& Inventory_menu::held() { return impl_->held; }
