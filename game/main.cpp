// The terrafold program: reads its one option or the world name, then plays
// that world until the player quits. It is the last catcher of errors: the
// world is already saved when one reaches here. A world that can't be saved
// is not played, and a game whose last save failed does not end as a success.
#include "foundation/config.hpp"
#include "foundation/paths.hpp"
#include "foundation/save.hpp"
#include "game/command_line.hpp"
#include "game/game.hpp"

#include "revision.hpp"

#include <SDL.h>

#include <csignal>
#include <exception>
#include <string>

int main(int argc, char** argv) {
  // A limit on file sizes then makes the write fail, and the save that made
  // it takes its failed-save path (old files intact), instead of the signal
  // ending the game halfway through the last save.
  std::signal(SIGXFSZ, SIG_IGN);
  Command command = parse_command_line(argc, argv);
  try {
    switch (command.kind) {
    case Command::help:
      SDL_Log("%s", usage_text);
      SDL_Log("%s", option_text);
      return 0;
    case Command::version:
      SDL_Log("%s\n", version_string);
      return 0;
    case Command::config: {
      Config config;
      // A settings file that could not be written is not a success.
      return config.save() ? 0 : -1;
    }
    case Command::usage_error:
      SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s", usage_text);
      return 1;
    case Command::play:
      break;
    }
    SDL_Log("Terrafold %s\n", revision_string);
    Config config;
    // The folder and its parents are made here, so that a parent that
    // can't be made is refused in the same words as the folder.
    std::filesystem::path world_dir = paths.data.dirs.front() / basedir / "save" / command.world;
    if (std::string why = make_writable_dir(world_dir); !why.empty()) {
      SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "can't save the world in %s: %s\n", world_dir.c_str(), why.c_str());
      return -1;
    }
    Unsaved unsaved = play(config, world_dir);
    if (unsaved.any()) {
      SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s: not saved: %s\n", world_dir.c_str(), describe(unsaved).c_str());
      return -1;
    }
  } catch (std::exception const& e) {
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s\n", e.what());
    return -1;
  } catch (...) {
    SDL_LogError(SDL_LOG_CATEGORY_APPLICATION, "%s\n", "unrecognized error");
    return -1;
  }
  return 0;
}
