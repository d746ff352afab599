#pragma once
// The 4096-element arrays of a page (cell ids or light bytes), shared between
// pages until one of them writes.
//
// Threads: several workers read a page's array while its owner may publish a
// new one, so the array pointer is only read or replaced under a tiny lock and
// readers of another page's array take a `snapshot` (a counted reference that
// keeps the array alive). Workers never write an array others may see: they
// fill a fresh `Page` and `assign` it. In-place writes (`set`, `write`) are for
// the thread that owns the page while nobody else reads it.
#include <algorithm>
#include <atomic>
#include <cstddef>
#include <cstdint>

using Light = std::uint8_t; // sunlight in the low nibble, spotlight in the high one

inline constexpr int page_cells = 4096;

// In-page index of a cell; each coordinate is taken modulo 16.
constexpr int cell_index(int x, int y, int z) { return ((x & 15) << 8) | ((y & 15) << 4) | (z & 15); }

template <class T>
class Page {
  struct Array {
    std::atomic<std::int64_t> refs{1};
    T data[page_cells];
  };

public:
  // Distinct arrays alive, per element type.
  static inline std::atomic<std::int64_t> total_{0};

  // A fresh private array, every element `fill`.
  explicit Page(T fill = T{}) : a_(make()) { std::fill_n(a_->data, page_cells, fill); }
  // A fresh private array holding a copy of `src`.
  static Page copy_of(T const* src) {
    Page p(Adopt{}, make());
    std::copy_n(src, page_cells, p.a_->data);
    return p;
  }

  Page(Page const& o) : a_(o.acquire()) {}
  Page(Page&& o) noexcept : a_(o.a_) { o.a_ = nullptr; }
  Page& operator=(Page const& o) {
    if (this != &o) assign(o.acquire());
    return *this;
  }
  Page& operator=(Page&& o) noexcept {
    if (this != &o) {
      Array* taken = o.a_;
      o.a_ = nullptr;
      assign(taken);
    }
    return *this;
  }
  ~Page() { release(a_); }

  // A counted reference to the array as it is now; safe against a concurrent
  // `assign` by the owner.
  Page snapshot() const { return Page(Adopt{}, acquire()); }

  // Reads: the owner's own view (no lock). Other threads read a snapshot.
  T const* data() const { return a_->data; }
  T operator[](int i) const { return a_->data[i]; }

  bool shared() const { return a_->refs.load(std::memory_order_acquire) > 1; }
  bool same_array(Page const& o) const { return a_ == o.a_; }

  // Copy before first write; then a writable pointer to the private array.
  T* write() {
    if (shared()) assign(copy_of(a_->data).take());
    return a_->data;
  }
  void set(int i, T v) { write()[i] = v; }

private:
  // Takes over an array reference already counted.
  struct Adopt {};
  Page(Adopt, Array* a) : a_(a) {}

  static Array* make() {
    total_.fetch_add(1, std::memory_order_relaxed);
    return new Array;
  }
  static void release(Array* a) {
    if (a && a->refs.fetch_sub(1, std::memory_order_acq_rel) == 1) {
      total_.fetch_sub(1, std::memory_order_relaxed);
      delete a;
    }
  }
  Array* take() {
    Array* a = a_;
    a_ = nullptr;
    return a;
  }
  Array* acquire() const {
    lock();
    Array* a = a_;
    if (a) a->refs.fetch_add(1, std::memory_order_relaxed);
    unlock();
    return a;
  }
  void assign(Array* a) {
    lock();
    Array* old = a_;
    a_ = a;
    unlock();
    release(old);
  }
  void lock() const {
    while (lock_.test_and_set(std::memory_order_acquire)) lock_.wait(true, std::memory_order_relaxed);
  }
  void unlock() const {
    lock_.clear(std::memory_order_release);
    lock_.notify_one();
  }

  Array* a_;
  mutable std::atomic_flag lock_;
};
