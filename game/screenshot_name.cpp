#include "game/screenshot_name.hpp"

std::string screenshot_name(std::time_t when, std::function<bool(std::string const&)> const& taken) {
  std::tm utc{};
  gmtime_r(&when, &utc);
  char stamp[64];
  std::size_t n = std::strftime(stamp, sizeof stamp, "%F.%T", &utc);
  std::string base(stamp, n);
  std::string name = base + ".png";
  for (unsigned i = 1; taken(name); ++i) name = base + "-" + std::to_string(i) + ".png";
  return name;
}
