#pragma once
// Reading and writing one gzip MessagePack file of the world directory. The
// file's bytes are not trusted: the reader fills scratch state that the
// caller applies only when the whole file was read, and a file that can't be
// read is moved aside (never overwritten or deleted later) so that the
// player can recover it while the game goes on as if it were absent.
#include "mpk/mpk.hpp"

#include <cstdint>
#include <filesystem>
#include <functional>
#include <streambuf>
#include <string>

// The most uncompressed bytes one file of the world directory (a cell, mob
// or flat page, or the world file) holds. The writer refuses to write more
// and the reader to read more, so a forged file costs a few times this in
// memory at most. Real pages take kilobytes; a page of containers full of
// long-named items is the one thing play can grow past it.
inline constexpr std::uint64_t max_file_bytes = std::uint64_t{16} << 20;

// done: read whole. missing: no such file (no message). set_aside: it could
// not be opened, or the reader, the cap, the end of the data or the gzip
// trailer refused it; logged with the reason, and moved aside by `keep_bad`.
// in_place: refused like that, but no name was left to move it to: it stays
// where it is, and what replaces it in play must never be written over it.
enum class Zip_read { done, missing, set_aside, in_place };

// Reads the file through `read`, which records every fault on the scanner.
Zip_read read_zip(std::filesystem::path const& path, std::function<void(mpk::Scanner&)> const& read);

// Saves the file through the safe-save routine with the same cap as the
// reader: false (logged with the reason) when it can't, the old file intact.
bool write_zip(std::filesystem::path const& path, std::function<std::string(std::streambuf& out)> const& fill);

// The save of a file that was read `in_place`: logs that it is left as it
// is and returns false, the save's outcome.
bool refuse_damaged(std::filesystem::path const& file);

// Renames an unreadable file to "<name>.bad" ("<name>.bad2", "<name>.bad3"...
// when taken) and warns with the new name; returns it, or an empty path (with
// an error logged) when the file could not be moved.
std::filesystem::path keep_bad(std::filesystem::path const& file);
