#pragma once
// MessagePack reader and writer over a stream buffer. Failures are stored as
// messages, never thrown; composite readers and writers stop at the first one.
#include <glm/fwd.hpp>

#include <algorithm>
#include <array>
#include <bit>
#include <chrono>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <streambuf>
#include <string>
#include <string_view>
#include <type_traits>
#include <unordered_map>
#include <utility>
#include <vector>

namespace mpk {

// Deeper nesting than this is refused: the skipper and the printer recurse
// once per level.
inline constexpr int max_depth = 64;

struct Scanner {
  std::streambuf* buf;
  std::string err;
  // Sticky: the input ended early or a read came up short. Kept apart from
  // err so that readers meeting the end still yield their plain values.
  bool truncated = false;

  explicit Scanner(std::streambuf* b) : buf(b) {}
  explicit Scanner(std::streambuf& b) : buf(&b) {}

  bool ok() const { return !truncated && err.empty(); }
  // The failure in words: the stored message, or the early end.
  std::string message() const;

  void read(char* p, long n);
  int peek() { return buf->sgetc(); }
  // One byte, or EOF (which callers take as the byte 0xFF).
  int get8() {
    int c = buf->sbumpc();
    if (c == std::streambuf::traits_type::eof()) truncated = true;
    return c;
  }
  std::uint16_t get16();
  std::uint32_t get32();
  std::uint64_t get64();
  void skip(unsigned long n);
  void error(std::string&& m) { err = std::move(m); }
};

struct Emitter {
  std::streambuf* buf;
  std::string err;

  explicit Emitter(std::streambuf* b) : buf(b) {}
  explicit Emitter(std::streambuf& b) : buf(&b) {}

  bool ok() const { return err.empty(); }

