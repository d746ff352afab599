#include "kestrine/compiler.hpp"

#include <stdexcept>

namespace kestrine {

namespace {

using Op = Script::Opcode;

// Every operand is one signed byte of code.
constexpr int max_index = 127;
constexpr size_t max_stack = 1024;

[[noreturn]] void fail(char const* message) { throw std::runtime_error(message); }

// What overflowing an operand of this instruction means to the script writer.
char const* operand_error(Op op) {
  switch (op) {
  case Op::LOADK: return "too many constants";
  case Op::LOADL:
  case Op::STORL: return "too many locals";
  case Op::LOADG:
  case Op::STORG: return "too many globals";
  case Op::LOADA:
  case Op::CALL: return "too many arguments";
  case Op::ARR:
  case Op::MAP: return "too many elements";
  default: return "jump out of range";
  }
}

struct Walk {
  Ast const& ast;
  Compiler& comp;

  void stats(int list) {
    std::vector<int> items;
    ast.items(list, items);
    for (int s : items) stat(s);
  }

  void stat(int n) {
    int const* f = ast.get(n);
    switch (f[0]) {
    case Ast::IF: {
      expr(f[1]);
      size_t a = comp.jump(Op::JZ);
      stats(f[2]);
      size_t b = comp.jump(Op::JMP);
      comp.land(a);
      stats(f[3]);
      comp.land(b);
      break;
    }
    case Ast::WHILE: {
      size_t top = comp.rland();
      expr(f[1]);
      size_t out = comp.jump(Op::JZ);
      comp.block_start();
      stats(f[2]);
      comp.rjump(Op::JMP, top);
      comp.land(out);
      comp.block_end();
      break;
    }
    case Ast::FOR: {
      expr(f[2]);
      comp.push(Op::LOADK, static_cast<int>(comp.find_or_create_value(Val())));
      size_t top = comp.rland();
      size_t out = comp.jump(Op::NEXT);
      comp.push(Op::STORL, f[1]);
      comp.push(Op::POP);
      comp.block_start(true);
      stats(f[3]);
      comp.rjump(Op::JMP, top);
      comp.land(out);
      comp.block_end();
      break;
    }
    case Ast::BREAK:
      comp.block_break();
      break;
    case Ast::RETURN:
      if (f[1] == -1) {
        comp.push(Op::RETURN, 0);
      } else {
        expr(f[1]);
        comp.push(Op::RETURN, 1);
      }
      break;
    default:
      expr(n);
      comp.push(Op::POP);
    }
  }

  // Pushes the items of a list; returns how many there were.
  int exprs(int list) {
    std::vector<int> items;
    ast.items(list, items);
    for (int e : items) expr(e);
    return static_cast<int>(items.size());
  }

  // a and b, a or b: the deciding operand stays as the result.
  void logical(int const* f, Op keep) {
    expr(f[1]);
    size_t depth = comp.stack_track_;
    size_t out = comp.jump(keep);
    // Falling through pops the left operand.
    comp.stack_track_ = depth - 1;
    expr(f[2]);
    comp.land(out);
  }

  void binary(int const* f, Op op) {
    expr(f[1]);
    expr(f[2]);
    comp.push(op);
  }

  void unary(int const* f, Op op) {
    expr(f[1]);
    comp.push(op);
  }

  void expr(int n) {
    int const* f = ast.get(n);
    switch (f[0]) {
    case Ast::ASSIGN:
      expr(f[2]);
      store(f[1]);
      break;
    case Ast::COND: {
      // A conditional is an expression, not control flow: it leaves the
      // "last expression is the result" rule alone.
      bool branched = comp.branched_;
      expr(f[1]);
      size_t other = comp.jump(Op::JZ);
      size_t depth = comp.stack_track_;
      expr(f[2]);
      size_t out = comp.jump(Op::JMP);
      comp.land(other);
      comp.stack_track_ = depth;
      expr(f[3]);
      comp.land(out);
      comp.branched_ = branched;
      break;
    }
    case Ast::AND: logical(f, Op::JZK); break;
    case Ast::OR: logical(f, Op::JNK); break;
    case Ast::BAND: binary(f, Op::AND); break;
    case Ast::BOR: binary(f, Op::OR); break;
    case Ast::XOR: binary(f, Op::XOR); break;
    case Ast::ADD: binary(f, Op::ADD); break;
    case Ast::SUB: binary(f, Op::SUB); break;
    case Ast::MUL: binary(f, Op::MUL); break;
    case Ast::DIV: binary(f, Op::DIV); break;
    case Ast::MOD: binary(f, Op::MOD); break;
    case Ast::SHL: binary(f, Op::SHL); break;
    case Ast::SHR: binary(f, Op::SHR); break;
    case Ast::EQ: binary(f, Op::EQ); break;
    case Ast::NE: binary(f, Op::NE); break;
    case Ast::LT: binary(f, Op::LT); break;
    case Ast::GT: binary(f, Op::GT); break;
    case Ast::LE: binary(f, Op::LE); break;
    case Ast::GE: binary(f, Op::GE); break;
    case Ast::NEG: unary(f, Op::NEG); break;
    case Ast::LNOT: unary(f, Op::LNOT); break;
    case Ast::BNOT: unary(f, Op::BNOT); break;
    case Ast::SYMBOL: comp.push(Op::LOADL, f[1]); break;
    case Ast::GLOBAL: comp.push(Op::LOADG, f[1]); break;
    case Ast::VALUE: comp.push(Op::LOADK, f[1]); break;
    case Ast::ARG: comp.push(Op::LOADA, f[1]); break;
    case Ast::SUBSCR:
      expr(f[1]);
      expr(f[2]);
      comp.push(Op::GET);
      break;
    case Ast::CALL: {
      expr(f[1]);
      int n = exprs(f[2]);
      comp.push(Op::CALL, n);
      break;
    }
    case Ast::ARR: {
      int n = exprs(f[1]);
      comp.push(Op::ARR, n);
      break;
    }
    case Ast::MAP: {
      std::vector<int> pairs;
      ast.items(f[1], pairs);
      for (int pair : pairs) {
        expr(ast.get(pair)[0]);
        expr(ast.get(pair)[1]);
      }
      comp.push(Op::MAP, static_cast<int>(pairs.size()));
      break;
    }
    default:
      fail("expected rvalue");
    }
  }

