// The script machine's hot paths on hand-assembled programs: value
// allocation, the dispatch loop, iteration and container access.
#include <kestrine/script.hpp>

#include <benchmark/benchmark.h>

#include <string>
#include <vector>

using namespace kestrine;

namespace {

struct Asm {
    std::vector<Val> data;
    std::vector<std::int8_t> code;
    Asm& op(Opcode o, int arg = 0) {
        encode(code, o, arg);
        return *this;
    }
    int k(Val v) {
        data.push_back(std::move(v));
        return static_cast<int>(data.size() - 1);
    }
    std::size_t jump(Opcode o) {
        op(o, -1);
        return code.size() - 1;
    }
    void land(std::size_t at) { code[at] = static_cast<std::int8_t>(code.size() - at + 1); }
    void back(Opcode o, std::size_t target) {
        op(o, static_cast<int>(target) - static_cast<int>(code.size()));
    }
    Script done(std::size_t stack) { return Script(std::move(data), std::move(code), stack); }
};

// i = 0; s = 0; while i < n: s = s + i * i; i = i + 1; return s
Script counting_loop(long n) {
    Asm a;
    int zero = a.k(Val(0L)), one = a.k(Val(1L)), limit = a.k(Val(n));
    a.op(Script::LOADK, zero).op(Script::STORL, 0).op(Script::STORL, 1).op(Script::POP);
    std::size_t top = a.code.size();
    a.op(Script::LOADL, 0).op(Script::LOADK, limit).op(Script::LT);
    std::size_t out = a.jump(Script::JZ);
    a.op(Script::LOADL, 1).op(Script::LOADL, 0).op(Script::LOADL, 0).op(Script::MUL);
    a.op(Script::ADD).op(Script::STORL, 1).op(Script::POP);
    a.op(Script::LOADL, 0).op(Script::LOADK, one).op(Script::ADD).op(Script::STORL, 0);
    a.op(Script::POP);
    a.back(Script::JMP, top);
    a.land(out);
    a.op(Script::LOADL, 1).op(Script::RETURN, 1);
    return a.done(8);
}

// s = 0; for x in list: s = s + x; return s
Script list_walk(Val list) {
    Asm a;
    int l = a.k(std::move(list)), null = a.k(Val()), zero = a.k(Val(0L));
    a.op(Script::LOADK, zero).op(Script::STORL, 1).op(Script::POP);
    a.op(Script::LOADK, l).op(Script::LOADK, null);
    std::size_t top = a.code.size();
    std::size_t out = a.jump(Script::NEXT);
    a.op(Script::STORL, 0).op(Script::POP);
    a.op(Script::LOADL, 1).op(Script::LOADL, 0).op(Script::ADD).op(Script::STORL, 1);
    a.op(Script::POP);
    a.back(Script::JMP, top);
    a.land(out);
    a.op(Script::LOADL, 1).op(Script::RETURN, 1);
    return a.done(8);
}

void BM_counting_loop(benchmark::State& state) {
    Script s = counting_loop(1000);
    Val locals[2];
    for (auto _ : state)
        benchmark::DoNotOptimize(s.run(nullptr, locals, nullptr, 0));
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_counting_loop);

void BM_list_walk(benchmark::State& state) {
    List l;
    for (long i = 0; i < 1000; ++i)
        l.push_back(Val(i));
    Script s = list_walk(Val(std::move(l)));
    Val locals[2];
    for (auto _ : state)
        benchmark::DoNotOptimize(s.run(nullptr, locals, nullptr, 0));
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_list_walk);

void BM_int_add(benchmark::State& state) {
    Val a(1L), b(2L);
    for (auto _ : state) {
        a += b;
        benchmark::DoNotOptimize(a.base());
    }
}
BENCHMARK(BM_int_add);

void BM_map_read(benchmark::State& state) {
    Val m = Val(Map{});
    std::vector<Val> keys;
    for (long i = 0; i < 1000; ++i) {
        keys.push_back(Val(i));
        m.at(keys.back(), Val(i));
    }
    for (auto _ : state)
        for (Val const& k : keys)
            benchmark::DoNotOptimize(m.at(k).base());
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_map_read);

} // namespace
