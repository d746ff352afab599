#pragma once
// Unreadable world files are set aside, never overwritten: the player may
// still want what is in them.
#include <filesystem>

// Renames the file to "<name>.bad" (or "<name>.bad.2", ".bad.3", ... when an
// earlier one is there) and warns with the new name. Returns the new path, or
// an empty path when the rename failed (also logged).
std::filesystem::path keep_bad_file(std::filesystem::path const& file);
