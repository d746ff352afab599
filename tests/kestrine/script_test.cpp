#include <kestrine/script.hpp>

#include <gtest/gtest.h>

#include <iostream>
#include <sstream>
#include <stdexcept>
#include <string>

using namespace kestrine;
using S_ = Script;

namespace {

// Builds scripts by hand, one instruction at a time.
struct Asm {
    std::vector<Val> data;
    std::vector<std::int8_t> code;
    std::size_t stack = 16;

    Asm& op(Opcode o, int arg = 0) {
        encode(code, o, arg);
        return *this;
    }
    int k(Val v) {
        data.push_back(std::move(v));
        return static_cast<int>(data.size() - 1);
    }
    Asm& loadk(Val v) { return op(S_::LOADK, k(std::move(v))); }
    // A forward jump with a placeholder operand; returns its operand byte.
    std::size_t jump(Opcode o) {
        op(o, -1);
        return code.size() - 1;
    }
    void land(std::size_t operand) {
        code[operand] = static_cast<std::int8_t>(code.size() - operand + 1);
    }
    std::size_t here() const { return code.size(); }
    void back(Opcode o, std::size_t target) {
        op(o, static_cast<int>(target) - static_cast<int>(code.size()));
    }
    Script done() { return Script(std::move(data), std::move(code), stack); }
};

std::string error_of(std::function<void()> const& f) {
    try {
        f();
    } catch (std::runtime_error const& e) {
        return e.what();
    }
    return "";
}

std::string text(Val const& v) {
    std::ostringstream o;
    o << v;
    return o.str();
}

std::string listing(Script const& s) {
    std::ostringstream o;
    o << s;
    return o.str();
}

Val run(Script const& s, Val* locals = nullptr, Val* args = nullptr, int nargs = 0,
        Val* globals = nullptr) {
    return s.run(globals, locals, args, nargs);
}

// Host functions for CALL.
struct Push {
    Val call_(Val const*, Val* argv, int argc) const {
        if (argc != 2)
            throw std::runtime_error("function expects (List, Val)");
        argv[0].get<List>().push_back(argv[1]);
        return Val();
    }
};
struct Pop {
    Val call_(Val const*, Val* argv, int argc) const {
        if (argc != 1)
            throw std::runtime_error("function expects (List)");
        List& l = argv[0].get<List>();
        if (!l.empty())
            l.pop_back();
        return Val();
    }
};
// Returns the global of index 0 plus its argument count.
struct Peek {
    Val call_(Val const* env, Val*, int argc) const {
        return Val(env[0].get<Int>() + argc);
    }
};

} // namespace

TEST(Encoding, OneAndTwoByteForms) {
    std::vector<std::int8_t> code;
    encode(code, S_::POP, 0);
    encode(code, S_::LOADK, 1);
    encode(code, S_::END, -128);
    encode(code, S_::JMP, 0);
    ASSERT_EQ(code, (std::vector<std::int8_t>{6, -1, 1, -39, -128, 25}));
    Instr in;
    const std::int8_t* p = code.data();
    p = decode(p, in);
    EXPECT_EQ(in.op, S_::POP);
    EXPECT_EQ(in.arg, 0);
    EXPECT_EQ(p, code.data() + 1);
    p = decode(p, in);
    EXPECT_EQ(in.op, S_::LOADK);
    EXPECT_EQ(in.arg, 1);
    p = decode(p, in);
    EXPECT_EQ(in.op, S_::END);
    EXPECT_EQ(in.arg, -128);
    p = decode(p, in);
    EXPECT_EQ(in.op, S_::JMP);
    EXPECT_EQ(p, code.data() + code.size());
}

TEST(Encoding, OpcodeTable) {
    EXPECT_EQ(std::string(opcode_traits[S_::LOADK].name), "LOADK");
    EXPECT_EQ(std::string(opcode_traits[S_::END].name), "END");
    EXPECT_EQ(S_::END, 38);
    EXPECT_EQ(S_::NEXT, 36);
    EXPECT_EQ(opcode_traits[S_::MAP].pop, -1);
    EXPECT_EQ(opcode_traits[S_::SET].push, 1);
    EXPECT_EQ(opcode_traits[S_::SET].pop, 2);
    EXPECT_EQ(opcode_traits[S_::NEXT].push, 1);
    EXPECT_EQ(opcode_traits[S_::JZ].pop, 1);
    EXPECT_EQ(opcode_traits[S_::JNK].operand, Operand::offset);
    EXPECT_EQ(opcode_traits[S_::LOADA].operand, Operand::argument);
}

