#include "kestrine/ast.hpp"

#include <algorithm>

namespace kestrine {

int Ast::push(std::initializer_list<int> ints) {
  int at = static_cast<int>(nodes_.size());
  nodes_.insert(nodes_.end(), ints);
  return at;
}

// Lists are linked backwards from their last cell; collecting them keeps a
// long statement list from becoming a deep recursion.
void Ast::items(int last, std::vector<int>& out) const {
  out.clear();
  for (int cell = last; cell != -1; cell = nodes_[cell])
    out.push_back(nodes_[cell + 1]);
  std::reverse(out.begin(), out.end());
}

} // namespace kestrine
