#include "foundation/slurp.hpp"

#include <fstream>
#include <stdexcept>

std::string slurp(std::filesystem::path const& path) {
  std::ifstream in(path);
  if (!in) throw std::runtime_error(path.string());
  return slurp(in);
}

std::string slurp(std::istream& in) {
  in.exceptions(std::ios::badbit);
  std::string out;
  char buf[4096];
  for (;;) {
    in.read(buf, sizeof buf);
    out.append(buf, static_cast<std::size_t>(in.gcount()));
    if (in.gcount() < static_cast<std::streamsize>(sizeof buf)) break;
  }
  return out;
}