TEST(Machine, EndAndReturn) {
    Asm a;
    a.op(S_::END);
    EXPECT_EQ(run(a.done()).base(), Val::empty_());

    Asm b;
    b.loadk(Val(1L)).op(S_::RETURN, 0).op(S_::END);
    EXPECT_EQ(run(b.done()).base(), Val::empty_());

    Asm c;
    int one = c.k(Val(1L));
    c.op(S_::LOADK, one).op(S_::RETURN, 1).op(S_::END);
    Script sc = c.done();
    Val r = run(sc);
    EXPECT_EQ(r.get<Int>(), 1);
    // The top is copied: the constant and the result are one object.
    EXPECT_EQ(r.base(), sc.data()[0].base());
}

TEST(Machine, ArgumentsPastTheCountAreNull) {
    Asm a;
    a.op(S_::LOADA, 0).op(S_::LOADA, 1).op(S_::LOADA, 5).op(S_::ARR, 3).op(S_::RETURN, 1);
    Script s = a.done();
    Val args[] = {Val(7L)};
    EXPECT_EQ(text(run(s, nullptr, args, 1)), "[7,null,null]");
    EXPECT_EQ(text(run(s, nullptr, nullptr, 0)), "[null,null,null]");
}

TEST(Machine, UnrecognizedOpcodes) {
    for (std::vector<std::int8_t> code : {std::vector<std::int8_t>{39},
                                          std::vector<std::int8_t>{127},
                                          std::vector<std::int8_t>{-40, 1},
                                          std::vector<std::int8_t>{-128, 0}}) {
        Script s({}, code, 1);
        EXPECT_EQ(error_of([&] { run(s); }), "unrecognized opcode");
    }
    // A two-byte form whose first byte is -1 is LOADK.
    Script s({Val(std::string("zero")), Val(std::string("one"))}, {-1, 1, -32, 1}, 1);
    EXPECT_EQ(text(run(s)), "one");
}

TEST(Machine, ArithmeticComparisonAndLogic) {
    // (7 - 2) * 3 / 2 % 4 -> 7 % 4 = 3; then << 2 >> 1 -> 6; ^ 5 -> 3; | 8 -> 11; & 9 -> 9
    Asm a;
    a.loadk(Val(7L)).loadk(Val(2L)).op(S_::SUB).loadk(Val(3L)).op(S_::MUL);
    a.loadk(Val(2L)).op(S_::DIV).loadk(Val(4L)).op(S_::MOD);
    a.loadk(Val(2L)).op(S_::SHL).loadk(Val(1L)).op(S_::SHR);
    a.loadk(Val(5L)).op(S_::XOR).loadk(Val(8L)).op(S_::OR).loadk(Val(9L)).op(S_::AND);
    a.op(S_::NEG).op(S_::BNOT).op(S_::RETURN, 1);
    EXPECT_EQ(run(a.done()).get<Int>(), 8); // ~(-9) = 8

    auto compare = [](Opcode o, long x, long y) {
        Asm c;
        c.loadk(Val(x)).loadk(Val(y)).op(o).op(S_::RETURN, 1);
        Val r = run(c.done());
        EXPECT_TRUE(r.is<bool>());
        return r.get<bool>();
    };
    EXPECT_TRUE(compare(S_::LT, 1, 2));
    EXPECT_FALSE(compare(S_::GT, 1, 2));
    EXPECT_TRUE(compare(S_::LE, 2, 2));
    EXPECT_TRUE(compare(S_::GE, 2, 2));
    EXPECT_TRUE(compare(S_::EQ, 2, 2));
    EXPECT_TRUE(compare(S_::NE, 2, 3));

    Asm n;
    n.loadk(Val(std::string(""))).op(S_::LNOT).op(S_::RETURN, 1);
    EXPECT_EQ(text(run(n.done())), "true");
}

