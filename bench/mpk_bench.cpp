// The MessagePack codec on a typical saved page record, in memory and through
// gzip, beside the msgpack-c library doing the same work.
#include "foundation/zip.hpp"
#include "mpk/mpk.hpp"
#include "support/page_record.hpp"

#include <benchmark/benchmark.h>

#ifdef TERRAFOLD_HAVE_MSGPACKC
#include <msgpack.h>
#endif

#include <cstring>
#include <filesystem>
#include <string_view>
#include <unistd.h>

namespace {

using sample::Page;

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
  explicit In_buf(std::string_view b) {
    char* p = const_cast<char*>(b.data());
    setg(p, p, p + b.size());
  }
};

// The game's codec: straight through a stream buffer, gzip included.
struct Terrafold {
  Out_buf out;
  std::string_view encode(Page const& p) {
    out.reset();
    mpk::Emitter e(out);
    e % p;
    return {out.store.data(), out.size()};
  }
  bool decode(std::string_view bytes, Page& p) {
    In_buf in(bytes);
    mpk::Scanner s(in);
    s % p;
    return s.ok();
  }
  void save(std::filesystem::path const& path, Page const& p) {
    Zip_streambuf file(path, std::ios_base::out);
    mpk::Emitter e(file);
    e % p;
    file.close();
  }
  bool load(std::filesystem::path const& path, Page& p) {
    Zip_streambuf file(path, std::ios_base::in);
    mpk::Scanner s(file);
    s % p;
    return s.ok();
  }
};

#ifdef TERRAFOLD_HAVE_MSGPACKC

// msgpack-c packs into a growing buffer and unpacks into a tree of objects,
// which is then copied into the record; gzip goes around the whole buffer.
struct Msgpack_c {
  msgpack_sbuffer buf;
  msgpack_packer pk;
  std::string data;
  Msgpack_c() {
    msgpack_sbuffer_init(&buf);
    msgpack_packer_init(&pk, &buf, msgpack_sbuffer_write);
  }
  ~Msgpack_c() { msgpack_sbuffer_destroy(&buf); }

  void pack(std::string const& s) {
    msgpack_pack_str(&pk, s.size());
    msgpack_pack_str_body(&pk, s.data(), s.size());
  }
  std::string_view encode(Page const& p) {
    msgpack_sbuffer_clear(&buf);
    msgpack_pack_array(&pk, 4);
    msgpack_pack_array(&pk, p.palette.size());
    for (auto const& name : p.palette) pack(name);
    msgpack_pack_array(&pk, p.cells.size());
    for (short c : p.cells) msgpack_pack_short(&pk, c);
    msgpack_pack_bin(&pk, p.light.size());
    msgpack_pack_bin_body(&pk, p.light.data(), p.light.size());
    msgpack_pack_map(&pk, p.contents.size());
    for (auto const& [at, items] : p.contents) {
      msgpack_pack_int(&pk, at);
      msgpack_pack_array(&pk, items.size());
      for (auto const& i : items) {
        msgpack_pack_array(&pk, 2);
        pack(i.name);
        msgpack_pack_short(&pk, i.count);
      }
    }
    return {buf.data, buf.size};
  }

