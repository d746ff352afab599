#include "game/command_line.hpp"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// Parses "terrafold" followed by the arguments.
Command parse(std::vector<std::string> args) {
  args.insert(args.begin(), "terrafold");
  std::vector<char*> argv;
  for (auto& a : args) argv.push_back(a.data());
  argv.push_back(nullptr);
  testing::internal::CaptureStderr(); // the option parser's own complaints
  Command c = parse_command_line(static_cast<int>(args.size()), argv.data());
  testing::internal::GetCapturedStderr();
  return c;
}

} // namespace

TEST(Command_line, TheFirstOptionDecidesAndTheRestIsIgnored) {
  struct Case { std::vector<std::string> args; Command::Kind kind; std::string world; } const cases[] = {
      {{}, Command::play, "default"},
      {{"world with spaces"}, Command::play, "world with spaces"},
      {{"--help", "-v"}, Command::help, "default"},
      {{"mars", "--version"}, Command::version, "default"},
      {{"--config", "a", "b"}, Command::config, "default"},
      {{"-c"}, Command::config, "default"},
      {{"--nope"}, Command::usage_error, "default"},
      {{"-h", "--nope"}, Command::help, "default"},
      {{"mars", "venus"}, Command::usage_error, "default"},
      {{"--", "-v"}, Command::play, "-v"},
  };
  for (auto const& c : cases) {
    Command got = parse(c.args);
    std::string shown = c.args.empty() ? "(none)" : c.args[0];
    EXPECT_EQ(got.kind, c.kind) << shown;
    EXPECT_EQ(got.world, c.world) << shown;
  }
}

TEST(Command_line, WorldNamesMustBeOnePlainPathComponent) {
  struct Case { std::string name; bool valid;
  } const cases[] = {{"my world", true}, {"...", true}, {".hidden", true}, {"ä", true},
                     {"", false},        {".", false},  {"..", false},     {"a/b", false},
                     {"/", false},       {"../x", false}, {std::string("a\0b", 3), false},
                     // a file name holds at most 255 bytes, counted as bytes and not as characters
                     {std::string(255, 'w'), true}, {std::string(256, 'w'), false},
                     {std::string(252, 'w') + "\u00e4\u00e4", false}, {std::string(251, 'w') + "\u00e4\u00e4", true}};
  for (auto const& c : cases) EXPECT_EQ(valid_world_name(c.name), c.valid) << c.name;
  for (std::string bad : {std::string(), std::string(".."), std::string("/etc"), std::string(256, 'w')})
    EXPECT_EQ(parse({bad}).kind, Command::usage_error) << bad;
}
