#pragma once
// Stopping a running script from outside: an interrupt that a signal
// handler, another thread or the host may request at any time, and a time
// budget for the scripts a host runs. A running script notices both at its
// next backward jump or call (a script can only run long by looping or by
// calling) and leaves with an `Interrupted` error, which unwinds it like any
// other script error.
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <limits>
#include <mutex>
#include <stdexcept>
#include <string>
#include <string_view>
#include <thread>

namespace kestrine {

// The error a stopped script leaves with.
class Interrupted : public std::runtime_error {
public:
  enum class Cause { request, budget };
  Interrupted(Cause cause, std::string const& message) : std::runtime_error(message), cause_(cause) {}
  Cause cause() const noexcept { return cause_; }

private:
  Cause cause_;
};

// Stops the running script, or the next one to loop or call, with
// "script interrupted". Async-signal-safe.
void request_interrupt() noexcept;

// For a host that says which script failed: called while handling what a
// script raised, raises it again with `who` and ": " before its message. A
// stop stays an `Interrupted` of the same cause; what is not a standard
// error goes on unchanged.
[[noreturn]] void rethrow_naming(std::string_view who);

// While a Budget lives, the script runs on the thread that made it count
// against its limit. A run is the outermost one: scripts that a host
// function runs inside it are part of it. Each run counts alone, unless a
// `Period` of the budget is open: then the time of every run within the
// period adds up, so a host gives all the scripts of one frame a single
// limit by opening a period for the frame. The script running when the
// time counted reaches the limit is stopped with "script ran too long:
// stopped after N.N s", N.N being its own time, followed within a period by
// " (the frame's scripts: T.T s)", T.T being the period's; a run that starts
// when its period's time is already used up is stopped at its first look.
//
// A watchdog thread looks every `tick()` of real time; while one run lasts
// longer than that, the script also calls `poll` on its own thread now and
// then, so the host can notice a close request. How long runs last, for
// the watchdog and for the script, is read from the budget's clock. Budgets
// nest on a thread: the newest one counts.
class Budget {
public:
  // The runs between its opening and its closing share the limit. Opened
  // and closed on the budget's thread, between runs; a period opened within
  // another is part of it.
  class Period {
  public:
    explicit Period(Budget& budget) noexcept;
    ~Period();
    Period(Period const&) = delete;
    Period& operator=(Period const&) = delete;

  private:
    Budget& budget_;
  };

  // The time since some fixed start, read on the budget's thread and on the
  // watchdog's. None given: the steady clock. A test gives one it sets, so
  // that what stays within the limit does not depend on the scheduler.
  using Clock = std::function<std::chrono::nanoseconds()>;

  explicit Budget(std::chrono::nanoseconds limit, std::function<void()> poll = {}, Clock clock = {});
  ~Budget();
  Budget(Budget const&) = delete;
  Budget& operator=(Budget const&) = delete;

  std::chrono::nanoseconds limit() const noexcept { return limit_; }
  std::chrono::nanoseconds tick() const noexcept { return tick_; }

private:
  friend class Timed_run;
  friend void check_interrupt();

  void watch();
  std::int64_t now() const { return clock_().count(); }

  std::chrono::nanoseconds const limit_;
  std::chrono::nanoseconds const tick_;
  std::function<void()> const poll_;
  Clock const clock_;
  Budget* const outer_;
  int depth_ = 0;   // runs in progress, touched only on the owning thread
  int periods_ = 0; // open periods, likewise
  // Start of the outermost run, or `no_run`: a clock may read 0.
  static constexpr std::int64_t no_run = std::numeric_limits<std::int64_t>::min();
  std::atomic<std::int64_t> started_{no_run};
  std::atomic<std::int64_t> spent_{0}; // by the finished runs of the open period
  std::mutex mutex_;
  std::condition_variable wake_;
  bool stopping_ = false;
  std::thread watchdog_;
};

// The extent of one script run, for the budget of the calling thread (if
// any). The embedding entry points hold one around every run.
class Timed_run {
public:
  Timed_run() noexcept;
  ~Timed_run();
  Timed_run(Timed_run const&) = delete;
  Timed_run& operator=(Timed_run const&) = delete;

private:
  Budget* const budget_;
};

// What every running script checks: bits that ask it to look. Not zero
// means "stop" (`interrupt_requested`) or "check the budget and poll"
// (`interrupt_look`, set by a watchdog).
inline constexpr unsigned interrupt_requested = 1;
inline constexpr unsigned interrupt_look = 2;
inline std::atomic<unsigned> interrupt_word{0};
static_assert(std::atomic<unsigned>::is_always_lock_free, "a signal handler sets it");

// Called by the machine when `interrupt_word` is not zero: raises
// `Interrupted`, or returns when the script may go on.
[[gnu::cold, gnu::noinline]] void check_interrupt();

} // namespace kestrine
