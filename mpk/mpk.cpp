#include "mpk/mpk.hpp"

#include <climits>

namespace mpk {

std::string Scanner::message() const {
  if (!err.empty()) return err;
  if (truncated) return "unexpected end of data";
  return {};
}

void Scanner::read(char* p, long n) {
  if (n <= 0) return;
  if (buf->sgetn(p, n) != n) truncated = true;
}

// Multi-byte numbers: missing bytes read as 0xFF, like get8 at the end.
std::uint16_t Scanner::get16() {
  unsigned char b[2] = {0xFF, 0xFF};
  if (buf->sgetn(reinterpret_cast<char*>(b), 2) != 2) truncated = true;
  return static_cast<std::uint16_t>(b[0] << 8 | b[1]);
}

std::uint32_t Scanner::get32() {
  std::uint32_t v = 0xFFFFFFFFu;
  if (buf->sgetn(reinterpret_cast<char*>(&v), 4) != 4) truncated = true;
  return __builtin_bswap32(v);
}

std::uint64_t Scanner::get64() {
  std::uint64_t v = ~std::uint64_t{0};
  if (buf->sgetn(reinterpret_cast<char*>(&v), 8) != 8) truncated = true;
  return __builtin_bswap64(v);
}

void Scanner::skip(unsigned long n) {
  if (n == 0) return;
  // Seek only within what the buffer already holds; otherwise read and drop,
  // so that a skip past the end is noticed as a short read.
  std::streamsize avail = buf->in_avail();
  if (avail > 0 && static_cast<unsigned long>(avail) >= n &&
      buf->pubseekoff(static_cast<std::streambuf::off_type>(n), std::ios_base::cur,
                      std::ios_base::in) != std::streambuf::pos_type(-1))
    return;
  char scratch[4096];
  while (n > 0) {
    long k = static_cast<long>(std::min<unsigned long>(n, sizeof scratch));
    if (buf->sgetn(scratch, k) != k) {
      truncated = true;
      return;
    }
    n -= static_cast<unsigned long>(k);
  }
}

void Emitter::write_failed() {
  if (err.empty()) err = "write failed";
}

void scan_nil(Scanner& s) {
  if (static_cast<unsigned char>(s.get8()) != 0xC0) s.error("expected nil");
}

void emit_nil(Emitter& e) { e.put8(0xC0); }

void scan_bol(Scanner& s, bool& v) {
  unsigned c = static_cast<unsigned char>(s.get8());
  if (c == 0xC2) v = false;
  else if (c == 0xC3) v = true;
  else s.error("expected bool");
}

void emit_bol(Emitter& e, bool v) { e.put8(v ? 0xC3 : 0xC2); }

void emit_flt(Emitter& e, float v) {
  e.put8(0xCA);
  e.put32(std::bit_cast<std::uint32_t>(v));
}

void emit_flt(Emitter& e, double v) {
  e.put8(0xCB);
  e.put64(std::bit_cast<std::uint64_t>(v));
}

namespace {

// The head forms of one kind: a fixed form holding lengths below fix_limit in
// its low bits (fix_limit 0: none), then the 8-, 16- and 32-bit length forms
// (tag 0: the kind has no such form).
struct Head_forms {
  unsigned char fix, fix_limit, tag8, tag16, tag32;
  char const* too_big;
  char const* expected;
};

constexpr Head_forms str_forms{0xA0, 32, 0xD9, 0xDA, 0xDB, "string is too big", "expected string"};
constexpr Head_forms bin_forms{0, 0, 0xC4, 0xC5, 0xC6, "byte array is too big", "expected byte array"};
constexpr Head_forms arr_forms{0x90, 16, 0, 0xDC, 0xDD, "array is too big", "expected array"};
constexpr Head_forms map_forms{0x80, 16, 0, 0xDE, 0xDF, "map is too big", "expected map"};

inline std::int64_t scan_head(Scanner& s, Head_forms const& h) {
  unsigned c = static_cast<unsigned char>(s.get8());
  if (c - h.fix < h.fix_limit) return c - h.fix; // below fix, the difference wraps
  if (h.tag8 && c == h.tag8) return static_cast<unsigned char>(s.get8());
  if (c == h.tag16) return s.get16();
  if (c == h.tag32) return s.get32();
  s.error(h.expected);
  return -1;
}

inline void emit_head(Emitter& e, Head_forms const& h, std::uint64_t n) {
  if (n < h.fix_limit) {
    e.put8(static_cast<unsigned char>(h.fix | n));
  } else if (h.tag8 && n < 256) {
    e.put8(h.tag8);
    e.put8(static_cast<unsigned char>(n));
  } else if (n < 65536) {
    e.put8(h.tag16);
    e.put16(static_cast<unsigned short>(n));
  } else if (n <= 0xFFFFFFFFu) {
    e.put8(h.tag32);
    e.put32(static_cast<unsigned int>(n));
  } else {
    e.error(h.too_big);
  }
}

} // namespace

std::int64_t scan_str_head(Scanner& s) { return scan_head(s, str_forms); }
void emit_str_head(Emitter& e, std::uint64_t n) { emit_head(e, str_forms, n); }
std::int64_t scan_bin_head(Scanner& s) { return scan_head(s, bin_forms); }
void emit_bin_head(Emitter& e, std::uint64_t n) { emit_head(e, bin_forms, n); }
std::int64_t scan_arr_head(Scanner& s) { return scan_head(s, arr_forms); }
void emit_arr_head(Emitter& e, std::uint64_t n) { emit_head(e, arr_forms, n); }
std::int64_t scan_map_head(Scanner& s) { return scan_head(s, map_forms); }
void emit_map_head(Emitter& e, std::uint64_t n) { emit_head(e, map_forms, n); }

std::pair<unsigned long, unsigned char> scan_ext(Scanner& s) {
  unsigned long size;
  switch (static_cast<unsigned char>(s.get8())) {
  case 0xD4: size = 1; break;
  case 0xD5: size = 2; break;
  case 0xD6: size = 4; break;
  case 0xD7: size = 8; break;
  case 0xD8: size = 16; break;
  case 0xC7: size = static_cast<unsigned char>(s.get8()); break;
  case 0xC8: size = s.get16(); break;
  case 0xC9: size = s.get32(); break;
  default: s.error("expected ext"); return {0, 0};
  }
  return {size, static_cast<unsigned char>(s.get8())};
}

void emit_ext(Emitter& e, unsigned long size, unsigned char type) {
  switch (size) {
  case 1: e.put8(0xD4); break;
  case 2: e.put8(0xD5); break;
  case 4: e.put8(0xD6); break;
  case 8: e.put8(0xD7); break;
  case 16: e.put8(0xD8); break;
  default:
    if (size < 256) {
      e.put8(0xC7);
      e.put8(static_cast<unsigned char>(size));
    } else if (size < 65536) {
      e.put8(0xC8);
      e.put16(static_cast<unsigned short>(size));
    } else if (size <= 0xFFFFFFFFul) {
      e.put8(0xC9);
      e.put32(static_cast<unsigned int>(size));
    } else {
      e.error("ext exceeds maximum size");
      return;
    }
  }
  e.put8(type);
}

namespace {

constexpr std::int64_t two_pow_34 = std::int64_t{1} << 34;

void emit_ts_parts(Emitter& e, std::int64_t s, std::int64_t ns) {
  if (ns == 0 && s >= 0 && s <= 0xFFFFFFFFll) {
    emit_ext(e, 4, 0xFF);
    e.put32(static_cast<unsigned int>(s));
  } else if (s >= 0 && s < two_pow_34) {
    emit_ext(e, 8, 0xFF);
    e.put64(static_cast<unsigned long>(ns) << 34 | static_cast<unsigned long>(s));
  } else {
    emit_ext(e, 12, 0xFF);
    e.put32(static_cast<unsigned int>(ns));
    e.put64(static_cast<unsigned long>(s));
  }
}

} // namespace

void emit_ts(Emitter& e, std::chrono::seconds const& t) { emit_ts_parts(e, t.count(), 0); }

void emit_ts(Emitter& e, std::chrono::nanoseconds const& t) {
  std::int64_t n = t.count();
  std::int64_t s = n / 1000000000;
  std::int64_t ns = n % 1000000000;
  if (ns < 0) { // round the seconds toward minus infinity
    ns += 1000000000;
    s -= 1;
  }
  emit_ts_parts(e, s, ns);
}

namespace {

// Both return false once skipping must stop: nesting too deep or input gone.
bool skip_values(Scanner& s, std::uint64_t n, int depth);

bool skip_value(Scanner& s, int depth) {
  unsigned c = static_cast<unsigned char>(s.get8());
  if (c <= 0x7F || c >= 0xE0) {
  } else if (c <= 0x8F) {
    return skip_values(s, 2 * std::uint64_t{c & 0x0Fu}, depth + 1);
  } else if (c <= 0x9F) {
    return skip_values(s, c & 0x0Fu, depth + 1);
  } else if (c <= 0xBF) {
    s.skip(c & 0x1Fu);
  } else {
    switch (c) {
    case 0xC4:
    case 0xD9: s.skip(static_cast<unsigned char>(s.get8())); break;
    case 0xC5:
    case 0xDA: s.skip(s.get16()); break;
    case 0xC6:
    case 0xDB: s.skip(s.get32()); break;
    case 0xC7: s.skip(static_cast<unsigned long>(static_cast<unsigned char>(s.get8())) + 1); break;
    case 0xC8: s.skip(static_cast<unsigned long>(s.get16()) + 1); break;
    case 0xC9: s.skip(static_cast<unsigned long>(s.get32()) + 1); break;
    case 0xCC:
    case 0xD0: s.skip(1); break;
    case 0xCD:
    case 0xD1: s.skip(2); break;
    case 0xCA:
    case 0xCE:
    case 0xD2: s.skip(4); break;
    case 0xCB:
    case 0xCF:
    case 0xD3: s.skip(8); break;
    case 0xD4: s.skip(2); break;
    case 0xD5: s.skip(3); break;
    case 0xD6: s.skip(5); break;
    case 0xD7: s.skip(9); break;
    case 0xD8: s.skip(17); break;
    case 0xDC: return skip_values(s, s.get16(), depth + 1);
    case 0xDD: return skip_values(s, s.get32(), depth + 1);
    case 0xDE: return skip_values(s, 2 * std::uint64_t{s.get16()}, depth + 1);
    case 0xDF: return skip_values(s, 2 * std::uint64_t{s.get32()}, depth + 1);
    default: break; // nil, bool and the never-used 0xC1 stand alone
    }
  }
  return !s.truncated;
}

bool skip_values(Scanner& s, std::uint64_t n, int depth) {
  if (n == 0) return !s.truncated;
  if (depth > max_depth) {
    s.error("nesting too deep");
    return false;
  }
  for (; n > 0; --n)
    if (!skip_value(s, depth)) return false;
  return true;
}

} // namespace

void scan_skip(Scanner& s) { skip_value(s, 0); }

void emit_skip(Emitter& e) { e.put8(0xC0); }

} // namespace mpk
