#pragma once
// A table of pages keyed by integer coordinates wrapped to a power-of-two
// size per axis: a lookup is a few masks and shifts and one key comparison.
// Asking for a key whose slot holds another page replaces that page.
#include <glm/vec2.hpp>
#include <glm/vec3.hpp>

#include <array>
#include <bit>
#include <cstdint>
#include <memory>
#include <vector>

template <int N> struct Page_key;
template <> struct Page_key<3> { using type = glm::ivec3; };
template <> struct Page_key<2> { using type = glm::ivec2; }; // x, z

// The smallest power of two not below 2d + 1 (1 for d <= 0).
inline std::int32_t table_size(std::int32_t d) {
  return d <= 0 ? 1 : static_cast<std::int32_t>(std::bit_ceil(2u * static_cast<std::uint32_t>(d) + 1u));
}

template <class P, int N>
class Page_table {
public:
  using Key = typename Page_key<N>::type;

  struct Entry {
    Key key;
    P page;
    explicit Entry(Key k) : key(k), page() {}
  };

  Page_table() { resize(Key(1)); }
  explicit Page_table(Key sizes) { resize(sizes); }

  // Drops every page and re-sizes; each size a power of two.
  void resize(Key sizes) {
    slots_.clear();
    std::size_t n = 1;
    for (int i = 0; i < N; ++i) {
      size_[i] = sizes[i] < 1 ? 1 : static_cast<std::int32_t>(std::bit_ceil(static_cast<std::uint32_t>(sizes[i])));
      mask_[i] = size_[i] - 1;
      n *= static_cast<std::size_t>(size_[i]);
    }
    if constexpr (N == 3) {
      shift_[1] = std::countr_zero(static_cast<std::uint32_t>(size_[2]));
      shift_[0] = shift_[1] + std::countr_zero(static_cast<std::uint32_t>(size_[1]));
    } else {
      shift_[0] = std::countr_zero(static_cast<std::uint32_t>(size_[1]));
    }
    slots_.resize(n);
  }

  std::size_t slot(Key k) const {
    if constexpr (N == 3)
      return (static_cast<std::size_t>(k.x & mask_[0]) << shift_[0]) +
             (static_cast<std::size_t>(k.y & mask_[1]) << shift_[1]) + static_cast<std::size_t>(k.z & mask_[2]);
    else
      return (static_cast<std::size_t>(k.x & mask_[0]) << shift_[0]) + static_cast<std::size_t>(k.y & mask_[1]);
  }

  P* find(Key k) {
    Entry* e = slots_[slot(k)].get();
    return e && e->key == k ? &e->page : nullptr;
  }
  P const* find(Key k) const {
    Entry const* e = slots_[slot(k)].get();
    return e && e->key == k ? &e->page : nullptr;
  }

  // The page of k, made new (destroying whatever held the slot) when absent.
  P& insert(Key k) {
    auto& s = slots_[slot(k)];
    if (!s || s->key != k) s = std::make_unique<Entry>(k);
    return s->page;
  }

  // Takes the entry of k out of the table (null when the table doesn't hold
  // it): the page lives on outside the table, keeping its slot free.
  std::unique_ptr<Entry> take(Key k) {
    auto& s = slots_[slot(k)];
    return s && s->key == k ? std::move(s) : nullptr;
  }

  // Puts a taken entry back into its key's slot, destroying whatever held it.
  P& put(std::unique_ptr<Entry> e) {
    auto& s = slots_[slot(e->key)];
    s = std::move(e);
    return s->page;
  }

  // Destroys the page of k if the table holds it.
  void erase(Key k) {
    auto& s = slots_[slot(k)];
    if (s && s->key == k) s.reset();
  }

  void clear() {
    for (auto& s : slots_) s.reset();
  }

  Key size() const {
    Key k;
    for (int i = 0; i < N; ++i) k[i] = size_[i];
    return k;
  }

  // Slot order walk over the pages held: f(key, page).
  template <class F> void for_each(F&& f) {
    for (auto& s : slots_)
      if (s) f(s->key, s->page);
  }
  template <class F> void for_each(F&& f) const {
    for (auto const& s : slots_)
      if (s) f(s->key, static_cast<P const&>(s->page));
  }

private:
  std::array<std::int32_t, N> size_{};
  std::array<std::int32_t, N> mask_{};
  std::array<int, N - 1> shift_{};
  std::vector<std::unique_ptr<Entry>> slots_;
};
