#pragma once
// Text that host code builds for a script (what "print" shows, a console's
// result line): an output stream whose storage counts against the scripts'
// memory limit as it grows, and that looks for an interrupt (and so the time
// budget) while it is written. A value printed many times its own size, a
// list of many references to one long string, then stops with "script out
// of memory" or the budget's error, raised from the write that passed the
// limit, like the script's own allocations; nothing is allocated past the
// limit.
//
// The text is kept in pieces that are never moved to a larger block, so it
// costs its length and not twice that; a short text needs no allocation.
// Errors pass out of the writes (the stream's exception mask holds badbit);
// after one the text is incomplete and meant to be dropped.
#include <cstddef>
#include <ostream>
#include <streambuf>
#include <string>
#include <string_view>
#include <vector>

namespace kestrine {

class Counted_text : public std::ostream {
public:
    Counted_text();
    ~Counted_text() override;
    Counted_text(Counted_text const&) = delete;
    Counted_text& operator=(Counted_text const&) = delete;

    // The text so far, in order, piece by piece (none when it is empty).
    std::vector<std::string_view> pieces() const { return buffer_.pieces(); }
    std::size_t size() const { return buffer_.size(); }
    std::string str() const;

private:
    class Buffer : public std::streambuf {
    public:
        Buffer() noexcept;
        ~Buffer() override;
        std::vector<std::string_view> pieces() const;
        std::size_t size() const noexcept { return before_ + static_cast<std::size_t>(pptr() - pbase()); }

    protected:
        int_type overflow(int_type c) override;
        std::streamsize xsputn(char const* s, std::streamsize n) override;

    private:
        struct Piece {
            char* data;
            std::size_t size;     // bytes written, for a full piece
            std::size_t capacity; // 0: the inline one
        };
        void next_piece();

        char first_[256];
        std::vector<Piece> full_;   // the pieces before the one being written
        std::size_t capacity_ = 0;  // of the one being written; 0: `first_`
        std::size_t before_ = 0;    // bytes in the full pieces
    };

    Buffer buffer_;
};

} // namespace kestrine