TEST(Machine, KeepingJumps) {
    // JNK: a true top jumps and stays; a false top is popped.
    auto keep = [](Opcode o, Val first) {
        Asm a;
        a.loadk(Val(std::string("under"))).loadk(first);
        std::size_t j = a.jump(o);
        a.loadk(Val(std::string("other")));
        a.land(j);
        a.op(S_::ARR, 2).op(S_::RETURN, 1);
        return text(run(a.done()));
    };
    EXPECT_EQ(keep(S_::JNK, Val(5L)), "[under,5]");
    EXPECT_EQ(keep(S_::JNK, Val(0L)), "[under,other]");
    EXPECT_EQ(keep(S_::JZK, Val(0L)), "[under,0]");
    EXPECT_EQ(keep(S_::JZK, Val(5L)), "[under,other]");
}

TEST(Machine, WhileLoopWithBackwardJump) {
    // i = 0; s = 0; while i < 10: i = i + 1; s = s + i; return s
    Asm a;
    Val locals[2];
    int zero = a.k(Val(0L)), one = a.k(Val(1L)), ten = a.k(Val(10L));
    a.op(S_::LOADK, zero).op(S_::STORL, 0).op(S_::POP);
    a.op(S_::LOADK, zero).op(S_::STORL, 1).op(S_::POP);
    std::size_t top = a.here();
    a.op(S_::LOADL, 0).op(S_::LOADK, ten).op(S_::LT);
    std::size_t out = a.jump(S_::JZ);
    a.op(S_::LOADL, 0).op(S_::LOADK, one).op(S_::ADD).op(S_::STORL, 0).op(S_::POP);
    a.op(S_::LOADL, 1).op(S_::LOADL, 0).op(S_::ADD).op(S_::STORL, 1).op(S_::POP);
    a.back(S_::JMP, top);
    a.land(out);
    a.op(S_::LOADL, 1).op(S_::RETURN, 1).op(S_::END);
    Script s = a.done();
    EXPECT_EQ(run(s, locals).get<Int>(), 55);
    EXPECT_EQ(locals[0].get<Int>(), 10);
    // Locals are the caller's: a second run starts from what is left.
    locals[0] = Val(8L);
    locals[1] = Val(0L);
    EXPECT_EQ(run(s, locals).get<Int>(), 55);
}

TEST(Machine, ForLoopSumAndBreak) {
    // s = 0; for x in list: if x == 4: break; s = s + x   (list 1..6)
    Asm a;
    Val locals[2];
    List items;
    for (long i = 1; i <= 6; ++i)
        items.push_back(Val(i));
    int list = a.k(Val(std::move(items)));
    int null = a.k(Val());
    int zero = a.k(Val(0L)), four = a.k(Val(4L));
    a.op(S_::LOADK, zero).op(S_::STORL, 1).op(S_::POP);
    a.op(S_::LOADK, list).op(S_::LOADK, null);
    std::size_t top = a.here();
    std::size_t out = a.jump(S_::NEXT);
    a.op(S_::STORL, 0).op(S_::POP);
    a.op(S_::LOADL, 0).op(S_::LOADK, four).op(S_::EQ);
    std::size_t not_four = a.jump(S_::JZ);
    // break: drop the iterable and state as the loop's end does
    a.op(S_::POP).op(S_::POP);
    std::size_t brk = a.jump(S_::JMP);
    a.land(not_four);
    a.op(S_::LOADL, 1).op(S_::LOADL, 0).op(S_::ADD).op(S_::STORL, 1).op(S_::POP);
    a.back(S_::JMP, top);
    a.land(out);
    a.land(brk);
    a.op(S_::LOADL, 1).op(S_::RETURN, 1);
    Script s = a.done();
    EXPECT_EQ(run(s, locals).get<Int>(), 6);
    EXPECT_EQ(locals[0].get<Int>(), 4);
    // The constant list is held by the script and by nothing else.
    EXPECT_EQ(static_cast<Val::Impl<List>*>(s.data()[0].base())->ref_count_.ref_count, 1);
}

