#include "render/page_faces.hpp"

#include "render/side.hpp"
#include "world/wmap.hpp"

#include <bit>
#include <cstring>

#if defined(__SSE2__)
#include <emmintrin.h>
#endif

Wmap_page const* read_page(Wmap const& wmap, glm::ivec3 const& page, Wmap_buffer& buffer) {
  Wmap_page const* p = wmap.find(page);
  if (!p) return nullptr;
  buffer.read_cells(wmap, page);
  if (buffer.uniform()) return nullptr;
  buffer.read_light(wmap, page);
  return p;
}

namespace {

constexpr auto closes = Cell_models::closes, drawn = Cell_models::drawn;
constexpr int dx = Wmap_buffer::index(1, 0, 0), dy = Wmap_buffer::index(0, 1, 0);
constexpr int fronts[6] = {-dx, dx, -dy, dy, -1, 1}; // in face order
// Entries with all six neighbours in the buffer, and the end of the part
// taken 16 at a time. Constant bounds let the compiler see that the scalar
// tail stays inside the buffer.
constexpr int inner_end = Wmap_buffer::size - dx;
constexpr int vector_end = dx + (inner_end - dx) / 16 * 16;
static_assert(fronts[0] == Side_steps<Side_l>::front && fronts[1] == Side_steps<Side_r>::front &&
              fronts[2] == Side_steps<Side_d>::front && fronts[3] == Side_steps<Side_u>::front &&
              fronts[4] == Side_steps<Side_f>::front && fronts[5] == Side_steps<Side_b>::front);

#if defined(__SSE2__)
__m128i load(void const* p) { return _mm_loadu_si128(static_cast<__m128i const*>(p)); }
__m128i mask_of(__m128i v, std::uint8_t flag) {
  __m128i const f = _mm_set1_epi8(char(flag));
  return _mm_cmpeq_epi8(_mm_and_si128(v, f), f);
}
#endif

} // namespace

void classify(Wmap_buffer const& buffer, Cell_models const& models, Entry_flags& out) {
  // Types come in runs: eight entries of the last type take its flags at once.
  Cell_id last = buffer.cells[0];
  std::uint8_t f = models.flags(last);
  int i = 0;
#if defined(__SSE2__)
  for (; i + 8 <= Wmap_buffer::size; i += 8) {
    __m128i const same = _mm_cmpeq_epi16(load(&buffer.cells[i]), _mm_set1_epi16(std::int16_t(last)));
    if (_mm_movemask_epi8(same) == 0xFFFF) {
      std::uint64_t const eight = f * 0x0101010101010101ull;
      std::memcpy(&out[i], &eight, 8);
      continue;
    }
    for (int k = i; k < i + 8; ++k) out[k] = models.flags(buffer.cells[k]);
    last = buffer.cells[i + 7];
    f = out[i + 7];
  }
#endif
  for (; i < Wmap_buffer::size; ++i) out[i] = models.flags(buffer.cells[i]);
}

void low_detail_faces(Entry_flags const& flags, Face_bits& bits) {
  constexpr unsigned shift = Cell_models::bares_shift;
  int i = dx;
#if defined(__SSE2__)
  __m128i const low_nibble = _mm_set1_epi8(0x0F), zero = _mm_setzero_si128();
  for (; i < vector_end; i += 16) {
    __m128i const bared_by = _mm_and_si128(_mm_srli_epi16(load(&flags[i]), shift), low_nibble);
    __m128i out = zero;
#pragma GCC unroll 6
    for (int s = 0; s < 6; ++s) {
      __m128i const hidden = _mm_cmpeq_epi8(_mm_and_si128(bared_by, load(&flags[i + fronts[s]])), zero);
      out = _mm_or_si128(out, _mm_andnot_si128(hidden, _mm_set1_epi8(char(1 << s))));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&bits[i]), out);
  }
#endif
  for (; i < inner_end; ++i) {
    unsigned const bared_by = unsigned(flags[i]) >> shift;
    unsigned b = 0;
    for (int s = 0; s < 6; ++s) b |= unsigned((bared_by & flags[i + fronts[s]]) != 0) << s;
    bits[i] = std::uint8_t(b);
  }
}

