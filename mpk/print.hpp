#pragma once
// Readable text of MessagePack data, for debugging.
#include "mpk/mpk.hpp"

#include <string>

namespace mpk {

// The next value of the stream as text, consumed whole. A null indent gives
// one line; otherwise long lists put each item on its own line, indented by
// depth copies of indent.
std::string print(Scanner& s, char const* indent = nullptr, int depth = 0);

} // namespace mpk
