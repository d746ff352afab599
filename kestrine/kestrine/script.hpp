// Compiled bytecode and the stack machine that runs it.
//
// Encoding: an instruction whose operand is 0 is one byte, the opcode number
// (0..38). Any other operand takes two bytes: the complement of the opcode
// (-1..-39), then the operand as one signed byte. A jump's target is the
// position of its first byte plus the operand.
#pragma once

#include <cstddef>
#include <cstdint>
#include <iosfwd>
#include <vector>

#include <kestrine/val.hpp>

namespace kestrine {

// The instruction set, the one table of names, stack effects (as the
// compiler counts them; -1 pops: as many as the operand says) and operand
// kinds: X(name, push, pop, operand kind).
#define KESTRINE_OPCODES(X)                                                              \
    X(LOADK, 1, 0, constant)                                                             \
    X(LOADL, 1, 0, local)                                                                \
    X(LOADG, 1, 0, global)                                                               \
    X(LOADA, 1, 0, argument)                                                             \
    X(STORL, 1, 1, local)                                                                \
    X(STORG, 1, 1, global)                                                               \
    X(POP, 0, 1, none)                                                                   \
    X(DUP, 1, 0, none)                                                                   \
    X(LNOT, 1, 1, none)                                                                  \
    X(BNOT, 1, 1, none)                                                                  \
    X(NEG, 1, 1, none)                                                                   \
    X(MUL, 1, 2, none)                                                                   \
    X(DIV, 1, 2, none)                                                                   \
    X(MOD, 1, 2, none)                                                                   \
    X(ADD, 1, 2, none)                                                                   \
    X(SUB, 1, 2, none)                                                                   \
    X(SHL, 1, 2, none)                                                                   \
    X(SHR, 1, 2, none)                                                                   \
    X(GT, 1, 2, none)                                                                    \
    X(LT, 1, 2, none)                                                                    \
    X(GE, 1, 2, none)                                                                    \
    X(LE, 1, 2, none)                                                                    \
    X(EQ, 1, 2, none)                                                                    \
    X(NE, 1, 2, none)                                                                    \
    X(JZ, 0, 1, offset)                                                                  \
    X(JMP, 0, 0, offset)                                                                 \
    X(JNK, 0, 0, offset)                                                                 \
    X(JZK, 0, 0, offset)                                                                 \
    X(OR, 1, 2, none)                                                                    \
    X(AND, 1, 2, none)                                                                   \
    X(XOR, 1, 2, none)                                                                   \
    X(RETURN, 0, 0, flag)                                                                \
    X(ARR, 1, -1, count)                                                                 \
    X(MAP, 1, -1, count)                                                                 \
    X(GET, 1, 2, none)                                                                   \
    X(SET, 1, 2, none)                                                                   \
    X(NEXT, 1, 0, offset)                                                                \
    X(CALL, 1, -1, count)                                                                \
    X(END, 0, 0, none)

// What an instruction's operand means.
enum class Operand { none, constant, local, global, argument, offset, flag, count };

class Script {
public:
    enum Opcode : int {
#define KESTRINE_ENUM(name, push, pop, kind) name,
        KESTRINE_OPCODES(KESTRINE_ENUM)
#undef KESTRINE_ENUM
    };

    Script() = default;
    Script(std::vector<Val> data, std::vector<std::int8_t> code, std::size_t stack_size);
    Script(Script&&) noexcept = default;
    Script& operator=(Script&&) noexcept = default;
    Script(Script const&) = delete;
    Script& operator=(Script const&) = delete;

    // Runs the script from its first byte. `globals` is the scope's value
    // array, `locals` one slot per local name of the compile, `args` the
    // caller's `nargs` arguments (reads past the count give Null). Errors
    // leave as `std::runtime_error`; the stack is released on the way out.
    Val run(Val* globals, Val* locals, Val* args, int nargs) const;

    std::vector<Val> const& data() const noexcept { return data_; }
    std::vector<std::int8_t> const& code() const noexcept { return code_; }
    std::size_t stack_size() const noexcept { return stack_size_; }

private:
    std::vector<Val> data_;
    std::vector<std::int8_t> code_;
    std::size_t stack_size_ = 0;
};

using Opcode = Script::Opcode;

inline constexpr int opcode_count = 39;

struct Opcode_traits {
    const char* name;
    int push;
    int pop; // -1: the operand's count
    Operand operand;
};

inline constexpr Opcode_traits opcode_traits[opcode_count] = {
#define KESTRINE_TRAITS(name, push, pop, kind) {#name, push, pop, Operand::kind},
    KESTRINE_OPCODES(KESTRINE_TRAITS)
#undef KESTRINE_TRAITS
};

// A decoded instruction.
struct Instr {
    Opcode op;
    int arg;
};

// Decodes the instruction at `pos` and returns the position of the next one.
// The opcode is not checked: a value of `op` outside 0..38 is unrecognised.
inline const std::int8_t* decode(const std::int8_t* pos, Instr& out) noexcept {
    std::int8_t b = *pos;
    if (b >= 0) {
        out.op = static_cast<Opcode>(b);
        out.arg = 0;
        return pos + 1;
    }
    out.op = static_cast<Opcode>(~b);
    out.arg = pos[1];
    return pos + 2;
}

// Appends one instruction: one byte when `arg` is 0, else two, the operand
// cast to one signed byte. The caller keeps operands within -128..127.
inline void encode(std::vector<std::int8_t>& code, Opcode op, int arg) {
    if (arg == 0) {
        code.push_back(static_cast<std::int8_t>(op));
    } else {
        code.push_back(static_cast<std::int8_t>(~static_cast<int>(op)));
        code.push_back(static_cast<std::int8_t>(arg));
    }
}

// Prints one instruction as "   0 | LOADK,0" (no newline); returns the
// position of the next one.
const std::int8_t* print_instr(const std::int8_t* code, const std::int8_t* pos, std::ostream& o);

// The listing: constants, instructions, stack size.
std::ostream& operator<<(std::ostream& o, Script const& s);

// Debug switches, off unless a developer sets them: print every compiled
// script / trace every executed instruction to standard output.
inline bool debug_script = false;
inline bool debug_exec = false;

} // namespace kestrine
