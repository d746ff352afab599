#pragma once
// Small packs written by the tests, a scope whose game functions are
// stand-ins so that pack scripts compile and run, and the mixer they need.
#include <kestrine/kestrine.hpp>

#include "support/sdl_log.hpp"

#include <SDL.h>
#include <SDL_mixer.h>
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

// A fresh directory "packs" under a temporary root, removed afterwards.
struct Temp_packs {
  static inline std::atomic<int> serial{0};
  fs::path root = fs::temp_directory_path() /
                  ("terrafold-content-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
  fs::path packs = root / "packs";

  Temp_packs() { fs::remove_all(root), fs::create_directories(packs); }
  ~Temp_packs() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }

  // Writes packs/<rel> (binary, as given), creating its directories.
  void write(std::string const& rel, std::string const& text) const {
    fs::create_directories((packs / rel).parent_path());
    std::ofstream(packs / rel, std::ios::binary) << text;
  }
};

// A scope holding the game's 27 script functions as stand-ins that answer 0;
// `calls` counts their calls by name.
struct Game_scope {
  struct Stand_in {
    std::shared_ptr<std::map<std::string, int>> calls;
    std::string name;
    kestrine::Val call_(kestrine::Val const*, kestrine::Val*, int) const {
      ++(*calls)[name];
      return kestrine::Val(kestrine::Int{0});
    }
  };
  kestrine::Scope scope;
  std::shared_ptr<std::map<std::string, int>> calls = std::make_shared<std::map<std::string, int>>();

  Game_scope() {
    for (char const* name : {"print", "clear", "say", "rand", "size", "push", "pop", "here", "cubr", "cupl", "cell",
                             "light", "face", "place", "spawn", "paint", "replace", "browse", "craft", "cross",
                             "mob_state", "mob_frame", "mob_wait", "give", "take", "has", "play"})
      scope.add(name, kestrine::Val(Stand_in{calls, name}));
  }
};

// Standard error written while the object lives.
struct Stderr_capture {
  std::optional<std::string> text;
  Stderr_capture() { ::testing::internal::CaptureStderr(); }
  std::string const& get() {
    if (!text) text = ::testing::internal::GetCapturedStderr();
    return *text;
  }
  ~Stderr_capture() { get(); }
  bool has(std::string const& part) { return get().find(part) != std::string::npos; }
};

// The message of the E that f throws, or "(nothing thrown)".
template <class E = std::exception, class F> std::string thrown(F&& f) {
  try {
    f();
  } catch (E const& e) {
    return e.what();
  }
  return "(nothing thrown)";
}

// Opens the mixer on SDL's silent driver.
inline void open_test_audio() {
  setenv("SDL_AUDIODRIVER", "dummy", 1);
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_AUDIO), 0) << SDL_GetError();
  ASSERT_EQ(Mix_OpenAudioDevice(44100, MIX_DEFAULT_FORMAT, 2, 2048, nullptr,
                                SDL_AUDIO_ALLOW_FREQUENCY_CHANGE | SDL_AUDIO_ALLOW_FORMAT_CHANGE),
            0)
      << Mix_GetError();
}
