#pragma once
// The program's command line: at most one option, or the name of the world
// to play.
#include <string>
#include <string_view>

inline constexpr char const* version_string = "1.0.0";

// Logged as they stand; neither holds a conversion.
inline constexpr char const* usage_text =
    "Usage: terrafold --help\n"
    "       terrafold --version\n"
    "       terrafold --config\n"
    "       terrafold [<world name>]\n\n";
inline constexpr char const* option_text =
    "Options:\n"
    "  -h, --help           display this help and exit\n"
    "  -v, --version        display version string and exit\n"
    "  -c, --config         create configuration file\n\n";

struct Command {
  enum Kind { play, help, version, config, usage_error };
  Kind kind = play;
  std::string world = "default";
};

// Only the first option is looked at; whatever follows -h, -v or -c is
// ignored. The system's option parser complains about an unknown option
// itself. A world name that is not one plain path component is a usage
// error.
Command parse_command_line(int argc, char** argv);

// False for "", ".", "..", names holding '/' or NUL, and names longer than a
// file name may be (NAME_MAX bytes): the name becomes one component of the
// save path.
bool valid_world_name(std::string_view name);
