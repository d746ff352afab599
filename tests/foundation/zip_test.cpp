#include "foundation/save.hpp"
#include "foundation/zip.hpp"
#include "mpk/mpk.hpp"

#include <SDL.h>
#include <gtest/gtest.h>

#include <csignal>
#include <fstream>
#include <random>
#include <sys/resource.h>
#include <unistd.h>

namespace fs = std::filesystem;

namespace {

struct Zip : ::testing::Test {
  fs::path dir = fs::temp_directory_path() / ("terrafold_zip_" + std::to_string(getpid()));
  void SetUp() override {
    fs::remove_all(dir);
    fs::create_directories(dir);
  }
  void TearDown() override { fs::remove_all(dir); }

  fs::path write_gz(std::string const& name, std::string const& data) {
    fs::path p = dir / name;
    Zip_streambuf out(p, std::ios_base::out);
    EXPECT_TRUE(out.file);
    EXPECT_EQ(out.sputn(data.data(), static_cast<std::streamsize>(data.size())),
              static_cast<std::streamsize>(data.size()));
    EXPECT_TRUE(out.close());
    return p;
  }
  static std::string raw(fs::path const& p) {
    std::ifstream in(p, std::ios::binary);
    return {std::istreambuf_iterator<char>(in), {}};
  }
  static void put_raw(fs::path const& p, std::string const& bytes) {
    std::ofstream(p, std::ios::binary | std::ios::trunc) << bytes;
  }
};

std::string varied(std::size_t n, unsigned seed) {
  std::mt19937 rng(seed);
  std::string s(n, '\0');
  for (std::size_t i = 0; i < n; ++i) s[i] = static_cast<char>(i % 3 ? rng() : i);
  return s;
}

struct Rec {
  std::vector<std::string> names;
  std::vector<short> cells;
  std::array<std::byte, 300> light{};
};
void operator%(mpk::Scanner& s, Rec& r) { mpk::pack_array(s, r.names, r.cells, r.light); }
void operator%(mpk::Emitter& e, Rec const& r) { mpk::pack_array(e, r.names, r.cells, r.light); }

Rec sample_rec() {
  Rec r;
  r.names = {"basic.air", "basic.stone", "basic.water"};
  for (int i = 0; i < 4096; ++i) r.cells.push_back(static_cast<short>((i / 7) % 3 + (i % 97 == 0) * 200));
  for (std::size_t i = 0; i < r.light.size(); ++i) r.light[i] = std::byte(i);
  return r;
}

// Reads a record file as the world does: the value, then a clean end.
bool read_rec(fs::path const& p, Rec& r) {
  Zip_streambuf in(p, std::ios_base::in);
  if (!in.file) return false;
  mpk::Scanner s(in);
  s % r;
  return s.ok() && in.check_end().empty();
}

std::vector<std::string> logged;
void capture_log(void*, int, SDL_LogPriority, char const* message) { logged.emplace_back(message); }

} // namespace

TEST_F(Zip, OnlyPlainReadOrWriteModesOpenAndOnlyOnce) {
  fs::path p = write_gz("a.gz", "first");
  using std::ios_base;
  for (auto mode : {ios_base::in | ios_base::out, ios_base::in | ios_base::trunc, ios_base::in | ios_base::app,
                    ios_base::out | ios_base::app, ios_base::out | ios_base::ate, ios_base::openmode{}})
    EXPECT_FALSE(Zip_streambuf(p, mode).file);
  Zip_streambuf missing(dir / "missing.gz", ios_base::in);
  EXPECT_FALSE(missing.file);
  EXPECT_FALSE(missing.close());

  Zip_streambuf z(p, ios_base::in | ios_base::binary);
  EXPECT_EQ(z.open(write_gz("b.gz", "second"), ios_base::in), nullptr);
  char buf[6] = {};
  EXPECT_EQ(z.sgetn(buf, 5), 5);
  EXPECT_STREQ(buf, "first");
}

TEST_F(Zip, WrittenFilesReadBackByteForByte) {
  std::string data = varied(200000, 1);
  fs::path p = dir / "big.gz";
  {
    Zip_streambuf out(p, std::ios_base::out | std::ios_base::trunc);
    out.sputc(data[0]);
    out.sputn(data.data() + 1, static_cast<std::streamsize>(data.size() - 1));
    EXPECT_TRUE(out.close());
  }
  Zip_streambuf in(p, std::ios_base::in);
  std::string back(data.size(), '\0');
  EXPECT_EQ(in.sgetn(back.data(), static_cast<std::streamsize>(back.size())),
            static_cast<std::streamsize>(data.size()));
  EXPECT_EQ(back, data);
  EXPECT_EQ(in.sgetc(), EOF);
  EXPECT_EQ(in.check_end(), "");
}

