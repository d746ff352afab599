#include "game/command_line.hpp"

#include <climits>

#include <getopt.h>

Command parse_command_line(int argc, char** argv) {
  static option const long_options[] = {{"help", no_argument, nullptr, 'h'},
                                        {"version", no_argument, nullptr, 'v'},
                                        {"config", no_argument, nullptr, 'c'},
                                        {nullptr, 0, nullptr, 0}};
  optind = 0; // a fresh scan, also when called more than once
  int c = getopt_long(argc, argv, "hvc", long_options, nullptr);
  switch (c) {
  case 'h': return {Command::help};
  case 'v': return {Command::version};
  case 'c': return {Command::config};
  case -1: break;
  default: return {Command::usage_error};
  }
  int rest = argc - optind;
  if (rest == 0) return {};
  if (rest > 1 || !valid_world_name(argv[optind])) return {Command::usage_error};
  return {Command::play, argv[optind]};
}

bool valid_world_name(std::string_view name) {
  return !name.empty() && name.size() <= NAME_MAX && name != "." && name != ".." &&
         name.find('/') == std::string_view::npos && name.find('\0') == std::string_view::npos;
}