  static bool is_int(msgpack_object const& o) {
    return o.type == MSGPACK_OBJECT_POSITIVE_INTEGER || o.type == MSGPACK_OBJECT_NEGATIVE_INTEGER;
  }
  static bool is_array(msgpack_object const& o, std::uint32_t size) {
    return o.type == MSGPACK_OBJECT_ARRAY && o.via.array.size == size;
  }
  static bool to_item(msgpack_object const& o, sample::Item& i) {
    if (!is_array(o, 2) || o.via.array.ptr[0].type != MSGPACK_OBJECT_STR || !is_int(o.via.array.ptr[1]))
      return false;
    i.name.assign(o.via.array.ptr[0].via.str.ptr, o.via.array.ptr[0].via.str.size);
    i.count = static_cast<short>(o.via.array.ptr[1].via.i64);
    return true;
  }
  static bool to_page(msgpack_object const& o, Page& p) {
    if (!is_array(o, 4)) return false;
    msgpack_object const* f = o.via.array.ptr;
    if (f[0].type != MSGPACK_OBJECT_ARRAY) return false;
    p.palette.resize(f[0].via.array.size);
    for (std::uint32_t i = 0; i < f[0].via.array.size; ++i) {
      msgpack_object const& s = f[0].via.array.ptr[i];
      if (s.type != MSGPACK_OBJECT_STR) return false;
      p.palette[i].assign(s.via.str.ptr, s.via.str.size);
    }
    if (!is_array(f[1], p.cells.size())) return false;
    for (std::uint32_t i = 0; i < p.cells.size(); ++i) {
      if (!is_int(f[1].via.array.ptr[i])) return false;
      p.cells[i] = static_cast<short>(f[1].via.array.ptr[i].via.i64);
    }
    if (f[2].type != MSGPACK_OBJECT_BIN || f[2].via.bin.size != p.light.size()) return false;
    std::memcpy(p.light.data(), f[2].via.bin.ptr, p.light.size());
    if (f[3].type != MSGPACK_OBJECT_MAP) return false;
    p.contents.clear();
    for (std::uint32_t i = 0; i < f[3].via.map.size; ++i) {
      msgpack_object_kv const& kv = f[3].via.map.ptr[i];
      if (!is_int(kv.key) || kv.val.type != MSGPACK_OBJECT_ARRAY) return false;
      auto& items = p.contents[static_cast<int>(kv.key.via.i64)];
      items.resize(kv.val.via.array.size);
      for (std::uint32_t j = 0; j < items.size(); ++j)
        if (!to_item(kv.val.via.array.ptr[j], items[j])) return false;
    }
    return true;
  }
  bool decode(std::string_view bytes, Page& p) {
    msgpack_unpacked u;
    msgpack_unpacked_init(&u);
    std::size_t off = 0;
    bool ok = msgpack_unpack_next(&u, bytes.data(), bytes.size(), &off) == MSGPACK_UNPACK_SUCCESS &&
              to_page(u.data, p);
    msgpack_unpacked_destroy(&u);
    return ok;
  }

  void save(std::filesystem::path const& path, Page const& p) {
    std::string_view bytes = encode(p);
    gzFile f = gzopen(path.c_str(), "wb");
    gzwrite(f, bytes.data(), static_cast<unsigned>(bytes.size()));
    gzclose(f);
  }
  bool load(std::filesystem::path const& path, Page& p) {
    gzFile f = gzopen(path.c_str(), "rb");
    data.clear();
    char chunk[16384];
    for (int n; (n = gzread(f, chunk, sizeof chunk)) > 0;) data.append(chunk, static_cast<std::size_t>(n));
    gzclose(f);
    return decode(data, p);
  }
};

#endif

std::filesystem::path temp_file(char const* name) {
  return std::filesystem::temp_directory_path() / (std::string(name) + std::to_string(getpid()) + ".gz");
}

template <class Codec> void BM_encode(benchmark::State& state) {
  Page p = sample::page();
  Codec codec;
  // Both codecs write the same bytes, or the comparison means nothing.
  if (codec.encode(p) != sample::encoded(p)) state.SkipWithError("unexpected encoding");
  std::size_t size = 0;
  for (auto _ : state) benchmark::DoNotOptimize(size = codec.encode(p).size());
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * size));
}

template <class Codec> void BM_decode(benchmark::State& state) {
  std::string bytes = sample::encoded(sample::page());
  Codec codec;
  Page p;
  for (auto _ : state) {
    if (!codec.decode(bytes, p)) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(p.cells[100]);
  }
  state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * bytes.size()));
}

template <class Codec> void BM_encode_gzip(benchmark::State& state) {
  Page p = sample::page();
  Codec codec;
  auto path = temp_file("terrafold_bench_enc");
  for (auto _ : state) codec.save(path, p);
  std::filesystem::remove(path);
}

template <class Codec> void BM_decode_gzip(benchmark::State& state) {
  auto path = temp_file("terrafold_bench_dec");
  Codec codec;
  codec.save(path, sample::page());
  Page p;
  for (auto _ : state) {
    if (!codec.load(path, p)) state.SkipWithError("decode failed");
    benchmark::DoNotOptimize(p.cells[100]);
  }
  std::filesystem::remove(path);
}

BENCHMARK_TEMPLATE(BM_encode, Terrafold);
BENCHMARK_TEMPLATE(BM_decode, Terrafold);
BENCHMARK_TEMPLATE(BM_encode_gzip, Terrafold);
BENCHMARK_TEMPLATE(BM_decode_gzip, Terrafold);
#ifdef TERRAFOLD_HAVE_MSGPACKC
BENCHMARK_TEMPLATE(BM_encode, Msgpack_c);
BENCHMARK_TEMPLATE(BM_decode, Msgpack_c);
BENCHMARK_TEMPLATE(BM_encode_gzip, Msgpack_c);
BENCHMARK_TEMPLATE(BM_decode_gzip, Msgpack_c);
#endif

} // namespace