TEST(Machine, ForLoopSurvivesListChangingUnderIt) {
    // for x in l: push(l, x) while x < 4, pop(l) twice at x == 1
    // l starts [1, 2]; visited elements are collected in the local 1.
    Val globals[] = {Val(Push{}), Val(Pop{})};
    std::size_t top, out;
    int null;

    // Shrinking: for x in l: pop(l); collect x.  l = [1,2,3,4] yields 1, 2.
    Asm b;
    Val lb[3];
    lb[2] = Val(List{Val(1L), Val(2L), Val(3L), Val(4L)});
    lb[1] = Val(List{});
    null = b.k(Val());
    b.op(S_::LOADL, 2).op(S_::LOADK, null);
    top = b.here();
    out = b.jump(S_::NEXT);
    b.op(S_::STORL, 0).op(S_::POP);
    b.op(S_::LOADG, 1).op(S_::LOADL, 2).op(S_::CALL, 1).op(S_::POP);
    b.op(S_::LOADG, 0).op(S_::LOADL, 1).op(S_::LOADL, 0).op(S_::CALL, 2).op(S_::POP);
    b.back(S_::JMP, top);
    b.land(out);
    b.op(S_::LOADL, 1).op(S_::RETURN, 1);
    EXPECT_EQ(text(b.done().run(globals, lb, nullptr, 0)), "[1,2]");
    EXPECT_EQ(text(lb[2]), "[1,2]");

    // Growing: for x in l: if size < 6 push(l, x + 10); collect x.
    Asm c;
    Val lc[3];
    lc[2] = Val(List{Val(1L), Val(2L)});
    lc[1] = Val(List{});
    null = c.k(Val());
    int ten = c.k(Val(10L));
    int limit = c.k(Val(13L));
    c.op(S_::LOADL, 2).op(S_::LOADK, null);
    top = c.here();
    out = c.jump(S_::NEXT);
    c.op(S_::STORL, 0).op(S_::POP);
    c.op(S_::LOADL, 0).op(S_::LOADK, limit).op(S_::LT);
    std::size_t skip = c.jump(S_::JZ);
    c.op(S_::LOADG, 0).op(S_::LOADL, 2).op(S_::LOADL, 0).op(S_::LOADK, ten).op(S_::ADD);
    c.op(S_::CALL, 2).op(S_::POP);
    c.land(skip);
    c.op(S_::LOADG, 0).op(S_::LOADL, 1).op(S_::LOADL, 0).op(S_::CALL, 2).op(S_::POP);
    c.back(S_::JMP, top);
    c.land(out);
    c.op(S_::LOADL, 1).op(S_::RETURN, 1);
    EXPECT_EQ(text(c.done().run(globals, lc, nullptr, 0)), "[1,2,11,12,21,22]");
}

TEST(Machine, BackwardJumpOf128) {
    // 0: JMP to the increment; 2: return local 0; filler never run;
    // 125: increment local 0; 130: JMP -128 lands on 2.
    Asm a;
    Val locals[1];
    locals[0] = Val(0L);
    int one = a.k(Val(1L));
    std::size_t over = a.jump(S_::JMP);
    ASSERT_EQ(a.here(), 2u);
    a.op(S_::LOADL, 0).op(S_::RETURN, 1);
    while (a.here() < 125)
        a.op(S_::END);
    a.land(over);
    a.op(S_::LOADL, 0).op(S_::LOADK, one).op(S_::ADD).op(S_::STORL, 0).op(S_::POP);
    ASSERT_EQ(a.here(), 130u);
    a.op(S_::JMP, -128);
    EXPECT_EQ(run(a.done(), locals).get<Int>(), 1);
}

TEST(Machine, MapKeepsFirstValueAndContainersFromStack) {
    Asm a;
    a.loadk(Val(1L)).loadk(Val(std::string("a"))).loadk(Val(1L)).loadk(Val(std::string("b")));
    a.op(S_::MAP, 2).op(S_::RETURN, 1);
    EXPECT_EQ(text(run(a.done())), "{1:a}");

    Asm e;
    e.op(S_::MAP, 0).op(S_::ARR, 0).op(S_::ARR, 2).op(S_::RETURN, 1);
    EXPECT_EQ(text(run(e.done())), "[{},[]]");
}

