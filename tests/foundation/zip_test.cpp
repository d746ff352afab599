#include "foundation/save.hpp"
#include "foundation/zip.hpp"
#include "mpk/mpk.hpp"
#include "support/sdl_log.hpp"
#include "util.hpp"

#include <csignal>
#include <random>
#include <sys/resource.h>

namespace {

std::string varied(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i % 3 ? rng() : i);
  return s;
}

struct Zip : ::testing::Test {
  Temp_dir tmp;
  fs::path write_gz(std::string const& name, std::string const& data) {
    Zip_streambuf out(tmp / name, std::ios_base::out);
    EXPECT_EQ(out.sputn(data.data(), std::streamsize(data.size())), std::streamsize(data.size()));
    EXPECT_TRUE(out.close());
    return tmp / name;
  }
};

// A world file's value, of many sizes.
using Rec = std::vector<std::string>;
Rec sample() {
  Rec r{"basic.air", "basic.stone"};
  for (unsigned i = 0; i < 100; ++i) r.push_back(varied(i % 30, i));
  return r;
}

// Reads a record file as the world does: the value, then a clean end.
bool read_rec(fs::path const& p, Rec& r) {
  Zip_streambuf in(p, std::ios_base::in);
  if (!in.file) return false;
  mpk::Scanner s(in);
  mpk::scan(s, r);
  return s.ok() && in.check_end().empty();
}

} // namespace

TEST_F(Zip, OnlyPlainReadOrWriteModesOpenAndOnlyOnce) {
  fs::path p = write_gz("a.gz", "first");
  using std::ios_base;
  for (auto mode : {ios_base::in | ios_base::out, ios_base::in | ios_base::trunc, ios_base::in | ios_base::app,
                    ios_base::out | ios_base::app, ios_base::out | ios_base::ate, ios_base::openmode{}})
    EXPECT_FALSE(Zip_streambuf(p, mode).file) << mode;
  Zip_streambuf missing(tmp / "missing.gz", ios_base::in);
  EXPECT_FALSE(missing.file || missing.close());

  Zip_streambuf z(p, ios_base::in | ios_base::binary);
  EXPECT_EQ(z.open(write_gz("b.gz", "second"), ios_base::in), nullptr);
  char buf[6] = {};
  EXPECT_EQ(z.sgetn(buf, 5), 5);
  EXPECT_STREQ(buf, "first");
  Zip_streambuf full("/dev/full", ios_base::out | ios_base::trunc | ios_base::binary);
  full.sputn(buf, 5);
  EXPECT_FALSE(full.close()); // the disk fills up only when zlib flushes
}

TEST_F(Zip, WrittenFilesReadBackByteForByteAndSeekForwardOrFromTheTop) {
  std::string data = varied(200000, 1);
  Zip_streambuf in(write_gz("big.gz", data), std::ios_base::in);
  std::string back(data.size(), '\0');
  EXPECT_EQ(in.sgetn(back.data(), std::streamsize(back.size())), std::streamsize(data.size()));
  EXPECT_EQ(back, data);
  EXPECT_EQ((std::pair{in.sgetc(), in.check_end()}), std::pair(EOF, std::string()));

  Zip_streambuf s(write_gz("s.gz", "0123456789"), std::ios_base::in);
  EXPECT_EQ(s.sgetc(), '0'); // peeking leaves the byte
  EXPECT_EQ(s.sbumpc(), '0');
  EXPECT_EQ(s.pubseekoff(0, std::ios_base::end), std::streampos(-1));
  EXPECT_EQ(s.pubseekoff(5, std::ios_base::cur), std::streampos(6));
  char buf[10];
  EXPECT_EQ(s.sgetn(buf, 10), 4);
  EXPECT_EQ(std::string(buf, 4), "6789");
  EXPECT_EQ(s.pubseekpos(2), std::streampos(2)); // backwards restarts from the top
  EXPECT_EQ(s.sbumpc(), '2');

  // Move assignment exchanges the files.
  Zip_streambuf a(write_gz("a.gz", "A"), std::ios_base::in), b(write_gz("b.gz", "B"), std::ios_base::in);
  a = std::move(b);
  EXPECT_EQ(std::pair(a.sbumpc(), b.sbumpc()), std::pair(int('B'), int('A')));
  Zip_streambuf c(std::move(a));
  EXPECT_FALSE(a.file);
  EXPECT_EQ(c.sbumpc(), EOF);
}

