#include "game/transcript.hpp"

#include <algorithm>
#include <iostream>

Transcript::Transcript(std::size_t limit) : Transcript(limit, std::cout) {}

Transcript::Transcript(std::size_t limit, std::ostream& out) : limit_(std::max(limit, min_limit)), out_(&out) {}

void Transcript::add(std::string_view text) {
  out_buf_.append(text);
  show(text);
}

void Transcript::write_through(std::span<std::string_view const> pieces) {
  write_out();
  for (std::string_view p : pieces) {
    out_->write(p.data(), static_cast<std::streamsize>(p.size()));
    show(p);
  }
  out_->flush();
}

void Transcript::show(std::string_view text) {
  if (text.empty()) return;
  ++version_;
  while (!text.empty()) {
    if (!open_) open_line();
    std::size_t const nl = text.find('\n');
    extend(text.substr(0, nl));
    if (nl == std::string_view::npos) break;
    buf_ += '\n';
    open_ = false;
    text.remove_prefix(nl + 1);
    drop_old(); // line by line, so a text of many lines never piles up
  }
  drop_old();
}

void Transcript::open_line() {
  starts_.push_back(buf_.size());
  open_ = true;
  cut_ = false;
}

void Transcript::extend(std::string_view piece) {
  if (cut_ || piece.empty()) return;
  std::size_t const start = starts_.back();
  std::size_t const length = buf_.size() - start;
  std::size_t const most = limit_ - 1; // the line and its '\n' fit the limit
  if (length + piece.size() <= most) {
    buf_.append(piece);
    return;
  }
  std::size_t const keep = most - cut_mark.size();
  // The first byte cut off: a continuation byte means the cut splits a
  // character, whose lead bytes go too.
  auto next = static_cast<unsigned char>(keep >= length ? piece[keep - length] : buf_[start + keep]);
  if (keep >= length)
    buf_.append(piece.substr(0, keep - length));
  else
    buf_.resize(start + keep);
  while (buf_.size() > start && (next & 0xC0) == 0x80) {
    next = static_cast<unsigned char>(buf_.back());
    buf_.pop_back();
  }
  buf_.append(cut_mark);
  cut_ = true;
}

void Transcript::drop_old() {
  while (size() > limit_ && starts_.size() > 1) {
    starts_.pop_front();
    ++first_;
    dead_ = starts_.front();
  }
  // Dropped bytes are reclaimed once they outweigh the kept ones, so each
  // byte is moved a bounded number of times.
  if (dead_ > 0 && dead_ >= size()) {
    buf_.erase(0, dead_);
    for (std::size_t& s : starts_) s -= dead_;
    dead_ = 0;
  }
}

void Transcript::write_out() {
  if (out_buf_.empty()) return;
  out_->write(out_buf_.data(), static_cast<std::streamsize>(out_buf_.size()));
  out_->flush();
  if (out_buf_.capacity() > limit_)
    out_buf_ = std::string(); // one huge print must not hold its size for good
  else
    out_buf_.clear();
}

void Transcript::clear() {
  ++version_;
  first_ += starts_.size();
  starts_.clear();
  buf_.clear();
  dead_ = 0;
  open_ = cut_ = false;
  out_buf_.clear();
}

std::string_view Transcript::line(std::uint64_t n) const {
  std::size_t const i = n - first_;
  std::size_t const begin = starts_[i];
  std::size_t const end = i + 1 < starts_.size() ? starts_[i + 1] - 1 : buf_.size() - (open_ ? 0 : 1);
  return std::string_view(buf_).substr(begin, end - begin);
}

Transcript::Place Transcript::back() const {
  if (empty()) return front();
  return {end() - 1, line(end() - 1).size()};
}

Transcript::Place Transcript::clamp(Place p) const {
  if (empty() || p.line < first_) return front();
  if (p.line >= end()) return back();
  return {p.line, std::min(p.byte, line(p.line).size())};
}

std::string_view Transcript::between(Place a, Place b) const {
  a = clamp(a);
  b = clamp(b);
  if (b < a) std::swap(a, b);
  if (empty()) return {};
  std::size_t const from = offset(a.line) + a.byte;
  return text().substr(from, offset(b.line) + b.byte - from);
}

std::pair<std::size_t, std::size_t> word_at(std::string_view line, std::size_t byte) {
  auto const part = [](char c) { return std::string_view(" \t,;()[]{}|").find(c) == std::string_view::npos; };
  if (byte >= line.size() || !part(line[byte])) return {byte, byte};
  std::size_t begin = byte, end = byte;
  while (begin > 0 && part(line[begin - 1])) --begin;
  while (end < line.size() && part(line[end])) ++end;
  return {begin, end};
}
