#include "world/unsaved.hpp"

#include <vector>

Unsaved& Unsaved::operator+=(Unsaved const& other) {
  cell_pages += other.cell_pages;
  mob_pages += other.mob_pages;
  flat_pages += other.flat_pages;
  player = player || other.player;
  stopped = stopped || other.stopped;
  return *this;
}

std::string describe(Unsaved const& unsaved) {
  std::vector<std::string> parts;
  auto count = [&](std::int64_t n, char const* what) {
    if (n != 0) parts.push_back(std::to_string(n) + " " + what + (n == 1 ? "" : "s"));
  };
  count(unsaved.cell_pages, "cell page");
  count(unsaved.mob_pages, "mob page");
  count(unsaved.flat_pages, "flat page");
  if (unsaved.stopped) parts.push_back("the pages after the error");
  if (unsaved.player) parts.push_back("the player");
  std::string text;
  for (std::size_t i = 0; i < parts.size(); ++i) {
    if (i != 0) text += i + 1 == parts.size() ? " and " : ", ";
    text += parts[i];
  }
  return text;
}
