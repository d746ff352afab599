#pragma once
// Translation strings of one language, by full key ("ui.main.exit").
#include <cstddef>
#include <filesystem>
#include <functional>
#include <string>
#include <string_view>
#include <unordered_map>

struct String_database {
  struct Hash {
    using is_transparent = void;
    std::size_t operator()(std::string_view s) const { return std::hash<std::string_view>{}(s); }
  };
  std::unordered_map<std::string, std::string, Hash, std::equal_to<>> strings;
  std::string language; // the language last loaded

  // Replaces the table with the strings of the language from every pack.
  void load(std::string const& language_);
  // The same from the packs of one packs directory.
  void load(std::string const& language_, std::filesystem::path const& packs);
  // One pack's file for the current language.
  void load_file(std::filesystem::path const& pack);

  // The text of a key; a missing key is added as its own text. Valid until
  // the next load.
  char const* get(std::string_view key);
};

String_database& str_db();

// "ui.main.exit"_tr: the translation of a key, or the key itself.
char const* operator""_tr(char const* key, std::size_t length);