  void store(int n) {
    int const* f = ast.get(n);
    switch (f[0]) {
    case Ast::SYMBOL: comp.push(Op::STORL, f[1]); break;
    case Ast::GLOBAL: comp.push(Op::STORG, f[1]); break;
    case Ast::SUBSCR:
      expr(f[1]);
      expr(f[2]);
      comp.push(Op::SET);
      break;
    default:
      fail("expected lvalue");
    }
  }
};

} // namespace

long Compiler::find_global(std::string_view name) const {
  auto it = global_.find(std::string(name));
  if (it == global_.end()) return -1;
  if (it->second > max_index) fail("too many globals");
  return static_cast<long>(it->second);
}

long Compiler::find_or_create_local(std::string_view name) {
  std::string key(name);
  auto it = local_.find(key);
  if (it != local_.end()) return static_cast<long>(it->second);
  if (local_.size() > max_index) fail("too many locals");
  size_t index = local_.size();
  local_.emplace(std::move(key), index);
  return static_cast<long>(index);
}

long Compiler::find_or_create_value(Val const& value) {
  for (size_t i = 0; i < data_.size(); ++i)
    if (data_[i] == value) return static_cast<long>(i);
  if (data_.size() > max_index) fail("too many constants");
  data_.push_back(value);
  return static_cast<long>(data_.size() - 1);
}

void Compiler::push(Script::Opcode op, int operand) {
  bool is_jump = op == Op::JZ || op == Op::JMP || op == Op::JNK || op == Op::JZK || op == Op::NEXT;
  if (operand > max_index || operand < (is_jump ? -128 : 0)) fail(operand_error(op));
  last_instr_ = code_.size();
  int number = static_cast<int>(op);
  if (operand == 0) {
    code_.push_back(static_cast<std::int8_t>(number));
  } else {
    code_.push_back(static_cast<std::int8_t>(~number));
    code_.push_back(static_cast<std::int8_t>(operand));
  }
  if (op == Op::JZ || op == Op::JMP) branched_ = true;
  Opcode_traits const& t = opcode_traits[number];
  long depth = static_cast<long>(stack_track_) + t.push - (t.pop == -1 ? operand : t.pop);
  stack_track_ = depth < 0 ? 0 : static_cast<size_t>(depth);
  if (stack_track_ >= max_stack) fail("stack too deep");
  stack_size_ = std::max(stack_size_, stack_track_);
}

size_t Compiler::jump(Script::Opcode op) {
  push(op, -1);
  return code_.size() - 1;
}

void Compiler::land(size_t position) {
  size_t distance = code_.size() - position + 1;
  if (distance > max_index) fail("jump out of range");
  code_[position] = static_cast<std::int8_t>(distance);
}

void Compiler::rjump(Script::Opcode op, size_t target) {
  long offset = static_cast<long>(target) - static_cast<long>(code_.size());
  if (offset < -128) fail("jump out of range");
  push(op, static_cast<int>(offset));
}

void Compiler::block_start(bool for_loop) {
  break_indices_.push_back(break_points_.size());
  for_loops_.push_back(for_loop);
}

void Compiler::block_break() {
  if (break_indices_.empty()) fail("break outside loop");
  if (for_loops_.back()) {
    // Leave as the loop's own end does: without its iterable and state. The
    // code after the break is counted as if they were still there.
    size_t depth = stack_track_;
    push(Op::POP);
    push(Op::POP);
    stack_track_ = depth;
  }
  break_points_.push_back(jump(Op::JMP));
}

void Compiler::block_end() {
  while (break_points_.size() > break_indices_.back()) {
    land(break_points_.back());
    break_points_.pop_back();
  }
  break_indices_.pop_back();
  for_loops_.pop_back();
}

Script Compiler::script() {
  // Without jumps the final expression statement is the result.
  if (!branched_ && !code_.empty() && last_instr_ + 1 == code_.size() &&
      code_.back() == static_cast<std::int8_t>(Op::POP)) {
    code_.pop_back();
    push(Op::RETURN, 1);
  }
  push(Op::END);
  return Script(std::move(data_), std::move(code_), stack_size_);
}

void generate_bytecode(Ast const& ast, Compiler& comp) {
  Walk{ast, comp}.stats(ast.root());
}

Script compile(Names const& globals, Names& locals, std::string_view text) {
  Compiler comp(globals, locals);
  if (yyparse(comp, text) != 0) fail("compilation failed");
  return comp.script();
}

} // namespace kestrine
