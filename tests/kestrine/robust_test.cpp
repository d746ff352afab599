// No source text may crash the compiler or the machine: every prefix of the
// conformance scripts and thousands of random texts either run or fail with
// std::runtime_error.
#include <kestrine/kestrine.hpp>
#include "kestrine/compiler.hpp"

#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <random>
#include <sstream>
#include <stdexcept>
#include <string>
#include <vector>

#if defined(__SANITIZE_ADDRESS__)
#include <sanitizer/lsan_interface.h>
#endif

namespace kestrine {
namespace {

// The runner's functions, with output kept in memory and lists capped so a
// loop that grows the list it walks still ends.
struct Sink_print {
  std::ostringstream* out;
  Val call_(Val const*, Val* argv, int argc) const {
    for (int i = 0; i < argc; ++i) argv[i].print(*out, true);
    *out << '\n';
    return {};
  }
};

Int size_fn(Val const& v) { return static_cast<Int>(v.size()); }
void push_fn(List& l, Val const& v) {
  if (l.size() >= 10000) throw std::runtime_error("list too long");
  l.push_back(v);
}
void pop_fn(List& l) {
  if (!l.empty()) l.pop_back();
}

struct Harness {
  std::ostringstream out;
  Scope scope;
  Harness() {
    scope.add("print", Val(Sink_print{&out}));
    scope.add("size", Val(Fun(&size_fn)));
    scope.add("push", Val(Fun(&push_fn)));
    scope.add("pop", Val(Fun(&pop_fn)));
  }

  // A backward jump that does not return to a NEXT belongs to a while loop,
  // which may not end; such scripts are only compiled.
  static bool may_loop_forever(Script const& s) {
    auto const& code = s.code();
    Instr in{};
    for (auto p = code.data(); p < code.data() + code.size();) {
      auto next = decode(p, in);
      if (in.op == Script::JMP && in.arg < 0 && p[in.arg] != ~static_cast<int>(Script::NEXT))
        return true;
      p = next;
    }
    return false;
  }

  // Compiles and, when it is safe, runs; returns false when something other
  // than std::runtime_error came out.
  bool feed(std::string const& text, int& ran) {
#if defined(__SANITIZE_ADDRESS__)
    // Random programs build containers that hold themselves (n[0] = n),
    // which are never freed; that is no leak of the implementation.
    __lsan::ScopedDisabler cycles_are_kept;
#endif
    try {
      Names locals;
      Script s = compile(scope.tags(), locals, text);
      if (may_loop_forever(s)) return true;
      std::vector<Val> lvals(locals.size());
      Val args[] = {Val(Int{1}), Val("a")};
      s.run(scope.vals().data(), lvals.data(), args, 2);
      ++ran;
    } catch (std::runtime_error const&) {
    } catch (...) {
      return false;
    }
    return true;
  }
};

std::vector<std::string> conformance_scripts() {
  std::vector<std::string> texts;
  std::filesystem::path dir = std::filesystem::path(TERRAFOLD_SOURCE_DIR) / "tests/kestrine/scripts";
  for (auto const& entry : std::filesystem::directory_iterator(dir)) {
    if (entry.path().extension() != ".ks") continue;
    std::ifstream in(entry.path(), std::ios::binary);
    std::ostringstream text;
    text << in.rdbuf();
    texts.push_back(text.str());
  }
  return texts;
}

// Runs f with standard output and error captured and dropped: syntax reports
// and echoed characters would flood the log.
template <class F> void quietly(F f) {
  testing::internal::CaptureStdout();
  testing::internal::CaptureStderr();
  f();
  testing::internal::GetCapturedStderr();
  testing::internal::GetCapturedStdout();
}

TEST(Robust, EveryPrefixOfTheConformanceScripts) {
  auto texts = conformance_scripts();
  ASSERT_GT(texts.size(), 20u);
  Harness h;
  int ran = 0;
  std::vector<std::string> bad;
  quietly([&] {
    for (std::string const& text : texts)
      for (size_t n = 0; n <= text.size(); ++n)
        if (!h.feed(text.substr(0, n), ran)) bad.push_back(text.substr(0, n));
  });
  EXPECT_TRUE(bad.empty()) << bad.size() << " failures, first:\n" << bad.front();
  EXPECT_GT(ran, 100);
}

TEST(Robust, RandomBytesAndTokenSoup) {
  std::mt19937 rng(20240611);
  static char const* const pieces[] = {
      "if ", "elif ", "else", "while ", "for ", " in ", "break", "return ", " and ", " or ",
      "x", "y", "print", "size", "push", "pop", "@0", "@1", "0", "1", "-1", "\"s\"", "\"",
      "true", "null", "=", "==", "+", "-", "*", "/", "%", "<<", ">>", "<", ">", "&", "|", "^",
      "~", "!", "?", ":", ",", "(", ")", "[", "]", "{", "}", "\n", "\n  ", "\n    ", "\n\t",
      " ", "#", "\\", "\r", "$",
  };
  constexpr size_t n_pieces = sizeof pieces / sizeof *pieces;
  Harness h;
  int ran = 0;
  std::vector<std::string> bad;
  quietly([&] {
    for (int i = 0; i < 3000; ++i) {
      std::string text;
      size_t len = rng() % 120;
      for (size_t k = 0; k < len; ++k) text += static_cast<char>(rng() % 256);
      if (!h.feed(text, ran)) bad.push_back(text);
    }
    for (int i = 0; i < 12000; ++i) {
      std::string text;
      size_t len = rng() % 40;
      for (size_t k = 0; k < len; ++k) text += pieces[rng() % n_pieces];
      if (!h.feed(text, ran)) bad.push_back(text);
    }
  });
  EXPECT_TRUE(bad.empty()) << bad.size() << " failures, first:\n" << bad.front();
  EXPECT_GT(ran, 50);
}

TEST(Robust, DeepNestingEndsCleanly) {
  Harness h;
  int ran = 0;
  std::vector<std::string> deep = {
      std::string(5000, '('), std::string(5000, '['), std::string(5000, '-') + "1",
      "x = " + std::string(3000, '!') + "1", std::string(2000, '{') + "1:" + std::string(2000, '}'),
  };
  std::string nested_blocks;
  for (int i = 0; i < 300; ++i) nested_blocks += std::string(i, ' ') + "if 1:\n";
  deep.push_back(nested_blocks + std::string(300, ' ') + "1\n");
  std::string long_chain = "x = 1";
  for (int i = 0; i < 5000; ++i) long_chain += " + 1";
  deep.push_back(long_chain);
  std::string many_statements;
  for (int i = 0; i < 20000; ++i) many_statements += "x = 1\n";
  deep.push_back(many_statements);
  quietly([&] {
    for (std::string const& text : deep) EXPECT_TRUE(h.feed(text, ran));
  });
  EXPECT_EQ(ran, 2);
}

} // namespace
} // namespace kestrine
