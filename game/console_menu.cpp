#include "game/console_menu.hpp"

#include "game/menu_window.hpp"
#include "game/script.hpp"

#include <imgui_internal.h>

#include <algorithm>
#include <climits>
#include <cmath>
#include <string_view>

namespace {

// Where the text of a line reaches `width` pixels: laying out stops there,
// so a long line costs what a short one does.
char const* reach(ImFont* font, float size, std::string_view line, float width) {
  char const* rest = line.data() + line.size();
  font->CalcTextSizeA(size, std::max(width, 0.0f), 0.0f, line.data(), rest, &rest);
  return rest;
}

float width_of(ImFont* font, float size, std::string_view text, float most) {
  return font->CalcTextSizeA(size, std::max(most, 0.0f), 0.0f, text.data(), text.data() + text.size()).x;
}

// The character boundary of the line nearest to x pixels from its start.
std::size_t byte_at(ImFont* font, float size, std::string_view line, float x) {
  if (x <= 0.0f) return 0;
  char const* const end = line.data() + line.size();
  char const* rest = end;
  float const before = font->CalcTextSizeA(size, x, 0.0f, line.data(), end, &rest).x;
  if (rest >= end) return line.size();
  unsigned int c = 0;
  int n = ImTextCharFromUtf8(&c, rest, end);
  n = std::max(n, 1);
  float const w = font->CalcTextSizeA(size, FLT_MAX, 0.0f, rest, rest + n).x;
  return static_cast<std::size_t>(rest - line.data()) + (x - before > w * 0.5f ? static_cast<std::size_t>(n) : 0);
}

bool pressed(ImGuiKey key) { return ImGui::IsKeyPressed(ImGui::GetKeyIndex(key)); }

// How long the key has been down (-1 up); null when it is not mapped.
float* key_time(ImGuiIO& io, ImGuiKey key) {
  int const i = ImGui::GetKeyIndex(key);
  return i >= 0 && i < IM_ARRAYSIZE(io.KeysDownDuration) ? &io.KeysDownDuration[i] : nullptr;
}

} // namespace

void Console_menu::update() { update(gl_window_size()); }

void Console_menu::carry(ImGuiIO& io) {
  carried.insert(carried.end(), io.InputQueueCharacters.begin(), io.InputQueueCharacters.end());
  io.InputQueueCharacters.resize(0);
}

void Console_menu::update(glm::ivec2 window) {
  waits_ = false;
  centre_next_window(window, ImVec2(400, 400)); // plain pixels, not scaled
  // The transcript takes what the input line leaves, so the window itself
  // never scrolls.
  ImGuiWindowFlags const flags = menu_window_flags | ImGuiWindowFlags_NoScrollbar | ImGuiWindowFlags_NoScrollWithMouse;
  if (ImGui::Begin(keyed_label("ui.console").c_str(), nullptr, flags)) {
    ImGuiID const log_id = ImGui::GetID("##log");
    // The player may click into the transcript to select; what they type
    // then is meant for the input line.
    if (ImGui::GetActiveID() == log_id) carry(ImGui::GetIO());
    ImVec2 const room = ImGui::GetContentRegionAvail();
    float const height = std::max(std::floor(room.y - ImGui::GetFrameHeightWithSpacing()), ImGui::GetFrameHeight());
    log(log_id, ImVec2(room.x, height));
    input_line(ImGui::GetID("##input"));
  }
  ImGui::End();
}