TEST(Machine, SubscriptsAndAssignmentValue) {
    // m = {}; (m["k"] = 5) returns 5; then m["k"] + m["missing"] fails.
    Asm a;
    Val locals[1];
    a.op(S_::MAP, 0).op(S_::STORL, 0).op(S_::POP);
    a.loadk(Val(5L)).op(S_::LOADL, 0).loadk(Val(std::string("k"))).op(S_::SET);
    a.op(S_::RETURN, 1);
    Val r = run(a.done(), locals);
    EXPECT_EQ(r.get<Int>(), 5);
    EXPECT_EQ(text(locals[0]), "{k:5}");

    Asm g;
    g.op(S_::LOADL, 0).loadk(Val(std::string("k"))).op(S_::GET);
    g.op(S_::LOADL, 0).loadk(Val(std::string("z"))).op(S_::GET);
    g.op(S_::ADD).op(S_::RETURN, 1);
    Script gs = g.done();
    EXPECT_EQ(error_of([&] { run(gs, locals); }), "bad cast");
    EXPECT_EQ(locals[0].size(), 2u); // the missing key was added before the error
}

TEST(Machine, GlobalsAndCalls) {
    Val globals[] = {Val(40L), Val(Peek{}), Val()};
    Asm a;
    a.op(S_::LOADG, 1).loadk(Val(0L)).loadk(Val(0L)).op(S_::CALL, 2);
    a.op(S_::STORG, 2).op(S_::RETURN, 1);
    Val r = a.done().run(globals, nullptr, nullptr, 0);
    EXPECT_EQ(r.get<Int>(), 42);
    EXPECT_EQ(globals[2].get<Int>(), 42);

    Asm b;
    b.op(S_::LOADG, 0).op(S_::CALL, 0).op(S_::RETURN, 1);
    EXPECT_EQ(error_of([&] { b.done().run(globals, nullptr, nullptr, 0); }),
              "object does not implement call()");
}

TEST(Machine, ErrorsReleaseTheStackAndKeepStores) {
    Val shared = Val(List{});
    Val locals[1];
    Asm a;
    a.op(S_::LOADL, 0).op(S_::DUP).op(S_::DUP).loadk(Val(3L)).op(S_::STORL, 0);
    a.loadk(Val(std::string("x"))).op(S_::ADD).op(S_::RETURN, 1);
    locals[0] = shared;
    Script s = a.done();
    EXPECT_EQ(error_of([&] { run(s, locals); }), "bad cast");
    EXPECT_EQ(locals[0].get<Int>(), 3);
    EXPECT_EQ(static_cast<Val::Impl<List>*>(shared.base())->ref_count_.ref_count, 1);
}

TEST(Machine, ReentrantRuns) {
    // A host function that runs another script from inside CALL.
    static Script inner;
    Asm i;
    i.op(S_::LOADA, 0).op(S_::LOADA, 0).op(S_::MUL).op(S_::RETURN, 1);
    inner = i.done();
    struct Square {
        Val call_(Val const*, Val* argv, int argc) const {
            return inner.run(nullptr, nullptr, argv, argc);
        }
    };
    Val globals[] = {Val(Square{})};
    Asm o;
    o.op(S_::LOADG, 0).op(S_::LOADG, 0).loadk(Val(3L)).op(S_::CALL, 1).op(S_::CALL, 1);
    o.op(S_::RETURN, 1);
    EXPECT_EQ(o.done().run(globals, nullptr, nullptr, 0).get<Int>(), 81);
    inner = Script();
}

TEST(Listing, Formats) {
    Script end({}, {S_::END}, 0);
    EXPECT_EQ(listing(end), "data:\ncode:\n   0 | END,0\nstack size = 0\n");

    Asm a;
    a.loadk(Val(std::string("hi"))).loadk(Val(List{Val(1L), Val(List{})})).op(S_::POP);
    a.op(S_::JZ, -3).op(S_::RETURN, 1).op(S_::END);
    a.stack = 2;
    EXPECT_EQ(listing(a.done()), "data:\n"
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
