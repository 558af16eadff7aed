// The AVX2 backend of the span loop: two rows side by side, each in one 128-bit half of the
// 256-bit registers, so every lane operation serves sixteen pixels. Included, inside an unnamed
// namespace and after raster_kernel.h, by the translation units compiled for AVX2 and for
// AVX-512 (the same operations, with twice the registers).

struct Avx2 {
  using V = __m256i;
  static constexpr int kRows = 2;

  // Byte offsets of the texture entries: eight lanes per row, two to a 64-bit word. When the
  // second row has no pixels in the batch its entries are not read: its lanes repeat the
  // first row's.
  struct Offsets {
    uint64_t pair[2][4];
    bool second;
    uint32_t At(int row, int k) const {
      return static_cast<uint32_t>(pair[row][k >> 1] >> (32 * (k & 1)));
    }
  };

  static V Zero() { return _mm256_setzero_si256(); }
  static V Set16(int v) { return _mm256_set1_epi16(static_cast<int16_t>(v)); }
  static V Set32(int v) { return _mm256_set1_epi32(v); }
  static V Broadcast(__m128i v) { return _mm256_broadcastsi128_si256(v); }
  static V Join(__m128i low, __m128i high) {
    return _mm256_inserti128_si256(_mm256_castsi128_si256(low), high, 1);
  }
  static V FromRows(const __m128i* rows) { return Join(rows[0], rows[1]); }

  static V Add16(V a, V b) { return _mm256_add_epi16(a, b); }
  static V Sub16(V a, V b) { return _mm256_sub_epi16(a, b); }
  static V Add32(V a, V b) { return _mm256_add_epi32(a, b); }
  static V Sub32(V a, V b) { return _mm256_sub_epi32(a, b); }
  static V AddsU16(V a, V b) { return _mm256_adds_epu16(a, b); }
  static V MulhiU16(V a, V b) { return _mm256_mulhi_epu16(a, b); }
  static V Mullo16(V a, V b) { return _mm256_mullo_epi16(a, b); }
  static V Madd16(V a, V b) { return _mm256_madd_epi16(a, b); }
  static V And(V a, V b) { return _mm256_and_si256(a, b); }
  static V Or(V a, V b) { return _mm256_or_si256(a, b); }
  static V Xor(V a, V b) { return _mm256_xor_si256(a, b); }
  static V AndNot(V a, V b) { return _mm256_andnot_si256(a, b); }  // ~a & b
  static V Cmpgt16(V a, V b) { return _mm256_cmpgt_epi16(a, b); }
  static V Cmpgt32(V a, V b) { return _mm256_cmpgt_epi32(a, b); }
  static V Packs32(V a, V b) { return _mm256_packs_epi32(a, b); }
  static V Unpacklo16(V a, V b) { return _mm256_unpacklo_epi16(a, b); }
  static V Unpackhi16(V a, V b) { return _mm256_unpackhi_epi16(a, b); }
  static V Unpacklo32(V a, V b) { return _mm256_unpacklo_epi32(a, b); }
  static V Unpackhi32(V a, V b) { return _mm256_unpackhi_epi32(a, b); }
  static V Unpacklo64(V a, V b) { return _mm256_unpacklo_epi64(a, b); }
  static V Unpackhi64(V a, V b) { return _mm256_unpackhi_epi64(a, b); }
  template <int n>
  static V Srai32(V a) {
    return _mm256_srai_epi32(a, n);
  }
  template <int n>
  static V Slli32(V a) {
    return _mm256_slli_epi32(a, n);
  }
  template <int n>
  static V Srli16(V a) {
    return _mm256_srli_epi16(a, n);
  }
  template <int n>
  static V Slli16(V a) {
    return _mm256_slli_epi16(a, n);
  }
  template <int imm>
  static V Shuffle32(V a) {
    return _mm256_shuffle_epi32(a, imm);
  }
  template <int imm>
  static V ShuffleLo16(V a) {
    return _mm256_shufflelo_epi16(a, imm);
  }
  template <int imm>
  static V ShuffleHi16(V a) {
    return _mm256_shufflehi_epi16(a, imm);
  }
  static V Blend(V mask, V a, V b) { return _mm256_blendv_epi8(b, a, mask); }
  static bool Any(V a) { return !_mm256_testz_si256(a, a); }
  static uint64_t Sum32(V a) {
    alignas(32) uint32_t s[8];
    _mm256_store_si256(reinterpret_cast<__m256i*>(s), a);
    uint64_t sum = 0;
    for (uint32_t v : s) sum += v;
    return sum;
  }

  static V LoadRows(uint8_t* const* p, int offset) {
    return Join(_mm_loadu_si128(reinterpret_cast<const __m128i*>(p[0] + offset)),
                _mm_loadu_si128(reinterpret_cast<const __m128i*>(p[1] + offset)));
  }
  // Rows without pixels in this batch are not stored: their lanes hold the lead row's memory.
  static void StoreRows(uint8_t* const* p, int offset, V v, const RowSpan* rows) {
    if (rows[0].active) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p[0] + offset), _mm256_castsi256_si128(v));
    }
    if (rows[1].active) {
      _mm_storeu_si128(reinterpret_cast<__m128i*>(p[1] + offset), _mm256_extracti128_si256(v, 1));
    }
  }

  static Offsets Split(V o0, V o1, const RowSpan* rows) {
    Offsets o;
    o.second = rows[1].active;
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o.pair[0]), _mm256_castsi256_si128(o0));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o.pair[0] + 2), _mm256_castsi256_si128(o1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o.pair[1]), _mm256_extracti128_si256(o0, 1));
    _mm_storeu_si128(reinterpret_cast<__m128i*>(o.pair[1] + 2), _mm256_extracti128_si256(o1, 1));
    return o;
  }
  static V Entry64(const uint8_t* texels, const Offsets& o, int k) {
    const __m128i a = _mm_loadl_epi64(reinterpret_cast<const __m128i*>(texels + o.At(0, k)));
    if (!o.second) return Join(a, a);
    return Join(a, _mm_loadl_epi64(reinterpret_cast<const __m128i*>(texels + o.At(1, k))));
  }
  static V Entry128(const uint8_t* texels, const Offsets& o, int k) {
    const __m128i a = _mm_loadu_si128(reinterpret_cast<const __m128i*>(texels + o.At(0, k)));
    if (!o.second) return Join(a, a);
    return Join(a, _mm_loadu_si128(reinterpret_cast<const __m128i*>(texels + o.At(1, k))));
  }
  static V Entry32(const uint8_t* texels, const Offsets& o, int k) {
    int32_t a;
    int32_t b;
    std::memcpy(&a, texels + o.At(0, k), 4);
    if (o.second) {
      std::memcpy(&b, texels + o.At(1, k), 4);
    } else {
      b = a;
    }
    return Join(_mm_cvtsi32_si128(a), _mm_cvtsi32_si128(b));
  }
  // The first 16-bit texel of each of the eight entries of each row (of four, repeated, when
  // `half`).
  static V Entries16(const uint8_t* texels, const Offsets& o, bool half) {
    int16_t w[16];
    for (int k = 0; k < 16; ++k) {
      if ((half && (k & 7) >= 4) || (k >= 8 && !o.second)) {
        w[k] = w[k & 7 & (half ? 3 : 7)];
      } else {
        std::memcpy(&w[k], texels + o.At(k >> 3, k & 7), 2);
      }
    }
    return _mm256_setr_epi16(w[0], w[1], w[2], w[3], w[4], w[5], w[6], w[7], w[8], w[9], w[10],
                             w[11], w[12], w[13], w[14], w[15]);
  }
};
