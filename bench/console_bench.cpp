// One frame of the console window at 1280 x 720 on the offscreen driver:
// the GUI frame started, the window laid out and drawn, the GL work
// finished. The transcript is empty, holds a screenful, holds one printed
// MiB, is full of short lines, or has had a GiB printed into it; with the
// whole of a full one selected. For scale, the library's read-only
// multi-line field over a MiB, as the console once drew its transcript: its
// cost grows with the text.
#include "foundation/media.hpp"
#include "foundation/widgets.hpp"
#include "game/console_menu.hpp"
#include "game/script.hpp"

#include <SDL.h>
#include <benchmark/benchmark.h>
#include <epoxy/gl.h>
#include <imgui.h>
#include <imgui_internal.h>

#include <cstdlib>
#include <memory>
#include <string>

namespace {

constexpr glm::ivec2 display{1280, 720};

struct Console_view {
  std::unique_ptr<Media> media;
  std::unique_ptr<Widgets> widgets;
  Script script{[](Script&) {}};
  Console_menu console{script};

  Console_view() {
    setenv("SDL_VIDEODRIVER", "offscreen", 1);
    SDL_LogSetAllPriority(SDL_LOG_PRIORITY_ERROR);
    Window_config window;
    window.width = display.x, window.height = display.y, window.fullscreen = false, window.vsync = 0;
    media = std::make_unique<Media>(window);
    widgets = std::make_unique<Widgets>(*media, "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf");
    ImGui::GetIO().IniFilename = nullptr;
  }

  template <class Draw> void frame(Draw draw) {
    widgets->update();
    draw();
    widgets->render();
    glFinish();
  }
  void frame() {
    frame([this] { console.update(display); });
  }
};

// One view for the whole run: the GL driver and the GUI context stay.
Console_view& view() {
  static Console_view v;
  v.media->begin();
  return v;
}

void fill(Transcript& t, std::string const& line, std::size_t bytes) {
  for (std::size_t n = 0; n < bytes; n += line.size()) t.add(line);
}

void run(benchmark::State& state, Console_view& v) {
  for (int i = 0; i < 3; ++i) v.frame(); // laid out and scrolled to the end
  for (auto _ : state) v.frame();
  state.counters["kept_bytes"] = static_cast<double>(v.script.transcript.size());
  state.counters["lines"] = static_cast<double>(v.script.transcript.end() - v.script.transcript.first());
}

void BM_console_empty(benchmark::State& state) {
  Console_view& v = view();
  v.script.transcript.clear();
  run(state, v);
}
BENCHMARK(BM_console_empty)->Unit(benchmark::kMicrosecond);

// As much text in view as a full transcript shows, and no more kept.
void BM_console_a_screenful(benchmark::State& state) {
  Console_view& v = view();
  v.script.transcript.clear();
  fill(v.script.transcript, std::string(79, 'x') + "\n", 20 * 80);
  run(state, v);
}
BENCHMARK(BM_console_a_screenful)->Unit(benchmark::kMicrosecond);

void BM_console_one_mib_line(benchmark::State& state) {
  Console_view& v = view();
  v.script.transcript.clear();
  v.script.transcript.add(std::string(std::size_t{1} << 20, 'x') + "\n");
  run(state, v);
}
BENCHMARK(BM_console_one_mib_line)->Unit(benchmark::kMicrosecond);

void BM_console_full_of_short_lines(benchmark::State& state) {
  Console_view& v = view();
  v.script.transcript.clear();
  fill(v.script.transcript, std::string(79, 'x') + "\n", Transcript::default_limit * 2);
  run(state, v);
}
BENCHMARK(BM_console_full_of_short_lines)->Unit(benchmark::kMicrosecond);

void BM_console_after_a_gib(benchmark::State& state) {
  Console_view& v = view();
  v.script.transcript.clear();
  fill(v.script.transcript, std::string(std::size_t{1} << 20, 'x') + "\n", std::size_t{1} << 30);
  run(state, v);
}
BENCHMARK(BM_console_after_a_gib)->Unit(benchmark::kMicrosecond);

void BM_console_full_all_selected(benchmark::State& state) {
  Console_view& v = view();
  v.script.transcript.clear();
  fill(v.script.transcript, std::string(79, 'x') + "\n", Transcript::default_limit * 2);
  // The transcript holds the keyboard, as after a click into it.
  auto draw = [&] {
    v.console.update(display);
    if (ImGuiWindow* console = ImGui::FindWindowByName("###ui.console"))
      ImGui::SetActiveID(console->GetID("##log"), console);
  };
  for (int i = 0; i < 3; ++i) v.frame(draw);
  v.console.anchor = v.script.transcript.front();
  v.console.caret = v.script.transcript.back();
  for (auto _ : state) v.frame(draw);
  if (v.console.anchor == v.console.caret) state.SkipWithError("nothing selected");
}
BENCHMARK(BM_console_full_all_selected)->Unit(benchmark::kMicrosecond);

void BM_library_field_over_a_mib(benchmark::State& state) {
  Console_view& v = view();
  std::string text;
  for (std::size_t n = 0; n < Transcript::default_limit; n += 80) text += std::string(79, 'x') + "\n";
  auto draw = [&] {
    ImGui::SetNextWindowPos(ImVec2(440, 160));
    ImGui::SetNextWindowSize(ImVec2(400, 400));
    ImGui::Begin("field");
    ImGui::InputTextMultiline("##log", text.data(), text.size() + 1, ImVec2(-FLT_MIN, 330.0f),
                              ImGuiInputTextFlags_ReadOnly);
    ImGui::End();
  };
  for (int i = 0; i < 3; ++i) v.frame(draw);
  for (auto _ : state) v.frame(draw);
}
BENCHMARK(BM_library_field_over_a_mib)->Unit(benchmark::kMicrosecond);

} // namespace
