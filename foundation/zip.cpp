#include "foundation/zip.hpp"

#include <algorithm>
#include <climits>
#include <utility>

Zip_streambuf::Zip_streambuf(std::filesystem::path const& path, std::ios_base::openmode mode) {
  open(path, mode);
}

Zip_streambuf::Zip_streambuf(Zip_streambuf&& other) noexcept
    : std::streambuf(), file(std::exchange(other.file, nullptr)), at_(std::exchange(other.at_, 0)),
      limit_(other.limit_), over_(std::exchange(other.over_, false)) {}

Zip_streambuf& Zip_streambuf::operator=(Zip_streambuf&& other) noexcept {
  std::swap(file, other.file);
  std::swap(at_, other.at_);
  std::swap(limit_, other.limit_);
  std::swap(over_, other.over_);
  return *this;
}

Zip_streambuf::~Zip_streambuf() { close(); }

Zip_streambuf* Zip_streambuf::open(std::filesystem::path const& path, std::ios_base::openmode mode) {
  if (file) return nullptr;
  using std::ios_base;
  auto m = mode & ~ios_base::binary;
  char const* how = nullptr;
  if (m == ios_base::in) how = "rb";
  else if (m == ios_base::out || m == (ios_base::out | ios_base::trunc)) how = "wb";
  if (!how) return nullptr;
  file = gzopen(path.c_str(), how);
  at_ = 0;
  return file ? this : nullptr;
}

bool Zip_streambuf::close() {
  if (!file) return false;
  int r = gzclose(std::exchange(file, nullptr));
  return r == Z_OK;
}

std::string Zip_streambuf::check_end() {
  if (!file) return "not open";
  // Reading on to the end makes zlib check the trailer's length and checksum.
  if (gzgetc(file) != -1) return "unexpected data after the end";
  if (gzdirect(file)) return "not a gzip file";
  int code = Z_OK;
  char const* text = gzerror(file, &code);
  if (code != Z_OK) return text && *text ? text : "damaged file";
  return {};
}

std::string Zip_streambuf::overrun() const {
  return over_ ? "too large (over " + std::to_string(limit_) + " bytes)" : std::string();
}

bool Zip_streambuf::within(std::int64_t end) {
  if (end < 0 || static_cast<std::uint64_t>(end) <= limit_) return true; // zlib refuses a bad position itself
  over_ = true;
  return false;
}

Zip_streambuf::pos_type Zip_streambuf::seekoff(off_type off, std::ios_base::seekdir dir,
                                               std::ios_base::openmode) {
  if (!file) return pos_type(off_type(-1));
  int whence;
  if (dir == std::ios_base::beg) whence = SEEK_SET;
  else if (dir == std::ios_base::cur) whence = SEEK_CUR;
  else return pos_type(off_type(-1));
  // A forward skip decompresses everything it passes over.
  if (!within((whence == SEEK_SET ? 0 : at_) + off)) return pos_type(off_type(-1));
  z_off_t r = gzseek(file, static_cast<z_off_t>(off), whence);
  at_ = r >= 0 ? r : std::max<z_off_t>(gztell(file), 0);
  return pos_type(off_type(r));
}

Zip_streambuf::pos_type Zip_streambuf::seekpos(pos_type pos, std::ios_base::openmode which) {
  return seekoff(off_type(pos), std::ios_base::beg, which);
}

std::streamsize Zip_streambuf::xsgetn(char_type* s, std::streamsize n) {
  if (!file || n <= 0 || !room(n)) return 0;
  std::streamsize got = 0;
  while (got < n) {
    // zlib counts in unsigned ints; ask for at most 1 GiB at a time.
    auto want = static_cast<unsigned>(std::min<std::streamsize>(n - got, 1 << 30));
    int r = gzread(file, s + got, want);
    if (r <= 0) break;
    got += r;
  }
  at_ += got;
  return got;
}

Zip_streambuf::int_type Zip_streambuf::underflow() {
  if (!file || !room(1)) return traits_type::eof();
  int c = gzgetc(file);
  if (c == -1) return traits_type::eof();
  gzungetc(c, file);
  return c;
}

Zip_streambuf::int_type Zip_streambuf::uflow() {
  if (!file || !room(1)) return traits_type::eof();
  int c = gzgetc(file);
  if (c == -1) return traits_type::eof();
  ++at_;
  return c;
}

Zip_streambuf::int_type Zip_streambuf::pbackfail(int_type c) {
  if (!file || traits_type::eq_int_type(c, traits_type::eof())) return traits_type::eof();
  if (gzungetc(c, file) == -1) return traits_type::eof();
  --at_;
  return c;
}

std::streamsize Zip_streambuf::xsputn(char_type const* s, std::streamsize n) {
  if (!file || n <= 0 || !room(n)) return 0;
  std::streamsize put = 0;
  while (put < n) {
    // Below zlib's buffer size gzwrite copies the bytes; a larger write is
    // compressed straight from the caller's memory, and a failure then leaves
    // zlib pointing into it until the close reads it again.
    auto len = static_cast<unsigned>(std::min<std::streamsize>(n - put, 4096));
    int r = gzwrite(file, s + put, len);
    if (r <= 0) break;
    put += r;
  }
  at_ += put;
  return put;
}

Zip_streambuf::int_type Zip_streambuf::overflow(int_type c) {
  if (!file) return traits_type::eof();
  if (traits_type::eq_int_type(c, traits_type::eof())) return traits_type::not_eof(c);
  if (!room(1)) return traits_type::eof();
  // zlib's single-byte write: the same as a one-byte gzwrite, minus its overhead.
  if (gzputc(file, static_cast<unsigned char>(traits_type::to_char_type(c))) == -1) return traits_type::eof();
  ++at_;
  return traits_type::not_eof(c);
}
