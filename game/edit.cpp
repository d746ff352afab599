#include "game/edit.hpp"

#include "content/cell_db.hpp"
#include "content/item_db.hpp"
#include "content/mob_db.hpp"
#include "content/model_db.hpp"
#include "foundation/event.hpp"
#include "foundation/str_db.hpp"
#include "game/context.hpp"
#include "world/mob.hpp"
#include "world/script_values.hpp"
#include "world/wmap.hpp"

#include <glm/geometric.hpp>

#include <algorithm>
#include <string>

namespace {

std::uint32_t state(Action_states a, int action) {
  return static_cast<std::size_t>(action) < a.size() ? a[static_cast<std::size_t>(action)] : Input::up;
}

using Kind = Raycast_result::Kind;

} // namespace

bool Hand_choice::update(Action_states a, std::size_t slots) {
  if (slots == 0) return false;
  auto const n = static_cast<std::int32_t>(std::min<std::size_t>(slots, Short_vector<Item>::max_elements));
  std::int32_t const start = slot;
  std::int32_t s = std::clamp(slot, 0, n - 1);
  std::uint32_t wheel = state(a, action_wheel);
  if (wheel & Input::pressed) s = (s - 1 + n) % n;
  if (wheel & Input::released) s = (s + 1) % n;
  int key = -1;
  for (int g = 0; g < 4 && key < 0; ++g)
    if (state(a, action_num1 + g) & Input::pressed) key = g;
  if (key >= 0) {
    if (window == 0) {
      s = key;
      window = second_press_frames;
    } else {
      s = std::min(4 * s + 4 + key, 15);
      window = 0;
    }
    s = std::min(s, n - 1);
  } else if (window > 0) {
    --window;
  }
  slot = s;
  return s != start;
}

bool shift_or_replace_hand(Inventory& inv, std::int32_t& hand, Item_id item) {
  if (item == 0 || inv.size() == 0) return false;
  hand = std::clamp(hand, 0, static_cast<std::int32_t>(inv.size()) - 1);
  auto at = [&](Item const* i) { return static_cast<std::int32_t>(i - inv.begin()); };
  if (Item* same = inv.find(item); same != inv.end()) {
    hand = at(same);
  } else if (inv[static_cast<std::size_t>(hand)].id == 0) {
    inv[static_cast<std::size_t>(hand)] = {item, 1};
  } else if (Item* empty = inv.find(0); empty != inv.end()) {
    hand = at(empty);
    *empty = {item, 1};
  } else {
    inv[static_cast<std::size_t>(hand)] = {item, 1}; // whatever it held is gone
  }
  return true;
}

void jump_to_empty_space(Body& body, Raycast_result const& cursor, std::int32_t& delay) {
  if (delay != 0) return;
  glm::ivec3 const c = cursor.cell, a = cursor.adjacent;
  if (a.y > c.y)
    body.velocity.y = 0.35f;
  else if (a.x != c.x)
    body.velocity.x = a.x > c.x ? 0.26f : -0.26f;
  else if (a.z != c.z)
    body.velocity.z = a.z > c.z ? 0.26f : -0.26f;
  else
    return; // filling the cell under a ceiling: nowhere to push to
  delay = paint_retry_frames;
}

bool paint(Wmap const& wmap, Mob* player, Raycast_result const& cursor, Item_id held, std::int32_t& delay) {
  if (cursor.kind != Kind::cell || held == 0) return false;
  std::vector<Mob*> mobs = wmap.mobs_in_cell(cursor.adjacent);
  if (mobs.size() == 1) {
    if (mobs[0] == player && player->body.contacts[Body::ny]) jump_to_empty_space(player->body, cursor, delay);
    return false;
  }
  if (!mobs.empty()) return false;
  Item_type const& type = item_db()[held];
  if (!type.use) return false;
  kestrine::Val args[3] = {kestrine::Val(cursor.cell), kestrine::Val(cursor.adjacent), kestrine::Val(cursor.face)};
  try {
    return static_cast<bool>((*type.use)(args, 3));
  } catch (...) {
    kestrine::rethrow_naming("item " + type.name + ", use script");
  }
}

