// The MessagePack codec on a typical saved page record, in memory and through
// gzip, beside the msgpack-c library doing the same work.
#include "foundation/zip.hpp"
#include "mpk/mpk.hpp"

#include <benchmark/benchmark.h>

#ifdef TERRAFOLD_HAVE_MSGPACKC
#include <msgpack.hpp>
#endif

#include <cstdio>
#include <filesystem>
#include <unistd.h>

namespace {

struct Item {
  std::string name;
  short count = 0;
};
void operator%(mpk::Scanner& s, Item& i) { mpk::pack_array(s, i.name, i.count); }
void operator%(mpk::Emitter& e, Item const& i) { mpk::pack_array(e, i.name, i.count); }

// 4096 cell names as a palette plus indices, some light bytes, an inventory.
struct Page {
  std::vector<std::string> palette;
  std::array<short, 4096> cells{};
  std::array<std::byte, 384> light{};
  std::vector<Item> items;
};
void operator%(mpk::Scanner& s, Page& p) { mpk::pack_array(s, p.palette, p.cells, p.light, p.items); }
void operator%(mpk::Emitter& e, Page const& p) { mpk::pack_array(e, p.palette, p.cells, p.light, p.items); }

Page sample_page() {
  Page p;
  p.palette = {"basic.air",  "basic.stone", "basic.dirt",   "basic.grass", "basic.sand",  "basic.water",
               "basic.leaves", "basic.log", "basic.gravel", "basic.coal_ore", "basic.iron_ore", "basic.torch"};
  unsigned x = 2463534242u;
  for (auto& c : p.cells) {
    x ^= x << 13, x ^= x >> 17, x ^= x << 5;
    c = static_cast<short>(x % 100 < 80 ? x % 4 : x % 12);
  }
  for (std::size_t i = 0; i < p.light.size(); ++i) p.light[i] = std::byte(i * 31);
  p.items = {{"basic.pickaxe", 1}, {"basic.torch", 64}, {"", 0}, {"basic.apple", 5},
             {"basic.stone", 300}, {"", 0},             {"", 0}, {"basic.dirt", 12}};
  return p;
}

// Growable output kept between runs, so only the codec is measured.
struct Out_buf : std::streambuf {
  std::string store = std::string(1 << 16, '\0');
  void reset() { setp(store.data(), store.data() + store.size()); }
  std::size_t size() const { return static_cast<std::size_t>(pptr() - pbase()); }
  int_type overflow(int_type c) override {
    std::size_t used = size();
    store.resize(store.size() * 2);
    setp(store.data(), store.data() + store.size());
    pbump(static_cast<int>(used));
    if (!traits_type::eq_int_type(c, traits_type::eof())) sputc(traits_type::to_char_type(c));
    return traits_type::not_eof(c);
  }
};

struct In_buf : std::streambuf {
  In_buf(char const* b, std::size_t n) {
    char* p = const_cast<char*>(b);
    setg(p, p, p + n);
  }
};

std::string encoded(Page const& p) {
  Out_buf out;
  out.reset();
  mpk::Emitter e(out);
  e % p;
  return out.store.substr(0, out.size());
}

std::filesystem::path temp_file(char const* name) {
  return std::filesystem::temp_directory_path() / (std::string(name) + std::to_string(getpid()) + ".gz");
}

void BM_mpk_encode(benchmark::State& state) {
  Page p = sample_page();
  Out_buf out;
  for (auto _ : state) {
    out.reset();
    mpk::Emitter e(out);
    e % p;
    benchmark::DoNotOptimize(out.size());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * encoded(p).size()));
}
BENCHMARK(BM_mpk_encode);

