#pragma once
// Item stacks, inventories and the compact array that holds them.
#include <algorithm>
#include <cstddef>
#include <cstdint>
#include <initializer_list>
#include <memory>
#include <new>
#include <stdexcept>
#include <utility>

using Item_id = std::uint16_t;

// A growable array with a 16-bit size and a 16-bit power-of-two capacity.
// The capacity field can't say 65536, so it holds at most 32768 elements.
template <class T>
class Short_vector {
public:
  static constexpr std::size_t max_elements = 32768;

  Short_vector() noexcept = default;

  // n value-initialised elements.
  explicit Short_vector(std::size_t n) {
    allocate(n);
    std::uninitialized_value_construct_n(data_, n);
    size_ = static_cast<std::uint16_t>(n);
  }

  Short_vector(std::initializer_list<T> items) { copy_from(items.begin(), items.size()); }

  Short_vector(Short_vector const& other) { copy_from(other.data_, other.size_); }

  Short_vector(Short_vector&& other) noexcept
      : data_(std::exchange(other.data_, nullptr)),
        size_(std::exchange(other.size_, 0)),
        capacity_(std::exchange(other.capacity_, 0)) {}

  Short_vector& operator=(Short_vector const& other) {
    if (this != &other) {
      Short_vector copy(other);
      swap(copy);
    }
    return *this;
  }

  Short_vector& operator=(Short_vector&& other) noexcept {
    Short_vector moved(std::move(other));
    swap(moved);
    return *this;
  }

  ~Short_vector() { release(); }

  void swap(Short_vector& other) noexcept {
    std::swap(data_, other.data_);
    std::swap(size_, other.size_);
    std::swap(capacity_, other.capacity_);
  }

  // Appends at the end; false (and nothing changes) when the array is full.
  bool push_back(T const& value) { return emplace_back(value); }
  bool push_back(T&& value) { return emplace_back(std::move(value)); }

  template <class... Args>
  bool emplace_back(Args&&... args) {
    if (size_ >= max_elements) return false;
    if (size_ + 1u > capacity_) {
      std::size_t cap = capacity_ ? capacity_ : 1;
      while (cap < size_ + 1u) cap *= 2;
      T* fresh = static_cast<T*>(::operator new(cap * sizeof(T), std::align_val_t{alignof(T)}));
      try {
        ::new (static_cast<void*>(fresh + size_)) T(std::forward<Args>(args)...);
      } catch (...) {
        ::operator delete(fresh, std::align_val_t{alignof(T)});
        throw;
      }
      std::uninitialized_move_n(data_, size_, fresh);
      std::destroy_n(data_, size_);
      if (data_) ::operator delete(data_, std::align_val_t{alignof(T)});
      data_ = fresh;
      capacity_ = static_cast<std::uint16_t>(cap);
    } else {
      ::new (static_cast<void*>(data_ + size_)) T(std::forward<Args>(args)...);
    }
    ++size_;
    return true;
  }

  // Drops every element and keeps the storage for reuse.
  void clear() noexcept {
    std::destroy_n(data_, size_);
    size_ = 0;
  }

  std::size_t size() const noexcept { return size_; }
  std::size_t capacity() const noexcept { return capacity_; }
  bool empty() const noexcept { return size_ == 0; }

  T* data() noexcept { return data_; }
  T const* data() const noexcept { return data_; }
  T* begin() noexcept { return data_; }
  T* end() noexcept { return data_ + size_; }
  T const* begin() const noexcept { return data_; }
  T const* end() const noexcept { return data_ + size_; }
  T& operator[](std::size_t i) noexcept { return data_[i]; }
  T const& operator[](std::size_t i) const noexcept { return data_[i]; }

  friend bool operator==(Short_vector const& a, Short_vector const& b) {
    return std::equal(a.begin(), a.end(), b.begin(), b.end());
  }

private:
  T* data_ = nullptr;
  std::uint16_t size_ = 0;
  std::uint16_t capacity_ = 0;

  // Storage for n elements: the smallest power of two not below n, at least 1.
  void allocate(std::size_t n) {
    if (n > max_elements) throw std::length_error("Short_vector: too many elements");
    std::size_t cap = 1;
    while (cap < n) cap *= 2;
    data_ = static_cast<T*>(::operator new(cap * sizeof(T), std::align_val_t{alignof(T)}));
    capacity_ = static_cast<std::uint16_t>(cap);
  }

  void copy_from(T const* src, std::size_t n) {
    allocate(n);
    try {
      std::uninitialized_copy_n(src, n, data_);
    } catch (...) {
      ::operator delete(data_, std::align_val_t{alignof(T)});
      data_ = nullptr;
      capacity_ = 0;
      throw;
    }
    size_ = static_cast<std::uint16_t>(n);
  }

  void release() noexcept {
    if (!data_) return;
    std::destroy_n(data_, size_);
    ::operator delete(data_, std::align_val_t{alignof(T)});
    data_ = nullptr;
    size_ = capacity_ = 0;
  }
};

// One stack; id 0 with count 0 is an empty slot.
struct Item {
  Item_id id = 0;
  std::int16_t count = 0;

  // Adds n (possibly negative) and returns the change actually made. Removing
  // more than the stack holds empties it; the count saturates instead of
  // wrapping; a stack that reaches 0 becomes the empty item.
  short add(short n);

  friend bool operator==(Item const&, Item const&) = default;
};

static_assert(sizeof(Item) == 4);

// The fixed slots of a mob or a container cell.
struct Inventory {
  Short_vector<Item> slots;

  Inventory() = default;
  explicit Inventory(std::size_t n) : slots(n) {}

  // Puts the whole stack into the first slot of its kind, else the first
  // empty slot. False, with nothing changed, when there is neither or when
  // the stack would overflow that slot.
  bool give(Item item);
  // Takes up to item.count of its kind, first slots first; returns how many.
  int take(Item item);
  // Takes every entry of the other inventory in turn; returns the sum.
  int take(Inventory const& items);
  int count(Item_id id) const;
  bool contains(Item item) const;
  // Every entry of the other inventory, each on its own, is contained.
  bool contains(Inventory const& items) const;
  // The first slot holding id, or end().
  Item* find(Item_id id);
  Item const* find(Item_id id) const;

  std::size_t size() const noexcept { return slots.size(); }
  Item* begin() noexcept { return slots.begin(); }
  Item* end() noexcept { return slots.end(); }
  Item const* begin() const noexcept { return slots.begin(); }
  Item const* end() const noexcept { return slots.end(); }
  Item& operator[](std::size_t i) noexcept { return slots[i]; }
  Item const& operator[](std::size_t i) const noexcept { return slots[i]; }

  friend bool operator==(Inventory const&, Inventory const&) = default;
};
