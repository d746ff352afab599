#pragma once
// The console's transcript: what the console window shows, kept to its
// newest lines within one byte limit whatever a script prints, and the copy
// of everything shown that goes to standard output, which keeps every line.
//
// Lines are numbered from the first line ever added, so a number names the
// same line while older lines are dropped; the kept lines are those from
// first() to end().
#include <cstddef>
#include <cstdint>
#include <deque>
#include <iosfwd>
#include <span>
#include <string>
#include <string_view>
#include <utility>

class Transcript {
public:
  // The bytes the console keeps: a long session's worth of typing and
  // printing, and still a frame's work to hand around.
  static constexpr std::size_t default_limit = std::size_t{1} << 20;
  // Ends a line cut to fit the limit; the line's start stays.
  static constexpr std::string_view cut_mark = "[...]";
  static constexpr std::size_t min_limit = 16;

  // A place in the text: a line and a byte offset within it.
  struct Place {
    std::uint64_t line = 0;
    std::size_t byte = 0;
    friend auto operator<=>(Place const&, Place const&) = default;
  };

  // Limits below min_limit are raised to it. Standard output is `out`
  // (std::cout when none is given).
  explicit Transcript(std::size_t limit = default_limit);
  Transcript(std::size_t limit, std::ostream& out);

  // Shows the text (lines end in '\n'; a last line without one stays open
  // for the next text) and keeps it for standard output. Older lines are
  // dropped while the kept text is over the limit; a single line longer
  // than the limit keeps its start and ends in the cut mark.
  void add(std::string_view text);
  // Shows the text, given in pieces, like add, and writes it at once to
  // standard output after what that has not seen yet, then flushes: a long
  // text is not copied to be written.
  void write_through(std::span<std::string_view const> pieces);
  // Writes what was added since the last write to standard output, in
  // order, and flushes it.
  void write_out();
  // Empties the view, and drops what standard output has not seen yet.
  void clear();

  // The kept text, every line followed by '\n' but an open last one.
  std::string_view text() const { return std::string_view(buf_).substr(dead_); }
  std::size_t size() const { return buf_.size() - dead_; }
  std::size_t limit() const { return limit_; }
  // Bytes added that standard output has not seen yet.
  std::size_t unwritten() const { return out_buf_.size(); }
  // Changes with every add and clear: a view redraws when it moves.
  std::uint64_t version() const { return version_; }

  std::uint64_t first() const { return first_; }
  std::uint64_t end() const { return first_ + starts_.size(); }
  bool empty() const { return starts_.empty(); }
  // A kept line, without its '\n'.
  std::string_view line(std::uint64_t n) const;
  // Where a kept line starts in text().
  std::size_t offset(std::uint64_t n) const { return starts_[n - first_] - dead_; }

  // The place clamped to the kept text: lines dropped since give the start
  // of the first kept line, a byte past its line's end gives that end.
  Place clamp(Place p) const;
  // The kept text between two places, in either order.
  std::string_view between(Place a, Place b) const;
  // The start and the end of all the kept text.
  Place front() const { return {first_, 0}; }
  Place back() const;

private:
  void show(std::string_view text);
  void open_line();
  void extend(std::string_view piece);
  void drop_old();

  std::size_t limit_;
  std::ostream* out_;
  std::string buf_;               // the kept text after `dead_` dropped bytes
  std::size_t dead_ = 0;          // dropped bytes at the front of buf_, reclaimed now and then
  std::deque<std::size_t> starts_; // where each kept line starts in buf_
  std::uint64_t first_ = 0;       // the number of the first kept line
  bool open_ = false;             // the last line has no '\n' yet
  bool cut_ = false;              // the open line was cut: the rest of it is not shown
  std::string out_buf_;           // added, not yet written out
  std::uint64_t version_ = 0;
};

// The word around a byte of a line, as a double click selects it: a run of
// characters that are neither blanks nor brackets, commas or semicolons;
// [byte, byte) on such a character itself.
std::pair<std::size_t, std::size_t> word_at(std::string_view line, std::size_t byte);
