// The machine on hand-assembled code: encodings, what scripts cannot reach
// through the compiler, listings and the execution trace.
#include <kestrine/script.hpp>

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>

#include "support/kestrine_util.hpp"

using namespace kestrine;
using kestrine_util::Asm;
using kestrine_util::error_of;
using kestrine_util::text_of;
using S_ = Script;

namespace {

Val run(Script const& s, Val* locals = nullptr, Val* globals = nullptr) {
    return s.run(globals, locals, nullptr, 0);
}

// Returns the global of index 0 plus its argument count.
struct Peek {
    Val call_(Val const* env, Val*, int argc) const { return Val(env[0].get<Int>() + argc); }
};

} // namespace

TEST(Encoding, OneAndTwoByteFormsRoundTrip) {
    std::pair<Opcode, int> instrs[] = {{S_::POP, 0}, {S_::LOADK, 1}, {S_::END, -128}, {S_::JMP, 0}};
    std::vector<std::int8_t> code;
    for (auto [op, arg] : instrs)
        encode(code, op, arg);
    ASSERT_EQ(code, (std::vector<std::int8_t>{6, -1, 1, -39, -128, 25}));
    const std::int8_t* p = code.data();
    for (auto [op, arg] : instrs) {
        Instr in;
        p = decode(p, in);
        EXPECT_EQ(in.op, op);
        EXPECT_EQ(in.arg, arg);
    }
    EXPECT_EQ(p, code.data() + code.size());
}

TEST(Machine, UnrecognizedOpcodes) {
    for (std::vector<std::int8_t> code : {std::vector<std::int8_t>{39}, std::vector<std::int8_t>{127},
                                          std::vector<std::int8_t>{-40, 1},
                                          std::vector<std::int8_t>{-128, 0}}) {
        Script s({}, code, 1);
        EXPECT_EQ(error_of([&] { run(s); }), "unrecognized opcode");
    }
    // A two-byte form whose first byte is -1 is LOADK.
    Script s({Val(std::string("zero")), Val(std::string("one"))}, {-1, 1, -32, 1}, 1);
    EXPECT_EQ(text_of(run(s)), "one");
}

TEST(Machine, BackwardJumpOf128) {
    // 0: JMP to the increment; 2: return local 0; filler never run;
    // 125: increment local 0; 130: JMP -128 lands on 2.
    Asm a;
    Val locals[1] = {Val(0L)};
    int one = a.k(Val(1L));
    std::size_t over = a.jump(S_::JMP);
    a.op(S_::LOADL, 0).op(S_::RETURN, 1);
    while (a.code.size() < 125)
        a.op(S_::END);
    a.land(over);
    a.op(S_::LOADL, 0).op(S_::LOADK, one).op(S_::ADD).op(S_::STORL, 0).op(S_::POP);
    ASSERT_EQ(a.code.size(), 130u);
    a.op(S_::JMP, -128);
    EXPECT_EQ(run(a.done(), locals).get<Int>(), 1);
}

TEST(Machine, HostCallsSeeTheGlobals) {
    Val globals[] = {Val(40L), Val(Peek{}), Val()};
    Asm a;
    a.op(S_::LOADG, 1).loadk(Val(0L)).loadk(Val(0L)).op(S_::CALL, 2);
    a.op(S_::STORG, 2).op(S_::RETURN, 1);
    EXPECT_EQ(run(a.done(), nullptr, globals).get<Int>(), 42);
    EXPECT_EQ(globals[2].get<Int>(), 42);
}

TEST(Machine, ReentrantRuns) {
    // A host function that runs another script from inside CALL.
    static Script inner;
    Asm i;
    i.op(S_::LOADA, 0).op(S_::LOADA, 0).op(S_::MUL).op(S_::RETURN, 1);
    inner = i.done();
    struct Square {
        Val call_(Val const*, Val* argv, int argc) const { return inner.run(nullptr, nullptr, argv, argc); }
    };
    Val globals[] = {Val(Square{})};
    Asm o;
    o.op(S_::LOADG, 0).op(S_::LOADG, 0).loadk(Val(3L)).op(S_::CALL, 1).op(S_::CALL, 1);
    o.op(S_::RETURN, 1);
    EXPECT_EQ(run(o.done(), nullptr, globals).get<Int>(), 81);
    inner = Script();
}

TEST(Listing, Formats) {
    Asm a;
    a.loadk(Val(std::string("hi"))).loadk(Val(List{Val(1L), Val(List{})})).op(S_::POP);
    a.op(S_::JZ, -3).op(S_::RETURN, 1).op(S_::END);
    EXPECT_EQ(text_of(a.done(2)), "data:\n"
                                  "   0 | hi\n"
                                  "   1 | [1,[]]\n"
                                  "code:\n"
                                  "   0 | LOADK,0\n"
                                  "   1 | LOADK,1\n"
                                  "   3 | POP,0\n"
                                  "   4 | JZ,-3\n"
                                  "   6 | RETURN,1\n"
                                  "   8 | END,0\n"
                                  "stack size = 2\n");
    // Offsets past three digits widen the column.
    std::vector<std::int8_t> code(1000, S_::POP);
    encode(code, S_::LOADA, 7);
    std::ostringstream o;
    const std::int8_t* next = print_instr(code.data(), code.data() + 1000, o);
    EXPECT_EQ(o.str(), "1000 | LOADA,7");
    EXPECT_EQ(next, code.data() + 1002);
}

TEST(Listing, ExecutionTrace) {
    Asm a;
    a.loadk(Val(2L)).loadk(Val(3L)).op(S_::ADD).op(S_::RETURN, 1);
    Script s = a.done();
    std::ostringstream captured;
    auto* old = std::cout.rdbuf(captured.rdbuf());
    debug_exec = true;
    Val r = run(s);
    debug_exec = false;
    std::cout.rdbuf(old);
    EXPECT_EQ(r.get<Int>(), 5);
    EXPECT_EQ(captured.str(), "   0 | LOADK,0\t-\n"
                              "   1 | LOADK,1\t2 (+1)\n"
                              "   3 | ADD,0\t3 (+2)\n"
                              "   4 | RETURN,1\t5 (+1)\n");
}
