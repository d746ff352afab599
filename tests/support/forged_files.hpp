#pragma once
// World files as a hostile player could make them: MessagePack that is
// valid but costs the reader as much as the bytes allow, files grown to an
// exact uncompressed size, and a file whose ".bad" names are all taken.
#include "world/zip_read.hpp"

#include <gtest/gtest.h>

#include <cstddef>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>

namespace forged {

namespace fs = std::filesystem;

// An array head of n elements in its longest form (0xdd and 32 bits), as a
// forger may write it for any count.
inline std::string array_head(std::uint32_t n) {
  std::string h = "\xdd";
  for (int shift = 24; shift >= 0; shift -= 8) h += static_cast<char>((n >> shift) & 0xff);
  return h;
}

// A mob file of n empty records: each is a valid record and becomes a mob
// with every field zero, so each byte costs the reader a whole mob.
inline std::string empty_mobs(std::uint32_t n) { return array_head(n) + std::string(n, '\x90'); }

// The bytes of a value that holds one element too many for its reader to
// use, followed by that element: a byte array that makes the whole exactly
// `total` bytes long. `head` ends where the padding element goes; `tail`
// follows it (the rest of an enclosing record, if any).
inline std::string padded(std::string const& head, std::size_t total, std::string const& tail = {}) {
  std::size_t const frame = head.size() + 5 + tail.size();
  EXPECT_GE(total, frame);
  std::uint32_t n = static_cast<std::uint32_t>(total - frame);
  std::string bin = "\xc6";
  for (int shift = 24; shift >= 0; shift -= 8) bin += static_cast<char>((n >> shift) & 0xff);
  return head + bin + std::string(n, '\0') + tail;
}

// Takes every name that an unreadable file could be moved aside to, so the
// file has to stay where it is.
inline void take_bad_names(fs::path const& file) {
  for (int n = 1; n <= 1000; ++n) {
    fs::path bad = file;
    bad += n == 1 ? ".bad" : ".bad" + std::to_string(n);
    std::ofstream(bad) << "kept earlier";
  }
}

// The bytes of a file as they are on disk.
inline std::string on_disk(fs::path const& file) {
  std::ifstream in(file, std::ios::binary);
  return {std::istreambuf_iterator<char>(in), {}};
}
inline void put_on_disk(fs::path const& file, std::string const& bytes) {
  fs::create_directories(file.parent_path());
  std::ofstream(file, std::ios::binary) << bytes;
}

} // namespace forged
