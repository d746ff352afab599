// The script machine's hot paths on hand-assembled programs: value
// allocation, the dispatch loop, iteration and container access, and the
// growth of strings, lists and maps.
#include <kestrine/script.hpp>

#include <benchmark/benchmark.h>

#include "support/kestrine_util.hpp"

#include <string>
#include <vector>

using namespace kestrine;

namespace {

using kestrine_util::Asm;

// i = 0; s = 0; while i < 1000: s = s + i * i; i = i + 1; return s
Script counting_loop() {
    Asm a;
    int zero = a.k(Val(0L)), one = a.k(Val(1L)), limit = a.k(Val(1000L));
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

// s = 0; for x in [0, ..., 999]: s = s + x; return s
Script list_walk() {
    List list;
    for (long i = 0; i < 1000; ++i)
        list.push_back(Val(i));
    Asm a;
    int l = a.k(Val(std::move(list))), null = a.k(Val()), zero = a.k(Val(0L));
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

// Runs a hand-assembled program of 1000 steps.
void BM_program(benchmark::State& state, Script (*build)()) {
    Script s = build();
    Val locals[2];
    for (auto _ : state)
        benchmark::DoNotOptimize(s.run(nullptr, locals, nullptr, 0));
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK_CAPTURE(BM_program, counting_loop, &counting_loop);
BENCHMARK_CAPTURE(BM_program, list_walk, &list_walk);

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

// A String built by 300 appends, the way a script builds text.
void BM_string_append(benchmark::State& state) {
    Val piece("abc");
    for (auto _ : state) {
        Val s("");
        for (int i = 0; i < 300; ++i)
            s += piece;
        benchmark::DoNotOptimize(s.base());
    }
    state.SetItemsProcessed(state.iterations() * 300);
}
BENCHMARK(BM_string_append);

// A list grown by 1000 appends, then let go.
void BM_list_push(benchmark::State& state) {
    Val one(1L);
    for (auto _ : state) {
        Val l = Val(List{});
        List& list = l.get<List>();
        for (int i = 0; i < 1000; ++i)
            list.push_back(one);
        benchmark::DoNotOptimize(l.base());
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_list_push);

// A map given 1000 new keys, then let go.
void BM_map_insert(benchmark::State& state) {
    std::vector<Val> keys;
    for (long i = 0; i < 1000; ++i)
        keys.push_back(Val(i));
    for (auto _ : state) {
        Val m = Val(Map{});
        for (Val const& k : keys)
            m.at(k, k);
        benchmark::DoNotOptimize(m.base());
    }
    state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_map_insert);

} // namespace
