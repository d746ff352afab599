#pragma once
// What the cell, item and mob type files share beyond the pack loop.
#include "content/pack.hpp"

#include <kestrine/kestrine.hpp>

#include <memory>
#include <string_view>

// Compiles a script key into its slot: the value itself, or with from_file
// the file it names below the pack. Only a successful compile replaces the
// old script; a failure is marked in the pack file and propagates.
void load_script(std::unique_ptr<kestrine::Standalone>& slot, kestrine::Scope& scope, Pack_file& file,
                 std::string_view value, bool from_file);
