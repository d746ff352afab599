#pragma once
// What scripts may hold: one limit on the memory of the values that scripts
// make (the value objects and the storage of strings, lists and maps),
// shared by every script of the process. An allocation of a script that
// would pass it raises "script out of memory" before anything is allocated
// (a String that host code made is refused as it becomes a value); the error
// unwinds the script like any other. Freed memory is given back to the
// count, so a script that stays within the limit runs for ever.
//
// A sixteenth of the limit is a reserve, kept for a run that starts beside
// a value that fills the rest: a run may bring the count to the limit less
// the reserve, or to the reserve above what was held when it began,
// whichever is more, but never past the limit. So a script that grows a
// value without end stops short of the limit, and the next run (the
// console's next input, a pack script) can still work beside what is left,
// or let it go.
//
// A run may also leave a part of the limit to the others: it works as if the
// limit were that much lower, counting everything held (by any run, and what
// no script can reach any more), so whatever runs of its kind hold or leak,
// the others still have that part. A console leaves one to the scripts of
// the host's content.
//
// The count is one atomic word: values are made by scripts on one thread but
// may be released on any. Small objects come from the free lists of val.hpp,
// which are charged a chunk at a time and keep their chunks; what the lists
// of the calling thread hold idle is taken off only when an allocation would
// not fit otherwise, so the machine's hot path never touches the count.
#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <new>

namespace kestrine {

// The limit unless the host sets another: far beyond what pack scripts and
// console inputs hold, well within a player's machine.
inline constexpr std::size_t default_memory_limit = std::size_t{256} << 20;

// Sets the limit in bytes for what is allocated from now on (values already
// made stay; a run under way may keep the cap it began with); returns the
// previous limit.
std::size_t set_memory_limit(std::size_t bytes) noexcept;
std::size_t memory_limit() noexcept;
// The bytes that values hold now.
std::size_t memory_in_use() noexcept;

namespace detail {

// Bytes charged; the idle blocks of the free lists are in it.
inline constinit std::atomic<std::size_t> memory_used{0};
inline constinit std::atomic<std::size_t> memory_cap{default_memory_limit};
// What the run on this thread may bring the count to; 0 outside a run,
// where the limit itself applies.
inline constinit thread_local std::size_t run_cap = 0;

[[noreturn]] void out_of_memory();
// Bytes that this thread's free lists hold charged but not handed out.
std::size_t pool_idle_bytes() noexcept;
// The count less this thread's idle blocks.
std::size_t memory_held(std::size_t charged) noexcept;
// Counts n more bytes when they fit beside what is held rather than charged.
[[gnu::cold]] bool try_charge_held(std::size_t n) noexcept;

// What the C library's allocator takes for a block of n bytes: a word of
// header, rounded up to 16.
constexpr std::size_t footprint(std::size_t n) noexcept {
    return n >= SIZE_MAX / 2 ? SIZE_MAX : (n + sizeof(void*) + 15) & ~std::size_t{15};
}

inline std::size_t current_cap() noexcept {
    std::size_t cap = run_cap;
    return cap ? cap : memory_cap.load(std::memory_order_relaxed);
}

// Counts n more bytes unless what is held would pass the cap.
inline bool try_charge(std::size_t n) noexcept {
    std::size_t const cap = current_cap();
    if (n <= cap) {
        std::size_t before = memory_used.fetch_add(n, std::memory_order_relaxed);
        if (before <= cap - n) [[likely]]
            return true;
        memory_used.fetch_sub(n, std::memory_order_relaxed);
    }
    return try_charge_held(n);
}

// Counts n more bytes, or raises "script out of memory".
inline void charge(std::size_t n) {
    if (!try_charge(n))
        out_of_memory();
}

// Raises "script out of memory" when n more bytes would not fit, without
// counting them: for an operation that knows its result's size before it
// allocates.
inline void check_room(std::size_t n) {
    std::size_t const cap = current_cap();
    if (n > cap)
        out_of_memory();
    std::size_t const charged = memory_used.load(std::memory_order_relaxed);
    if (charged > cap - n && memory_held(charged) > cap - n)
        out_of_memory();
}

inline void uncharge(std::size_t n) noexcept { memory_used.fetch_sub(n, std::memory_order_relaxed); }

// A value object outside the pool, counted while it lives.
inline void* new_value(std::size_t n) {
    charge(footprint(n));
    try {
        return ::operator new(n);
    } catch (...) {
        uncharge(footprint(n));
        throw;
    }
}
inline void delete_value(void* p, std::size_t n) noexcept {
    ::operator delete(p);
    uncharge(footprint(n));
}
inline void* new_value(std::size_t n, std::align_val_t a) {
    charge(footprint(n));
    try {
        return ::operator new(n, a);
    } catch (...) {
        uncharge(footprint(n));
        throw;
    }
}
inline void delete_value(void* p, std::size_t n, std::align_val_t a) noexcept {
    ::operator delete(p, a);
    uncharge(footprint(n));
}

// The extent of one script run for the memory limit: the outermost run on a
// thread sets its cap, leaving `leave` sixteenths of the limit (at most 15)
// to other runs, and every run inside it (a host function may run scripts)
// shares it. An outermost run that let go of much memory asks the C
// library to give its free pages back, so a later growth of another kind
// does not come on top of them. The embedding entry points hold one around
// compiling and running.
class Run_memory {
public:
    explicit Run_memory(unsigned leave = 0) noexcept;
    ~Run_memory();
    Run_memory(Run_memory const&) = delete;
    Run_memory& operator=(Run_memory const&) = delete;

private:
    bool const outermost_;
    std::size_t charged_ = 0; // at the start of the outermost run
};

} // namespace detail

// The allocator of lists and maps: their storage counts while it is held,
// and growth past the limit raises "script out of memory" with the
// container unchanged.
template <class T> struct Counted_allocator {
    using value_type = T;

    Counted_allocator() noexcept = default;
    template <class U> Counted_allocator(Counted_allocator<U> const&) noexcept {}

    T* allocate(std::size_t n) {
        if (n > SIZE_MAX / sizeof(T))
            detail::out_of_memory();
        std::size_t const bytes = detail::footprint(n * sizeof(T));
        detail::charge(bytes);
        try {
            return std::allocator<T>{}.allocate(n);
        } catch (...) {
            detail::uncharge(bytes);
            throw;
        }
    }
    void deallocate(T* p, std::size_t n) noexcept {
        std::allocator<T>{}.deallocate(p, n);
        detail::uncharge(detail::footprint(n * sizeof(T)));
    }

    template <class U> bool operator==(Counted_allocator<U> const&) const noexcept { return true; }
};

} // namespace kestrine