Erase_target erase_target(Wmap const& wmap, Raycast_result const& cursor) {
  switch (cursor.kind) {
  case Kind::cell: {
    Wmap_page const* page = wmap.find(page_of(cursor.cell));
    auto key = static_cast<std::int16_t>(static_cast<int>(cursor.face) * 4096 +
                                         cell_index(cursor.cell.x, cursor.cell.y, cursor.cell.z));
    return page && page->paints.contains(key) ? Erase_target::face : Erase_target::cell;
  }
  case Kind::mob: return cursor.mob ? Erase_target::mob : Erase_target::nothing;
  default: return Erase_target::nothing;
  }
}

Item_id pick_item(Wmap const& wmap, Raycast_result const& cursor) {
  switch (cursor.kind) {
  case Kind::cell: return cell_db()[wmap.get_cell(cursor.cell)].drop;
  case Kind::mob: {
    Mob const* m = cursor.mob.get();
    return m ? mob_db()[m->type].drop : Item_id{0};
  }
  default: return 0;
  }
}

struct Edit::Impl {
  Context* context = nullptr;
  std::int32_t delay = 0;
  Hand_choice hand;

  Mob* player() const { return context->scene.player; }
  Item_id held() const;
  void update_delayed();
  void update_hand();
  void update_cursor();
  void update_actions();
  bool paint();
  void erase();
  void pick();
};

Edit::Edit(Context& context) : impl_(std::make_unique<Impl>()) { impl_->context = &context; }
Edit::~Edit() = default;

int Edit::hand() const { return impl_->hand.slot; }

void Edit::update() {
  Impl& e = *impl_;
  if (e.delay != 0) {
    // The hand, the cursor and the actions wait while a placement is retried.
    e.update_delayed();
    return;
  }
  e.update_hand();
  e.update_cursor();
  e.update_actions();
}

Item_id Edit::Impl::held() const {
  Mob const* p = player();
  if (!p || p->inventory.size() == 0) return 0;
  return p->inventory[std::min(static_cast<std::size_t>(std::max(hand.slot, 0)), p->inventory.size() - 1)].id;
}

void Edit::Impl::update_delayed() { delay = paint() ? 0 : delay - 1; }

void Edit::Impl::update_hand() {
  Mob* p = player();
  if (!p) return;
  Inventory const& inv = p->inventory;
  if (hand.update(context->input.states, inv.size()))
    context->action_bar.say(str_db().get(item_db()[inv[static_cast<std::size_t>(hand.slot)].id].name));
}

void Edit::Impl::update_cursor() {
  glm::vec3 const d = context->camera.direction;
  if (d == glm::vec3(0.0f)) return;
  context->cursor = raycast(context->scene, context->camera.position, glm::normalize(d) * edit_reach);
}

void Edit::Impl::update_actions() {
  auto pressed = [&](Action a) { return (state(context->input.states, a) & Input::pressed) != 0; };
  if (pressed(action_paint)) paint();
  if (pressed(action_erase)) erase();
  if (pressed(action_pick)) pick();
}

bool Edit::Impl::paint() { return ::paint(context->scene.wmap, player(), context->cursor, held(), delay); }

void Edit::Impl::erase() {
  Context& c = *context;
  Raycast_result& cursor = c.cursor;
  switch (erase_target(c.scene.wmap, cursor)) {
  case Erase_target::face:
    c.audio.play(std::string("basic.break_wallpaper"));
    c.builder.change_face(cursor.cell, static_cast<int>(cursor.face), 0);
    break;
  case Erase_target::cell:
    c.audio.play(model_db().cell(c.scene.wmap.get_cell(cursor.cell)).sounds[Cell_model::break_]);
    c.builder.change_cell(cursor.cell, cell_db()["basic.none"].id);
    break;
  case Erase_target::mob:
    if (Mob* m = cursor.mob.get(); m != player()) {
      c.audio.play(model_db().mob(m->type).sounds[Mob_model::break_]);
      m->body.flags |= Body::erased;
    }
    break;
  case Erase_target::nothing: break;
  }
  cursor = {}; // refreshed next frame
}

void Edit::Impl::pick() {
  Mob* p = player();
  if (!p) return;
  if (shift_or_replace_hand(p->inventory, hand.slot, pick_item(context->scene.wmap, context->cursor)))
    context->audio.play(std::string("ui.pick_item"));
}
