// The span loops for SSE2, the baseline of every x86-64 processor, one row at a time; the
// tables all instruction sets share; and the choice between the instruction sets.
#include <emmintrin.h>

#include <cstring>

#include "raster/raster_internal.h"

namespace {

#include "raster/raster_kernel.h"

struct Sse2 {
  using V = __m128i;
  static constexpr int kRows = 1;

  // Byte offsets of the eight lanes' texture entries, two to a 64-bit word.
  struct Offsets {
    uint64_t pair[4];
    uint32_t At(int k) const { return static_cast<uint32_t>(pair[k >> 1] >> (32 * (k & 1))); }
  };

  static V Zero() { return _mm_setzero_si128(); }
  static V Set16(int v) { return _mm_set1_epi16(static_cast<int16_t>(v)); }
  static V Set32(int v) { return _mm_set1_epi32(v); }
  static V Broadcast(__m128i v) { return v; }
  static V FromRows(const __m128i* rows) { return rows[0]; }

  static V Add16(V a, V b) { return _mm_add_epi16(a, b); }
  static V Sub16(V a, V b) { return _mm_sub_epi16(a, b); }
  static V Add32(V a, V b) { return _mm_add_epi32(a, b); }
  static V Sub32(V a, V b) { return _mm_sub_epi32(a, b); }
  static V AddsU16(V a, V b) { return _mm_adds_epu16(a, b); }
  static V MulhiU16(V a, V b) { return _mm_mulhi_epu16(a, b); }
  static V Mullo16(V a, V b) { return _mm_mullo_epi16(a, b); }
  static V Madd16(V a, V b) { return _mm_madd_epi16(a, b); }
  static V And(V a, V b) { return _mm_and_si128(a, b); }
  static V Or(V a, V b) { return _mm_or_si128(a, b); }
  static V Xor(V a, V b) { return _mm_xor_si128(a, b); }
  static V AndNot(V a, V b) { return _mm_andnot_si128(a, b); }  // ~a & b
  static V Cmpgt16(V a, V b) { return _mm_cmpgt_epi16(a, b); }
  static V Cmpgt32(V a, V b) { return _mm_cmpgt_epi32(a, b); }
  static V Packs32(V a, V b) { return _mm_packs_epi32(a, b); }
  static V Unpacklo16(V a, V b) { return _mm_unpacklo_epi16(a, b); }
  static V Unpackhi16(V a, V b) { return _mm_unpackhi_epi16(a, b); }
  static V Unpacklo32(V a, V b) { return _mm_unpacklo_epi32(a, b); }
  static V Unpackhi32(V a, V b) { return _mm_unpackhi_epi32(a, b); }
  static V Unpacklo64(V a, V b) { return _mm_unpacklo_epi64(a, b); }
  static V Unpackhi64(V a, V b) { return _mm_unpackhi_epi64(a, b); }
  template <int n>
  static V Srai32(V a) {
    return _mm_srai_epi32(a, n);
  }
  template <int n>
  static V Slli32(V a) {
    return _mm_slli_epi32(a, n);
  }
  template <int n>
  static V Srli16(V a) {
    return _mm_srli_epi16(a, n);
  }
  template <int n>
  static V Slli16(V a) {
    return _mm_slli_epi16(a, n);
  }
  template <int imm>
  static V Shuffle32(V a) {
    return _mm_shuffle_epi32(a, imm);
  }
  template <int imm>
  static V ShuffleLo16(V a) {
    return _mm_shufflelo_epi16(a, imm);
  }
  template <int imm>
  static V ShuffleHi16(V a) {
    return _mm_shufflehi_epi16(a, imm);
  }
  static V Blend(V mask, V a, V b) { return Or(And(mask, a), AndNot(mask, b)); }
  static bool Any(V a) { return _mm_movemask_epi8(a) != 0; }
  static uint64_t Sum32(V a) {
    alignas(16) uint32_t s[4];
    _mm_store_si128(reinterpret_cast<__m128i*>(s), a);
    return uint64_t{s[0]} + s[1] + s[2] + s[3];
  }

