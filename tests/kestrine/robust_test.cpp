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

struct Harness {
  std::ostringstream out;
  Scope scope;
  int ran = 0;                  // texts that compiled and ran to the end
  std::vector<std::string> bad; // texts that raised anything else
  Harness() {
    scope.add("print", Val(Sink_print{&out}));
    scope.add("size", Val(Fun([](Val const& v) { return static_cast<Int>(v.size()); })));
    scope.add("push", Val(Fun([](List& l, Val const& v) {
      if (l.size() >= 10000) throw std::runtime_error("list too long");
      l.push_back(v);
    })));
    scope.add("pop", Val(Fun([](List& l) {
      if (!l.empty()) l.pop_back();
    })));
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

  // Compiles and, when it is safe, runs.
  void feed(std::string const& text) {
#if defined(__SANITIZE_ADDRESS__)
    // Random programs build containers that hold themselves (n[0] = n),
    // which are never freed; that is no leak of the implementation.
    __lsan::ScopedDisabler cycles_are_kept;
#endif
    try {
      Names locals;
      Script s = compile(scope.tags(), locals, text);
      if (may_loop_forever(s)) return;
      std::vector<Val> lvals(locals.size());
      Val args[] = {Val(Int{1}), Val("a")};
      s.run(scope.vals().data(), lvals.data(), args, 2);
      ++ran;
    } catch (std::runtime_error const&) {
    } catch (...) {
      bad.push_back(text);
    }
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
  quietly([&] {
    for (std::string const& text : texts)
      for (size_t n = 0; n <= text.size(); ++n) h.feed(text.substr(0, n));
  });
  EXPECT_TRUE(h.bad.empty()) << h.bad.size() << " failures, first:\n" << h.bad.front();
  EXPECT_GT(h.ran, 100);
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
  quietly([&] {
    // 3000 texts of random bytes, then 12000 of random tokens.
    for (int i = 0; i < 15000; ++i) {
      std::string text;
      for (size_t k = 0, len = rng() % (i < 3000 ? 120 : 40); k < len; ++k)
        text += i < 3000 ? std::string(1, static_cast<char>(rng() % 256)) : pieces[rng() % n_pieces];
      h.feed(text);
    }
  });
  EXPECT_TRUE(h.bad.empty()) << h.bad.size() << " failures, first:\n" << h.bad.front();
  EXPECT_GT(h.ran, 50);
}

TEST(Robust, DeepNestingEndsCleanly) {
  Harness h;
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
    for (std::string const& text : deep) h.feed(text);
  });
  EXPECT_TRUE(h.bad.empty());
  EXPECT_EQ(h.ran, 2);
}

} // namespace
} // namespace kestrine
