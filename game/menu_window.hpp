#pragma once
// What the menu windows share: each is centred on the game window, fixed in
// place, keeps no saved settings and takes no keyboard or gamepad
// navigation. Titles end in "###" and their key, so a window stays the same
// window when the language changes its title.
#include <glm/vec2.hpp>
#include <imgui.h>

#include <string>

inline constexpr ImGuiWindowFlags menu_window_flags =
    ImGuiWindowFlags_NoResize | ImGuiWindowFlags_NoCollapse | ImGuiWindowFlags_NoSavedSettings | ImGuiWindowFlags_NoNav;

// The size of the window of the current GL context; (0, 0) without one.
glm::ivec2 gl_window_size();

// The interface scale as sizes use it: never below 1.
int gui_scale(int ui_scale);

// Centres the next window on a window of that size (whole pixels) with the
// given size; 0 on an axis fits the content.
void centre_next_window(glm::ivec2 window, ImVec2 size);

// "<translation>###<key>": the translated text, identified by its key.
std::string keyed_label(char const* key);
