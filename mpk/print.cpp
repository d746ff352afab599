#include "mpk/print.hpp"

#include <algorithm>
#include <cstdio>
#include <vector>

namespace mpk {

namespace {

std::string print_newline(char const* indent, int depth) {
  std::string out;
  if (!indent) return out;
  out += '\n';
  for (int i = 0; i < depth; ++i) out += indent;
  return out;
}

std::string join(std::vector<std::string> const& items, char const* indent, int depth) {
  std::size_t total = 0, longest = 0;
  for (auto const& item : items) {
    total += item.size();
    longest = std::max(longest, item.size());
  }
  bool multi = indent && total >= 33 && longest > 8;
  std::string sep = multi ? print_newline(indent, depth) : std::string();
  std::string out;
  for (std::size_t i = 0; i < items.size(); ++i) {
    if (i > 0) out += ',';
    out += sep;
    out += items[i];
  }
  if (multi) out += print_newline(indent, depth - 1);
  return out;
}

// Items are collected only while input remains, so a forged count costs no
// more than the data behind it.
std::string print_array(Scanner& s, std::uint64_t count, char const* indent, int depth) {
  std::vector<std::string> items;
  for (std::uint64_t i = 0; i < count && s.ok(); ++i) items.push_back(print(s, indent, depth));
  if (items.empty()) return "[]";
  std::string out(1, '[');
  out += join(items, indent, depth);
  return out += ']';
}

std::string print_map(Scanner& s, std::uint64_t count, char const* indent, int depth) {
  std::vector<std::string> items;
  for (std::uint64_t i = 0; i < count && s.ok(); ++i) {
    std::string item = print(s, indent, depth);
    item += ':';
    item += print(s, indent, depth);
    items.push_back(std::move(item));
  }
  if (items.empty()) return "{}";
  std::string out(1, '{');
  out += join(items, indent, depth);
  return out += '}';
}

std::string print_str(Scanner& s, std::uint64_t length) {
  std::string out = "\"";
  for (std::uint64_t i = 0; i < length; ++i) {
    int c = s.get8();
    if (s.truncated) break;
    // Printable ASCII as the C locale's isprint has it.
    if (c >= 0x20 && c <= 0x7E) {
      out += static_cast<char>(c);
    } else {
      char hex[8];
      std::snprintf(hex, sizeof hex, "\\x%02x", c);
      out += hex;
    }
  }
  return out += '"';
}

std::string print_bin(Scanner& s, std::uint64_t length) {
  std::string out;
  for (std::uint64_t i = 0; i < length; ++i) {
    int c = s.get8();
    if (s.truncated) break;
    char hex[4];
    std::snprintf(hex, sizeof hex, "%02x", c);
    out += hex;
  }
  return out;
}

std::string container(Scanner& s, bool map, std::uint64_t count, char const* indent, int depth) {
  if (depth > max_depth) {
    s.error("nesting too deep");
    return "<deep>";
  }
  return map ? print_map(s, count, indent, depth) : print_array(s, count, indent, depth);
}

std::string skipped(Scanner& s, unsigned long n, char const* text) {
  s.skip(n);
  return text;
}

} // namespace

std::string print(Scanner& s, char const* indent, int depth) {
  unsigned c = static_cast<unsigned char>(s.get8());
  if (c <= 0x7F) return std::to_string(c);
  if (c >= 0xE0) return std::to_string(static_cast<std::int8_t>(c));
  if (c <= 0x8F) return container(s, true, c & 0x0F, indent, depth + 1);
  if (c <= 0x9F) return container(s, false, c & 0x0F, indent, depth + 1);
  if (c <= 0xBF) return print_str(s, c & 0x1F);
  switch (c) {
  case 0xC0: return "nil";
  case 0xC1: return "<bad>";
  case 0xC2: return "false";
  case 0xC3: return "true";
  case 0xC4: return print_bin(s, static_cast<unsigned char>(s.get8()));
  case 0xC5: return print_bin(s, s.get16());
  case 0xC6: return print_bin(s, s.get32());
  case 0xC7: return skipped(s, static_cast<unsigned long>(static_cast<unsigned char>(s.get8())) + 1, "<ext8>");
  case 0xC8: return skipped(s, static_cast<unsigned long>(s.get16()) + 1, "<ext16>");
  case 0xC9: return skipped(s, static_cast<unsigned long>(s.get32()) + 1, "<ext32>");
  case 0xCA: return std::to_string(std::bit_cast<float>(s.get32()));
  case 0xCB: return std::to_string(std::bit_cast<double>(s.get64()));
  case 0xCC: return std::to_string(static_cast<unsigned char>(s.get8()));
  case 0xCD: return std::to_string(s.get16());
  case 0xCE: return std::to_string(s.get32());
  case 0xCF: return std::to_string(s.get64());
  case 0xD0: return std::to_string(static_cast<std::int8_t>(s.get8()));
  case 0xD1: return std::to_string(static_cast<std::int16_t>(s.get16()));
  case 0xD2: return std::to_string(static_cast<std::int32_t>(s.get32()));
  case 0xD3: return std::to_string(static_cast<std::int64_t>(s.get64()));
  case 0xD4: return skipped(s, 2, "<fixext1>");
  case 0xD5: return skipped(s, 3, "<fixext2>");
  case 0xD6: return skipped(s, 5, "<fixext4>");
  case 0xD7: return skipped(s, 9, "<fixext8>");
  case 0xD8: return skipped(s, 17, "<fixext16>");
  case 0xD9: return print_str(s, static_cast<unsigned char>(s.get8()));
  case 0xDA: return print_str(s, s.get16());
  case 0xDB: return print_str(s, s.get32());
  case 0xDC: return container(s, false, s.get16(), indent, depth + 1);
  case 0xDD: return container(s, false, s.get32(), indent, depth + 1);
  case 0xDE: return container(s, true, s.get16(), indent, depth + 1);
  default: return container(s, true, s.get32(), indent, depth + 1); // 0xDF
  }
}

} // namespace mpk
