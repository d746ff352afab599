#include "kestrine/memory.hpp"

#include <algorithm>
#include <stdexcept>

#if defined(__GLIBC__)
#include <malloc.h>
#endif

namespace kestrine {

std::size_t set_memory_limit(std::size_t bytes) noexcept {
    return detail::memory_cap.exchange(bytes, std::memory_order_relaxed);
}

std::size_t memory_limit() noexcept { return detail::memory_cap.load(std::memory_order_relaxed); }

std::size_t memory_in_use() noexcept {
    return detail::memory_held(detail::memory_used.load(std::memory_order_relaxed));
}

namespace detail {

void out_of_memory() { throw std::runtime_error("script out of memory"); }

namespace {
thread_local int run_depth = 0;
} // namespace

std::size_t memory_held(std::size_t charged) noexcept {
    std::size_t const idle = pool_idle_bytes();
    return charged > idle ? charged - idle : 0;
}

bool try_charge_held(std::size_t n) noexcept {
    std::size_t const cap = current_cap();
    if (n > cap)
        return false;
    std::size_t const before = memory_used.fetch_add(n, std::memory_order_relaxed);
    if (memory_held(before) <= cap - n)
        return true;
    memory_used.fetch_sub(n, std::memory_order_relaxed);
    return false;
}

Run_memory::Run_memory(unsigned leave) noexcept : outermost_(run_depth++ == 0) {
    if (!outermost_)
        return;
    charged_ = memory_used.load(std::memory_order_relaxed);
    // Within the limit less what is left to others: that limit less the
    // reserve, or the reserve above what is held now, whichever is more;
    // never past that limit, and never 0 ("no run").
    std::size_t const limit = memory_cap.load(std::memory_order_relaxed);
    std::size_t const own = limit - limit / 16 * std::min(leave, 15u);
    std::size_t const reserve = own / 16;
    std::size_t const held = memory_in_use();
    std::size_t const beyond = held > own - reserve ? own : held + reserve;
    run_cap = std::max<std::size_t>(std::max(own - reserve, beyond), 1);
}

Run_memory::~Run_memory() {
    --run_depth;
    if (!outermost_)
        return;
    run_cap = 0;
#if defined(__GLIBC__)
    std::size_t const now = memory_used.load(std::memory_order_relaxed);
    if (now < charged_ && charged_ - now > memory_cap.load(std::memory_order_relaxed) / 16)
        malloc_trim(0);
#endif
}

} // namespace detail

} // namespace kestrine
