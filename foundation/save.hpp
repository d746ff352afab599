#pragma once
// Saving files whole or not at all: the content goes to a temporary file
// beside the target, which replaces the target only when every write and the
// close succeeded. On failure the old file stays as it was, the reason is
// logged with the path, and the caller gets false.
#include <cstdint>
#include <filesystem>
#include <functional>
#include <streambuf>
#include <string>
#include <string_view>

// `write` fills the temporary file at the path it is given and returns the
// reason it failed, or an empty string.
bool save_file(std::filesystem::path const& target,
               std::function<std::string(std::filesystem::path const& temp)> const& write);

bool save_text(std::filesystem::path const& target, std::string_view text);

// A gzip file: `fill` writes the uncompressed bytes into the stream buffer and
// returns the reason it failed (for example the emitter's message), or an
// empty string.
// With `max_bytes`, more uncompressed bytes than that are refused ("too
// large"), so that a reader with the same cap takes every file written.
bool save_zip(std::filesystem::path const& target,
              std::function<std::string(std::streambuf& out)> const& fill,
              std::uint64_t max_bytes = UINT64_MAX);

// Makes the directory and its parents when missing and checks that files can
// be made in it, by making one and removing it again (permission bits don't
// tell for root or a read-only mount). Returns the reason it can't, or an
// empty string.
std::string make_writable_dir(std::filesystem::path const& dir);
