#pragma once
// One-pass compiler: the scanner interns names and literals through it, the
// tree walker emits bytecode through it.
#include "kestrine/ast.hpp"
#include "kestrine/script.hpp"
#include "kestrine/val.hpp"

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <unordered_map>
#include <vector>

namespace kestrine {

// Name to index, for globals (the scope's) and locals (the caller's).
using Names = std::unordered_map<std::string, size_t>;

struct Compiler {
  Names const& global_;
  Names& local_;
  std::vector<Val> data_;
  std::vector<std::int8_t> code_;
  std::vector<size_t> break_points_;   // operand positions of unpatched breaks
  std::vector<size_t> break_indices_;  // per open loop: break_points_ size at its start
  size_t stack_size_ = 0;
  size_t stack_track_ = 0;
  bool branched_ = false;
  std::vector<bool> for_loops_;  // per open loop: whether it holds an iteration on the stack
  size_t last_instr_ = 0;        // position of the last instruction emitted

  Compiler(Names const& global, Names& local) : global_(global), local_(local) {}

  long find_global(std::string_view name) const;
  long find_or_create_local(std::string_view name);
  long find_or_create_value(Val const& value);

  void push(Script::Opcode op, int operand = 0);
  size_t jump(Script::Opcode op);
  void land(size_t position);
  size_t rland() const { return code_.size(); }
  void rjump(Script::Opcode op, size_t target);
  void block_start(bool for_loop = false);
  void block_break();
  void block_end();
  Script script();
};

void generate_bytecode(Ast const& ast, Compiler& comp);

// The grammar's driver: parses the text and, when that succeeds, generates
// its code. Non-zero after a reported syntax error.
int yyparse(Compiler& comp, std::string_view text);

// Compiles a text against the global names and the caller's local names;
// new local names stay in `locals` even when the compile fails.
Script compile(Names const& globals, Names& locals, std::string_view text);

} // namespace kestrine