TEST_F(Zip, StreamOperations) {
  Zip_streambuf in(write_gz("s.gz", "0123456789"), std::ios_base::in);
  EXPECT_EQ(in.sgetc(), '0'); // peeking leaves the byte
  EXPECT_EQ(in.sbumpc(), '0');
  EXPECT_EQ(in.sbumpc(), '1');
  EXPECT_EQ(in.sputbackc('1'), '1');
  EXPECT_EQ(in.pubseekoff(0, std::ios_base::end), std::streampos(-1));
  EXPECT_EQ(in.sgetc(), '1');
  EXPECT_EQ(in.pubseekoff(5, std::ios_base::cur), std::streampos(6));
  char buf[10];
  EXPECT_EQ(in.sgetn(buf, 10), 4);
  EXPECT_EQ(std::string(buf, 4), "6789");
  EXPECT_EQ(in.sbumpc(), EOF);
  EXPECT_EQ(in.pubseekpos(2), std::streampos(2)); // backwards restarts from the top
  EXPECT_EQ(in.sbumpc(), '2');

  // Move assignment exchanges the files.
  Zip_streambuf a(write_gz("a.gz", "A"), std::ios_base::in), b(write_gz("b.gz", "B"), std::ios_base::in);
  a = std::move(b);
  EXPECT_EQ(a.sbumpc(), 'B');
  EXPECT_EQ(b.sbumpc(), 'A');
  Zip_streambuf c(std::move(a));
  EXPECT_FALSE(a.file);
  EXPECT_EQ(c.sbumpc(), EOF);
}

TEST_F(Zip, AFullDiskShowsAtClose) {
  Zip_streambuf out("/dev/full", std::ios_base::out);
  ASSERT_TRUE(out.file);
  std::string data = varied(1000, 2);
  out.sputn(data.data(), 1000);
  EXPECT_FALSE(out.close());
}

TEST_F(Zip, DamagedFilesNeverReadAsGood) {
  Rec rec = sample_rec();
  fs::path p = dir / "rec.gz";
  ASSERT_TRUE(save_zip(p, [&](std::streambuf& out) {
    mpk::Emitter e(out);
    e % rec;
    return e.err;
  }));
  Rec back;
  ASSERT_TRUE(read_rec(p, back));
  EXPECT_EQ(back.cells, rec.cells);
  EXPECT_EQ(back.light, rec.light);

  std::string full = raw(p);
  fs::path q = dir / "bad.gz";
  for (std::size_t n = 0; n < full.size(); ++n) {
    put_raw(q, full.substr(0, n));
    Rec r;
    ASSERT_FALSE(read_rec(q, r)) << "prefix of " << n << " bytes";
  }
  // A flipped byte is caught unless it lies where nothing is checked because
  // nothing is stored (header time stamp and system, padding bits after the
  // last block): then the data is intact.
  for (std::size_t i = 0; i < full.size(); ++i) {
    std::string bad = full;
    bad[i] = static_cast<char>(bad[i] ^ 0x10);
    put_raw(q, bad);
    Rec r;
    if (read_rec(q, r)) {
      EXPECT_EQ(r.names, rec.names) << "flip at " << i;
      EXPECT_EQ(r.cells, rec.cells) << "flip at " << i;
      EXPECT_EQ(r.light, rec.light) << "flip at " << i;
    }
  }
  // Not gzip at all: the raw MessagePack bytes.
  std::stringbuf sb;
  mpk::Emitter e(sb);
  e % rec;
  put_raw(q, sb.str());
  Rec r;
  EXPECT_FALSE(read_rec(q, r));
  Zip_streambuf in(q, std::ios_base::in);
  mpk::Scanner s(in);
  s % r;
  EXPECT_EQ(in.check_end(), "not a gzip file");
}

TEST_F(Zip, FailedSavesLeaveTheOldFile) {
  logged.clear();
  SDL_LogOutputFunction old_fn;
  void* old_data;
  SDL_LogGetOutputFunction(&old_fn, &old_data);
  SDL_LogSetOutputFunction(capture_log, nullptr);

  fs::path p = dir / "keep.txt";
  ASSERT_TRUE(save_text(p, "old"));
  EXPECT_EQ(raw(p), "old");

  // The writer fails: nothing changes, the reason is logged with the path.
  EXPECT_FALSE(save_zip(p, [](std::streambuf& out) {
    out.sputn("partial", 7);
    return std::string("array is too big");
  }));
  EXPECT_EQ(raw(p), "old");
  ASSERT_FALSE(logged.empty());
  EXPECT_EQ(logged.back(), p.string() + ": array is too big");

  // A full disk, made with a file size limit.
  auto prev = std::signal(SIGXFSZ, SIG_IGN);
  rlimit lim{};
  getrlimit(RLIMIT_FSIZE, &lim);
  rlimit small = lim;
  small.rlim_cur = 4096;
  setrlimit(RLIMIT_FSIZE, &small);
  bool text_ok = save_text(p, varied(100000, 3));
  bool zip_ok = save_zip(p, [](std::streambuf& out) {
    std::string data = varied(100000, 4);
    out.sputn(data.data(), static_cast<std::streamsize>(data.size()));
    return std::string();
  });
  setrlimit(RLIMIT_FSIZE, &lim);
  std::signal(SIGXFSZ, prev);
  EXPECT_FALSE(text_ok);
  EXPECT_FALSE(zip_ok);
  EXPECT_EQ(raw(p), "old");

  // The directory is a regular file; the target is a directory.
  EXPECT_FALSE(save_text(p / "inside.txt", "x"));
  fs::create_directories(dir / "sub" / "child");
  EXPECT_FALSE(save_text(dir / "sub", "x"));
  EXPECT_TRUE(fs::is_directory(dir / "sub" / "child"));

  for (auto const& entry : fs::recursive_directory_iterator(dir))
    EXPECT_NE(entry.path().extension(), ".tmp") << entry.path();
  SDL_LogSetOutputFunction(old_fn, old_data);
}
