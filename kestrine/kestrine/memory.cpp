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

// The limit less the reserve, or the reserve above `low`, whichever is
// more; never past the limit, and never 0 (which means "no run").
std::size_t cap_above(std::size_t low) noexcept {
    std::size_t const limit = memory_cap.load(std::memory_order_relaxed);
    std::size_t const reserve = limit / 16;
    std::size_t const beyond = low > limit - reserve ? limit : low + reserve;
    return std::max<std::size_t>(std::max(limit - reserve, beyond), 1);
}

} // namespace

void lower_run_cap(std::size_t held) noexcept {
    run_low = held;
    run_cap = cap_above(held);
}

Run_memory::Run_memory() noexcept : outermost_(run_depth++ == 0) {
    if (outermost_)
        lower_run_cap(memory_used.load(std::memory_order_relaxed));
}

Run_memory::~Run_memory() {
    --run_depth;
    if (outermost_) {
        run_cap = 0;
        run_low = 0;
    }
}

} // namespace detail

} // namespace kestrine
