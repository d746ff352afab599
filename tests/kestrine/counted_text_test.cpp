// Text that host code builds for scripts: it keeps what was written, counts
// against the memory limit as it grows, and stops for a quit request or the
// time budget while it is written.
#include <kestrine/kestrine.hpp>

#include <gtest/gtest.h>

#include <atomic>
#include <chrono>
#include <functional>
#include <sstream>
#include <string>
#include <thread>

#include "support/script_memory.hpp"

namespace kestrine {
namespace {

using namespace std::chrono_literals;

TEST(Counted_text, KeepsEverythingWrittenAcrossItsPieces) {
  Counted_text text;
  std::ostringstream expected;
  EXPECT_TRUE(text.pieces().empty());
  List l{Val(Int{1}), Val("two"), Val(List{})};
  for (Int i = 0; i < 100000; ++i) {
    // Characters, numbers, strings and values, over many piece borders.
    text << i << ' ' << Val(l) << "; ";
    expected << i << ' ' << Val(l) << "; ";
    if (i % 997 == 0) {
      std::string const long_one(5000 + i % 3, static_cast<char>('a' + i % 26));
      text << long_one;
      expected << long_one;
    }
  }
  EXPECT_EQ(text.size(), expected.view().size());
  EXPECT_EQ(text.str(), expected.view());
  EXPECT_GT(text.pieces().size(), 2u);
}

TEST(Counted_text, StopsNearTheLimitWithoutPassingIt) {
  Script_memory_limit limit(growth_test_limit);
  std::string const mib(std::size_t{1} << 20, 'x');
  struct Case {
    char const* what;
    std::function<void(Counted_text&)> write;
  } const cases[] = {
      {"long strings", [&](Counted_text& t) { t << mib; }},
      {"single characters", [](Counted_text& t) { t.put('x'); }},
      {"numbers", [](Counted_text& t) { t << Int{1234567890}; }},
  };
  std::size_t const before = memory_in_use();
  for (auto const& c : cases) {
    std::size_t at_stop = 0, size = 0;
    std::string error;
    {
      Counted_text text;
      try {
        for (long i = 0; i < 100'000'000; ++i) c.write(text);
      } catch (std::runtime_error const& e) {
        error = e.what();
        at_stop = memory_in_use();
        size = text.size();
      }
    }
    EXPECT_EQ(error, "script out of memory") << c.what;
    EXPECT_LE(at_stop, growth_test_limit) << c.what;
    EXPECT_GT(size, growth_test_limit / 2) << c.what << ": stopped early";
    EXPECT_EQ(memory_in_use(), before) << c.what << ": its memory given back";
  }
}

TEST(Counted_text, AQuitRequestOrTheBudgetStopsItsWriting) {
  struct Case {
    char const* what;
    Interrupted::Cause cause;
    char const* message;
  } const cases[] = {
      {"a quit request", Interrupted::Cause::request, "script interrupted"},
      {"the budget", Interrupted::Cause::budget, "script ran too long: stopped after "},
  };
  for (auto const& c : cases) {
    Budget budget(c.cause == Interrupted::Cause::budget ? 60ms : 60s);
    std::thread requester;
    if (c.cause == Interrupted::Cause::request) requester = std::thread([] {
      std::this_thread::sleep_for(30ms);
      request_interrupt();
    });
    std::string message;
    try {
      Timed_run run; // as inside a script's call of a host function
      Counted_text text;
      // Short writes: the memory limit is far away when the stop comes.
      for (long i = 0; i < 100'000'000'000; ++i) text.put('x');
    } catch (Interrupted const& e) {
      EXPECT_EQ(e.cause(), c.cause) << c.what;
      message = e.what();
    }
    if (requester.joinable()) requester.join();
    EXPECT_EQ(message.substr(0, std::string(c.message).size()), c.message) << c.what;
  }
}

} // namespace
} // namespace kestrine