  static V LoadRows(uint8_t* const* p, int offset) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(p[0] + offset));
  }
  static void StoreRows(uint8_t* const* p, int offset, V v, const RowSpan*) {
    _mm_storeu_si128(reinterpret_cast<__m128i*>(p[0] + offset), v);
  }

  static Offsets Split(V o0, V o1, const RowSpan* /*rows*/) {
    return {{static_cast<uint64_t>(_mm_cvtsi128_si64(o0)),
             static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(o0, o0))),
             static_cast<uint64_t>(_mm_cvtsi128_si64(o1)),
             static_cast<uint64_t>(_mm_cvtsi128_si64(_mm_unpackhi_epi64(o1, o1)))}};
  }
  static V Entry64(const uint8_t* texels, const Offsets& o, int k) {
    return _mm_loadl_epi64(reinterpret_cast<const __m128i*>(texels + o.At(k)));
  }
  static V Entry128(const uint8_t* texels, const Offsets& o, int k) {
    return _mm_loadu_si128(reinterpret_cast<const __m128i*>(texels + o.At(k)));
  }
  static V Entry32(const uint8_t* texels, const Offsets& o, int k) {
    int32_t word;
    std::memcpy(&word, texels + o.At(k), 4);
    return _mm_cvtsi32_si128(word);
  }
  // The first 16-bit texel of each of the eight entries (of four, repeated, when `half`).
  static V Entries16(const uint8_t* texels, const Offsets& o, bool half) {
    uint16_t w[8];
    for (int k = 0; k < 8; ++k) {
      if (half && k >= 4) {
        w[k] = w[k - 4];
      } else {
        std::memcpy(&w[k], texels + o.At(k), 2);
      }
    }
    return _mm_setr_epi16(static_cast<int16_t>(w[0]), static_cast<int16_t>(w[1]),
                          static_cast<int16_t>(w[2]), static_cast<int16_t>(w[3]),
                          static_cast<int16_t>(w[4]), static_cast<int16_t>(w[5]),
                          static_cast<int16_t>(w[6]), static_cast<int16_t>(w[7]));
  }
};

// Offsets for lanes 0..7 of a batch starting at each x phase, from a 4 x 4 matrix.
struct DitherTable {
  alignas(16) uint16_t values[4 * 4 * 16];
};

constexpr int kBayer[4][4] = {{0, 8, 2, 10}, {12, 4, 14, 6}, {3, 11, 1, 9}, {15, 7, 13, 5}};

// Offsets just under one unit of the target's last bit keep black black; the extra quarter of
// a bit over the exact thresholds keeps full white full after the lanes' rounding.
DitherTable MakeDither(bool ordered, int greenBits) {
  DitherTable t{};
  const int fiveUnit = 2048;
  const int greenUnit = greenBits == 6 ? 1024 : 2048;
  for (int y = 0; y < 4; ++y) {
    for (int phase = 0; phase < 4; ++phase) {
      uint16_t* row = t.values + (y * 4 + phase) * 16;
      for (int i = 0; i < 8; ++i) {
        const int level = ordered ? kBayer[y][(phase + i) & 3] : 8;
        const int half = ordered ? 2 * level + 1 : 16;  // in 32nds of a unit
        row[i] = static_cast<uint16_t>(half * fiveUnit / 32 + fiveUnit / 64);
        row[8 + i] = static_cast<uint16_t>(half * greenUnit / 32 + greenUnit / 64);
      }
    }
  }
  return t;
}

struct MaskTable {
  alignas(16) int16_t lanes[81][8];
};

MaskTable MakeMasks() {
  MaskTable t{};
  for (int lo = 0; lo < 9; ++lo) {
    for (int hi = 0; hi < 9; ++hi) {
      for (int i = 0; i < 8; ++i) t.lanes[lo * 9 + hi][i] = (i >= lo && i < hi) ? -1 : 0;
    }
  }
  return t;
}

RasterIsa DetectIsa() {
#if defined(__GNUC__)
  __builtin_cpu_init();  // this may run before the runtime's own initialisation
  if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512vl") &&
      __builtin_cpu_supports("avx512bw") && __builtin_cpu_supports("avx512dq")) {
    return RasterIsa::Avx512;
  }
  if (__builtin_cpu_supports("avx2")) return RasterIsa::Avx2;
#endif
  return RasterIsa::Sse2;
}

const RasterIsa gBestIsa = DetectIsa();
RasterIsa gLoopIsa = gBestIsa;

}  // namespace

RasterTriangleFn RasterSelectLoopSse2(RasterFormat target, RasterTexMode tex,
                                      RasterDepthMode depth) {
  return SelectLoop<Sse2>(target, tex, depth);
}

RasterIsa RasterBestIsa() {
  return gBestIsa;
}

RasterIsa RasterLoopIsa() {
  return gLoopIsa;
}

void RasterSetLoopIsa(RasterIsa isa) {
  gLoopIsa = isa < gBestIsa ? isa : gBestIsa;
}

RasterTriangleFn RasterSelectLoop(RasterFormat target, RasterTexMode tex, RasterDepthMode depth) {
  switch (gLoopIsa) {
    case RasterIsa::Avx512:
      return RasterSelectLoopAvx512(target, tex, depth);
    case RasterIsa::Avx2:
      return RasterSelectLoopAvx2(target, tex, depth);
    case RasterIsa::Sse2:
      break;
  }
  return RasterSelectLoopSse2(target, tex, depth);
}

const int16_t (*RasterMaskTable())[8] {
  static const MaskTable kMasks = MakeMasks();
  return kMasks.lanes;
}

const uint16_t* RasterDitherTable(bool dither, RasterFormat target) {
  static const DitherTable kOrdered565 = MakeDither(true, 6);
  static const DitherTable kOrdered555 = MakeDither(true, 5);
  static const DitherTable kRound565 = MakeDither(false, 6);
  static const DitherTable kRound555 = MakeDither(false, 5);
  const bool six = target == RasterFormat::Rgb565;
  if (dither) return six ? kOrdered565.values : kOrdered555.values;
  return six ? kRound565.values : kRound555.values;
}
