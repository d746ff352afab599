#pragma once
// Bytes for the codec tests, written as hex: h("cc c8") is the two bytes.
#include "mpk/mpk.hpp"

#include <gtest/gtest.h>

#include <sstream>
#include <string>

inline std::string h(char const* hex) {
  std::string out;
  std::istringstream in(hex);
  unsigned b;
  while (in >> std::hex >> b) out += static_cast<char>(b);
  return out;
}

// What f writes; it must store no failure.
template <class F> std::string emitted(F f) {
  std::stringbuf sb;
  mpk::Emitter e(sb);
  f(e);
  EXPECT_EQ(e.err, "");
  return sb.str();
}

// Runs f over the bytes; it must read every one of them without a failure.
template <class F> void reads_all(std::string const& bytes, F f) {
  std::stringbuf sb(bytes);
  mpk::Scanner s(sb);
  f(s);
  EXPECT_TRUE(s.ok()) << s.message();
  EXPECT_EQ(sb.in_avail(), 0);
}