void Console_menu::log(ImGuiID id, ImVec2 size) {
  Transcript const& t = script->transcript;
  ImGuiStyle const& style = ImGui::GetStyle();
  // Framed like a text field.
  ImGui::PushStyleColor(ImGuiCol_ChildBg, style.Colors[ImGuiCol_FrameBg]);
  ImGui::PushStyleVar(ImGuiStyleVar_ChildRounding, style.FrameRounding);
  ImGui::PushStyleVar(ImGuiStyleVar_ChildBorderSize, style.FrameBorderSize);
  ImGui::PushStyleVar(ImGuiStyleVar_WindowPadding, style.FramePadding);
  bool const open = ImGui::BeginChild(
      "##log", size, true, ImGuiWindowFlags_NoMove | ImGuiWindowFlags_AlwaysUseWindowPadding | ImGuiWindowFlags_NoNav);
  ImGui::PopStyleVar(3);
  ImGui::PopStyleColor();
  if (!open) {
    ImGui::EndChild();
    return;
  }
  ImGuiWindow* const view = ImGui::GetCurrentWindow();
  ImGuiIO& io = ImGui::GetIO();
  ImFont* const font = ImGui::GetFont();
  float const line_height = ImGui::GetFontSize();
  bool const active = ImGui::GetActiveID() == id;
  if (active)
    ImGui::KeepAliveID(id);
  else
    anchor = caret, dragging = false; // the selection goes with the keyboard

  // The view follows the newest line while it is at its end; new lines are
  // measured in the next frame, and the scroll to the end lands then. A
  // view the player scrolled up keeps its lines while older ones go.
  follow = view->Scroll.y >= view->ScrollMax.y;
  if (t.version() != shown) {
    if (follow)
      ImGui::SetScrollY(1e9f); // past any end, yet a whole number of pixels
    else if (t.first() > shown_first)
      ImGui::SetScrollY(std::max(0.0f, view->Scroll.y - static_cast<float>(t.first() - shown_first) * line_height));
    shown = t.version();
    shown_first = t.first();
  }

  ImVec2 const origin = ImGui::GetCursorScreenPos(); // the top left of the first line
  // A glyph straddling the right edge is still drawn.
  float const width = view->InnerClipRect.Max.x - origin.x + line_height;
  int const lines = static_cast<int>(std::min<std::uint64_t>(t.end() - t.first(), INT_MAX));
  Transcript::Place const from = t.clamp(std::min(anchor, caret)), to = t.clamp(std::max(anchor, caret));
  bool const selection = active && from != to;
  ImU32 const ink = ImGui::GetColorU32(ImGuiCol_Text), marked = ImGui::GetColorU32(ImGuiCol_TextSelectedBg);
  float const newline = font->GetCharAdvance(' '); // a selected line end shows as a blank
  ImGui::PushStyleVar(ImGuiStyleVar_ItemSpacing, ImVec2(style.ItemSpacing.x, 0.0f));
  ImGuiListClipper clipper;
  clipper.Begin(lines, line_height);
  while (clipper.Step()) {
    for (int i = clipper.DisplayStart; i < clipper.DisplayEnd; ++i) {
      std::uint64_t const n = t.first() + static_cast<std::uint64_t>(i);
      std::string_view const text = t.line(n);
      ImVec2 const at = ImGui::GetCursorScreenPos();
      if (selection && n >= from.line && n <= to.line) {
        float const x0 = n == from.line ? width_of(font, line_height, text.substr(0, from.byte), width) : 0.0f;
        float const x1 = n == to.line ? width_of(font, line_height, text.substr(0, to.byte), width)
                                      : width_of(font, line_height, text, width) + newline;
        view->DrawList->AddRectFilled(ImVec2(at.x + x0, at.y), ImVec2(at.x + x1, at.y + line_height), marked);
      }
      view->DrawList->AddText(font, line_height, at, ink, text.data(), reach(font, line_height, text, width));
      ImGui::Dummy(ImVec2(0.0f, line_height));
    }
  }
  ImGui::PopStyleVar();

  auto const place_at = [&](ImVec2 p) {
    float const row = std::floor((p.y - origin.y) / line_height);
    if (t.empty() || row < 0.0f) return t.front();
    if (row >= static_cast<float>(lines)) return t.back();
    std::uint64_t const n = t.first() + static_cast<std::uint64_t>(row);
    return Transcript::Place{n, byte_at(font, line_height, t.line(n), p.x - origin.x)};
  };
  // The input line holds the keyboard, yet a click here still lands.
  bool const over = ImGui::IsWindowHovered(ImGuiHoveredFlags_AllowWhenBlockedByActiveItem) &&
                    view->InnerClipRect.Contains(io.MousePos);
  if (over && ImGui::IsMouseClicked(0)) {
    ImGui::SetActiveID(id, view);
    ImGui::FocusWindow(view);
    Transcript::Place const p = place_at(io.MousePos);
    dragging = false;
    if (ImGui::IsMouseDoubleClicked(0) && !t.empty()) {
      auto const [begin, end] = word_at(t.line(p.line), p.byte);
      anchor = {p.line, begin};
      caret = {p.line, end};
    } else {
      caret = p;
      if (!(active && io.KeyShift)) anchor = p;
      dragging = true;
    }
  } else if (dragging) {
    if (io.MouseDown[0] && ImGui::GetActiveID() == id) {
      caret = place_at(io.MousePos);
      // Dragging past an edge scrolls, a line a frame.
      if (io.MousePos.y < view->InnerClipRect.Min.y) ImGui::SetScrollY(view->Scroll.y - line_height);
      if (io.MousePos.y > view->InnerClipRect.Max.y) ImGui::SetScrollY(view->Scroll.y + line_height);
    } else {
      dragging = false;
    }
  }
  if (ImGui::GetActiveID() == id && io.KeyCtrl) {
    if (pressed(ImGuiKey_A)) anchor = t.front(), caret = t.back();
    if (pressed(ImGuiKey_C) && anchor != caret) ImGui::SetClipboardText(std::string(t.between(anchor, caret)).c_str());
  }
  ImGui::EndChild();
}

