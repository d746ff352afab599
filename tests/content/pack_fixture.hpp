#pragma once
// Small packs written by the tests, and a scope whose game functions are
// stand-ins so that pack scripts compile and run.
#include <kestrine/kestrine.hpp>

#include <gtest/gtest.h>

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include <unistd.h>

namespace fs = std::filesystem;

// A fresh directory "packs" under a temporary root, removed afterwards.
struct Temp_packs {
  fs::path root;
  fs::path packs;

  Temp_packs() {
    static std::atomic<int> serial{0};
    root = fs::temp_directory_path() /
           ("terrafold-content-" + std::to_string(::getpid()) + "-" + std::to_string(serial++));
    fs::remove_all(root);
    packs = root / "packs";
    fs::create_directories(packs);
  }
  ~Temp_packs() {
    std::error_code ec;
    fs::remove_all(root, ec);
  }
  Temp_packs(Temp_packs const&) = delete;
  Temp_packs& operator=(Temp_packs const&) = delete;

  // Writes packs/<rel> (binary, as given), creating its directories.
  fs::path write(std::string const& rel, std::string const& text) const {
    fs::path p = packs / rel;
    fs::create_directories(p.parent_path());
    std::ofstream(p, std::ios::binary) << text;
    return p;
  }
};

// The names of the game's 27 script functions.
inline std::vector<std::string> const game_functions{
    "print", "clear", "say",   "rand",  "size",    "push",   "pop",   "here",      "cubr",
    "cupl",  "cell",  "light", "face",  "place",   "spawn",  "paint", "replace",   "browse",
    "craft", "cross", "mob_state", "mob_frame", "mob_wait", "give", "take", "has", "play"};

// A stand-in for one game function: counts its calls and answers 0.
struct Stand_in {
  std::shared_ptr<std::map<std::string, int>> calls;
  std::string name;
  kestrine::Val call_(kestrine::Val const*, kestrine::Val*, int) const {
    ++(*calls)[name];
    return kestrine::Val(kestrine::Int{0});
  }
};

// A scope holding the 27 names as stand-ins; `calls` counts calls by name.
struct Game_scope {
  kestrine::Scope scope;
  std::shared_ptr<std::map<std::string, int>> calls = std::make_shared<std::map<std::string, int>>();

  Game_scope() {
    for (auto const& name : game_functions) scope.add(name, kestrine::Val(Stand_in{calls, name}));
  }
};

// Standard error written while the object lives.
struct Stderr_capture {
  bool done = false;
  std::string text;
  Stderr_capture() { ::testing::internal::CaptureStderr(); }
  std::string const& get() {
    if (!done) text = ::testing::internal::GetCapturedStderr();
    done = true;
    return text;
  }
  ~Stderr_capture() { get(); }
};
