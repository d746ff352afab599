#include "kestrine/interrupt.hpp"

#include <algorithm>
#include <cstdio>
#include <exception>
#include <string>
#include <utility>

namespace kestrine {

namespace {

// The budget of this thread's script runs, if any.
thread_local Budget* current_budget = nullptr;

std::chrono::nanoseconds steady_now() {
  return std::chrono::steady_clock::now().time_since_epoch();
}

// Often enough that a close request or an overrun is seen within a tenth of
// a second; short budgets (tests) look four times within theirs.
std::chrono::nanoseconds tick_for(std::chrono::nanoseconds limit) {
  return std::max(std::chrono::nanoseconds(1'000'000),
                  std::min<std::chrono::nanoseconds>(std::chrono::milliseconds(100), limit / 4));
}

// The stopped run's own time, and within a period the time of all its runs.
std::string too_long(std::int64_t own_ns, std::int64_t period_ns) {
  char text[128];
  int n = std::snprintf(text, sizeof text, "script ran too long: stopped after %.1f s", static_cast<double>(own_ns) / 1e9);
  if (period_ns >= 0)
    std::snprintf(text + n, sizeof text - static_cast<std::size_t>(n), " (the frame's scripts: %.1f s)",
                  static_cast<double>(period_ns) / 1e9);
  return text;
}

} // namespace

void request_interrupt() noexcept { interrupt_word.fetch_or(interrupt_requested); }

void rethrow_naming(std::string_view who) {
  std::string named(who);
  named += ": ";
  try {
    throw;
  } catch (Interrupted const& e) {
    throw Interrupted(e.cause(), named + e.what());
  } catch (std::exception const& e) {
    throw std::runtime_error(named + e.what());
  }
}

Budget::Period::Period(Budget& budget) noexcept : budget_(budget) {
  if (budget_.periods_++ == 0) budget_.spent_.store(0);
}

Budget::Period::~Period() {
  if (--budget_.periods_ == 0) budget_.spent_.store(0);
}

Budget::Budget(std::chrono::nanoseconds limit, std::function<void()> poll, Clock clock)
    : limit_(limit), tick_(tick_for(limit)), poll_(std::move(poll)), clock_(clock ? std::move(clock) : steady_now),
      outer_(current_budget) {
  watchdog_ = std::thread([this] { watch(); });
  current_budget = this;
}

Budget::~Budget() {
  current_budget = outer_;
  {
    std::lock_guard<std::mutex> lock(mutex_);
    stopping_ = true;
  }
  wake_.notify_one();
  watchdog_.join();
}

void Budget::watch() {
  std::int64_t const tick = tick_.count();
  std::unique_lock<std::mutex> lock(mutex_);
  while (!wake_.wait_for(lock, tick_, [this] { return stopping_; })) {
    std::int64_t const started = started_.load();
    if (started == no_run) continue;
    // Only a hint: the script's thread checks the time itself.
    std::int64_t const ran = now() - started;
    if (ran >= tick || spent_.load() + ran >= limit_.count()) interrupt_word.fetch_or(interrupt_look);
  }
}

// Only this thread writes `started_` and `spent_`; the watchdog reads them
// for a hint, so no ordering is needed.
Timed_run::Timed_run() noexcept : budget_(current_budget) {
  if (!budget_ || budget_->depth_++ != 0) return;
  if (budget_->periods_ == 0)
    budget_->spent_.store(0, std::memory_order_relaxed);
  else if (budget_->spent_.load(std::memory_order_relaxed) >= budget_->limit_.count())
    interrupt_word.fetch_or(interrupt_look); // nothing left of the period: stop at the first look
  budget_->started_.store(budget_->now(), std::memory_order_relaxed);
}

Timed_run::~Timed_run() {
  if (budget_ && --budget_->depth_ == 0) {
    std::int64_t const ran = budget_->now() - budget_->started_.load(std::memory_order_relaxed);
    budget_->spent_.store(budget_->spent_.load(std::memory_order_relaxed) + ran, std::memory_order_relaxed);
    budget_->started_.store(Budget::no_run, std::memory_order_relaxed);
    if (interrupt_word.load(std::memory_order_relaxed) & interrupt_look) interrupt_word.fetch_and(~interrupt_look);
  }
}

void check_interrupt() {
  Budget* const budget = current_budget;
  // Another thread's watchdog asks its own scripts to look, not these.
  if (budget && budget->depth_ > 0 && (interrupt_word.load() & interrupt_look)) {
    interrupt_word.fetch_and(~interrupt_look);
    std::int64_t const own = budget->now() - budget->started_.load();
    std::int64_t const counted = budget->spent_.load() + own;
    if (counted >= budget->limit_.count())
      throw Interrupted(Interrupted::Cause::budget, too_long(own, budget->periods_ > 0 ? counted : -1));
    if (budget->poll_) budget->poll_();
  }
  if (interrupt_word.load() & interrupt_requested) {
    interrupt_word.fetch_and(~interrupt_requested);
    throw Interrupted(Interrupted::Cause::request, "script interrupted");
  }
}

} // namespace kestrine
