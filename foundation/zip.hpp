#pragma once
// Unbuffered stream buffer over a gzip file: every character operation goes
// straight to zlib, which does the buffering.
#include <zlib.h>

#include <cstdint>
#include <filesystem>
#include <ios>
#include <streambuf>
#include <string>

struct Zip_streambuf : std::streambuf {
  gzFile file = nullptr;

  Zip_streambuf() = default;
  // Opens at once; test `file` to see whether it worked.
  Zip_streambuf(std::filesystem::path const& path, std::ios_base::openmode mode);
  Zip_streambuf(Zip_streambuf const&) = delete;
  Zip_streambuf& operator=(Zip_streambuf const&) = delete;
  Zip_streambuf(Zip_streambuf&& other) noexcept;
  // Exchanges the files: the source closes the target's former one.
  Zip_streambuf& operator=(Zip_streambuf&& other) noexcept;
  ~Zip_streambuf() override;

  // For reading: in (binary allowed); for writing: out or out|trunc (binary
  // allowed). Fails when a file is already open or the mode is anything else.
  Zip_streambuf* open(std::filesystem::path const& path, std::ios_base::openmode mode);
  // True when a file was open and zlib closed it cleanly (for a written file:
  // everything reached the disk).
  bool close();

  // After reading a file's value: empty when the data ended there and the
  // file was an intact gzip file, else what was wrong with it.
  std::string check_end();

  // Caps the uncompressed bytes this buffer reads or writes. A read, skip or
  // write that would pass the cap does nothing and fails as at the end of the
  // data or on a full disk, and `overrun` says why from then on. No cap
  // unless set; it moves with the file.
  void limit(std::uint64_t bytes) { limit_ = bytes; }
  // Empty while nothing tried to pass the cap, else "too large (over N bytes)".
  std::string overrun() const;

protected:
  pos_type seekoff(off_type off, std::ios_base::seekdir dir, std::ios_base::openmode which) override;
  pos_type seekpos(pos_type pos, std::ios_base::openmode which) override;
  std::streamsize xsgetn(char_type* s, std::streamsize n) override;
  int_type underflow() override;
  int_type uflow() override;
  int_type pbackfail(int_type c) override;
  std::streamsize xsputn(char_type const* s, std::streamsize n) override;
  int_type overflow(int_type c) override;

private:
  // False, marking the overrun, when the data up to position `end` would
  // pass the cap; `room` for n bytes from the current position.
  bool within(std::int64_t end);
  bool room(std::int64_t n) { return within(at_ + n); }

  std::int64_t at_ = 0; // uncompressed position, kept here: asking zlib costs a call per byte
  std::uint64_t limit_ = UINT64_MAX;
  bool over_ = false;
};
