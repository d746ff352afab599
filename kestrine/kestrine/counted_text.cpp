#include "kestrine/counted_text.hpp"

#include "kestrine/interrupt.hpp"
#include "kestrine/memory.hpp"

#include <algorithm>
#include <cstring>

namespace kestrine {

namespace {

// Pieces double from the first allocated one up to the largest: few
// allocations for a long text, little unused room for a short one.
constexpr std::size_t smallest_piece = 4096;
constexpr std::size_t largest_piece = std::size_t{1} << 20;

// A long text is written in many calls or in many pieces: each is a moment
// to see a stop.
inline void look() {
    if (interrupt_word.load(std::memory_order_relaxed) != 0)
        check_interrupt();
}

} // namespace

Counted_text::Counted_text() : std::ostream(nullptr) {
    rdbuf(&buffer_);
    exceptions(std::ios_base::badbit);
}

Counted_text::~Counted_text() = default;

std::string Counted_text::str() const {
    std::string s;
    s.reserve(size());
    for (std::string_view p : pieces())
        s += p;
    return s;
}

Counted_text::Buffer::Buffer() noexcept { setp(first_, first_ + sizeof first_); }

Counted_text::Buffer::~Buffer() {
    for (Piece const& p : full_) {
        if (p.capacity) {
            delete[] p.data;
            detail::uncharge(detail::footprint(p.capacity));
        }
    }
    if (capacity_) {
        delete[] pbase();
        detail::uncharge(detail::footprint(capacity_));
    }
}

std::vector<std::string_view> Counted_text::Buffer::pieces() const {
    std::vector<std::string_view> out;
    out.reserve(full_.size() + 1);
    for (Piece const& p : full_)
        if (p.size)
            out.emplace_back(p.data, p.size);
    if (pptr() != pbase())
        out.emplace_back(pbase(), static_cast<std::size_t>(pptr() - pbase()));
    return out;
}

void Counted_text::Buffer::next_piece() {
    std::size_t const capacity = std::clamp(capacity_ * 2, smallest_piece, largest_piece);
    std::size_t const bytes = detail::footprint(capacity);
    full_.reserve(full_.size() + 1); // so nothing can fail once the piece is made
    detail::charge(bytes);
    char* data;
    try {
        data = new char[capacity];
    } catch (...) {
        detail::uncharge(bytes);
        throw;
    }
    std::size_t const used = static_cast<std::size_t>(pptr() - pbase());
    full_.push_back({pbase(), used, capacity_});
    before_ += used;
    capacity_ = capacity;
    setp(data, data + capacity);
}

Counted_text::Buffer::int_type Counted_text::Buffer::overflow(int_type c) {
    if (traits_type::eq_int_type(c, traits_type::eof()))
        return traits_type::not_eof(c);
    look();
    if (pptr() == epptr())
        next_piece();
    *pptr() = traits_type::to_char_type(c);
    pbump(1);
    return c;
}

std::streamsize Counted_text::Buffer::xsputn(char const* s, std::streamsize n) {
    look();
    std::size_t left = n > 0 ? static_cast<std::size_t>(n) : 0;
    while (left > 0) {
        if (pptr() == epptr()) {
            next_piece();
            look();
        }
        std::size_t const k = std::min(left, static_cast<std::size_t>(epptr() - pptr()));
        std::memcpy(pptr(), s, k);
        pbump(static_cast<int>(k));
        s += k;
        left -= k;
    }
    return n;
}

} // namespace kestrine
