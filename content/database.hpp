#pragma once
// The table behind the cell, item and mob types: records by id, and find-or-add
// by full name.
#include <array>
#include <atomic>
#include <concepts>
#include <cstddef>
#include <functional>
#include <limits>
#include <mutex>
#include <new>
#include <shared_mutex>
#include <string>
#include <string_view>
#include <unordered_map>

// Hashes a string, a string view or a character pointer alike.
struct String_hash {
  using is_transparent = void;
  std::size_t operator()(std::string_view s) const noexcept { return std::hash<std::string_view>{}(s); }
};

// The longest full type name: every file that stores type names is read
// back with this cap, so a longer name never enters a table.
inline constexpr std::size_t max_name_bytes = 256;

// Logs that a name was refused because its table has no id left.
void report_table_full(std::string_view name);
// Logs that a name was refused for being longer than max_name_bytes.
void report_name_too_long(std::string_view name);

// Records live at stable addresses in fixed blocks, so a reader holding an id
// or a reference never races with an append; names are looked up and added
// under a lock. Worker threads may therefore look names up and read records
// while the main thread adds types.
template <class Id, class T>
class Database {
public:
  static constexpr std::size_t max_records = std::size_t(std::numeric_limits<Id>::max()) + 1;

  // Holds record 0, the nameless default, from the start.
  Database() { (*this)[std::string_view()]; }

  ~Database() {
    std::size_t n = size_.load(std::memory_order_acquire);
    for (std::size_t i = 0; i < n; ++i) slot(i).~T();
    for (auto& b : blocks_)
      if (T* block = b.load(std::memory_order_relaxed)) ::operator delete(block, std::align_val_t{alignof(T)});
  }

  Database(Database const&) = delete;
  Database& operator=(Database const&) = delete;

  // By id; ids the table handed out are always in range.
  template <std::integral I>
  T& operator[](I id) noexcept { return slot(std::size_t(id)); }
  template <std::integral I>
  T const& operator[](I id) const noexcept { return slot(std::size_t(id)); }

  // Find-or-add by full name: an unknown name gets the next id and a record
  // with every default. A name no file could hold, or one past the last id,
  // is refused (logged) and record 0 is returned.
  T& operator[](std::string_view name) {
    if (name.size() > max_name_bytes) {
      report_name_too_long(name);
      return slot(0);
    }
    {
      std::shared_lock lock(mutex_);
      if (auto it = names_.find(name); it != names_.end()) return slot(it->second);
    }
    std::unique_lock lock(mutex_);
    if (auto it = names_.find(name); it != names_.end()) return slot(it->second);
    std::size_t const id = size_.load(std::memory_order_relaxed);
    if (id >= max_records) {
      lock.unlock();
      report_table_full(name);
      return slot(0);
    }
    auto& holder = blocks_[id / block_size];
    T* block = holder.load(std::memory_order_relaxed);
    if (!block) {
      block = static_cast<T*>(::operator new(block_size * sizeof(T), std::align_val_t{alignof(T)}));
      holder.store(block, std::memory_order_release);
    }
    T* record = ::new (static_cast<void*>(block + id % block_size)) T(Id(id), std::string(name));
    try {
      names_.emplace(std::string(name), Id(id));
    } catch (...) {
      record->~T();
      throw;
    }
    size_.store(id + 1, std::memory_order_release);
    return *record;
  }
  T& operator[](char const* name) { return (*this)[std::string_view(name)]; }

  // The number of records, record 0 included.
  std::size_t size() const noexcept { return size_.load(std::memory_order_acquire); }

private:
  static constexpr std::size_t block_size = 256;

  T& slot(std::size_t id) const noexcept {
    return blocks_[id / block_size].load(std::memory_order_acquire)[id % block_size];
  }

  std::array<std::atomic<T*>, max_records / block_size> blocks_{};
  std::atomic<std::size_t> size_{0};
  std::unordered_map<std::string, Id, String_hash, std::equal_to<>> names_;
  mutable std::shared_mutex mutex_;
};
