#pragma once
// The walk over the content packs and the loop every pack file goes through.
#include "foundation/kv.hpp"

#include <glm/vec3.hpp>

#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>

namespace fs = std::filesystem;

// basedir/"packs" in the first data directory that has it; empty (and the
// search logged) when none does.
fs::path packs_dir();

// The entry's file name less its last extension; a leading point does not
// start an extension ("a.b.c" gives "a.b", ".extra" stays).
std::string pack_name(fs::path const& pack);

// Calls visit with the full path of every entry of the packs directory, in
// the order the file system lists them. Listing errors propagate.
void for_each_pack(fs::path const& packs, std::function<void(fs::path const&)> const& visit);

// One pack file being read: the pack's directory, the prefix of its full
// names (pack name and a point) and the scanner over the file's text.
struct Pack_file {
  fs::path const& dir;
  std::string prefix;
  Kv_scan& scan;
};

// The common loop over pack/file: a missing file is skipped silently;
// otherwise "Loading <path>" is logged, the whole file read and every
// section, key and value token handed to `token` with its kind. True when
// the file was read to its end, false when absent or stopped by a syntax
// error (which the scanner reports).
bool read_pack_file(fs::path const& pack, std::string_view file,
                    std::function<void(Pack_file&, int kind)> const& token);

// The full name of the section just read (prefix and section). A name too
// long to be a type's is refused with a warning naming the pack and the
// section: the result is then empty, the name of record 0, so the section's
// entries edit nothing.
std::string section_name(Pack_file const& file);

// Value forms shared by the pack files. The leading decimal digits as a
// number 0..255 (text after them ignored); false and `out` unchanged when
// the value does not start with a digit or the number is above 255.
bool parse_byte(std::string_view value, std::uint8_t& out);

// Three integers in sixteenths of a cell, as cells: "16 0 -8" is (1, 0, -0.5).
// An integer that can't be read is 0; reading stops at anything but blanks
// between them.
glm::vec3 parse_sixteenths(std::string_view value);

// False for exactly "0" or "false", true for anything else.
bool parse_flag(std::string_view value);