TEST_F(Zip, DamagedFilesNeverReadAsGood) {
  Rec rec = sample();
  fs::path p = tmp / "rec.gz";
  ASSERT_TRUE(save_zip(p, [&](std::streambuf& out) {
    mpk::Emitter e(out);
    mpk::emit(e, rec);
    return e.err;
  }));
  Rec back;
  ASSERT_TRUE(read_rec(p, back));
  EXPECT_EQ(back, rec);

  std::string full = Temp_dir::read(p);
  for (std::size_t n = 0; n < full.size(); ++n) {
    Rec r;
    ASSERT_FALSE(read_rec(tmp.write("bad.gz", full.substr(0, n)), r)) << "prefix of " << n << " bytes";
  }
  // A flipped byte is caught unless it lies where nothing is checked because
  // nothing is stored (header time stamp and system, padding bits after the
  // last block): then the data is intact.
  for (std::size_t i = 0; i < full.size(); ++i) {
    std::string bad = full;
    bad[i] = char(bad[i] ^ 0x10);
    Rec r;
    EXPECT_TRUE(!read_rec(tmp.write("bad.gz", bad), r) || r == rec) << "flip at " << i;
  }
  // Not gzip at all: the raw MessagePack bytes.
  std::stringbuf sb;
  mpk::Emitter e(sb);
  mpk::emit(e, rec);
  Zip_streambuf in(tmp.write("bad.gz", sb.str()), std::ios_base::in);
  mpk::Scanner s(in);
  mpk::scan(s, back);
  EXPECT_EQ(in.check_end(), "not a gzip file");
}

TEST_F(Zip, ACappedBufferStopsAtItsCapAndSaysSo) {
  fs::path p = write_gz("ten.gz", "0123456789");
  enum Op { read_all, read_byte, peek, skip, write };
  struct Case {
    Op op;
    std::uint64_t cap;
    bool over; // the op needs more than the cap: it fails and says so
  };
  for (Case c : {Case{read_all, 10, false}, Case{read_all, 9, true}, Case{read_byte, 10, false},
                 Case{read_byte, 9, true}, Case{peek, 9, false}, Case{peek, 8, true}, Case{skip, 10, false},
                 Case{skip, 9, true}, Case{write, 10, false}, Case{write, 9, true}}) {
    Zip_streambuf z(c.op == write ? tmp / "out.gz" : p, c.op == write ? std::ios_base::out : std::ios_base::in);
    z.limit(c.cap);
    char buf[10];
    bool done = false;
    switch (c.op) {
    case read_all: done = z.sgetn(buf, 10) == 10; break;
    case read_byte: done = z.sgetn(buf, 9) == 9 && z.sbumpc() == '9'; break;
    case peek: done = z.sgetn(buf, 8) == 8 && z.sgetc() == '8'; break;
    case skip: done = z.pubseekoff(10, std::ios_base::cur) == std::streampos(10); break;
    case write: done = z.sputn("0123456789", 10) == 10; break;
    }
    EXPECT_EQ(done, !c.over) << c.op << " " << c.cap;
    EXPECT_EQ(z.overrun(), c.over ? "too large (over " + std::to_string(c.cap) + " bytes)" : "") << c.op << c.cap;
  }

  // A capped save refuses more and keeps the old file.
  ASSERT_TRUE(save_zip(p, [](std::streambuf& out) { return out.sputn("abc", 3) == 3 ? "" : "short"; }, 3));
  Sdl_log_capture log;
  EXPECT_FALSE(save_zip(p, [](std::streambuf& out) { out.sputn("abcd", 4); return std::string(); }, 3));
  EXPECT_EQ(log.lines.back(), p.string() + ": too large (over 3 bytes)");
  Zip_streambuf in(p, std::ios_base::in);
  char buf[4] = {};
  EXPECT_EQ(std::string(buf, in.sgetn(buf, 4)), "abc");
}

TEST_F(Zip, FailedSavesLeaveTheOldFile) {
  Sdl_log_capture log;
  fs::path p = tmp / "keep.txt";
  ASSERT_TRUE(save_text(p, "old"));
  // The writer fails: nothing changes, the reason is logged with the path.
  EXPECT_FALSE(save_zip(p, [](std::streambuf& out) {
    out.sputn("partial", 7);
    return std::string("array is too big");
  }));
  ASSERT_FALSE(log.lines.empty());
  EXPECT_EQ(log.lines.back(), p.string() + ": array is too big");

  // A full disk, made with a file size limit.
  auto prev = std::signal(SIGXFSZ, SIG_IGN);
  rlimit lim{};
  getrlimit(RLIMIT_FSIZE, &lim);
  rlimit small = lim;
  small.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &small);
  bool text_ok = save_text(p, varied(100000, 3));
  // The room comes back before the close: the refused bytes stay lost.
  bool zip_ok = save_zip(p, [&lim](std::streambuf& out) {
    std::string data = varied(100000, 4);
    out.sputn(data.data(), std::streamsize(data.size()));
    setrlimit(RLIMIT_FSIZE, &lim);
    return std::string();
  });
  setrlimit(RLIMIT_FSIZE, &lim);
  std::signal(SIGXFSZ, prev);
  EXPECT_FALSE(text_ok || zip_ok);
  EXPECT_EQ(Temp_dir::read(p), "old");

  // The directory is a regular file; the target is a directory.
  EXPECT_FALSE(save_text(p / "inside.txt", "x"));
  fs::create_directories(tmp / "sub" / "child");
  EXPECT_FALSE(save_text(tmp / "sub", "x"));
  EXPECT_TRUE(fs::is_directory(tmp / "sub" / "child"));
  for (auto const& entry : fs::recursive_directory_iterator(tmp.dir))
    EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
}