  void write(char const* p, long n) {
    if (n > 0 && buf->sputn(p, n) != n) write_failed();
  }
  void put8(unsigned char c) {
    if (buf->sputc(static_cast<char>(c)) == std::streambuf::traits_type::eof()) write_failed();
  }
  void put16(unsigned short v) {
    char b[2] = {char(v >> 8), char(v)};
    write(b, 2);
  }
  void put32(unsigned int v) {
    v = __builtin_bswap32(v);
    char b[4];
    std::memcpy(b, &v, 4);
    write(b, 4);
  }
  void put64(unsigned long v) {
    v = __builtin_bswap64(v);
    char b[8];
    std::memcpy(b, &v, 8);
    write(b, 8);
  }
  void error(std::string&& m) { err = std::move(m); }

private:
  void write_failed();
};

// ---- single values -------------------------------------------------------

void scan_nil(Scanner& s);
void emit_nil(Emitter& e);
void scan_bol(Scanner& s, bool& v);
void emit_bol(Emitter& e, bool v);

namespace detail {

// The smallest integer form, written to anything with put8 to put64: the
// emitter itself, or a local block when whole arrays are written.
template <class Sink> inline void put_int(Sink& e, unsigned long v) {
  if (v < 128) {
    e.put8(static_cast<unsigned char>(v));
  } else if (v < 256) {
    e.put8(0xCC);
    e.put8(static_cast<unsigned char>(v));
  } else if (v < 65536) {
    e.put8(0xCD);
    e.put16(static_cast<unsigned short>(v));
  } else if (v <= 0xFFFFFFFFul) {
    e.put8(0xCE);
    e.put32(static_cast<unsigned int>(v));
  } else {
    e.put8(0xCF);
    e.put64(v);
  }
}

// Non-negative values take the unsigned forms.
template <class Sink> inline void put_int(Sink& e, long v) {
  if (v >= 0) {
    put_int(e, static_cast<unsigned long>(v));
  } else if (v >= -32) {
    e.put8(static_cast<unsigned char>(v));
  } else if (v >= -128) {
    e.put8(0xD0);
    e.put8(static_cast<unsigned char>(v));
  } else if (v >= -32768) {
    e.put8(0xD1);
    e.put16(static_cast<unsigned short>(v));
  } else if (v >= -2147483648l) {
    e.put8(0xD2);
    e.put32(static_cast<unsigned int>(v));
  } else {
    e.put8(0xD3);
    e.put64(static_cast<unsigned long>(v));
  }
}

struct Block {
  char* p;
  void put8(unsigned char c) { *p++ = static_cast<char>(c); }
  void put16(unsigned short v) {
    p[0] = static_cast<char>(v >> 8);
    p[1] = static_cast<char>(v);
    p += 2;
  }
  void put32(unsigned int v) {
    v = __builtin_bswap32(v);
    std::memcpy(p, &v, 4);
    p += 4;
  }
  void put64(unsigned long v) {
    v = __builtin_bswap64(v);
    std::memcpy(p, &v, 8);
    p += 8;
  }
};

} // namespace detail

inline void emit_int(Emitter& e, unsigned long v) { detail::put_int(e, v); }
inline void emit_int(Emitter& e, unsigned int v) { detail::put_int(e, static_cast<unsigned long>(v)); }
inline void emit_int(Emitter& e, unsigned short v) { detail::put_int(e, static_cast<unsigned long>(v)); }
inline void emit_int(Emitter& e, unsigned char v) { detail::put_int(e, static_cast<unsigned long>(v)); }
inline void emit_int(Emitter& e, long v) { detail::put_int(e, v); }
inline void emit_int(Emitter& e, int v) { detail::put_int(e, static_cast<long>(v)); }
inline void emit_int(Emitter& e, short v) { detail::put_int(e, static_cast<long>(v)); }
inline void emit_int(Emitter& e, signed char v) { detail::put_int(e, static_cast<long>(v)); }

void emit_flt(Emitter& e, float v);
void emit_flt(Emitter& e, double v);

// Head readers return the length or count, or -1 after a failure.
std::int64_t scan_str_head(Scanner& s);
void emit_str_head(Emitter& e, std::uint64_t n);
std::int64_t scan_bin_head(Scanner& s);
void emit_bin_head(Emitter& e, std::uint64_t n);
std::int64_t scan_arr_head(Scanner& s);
void emit_arr_head(Emitter& e, std::uint64_t n);
std::int64_t scan_map_head(Scanner& s);
void emit_map_head(Emitter& e, std::uint64_t n);

// Extension head: (size, type), or (0, 0) after a failure.
std::pair<unsigned long, unsigned char> scan_ext(Scanner& s);
void emit_ext(Emitter& e, unsigned long size, unsigned char type);
// Timestamps, extension type -1.
void emit_ts(Emitter& e, std::chrono::seconds const& t);
void emit_ts(Emitter& e, std::chrono::nanoseconds const& t);

// Passes over one complete value of any kind.
void scan_skip(Scanner& s);
// A value that is not stored (nil).
void emit_skip(Emitter& e);

template <class T> void scan_int(Scanner& s, T& v) {
  unsigned c = static_cast<unsigned char>(s.get8());
  if (c < 0x80) {
    v = static_cast<T>(c);
    return;
  }
  if (c >= 0xE0) {
    v = static_cast<T>(static_cast<std::int8_t>(c));
    return;
  }
  switch (c) {
  case 0xCC: v = static_cast<T>(static_cast<unsigned char>(s.get8())); break;
  case 0xCD: v = static_cast<T>(s.get16()); break;
  case 0xCE: v = static_cast<T>(s.get32()); break;
  case 0xCF: v = static_cast<T>(s.get64()); break;
  case 0xD0: v = static_cast<T>(static_cast<std::int8_t>(s.get8())); break;
  case 0xD1: v = static_cast<T>(static_cast<std::int16_t>(s.get16())); break;
  case 0xD2: v = static_cast<T>(static_cast<std::int32_t>(s.get32())); break;
  case 0xD3: v = static_cast<T>(static_cast<std::int64_t>(s.get64())); break;
  default: s.error("expected integer");
  }
}

template <class T> void scan_flt(Scanner& s, T& v) {
  unsigned c = static_cast<unsigned char>(s.get8());
  if (c == 0xCA) v = static_cast<T>(std::bit_cast<float>(s.get32()));
  else if (c == 0xCB) v = static_cast<T>(std::bit_cast<double>(s.get64()));
  else s.error("expected float");
}

// ---- type classes ----------------------------------------------------------

namespace detail {
template <class T> struct is_byte_array : std::false_type {};
template <std::size_t N> struct is_byte_array<std::array<std::byte, N>> : std::true_type {};

template <class T> struct fixed_size : std::integral_constant<std::size_t, 0> {};
template <class T, std::size_t N>
struct fixed_size<std::array<T, N>> : std::integral_constant<std::size_t, N> {};
template <glm::length_t L, class T, glm::qualifier Q>
struct fixed_size<glm::vec<L, T, Q>> : std::integral_constant<std::size_t, L> {};

template <class T> struct is_vector : std::false_type {};
template <class T, class A> struct is_vector<std::vector<T, A>> : std::true_type {};

template <class T> struct is_map : std::false_type {};
template <class K, class V, class H, class E, class A>
struct is_map<std::unordered_map<K, V, H, E, A>> : std::true_type {};

template <class T>
concept own_scan = requires(Scanner& s, T& v) { s % v; };
template <class T>
concept own_emit = requires(Emitter& e, T const& v) { e % v; };
} // namespace detail

template <class T> void scan(Scanner& s, T& v);
template <class T> void emit(Emitter& e, T const& v);

// ---- containers --------------------------------------------------------------

template <class T> void scan_str(Scanner& s, T& v) {
  std::int64_t n = scan_str_head(s);
  if (n < 0) return;
  // Grow with the data actually read, so a forged length costs no memory.
  constexpr std::int64_t chunk = 1 << 16;
  if (n <= chunk) {
    v.resize(static_cast<std::size_t>(n));
    s.read(v.data(), static_cast<long>(n));
    return;
  }
  v.clear();
  for (std::int64_t at = 0; at < n && !s.truncated;) {
    std::int64_t k = std::min(chunk, n - at);
    v.resize(static_cast<std::size_t>(at + k));
    s.read(v.data() + at, static_cast<long>(k));
    at += k;
  }
}

template <class T> void scan_bin(Scanner& s, T& v) {
  std::int64_t n = scan_bin_head(s);
  if (n < 0) return;
  if (static_cast<std::uint64_t>(n) != v.size()) {
    s.error("bad byte array size");
    return;
  }
  s.read(reinterpret_cast<char*>(v.data()), static_cast<long>(n));
}

template <class T> void scan_arr(Scanner& s, T& v) {
  std::int64_t n = scan_arr_head(s);
  if (n < 0) return;
  if constexpr (detail::is_vector<T>::value) {
    v.clear();
    v.reserve(static_cast<std::size_t>(std::min<std::int64_t>(n, 1024)));
    for (std::int64_t i = 0; i < n && s.ok(); ++i) {
      v.emplace_back();
      scan(s, v.back());
    }
  } else {
    constexpr std::size_t size = detail::fixed_size<T>::value;
    static_assert(size > 0, "scan_arr needs a vector, an array or a glm vector");
    if (static_cast<std::uint64_t>(n) != size) {
      s.error("bad array size");
      return;
    }
    for (std::size_t i = 0; i < size && s.ok(); ++i) scan(s, v[static_cast<int>(i)]);
  }
}

template <class T> void scan_map(Scanner& s, T& v) {
  std::int64_t n = scan_map_head(s);
  if (n < 0) return;
  v.clear();
  for (std::int64_t i = 0; i < n && s.ok(); ++i) {
    typename T::key_type key{};
    typename T::mapped_type val{};
    scan(s, key);
    scan(s, val);
    v.try_emplace(std::move(key), std::move(val)); // of repeated keys the first wins
  }
}

template <class T> void emit_arr(Emitter& e, T const& v) {
  std::uint64_t n;
  if constexpr (detail::fixed_size<T>::value > 0) n = detail::fixed_size<T>::value;
  else n = v.size();
  emit_arr_head(e, n);
  using Elem = std::remove_cvref_t<decltype(v[0])>;
  if constexpr (std::is_integral_v<Elem> && !std::is_same_v<Elem, bool> && !detail::own_emit<Elem>) {
    // Integers go through a local block: the same bytes, without a trip
    // through the stream buffer for each. Only a write can fail here, so
    // looking at err after each block is looking before each element.
    using U = std::make_unsigned_t<Elem>;
    auto at = [&v](std::uint64_t i) { return v[static_cast<int>(i)]; };
    char block[1024];
    detail::Block b{block};
    auto flush = [&] {
      if (e.ok()) e.write(block, b.p - block);
      b.p = block;
      return e.ok();
    };
    for (std::uint64_t i = 0; i < n;) {
      std::uint64_t k = std::min<std::uint64_t>(n - i, 256);
      // A run of values 0 to 127 (palette indices, say) is its own bytes.
      bool small = true;
      for (std::uint64_t j = 0; j < k; ++j) small &= static_cast<U>(at(i + j)) < 128;
      if (small) {
        if (b.p > block + sizeof block - 256 && !flush()) return;
        for (std::uint64_t j = 0; j < k; ++j) b.p[j] = static_cast<char>(at(i + j));
        b.p += k;
      } else {
        for (std::uint64_t j = 0; j < k; ++j) {
          if (b.p > block + sizeof block - 9 && !flush()) return;
          if constexpr (std::is_signed_v<Elem>) detail::put_int(b, static_cast<long>(at(i + j)));
          else detail::put_int(b, static_cast<unsigned long>(at(i + j)));
        }
      }
      i += k;
    }
    flush();
  } else {
    for (std::uint64_t i = 0; i < n && e.ok(); ++i) emit(e, v[static_cast<int>(i)]);
  }
}

inline void emit_str(Emitter& e, std::string_view v) {
  emit_str_head(e, v.size());
  if (e.ok()) e.write(v.data(), static_cast<long>(v.size()));
}

template <class T> void emit_bin(Emitter& e, T const& v) {
  emit_bin_head(e, v.size());
  if (e.ok()) e.write(reinterpret_cast<char const*>(v.data()), static_cast<long>(v.size()));
}

template <class T> void emit_map(Emitter& e, T const& v) {
  emit_map_head(e, v.size());
  for (auto const& [key, val] : v) {
    if (!e.ok()) return;
    emit(e, key);
    emit(e, val);
  }
}

// ---- any value ---------------------------------------------------------------

// Reads one value of type T: a record type's own operator% when it has one,
// otherwise by the type's kind.
template <class T> void scan(Scanner& s, T& v) {
  if constexpr (detail::own_scan<T>) s % v;
  else if constexpr (std::is_same_v<T, bool>) scan_bol(s, v);
  else if constexpr (std::is_integral_v<T> || std::is_enum_v<T>) {
    if constexpr (std::is_enum_v<T>) {
      // Starts from the current value, so a refused byte leaves it as it was.
      auto u = static_cast<std::underlying_type_t<T>>(v);
      scan_int(s, u);
      v = static_cast<T>(u);
    } else {
      scan_int(s, v);
    }
  } else if constexpr (std::is_floating_point_v<T>) scan_flt(s, v);
  else if constexpr (std::is_same_v<T, std::string>) scan_str(s, v);
  else if constexpr (detail::is_byte_array<T>::value) scan_bin(s, v);
  else if constexpr (detail::is_map<T>::value) scan_map(s, v);
  else scan_arr(s, v);
}

template <class T> void emit(Emitter& e, T const& v) {
  if constexpr (detail::own_emit<T>) e % v;
  else if constexpr (std::is_same_v<T, bool>) emit_bol(e, v);
  else if constexpr (std::is_enum_v<T>) emit_int(e, static_cast<std::underlying_type_t<T>>(v));
  else if constexpr (std::is_integral_v<T>) emit_int(e, v);
  else if constexpr (std::is_floating_point_v<T>) emit_flt(e, v);
  else if constexpr (std::is_convertible_v<T const&, std::string_view>) emit_str(e, v);
  else if constexpr (detail::is_byte_array<T>::value) emit_bin(e, v);
  else if constexpr (detail::is_map<T>::value) emit_map(e, v);
  else emit_arr(e, v);
}

// ---- records -------------------------------------------------------------------

// A record as a positional array of its fields. Reading takes the fields the
// array has (missing trailing ones keep their values), skips elements beyond
// the record and leaves the stream after the array.
template <class... T> void pack_array(Scanner& s, T&... fields) {
  std::int64_t n = scan_arr_head(s);
  if (n < 0) return;
  struct Skip_rest {
    Scanner& s;
    std::int64_t& left;
    ~Skip_rest() {
      for (; left > 0 && !s.truncated; --left) scan_skip(s);
    }
  } rest{s, n};
  (void)((s.ok() && n > 0 ? (scan(s, fields), --n, true) : false) && ...);
}

template <class... T> void pack_array(Emitter& e, T const&... fields) {
  emit_arr_head(e, sizeof...(T));
  (void)((e.ok() ? (emit(e, fields), true) : false) && ...);
}

} // namespace mpk
