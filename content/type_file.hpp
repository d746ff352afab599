#pragma once
// What the cell, item and mob type files share beyond the pack loop.
#include "content/pack.hpp"

#include <kestrine/kestrine.hpp>

#include <memory>
#include <string>
#include <string_view>

// Compiles a script key into its slot: the value itself, or with from_file
// the file it names below the pack. Only a successful compile replaces the
// old script; a failure is marked in the pack file and propagates.
void load_script(std::unique_ptr<kestrine::Standalone>& slot, kestrine::Scope& scope, Pack_file& file,
                 std::string_view value, bool from_file);

// The loop of a type file in every pack: a section finds or adds its record,
// each value goes to `entry(record, file, key)`. Records are held by id (a
// value may add to this or another table); a refused name (record 0) edits
// nothing.
template <class Db, class Entry>
void load_type_file(Db& db, fs::path const& packs, std::string_view file_name, Entry const& entry) {
  for_each_pack(packs, [&](fs::path const& dir) {
    decltype(db[0].id) id = 0;
    std::string key;
    read_pack_file(dir, file_name, [&](Pack_file& file, int kind) {
      switch (kind) {
      case Kv_scan::Section: id = db[section_name(file)].id; break;
      case Kv_scan::Key: key = file.scan.token; break;
      case Kv_scan::Value:
        if (id != 0) entry(db[id], file, key);
        break;
      }
    });
  });
}
