#pragma once
// The flat syntax tree: every node is a run of ints in one array, so a parse
// allocates nothing per node.
#include <initializer_list>
#include <vector>

namespace kestrine {

struct Ast {
  // Node tags; each is followed by the fields noted beside it. Lists are
  // untagged cells [previous cell or -1, item] referred to by their last cell;
  // map pairs are untagged records [key, value].
  enum Tag : int {
    IF,      // condition, then-list, else-list or -1
    WHILE,   // condition, body list
    FOR,     // loop variable's local index, iterable, body list
    BREAK,   //
    RETURN,  // expression or -1
    ASSIGN,  // target, value
    COND,    // condition, value if true, value if false
    AND, OR, BAND, BOR, XOR,  // left, right
    ADD, SUB, MUL, DIV, MOD,  // left, right
    SHL, SHR,                 // left, right
    EQ, NE, LT, GT, LE, GE,   // left, right
    NEG, LNOT, BNOT,          // operand
    SYMBOL,  // local index
    GLOBAL,  // global index
    VALUE,   // constant index
    ARG,     // argument number
    SUBSCR,  // container, key
    CALL,    // callee, argument list
    ARR,     // element list
    MAP,     // list of pairs
  };

  std::vector<int> nodes_;

  // Appends the ints and returns the index of the first.
  int push(std::initializer_list<int> ints);
  int const* get(int index) const { return nodes_.data() + index; }
  // The start rule appends the program's statement list last.
  int root() const { return nodes_.back(); }
  // The items of the list ending at `last`, in source order.
  void items(int last, std::vector<int>& out) const;
};

} // namespace kestrine
