#include "kestrine/memory.hpp"

#include <algorithm>
#include <stdexcept>

namespace kestrine {

std::size_t set_memory_limit(std::size_t bytes) noexcept {
    return detail::memory_cap.exchange(bytes, std::memory_order_relaxed);
}

std::size_t memory_limit() noexcept { return detail::memory_cap.load(std::memory_order_relaxed); }

std::size_t memory_in_use() noexcept { return detail::memory_used.load(std::memory_order_relaxed); }

namespace detail {

void out_of_memory() { throw std::runtime_error("script out of memory"); }

namespace {
thread_local int run_depth = 0;
} // namespace

Run_memory::Run_memory() noexcept : outermost_(run_depth++ == 0) {
    if (!outermost_)
        return;
    // Up to the limit less the reserve, and in any case the reserve beyond
    // what is held now, but never past the limit.
    std::size_t const limit = memory_cap.load(std::memory_order_relaxed);
    std::size_t const reserve = limit / 16;
    std::size_t const held = memory_used.load(std::memory_order_relaxed);
    std::size_t const beyond = held > limit - reserve ? limit : held + reserve;
    // 0 means "no run": a zero limit is kept as the least cap that refuses.
    run_cap = std::max<std::size_t>(std::max(limit - reserve, beyond), 1);
}

Run_memory::~Run_memory() {
    --run_depth;
    if (outermost_)
        run_cap = 0;
}

} // namespace detail

} // namespace kestrine