void BM_mpk_decode(benchmark::State& state) {
  std::string bytes = encoded(sample_page());
  Page p;
  for (auto _ : state) {
    In_buf in(bytes.data(), bytes.size());
    mpk::Scanner s(in);
    s % p;
    if (!s.ok()) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(p.cells[100]);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_mpk_decode);

void BM_mpk_encode_gzip(benchmark::State& state) {
  Page p = sample_page();
  auto path = temp_file("terrafold_bench_enc");
  for (auto _ : state) {
    Zip_streambuf out(path, std::ios_base::out);
    mpk::Emitter e(out);
    e % p;
    out.close();
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_mpk_encode_gzip);

void BM_mpk_decode_gzip(benchmark::State& state) {
  auto path = temp_file("terrafold_bench_dec");
  {
    Zip_streambuf out(path, std::ios_base::out);
    mpk::Emitter e(out);
    e % sample_page();
  }
  Page p;
  for (auto _ : state) {
    Zip_streambuf in(path, std::ios_base::in);
    mpk::Scanner s(in);
    s % p;
    if (!s.ok()) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(p.cells[100]);
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_mpk_decode_gzip);

#ifdef TERRAFOLD_HAVE_MSGPACKC

void pack_page(msgpack::packer<msgpack::sbuffer>& pk, Page const& p) {
  pk.pack_array(4);
  pk.pack_array(static_cast<std::uint32_t>(p.palette.size()));
  for (auto const& n : p.palette) pk.pack(n);
  pk.pack_array(4096);
  for (short c : p.cells) pk.pack_short(c);
  pk.pack_bin(static_cast<std::uint32_t>(p.light.size()));
  pk.pack_bin_body(reinterpret_cast<char const*>(p.light.data()), static_cast<std::uint32_t>(p.light.size()));
  pk.pack_array(static_cast<std::uint32_t>(p.items.size()));
  for (auto const& i : p.items) {
    pk.pack_array(2);
    pk.pack(i.name);
    pk.pack_short(i.count);
  }
}

bool unpack_page(msgpack::object const& o, Page& p) {
  if (o.type != msgpack::type::ARRAY || o.via.array.size < 4) return false;
  msgpack::object const* f = o.via.array.ptr;
  if (f[0].type != msgpack::type::ARRAY) return false;
  p.palette.clear();
  for (auto const& n : f[0].via.array) p.palette.push_back(n.as<std::string>());
  if (f[1].type != msgpack::type::ARRAY || f[1].via.array.size != 4096) return false;
  for (std::uint32_t i = 0; i < 4096; ++i) p.cells[i] = f[1].via.array.ptr[i].as<short>();
  if (f[2].type != msgpack::type::BIN || f[2].via.bin.size != p.light.size()) return false;
  std::memcpy(p.light.data(), f[2].via.bin.ptr, p.light.size());
  p.items.clear();
  for (auto const& it : f[3].via.array) {
    if (it.type != msgpack::type::ARRAY || it.via.array.size < 2) return false;
    p.items.push_back({it.via.array.ptr[0].as<std::string>(), it.via.array.ptr[1].as<short>()});
  }
  return true;
}

void BM_msgpackc_encode(benchmark::State& state) {
  Page p = sample_page();
  msgpack::sbuffer buf(1 << 16);
  for (auto _ : state) {
    buf.clear();
    msgpack::packer<msgpack::sbuffer> pk(buf);
    pack_page(pk, p);
    benchmark::DoNotOptimize(buf.size());
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * buf.size()));
}
BENCHMARK(BM_msgpackc_encode);

void BM_msgpackc_decode(benchmark::State& state) {
  std::string bytes = encoded(sample_page());
  Page p;
  for (auto _ : state) {
    msgpack::object_handle oh = msgpack::unpack(bytes.data(), bytes.size());
    if (!unpack_page(oh.get(), p)) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(p.cells[100]);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}
BENCHMARK(BM_msgpackc_decode);

void BM_msgpackc_encode_gzip(benchmark::State& state) {
  Page p = sample_page();
  auto path = temp_file("terrafold_bench_cenc");
  msgpack::sbuffer buf(1 << 16);
  for (auto _ : state) {
    buf.clear();
    msgpack::packer<msgpack::sbuffer> pk(buf);
    pack_page(pk, p);
    gzFile f = gzopen(path.c_str(), "wb");
    gzwrite(f, buf.data(), static_cast<unsigned>(buf.size()));
    gzclose(f);
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_msgpackc_encode_gzip);

void BM_msgpackc_decode_gzip(benchmark::State& state) {
  auto path = temp_file("terrafold_bench_cdec");
  std::string bytes = encoded(sample_page());
  {
    gzFile f = gzopen(path.c_str(), "wb");
    gzwrite(f, bytes.data(), static_cast<unsigned>(bytes.size()));
    gzclose(f);
  }
  Page p;
  std::string data;
  for (auto _ : state) {
    gzFile f = gzopen(path.c_str(), "rb");
    data.clear();
    char chunk[16384];
    int n;
    while ((n = gzread(f, chunk, sizeof chunk)) > 0) data.append(chunk, static_cast<std::size_t>(n));
    gzclose(f);
    msgpack::object_handle oh = msgpack::unpack(data.data(), data.size());
    if (!unpack_page(oh.get(), p)) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(p.cells[100]);
  }
  std::filesystem::remove(path);
}
BENCHMARK(BM_msgpackc_decode_gzip);

#endif

} // namespace

