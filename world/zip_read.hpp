#pragma once
// Reading one gzip MessagePack file of the world directory. The file's bytes
// are not trusted: the reader fills scratch state that the caller applies
// only when the whole file was read, and a file that can't be read is moved
// aside (never overwritten or deleted later) so that the player can recover
// it while the game goes on as if it were absent.
#include "mpk/mpk.hpp"

#include <filesystem>
#include <functional>

enum class Zip_read { done, missing, failed };

// Reads the file through `read`, which records every fault on the scanner.
// missing: no such file (no message). failed: it could not be opened, or the
// reader, the end of the data or the gzip trailer refused it; logged with
// the reason, and the file is kept with `keep_bad` (a later save of what
// replaced it must not overwrite it).
Zip_read read_zip(std::filesystem::path const& path, std::function<void(mpk::Scanner&)> const& read);

// Renames an unreadable file to "<name>.bad" ("<name>.bad2", "<name>.bad3"...
// when taken) and warns with the new name; returns it, or an empty path (with
// an error logged) when the file could not be moved.
std::filesystem::path keep_bad(std::filesystem::path const& file);