int Console_menu::on_line(ImGuiInputTextCallbackData* data) {
  auto* self = static_cast<Console_menu*>(data->UserData);
  if (self->entering_ && !self->taken_) {
    self->entered_.assign(data->Buf, static_cast<std::size_t>(data->BufTextLen));
    data->DeleteChars(0, data->BufTextLen);
    self->taken_ = true;
  }
  return 0;
}

void Console_menu::input_line(ImGuiID id) {
  ImGuiIO& io = ImGui::GetIO();
  ImGui::SetNextItemWidth(-FLT_MIN);
  // Typing goes to the input line, unless the player has clicked into the
  // transcript: taking the keyboard from there would drop their selection.
  bool const asks = !carried.empty() || !ImGui::IsAnyItemActive();
  if (asks) ImGui::SetKeyboardFocusHere();
  bool const active = ImGui::GetActiveID() == id;
  // A field takes characters from the frame after it became active: until
  // then they wait.
  if (active) {
    for (auto c = carried.rbegin(); c != carried.rend(); ++c) io.InputQueueCharacters.push_front(*c);
    carried.clear();
  } else if (!carried.empty()) {
    carry(io);
  }
  // On Enter the field would let go of the keyboard and take it back a
  // frame later, dropping what is typed in that frame: it never sees Enter,
  // and the line is taken out of it here, so it keeps the keyboard.
  // Keyboard navigation reads Enter as its input key as well.
  // Escape closes the console (the game's menu key), and the field would
  // take it to drop the typed text: it never sees Escape either.
  float* const times[] = {key_time(io, ImGuiKey_Escape), &io.NavInputsDownDuration[ImGuiNavInput_Cancel],
                          key_time(io, ImGuiKey_Enter), key_time(io, ImGuiKey_KeyPadEnter),
                          &io.NavInputsDownDuration[ImGuiNavInput_Input]};
  float hidden[5] = {-1.0f, -1.0f, -1.0f, -1.0f, -1.0f};
  entering_ = active && (pressed(ImGuiKey_Enter) || pressed(ImGuiKey_KeyPadEnter));
  taken_ = false;
  int const hide = entering_ ? 5 : 2;
  for (int i = 0; i < hide; ++i)
    if (times[i]) std::swap(hidden[i], *times[i]);
  bool const returned = ImGui::InputText(
      "##input", input.data(), input.size(),
      ImGuiInputTextFlags_EnterReturnsTrue | ImGuiInputTextFlags_AllowTabInput | ImGuiInputTextFlags_CallbackAlways,
      on_line, this);
  for (int i = 0; i < hide; ++i)
    if (times[i]) *times[i] = hidden[i];
  entering_ = false;
  waits_ = asks && ImGui::GetActiveID() != id;
  if (taken_) {
    script->input(entered_);
    entered_.clear();
  } else if (returned) {
    // Enter reached the field before it held the keyboard for a frame.
    input.back() = '\0';
    script->input(std::string_view(input.data()));
    input[0] = '\0';
    ImGui::SetKeyboardFocusHere(-1);
  }
}