void high_detail_faces(Wmap_buffer const& buffer, Entry_flags const& flags, Face_bits& bits) {
  Cell_id const* ids = buffer.cells.data();
  int i = dx;
#if defined(__SSE2__)
  for (; i < vector_end; i += 16) {
    __m128i const b = load(&flags[i]), id0 = load(ids + i), id1 = load(ids + i + 8);
    __m128i const is_drawn = mask_of(b, drawn);
    __m128i out = _mm_setzero_si128();
#pragma GCC unroll 6
    for (int s = 0; s < 6; ++s) {
      int const f = fronts[s];
      __m128i const same = _mm_packs_epi16(_mm_cmpeq_epi16(id0, load(ids + i + f)),
                                           _mm_cmpeq_epi16(id1, load(ids + i + f + 8)));
      __m128i const hidden = _mm_or_si128(mask_of(load(&flags[i + f]), closes), same);
      out = _mm_or_si128(out, _mm_and_si128(_mm_andnot_si128(hidden, is_drawn), _mm_set1_epi8(char(1 << s))));
    }
    _mm_storeu_si128(reinterpret_cast<__m128i*>(&bits[i]), out);
  }
#endif
  for (; i < inner_end; ++i) {
    unsigned b = 0;
    for (int s = 0; s < 6; ++s) {
      int const f = fronts[s];
      b |= unsigned((flags[i] & drawn) && !(flags[i + f] & closes) && ids[i] != ids[i + f]) << s;
    }
    bits[i] = std::uint8_t(b);
  }
}

namespace {

// Bit s of each of 16 bytes, as a 16-bit mask (bit k from byte k).
struct Run_bits {
#if defined(__SSE2__)
  __m128i v;
  explicit Run_bits(std::uint8_t const* p) : v(load(p)) {}
  bool any() const { return _mm_movemask_epi8(_mm_cmpeq_epi8(v, _mm_setzero_si128())) != 0xFFFF; }
  template <int S>
  unsigned side() const {
    return unsigned(_mm_movemask_epi8(_mm_slli_epi16(v, 7 - S)));
  }
#else
  std::uint8_t const* p;
  explicit Run_bits(std::uint8_t const* p_) : p(p_) {}
  bool any() const {
    unsigned a = 0;
    for (int k = 0; k < 16; ++k) a |= p[k];
    return a != 0;
  }
  template <int S>
  unsigned side() const {
    unsigned m = 0;
    for (int k = 0; k < 16; ++k) m |= unsigned((p[k] >> S) & 1) << k;
    return m;
  }
#endif
};

// Calls f(k) for every set bit k, lowest first; returns how many.
template <class F>
std::uint32_t each_bit(unsigned m, F&& f) {
  std::uint32_t n = 0;
  for (; m; m &= m - 1, ++n) f(std::countr_zero(m));
  return n;
}

} // namespace

Face_rows::Face_rows(Face_bits const& bits) {
  // One run along z per (x, y): bit k of a run is the cell z = k. Where z is
  // a side's row or layer the bits are spread one by one; where it is the
  // column the run is a whole row mask.
  for (int x = 0; x < 16; ++x)
    for (int y = 0; y < 16; ++y) {
      Run_bits const run(bits.data() + Wmap_buffer::index(x + 1, y + 1, 1));
      if (!run.any()) continue;
      auto const col = std::uint16_t(1u << y);
      // l: layer x, row 15 - z, column y; r: layer 15 - x, row z, column y
      faces[0] += each_bit(run.side<0>(), [&](int z) { sides[0][x][15 - z] |= col; });
      faces[1] += each_bit(run.side<1>(), [&](int z) { sides[1][15 - x][z] |= col; });
      // d: layer y, row 15 - x, column z; u: layer 15 - y, row x, column z
      faces[2] += each_bit(sides[2][y][15 - x] = std::uint16_t(run.side<2>()), [](int) {});
      faces[3] += each_bit(sides[3][15 - y][x] = std::uint16_t(run.side<3>()), [](int) {});
      // f: layer z, row x, column y; b: layer 15 - z, row 15 - x, column y
      faces[4] += each_bit(run.side<4>(), [&](int z) { sides[4][z][x] |= col; });
      faces[5] += each_bit(run.side<5>(), [&](int z) { sides[5][15 - z][15 - x] |= col; });
    }
}
