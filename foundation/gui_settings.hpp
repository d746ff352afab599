#pragma once
// The GUI library's settings file, read by the game: the library trusts the
// text it is given (a column count it allocates for, a window looked up
// among all those before it), so the file is bounded and its lines checked
// before the library sees them.
#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

// A larger file counts as none: the game's own is a few kilobytes at most.
inline constexpr std::size_t gui_settings_max_bytes = std::size_t(1) << 20;
// Sections past this many are dropped. The game has about a dozen windows;
// the library's look-up of each section is linear, so thousands of them
// would cost seconds at the first frame.
inline constexpr int gui_settings_max_sections = 1024;
// Window positions and sizes, column widths and weights beyond this, either
// way, are not a screen's.
inline constexpr int gui_settings_max_extent = 16384;
// The library's own bound on a table's columns.
inline constexpr int gui_settings_max_columns = 64;

struct Gui_settings_file {
  std::string text; // empty when there is none
  // False for a path that is there but is no regular file (a directory, a
  // pipe): the library must not write there either, as opening a pipe would
  // wait for a reader.
  bool writable = true;
};

// Reads the file. One that is missing counts as none; one that is not a
// regular file, can't be read or is larger than the limit counts as none
// with one warning saying why. Never throws.
Gui_settings_file read_gui_settings_file(std::filesystem::path const& path);

// The text without the lines the library can't take safely: each line is
// kept as it is or dropped with its line end. Kept are the blank and
// comment lines, and the sections of the two kinds the library knows with
// the lines it would write for them, their numbers in range:
//   [Window][name]        Pos=x,y  Size=w,h  Collapsed=0|1
//   [Table][0xID,count]   RefScale=f  Column n [UserID=0xID] [Width=w]
//                         [Weight=f] [Visible=0|1] [Order=i] [Sort=i(v|^)]
// A section of another kind, a table of no or too many columns, a section
// past the limit, and any line holding a NUL byte are dropped whole.
std::string safe_gui_settings(std::string_view text);
