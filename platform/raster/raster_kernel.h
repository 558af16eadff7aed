// The span loop, written once over a vector backend `B`:
//   B::V        a vector of B::kRows rows x 8 pixels in 16-bit lanes (or 4 pixels per row
//               in 32-bit lanes); every operation below works within each row's 128 bits;
//   B::kRows    rows drawn side by side (1 for SSE2, 2 for AVX2).
// Included, inside an unnamed namespace, by each backend's translation unit, which is compiled
// for that backend's instruction set; nothing here may have external linkage.
//
// Lanes: colour channels and texels are 16-bit values where 65535 stands for 1.0; depth, u and
// v are 32-bit fixed point, held in two vectors (pixels 0-3 and 4-7 of each row). A batch
// always lies inside the target row (the context guarantees a width of at least 8), so loads
// and stores are plain 16-byte moves blended with the coverage mask; lanes outside the span
// compute values that are never stored.

enum class Target : uint8_t { R565, R555, X8888 };

inline __m128i LoadAligned(const void* p) {
  return _mm_load_si128(static_cast<const __m128i*>(p));
}

// How many rows ahead of the one being drawn the buffers are fetched.
constexpr int kPrefetchRows = 4;

inline void Prefetch(uintptr_t address) {
  _mm_prefetch(reinterpret_cast<const char*>(address), _MM_HINT_T0);
}

// The nearest integer modulo 2^32.
inline int32_t WrapToInt32(double v) {
  v = v < -9.0e18 ? -9.0e18 : (v > 9.0e18 ? 9.0e18 : v);
  return static_cast<int32_t>(static_cast<uint32_t>(_mm_cvtsd_si64(_mm_set_sd(v))));
}

// Without a branch: whether the remainder carries changes from row to row unpredictably.
inline void StepEdge(RasterEdge& e) {
  e.q += e.kq;
  e.r += e.kr;
  const int64_t carry = ~((e.r - e.d) >> 63);  // all ones when r >= d
  e.q -= carry;
  e.r -= e.d & carry;
}

template <class B>
struct Ops {
  using V = typename B::V;

  // Low and high 16 bits of eight 32-bit lanes (two vectors), as eight 16-bit lanes.
  static V HighWords(V a, V b) {
    return B::Packs32(B::template Srai32<16>(a), B::template Srai32<16>(b));
  }
  static V LowWords(V a, V b) {
    return B::Packs32(B::template Srai32<16>(B::template Slli32<16>(a)),
                      B::template Srai32<16>(B::template Slli32<16>(b)));
  }

  // x modulo the texture side for any x in 0..65535: the reciprocal estimate of the quotient
  // is at most one short, so one correction brings the remainder into 0..side-1.
  static V WrapTexel(V x, V side, V recip, V sideMinus1) {
    const V q = B::MulhiU16(x, recip);
    const V r = B::Sub16(x, B::Mullo16(q, side));
    return B::Sub16(r, B::And(B::Cmpgt16(r, sideMinus1), side));
  }

  static V Lerp(V a, V b, V wa, V wb) { return B::Add16(B::MulhiU16(a, wa), B::MulhiU16(b, wb)); }
  static V Bilerp(V a, V b, V c, V d, V fu, V nfu, V fv, V nfv) {
    return Lerp(Lerp(a, b, nfu, fu), Lerp(c, d, nfu, fu), nfv, fv);
  }

  struct Rgb {
    V r, g, b;
  };

  // 5-6-5 texels, left-aligned into 16 bits.
  static Rgb Decode565(V t) {
    return {B::And(t, B::Set16(0xF800)), B::And(B::template Slli16<5>(t), B::Set16(0xFC00)),
            B::template Slli16<11>(t)};
  }
  // Left-aligned 5-6-5 channels stretched so that the top value reaches 65535.
  static Rgb Stretch565(Rgb c) {
    return {B::Add16(c.r, B::MulhiU16(c.r, B::Set16(2114))),
            B::Add16(c.g, B::MulhiU16(c.g, B::Set16(1040))),
            B::Add16(c.b, B::MulhiU16(c.b, B::Set16(2114)))};
  }
  // 8-8-8 texels as two words each: green << 8 | blue, and red (the top byte is 0).
  static Rgb Decode8888(V gb, V xr) {
    return {B::template Slli16<8>(xr), B::And(gb, B::Set16(0xFF00)), B::template Slli16<8>(gb)};
  }
  static Rgb Stretch8888(Rgb c) {
    return {B::Add16(c.r, B::template Srli16<8>(c.r)), B::Add16(c.g, B::template Srli16<8>(c.g)),
            B::Add16(c.b, B::template Srli16<8>(c.b))};
  }

  // The gathers below read the entries of lanes 0-3 only when `half`: lanes 4-7 then repeat
  // them (no pixel of theirs is stored). Small triangles seldom cover more than four pixels of
  // a row.

  // Four texels (2 x 2: A B / C D) per lane from eight 5-6-5 entries per row.
  struct Quad {
    V a, b, c, d;
  };
  static Quad Gather565(const uint8_t* texels, const typename B::Offsets& o, bool half) {
    const V t01 = B::Unpacklo16(B::Entry64(texels, o, 0), B::Entry64(texels, o, 1));
    const V t23 = B::Unpacklo16(B::Entry64(texels, o, 2), B::Entry64(texels, o, 3));
    V t45 = t01;
    V t67 = t23;
    if (!half) {
      t45 = B::Unpacklo16(B::Entry64(texels, o, 4), B::Entry64(texels, o, 5));
      t67 = B::Unpacklo16(B::Entry64(texels, o, 6), B::Entry64(texels, o, 7));
    }
    const V ab0 = B::Unpacklo32(t01, t23);
    const V cd0 = B::Unpackhi32(t01, t23);
    const V ab1 = B::Unpacklo32(t45, t67);
    const V cd1 = B::Unpackhi32(t45, t67);
    return {B::Unpacklo64(ab0, ab1), B::Unpackhi64(ab0, ab1), B::Unpacklo64(cd0, cd1),
            B::Unpackhi64(cd0, cd1)};
  }

  // Eight 8-8-8 entries (four texels each) per row, transposed into each texel's two words.
  struct Quad8888 {
    V gb[4];
    V xr[4];
  };
  static Quad8888 Gather8888(const uint8_t* texels, const typename B::Offsets& o, bool half) {
    V s[8];
    for (int k = 0; k < 8; k += 2) {
      if (half && k >= 4) {
        s[k] = s[k - 4];
        s[k + 1] = s[k - 3];
        continue;
      }
      const V p0 = B::Entry128(texels, o, k);
      const V p1 = B::Entry128(texels, o, k + 1);
      s[k] = B::Unpacklo16(p0, p1);      // A.gb A.gb A.xr A.xr B.gb B.gb B.xr B.xr
      s[k + 1] = B::Unpackhi16(p0, p1);  // the same for C and D
    }
    Quad8888 q;
    for (int h = 0; h < 2; ++h) {
      const V a0 = B::Unpacklo32(s[h], s[h + 2]);      // A (or C), pixels 0-3
      const V b0 = B::Unpackhi32(s[h], s[h + 2]);      // B (or D)
      const V a1 = B::Unpacklo32(s[h + 4], s[h + 6]);  // pixels 4-7
      const V b1 = B::Unpackhi32(s[h + 4], s[h + 6]);
      q.gb[2 * h] = B::Unpacklo64(a0, a1);
      q.xr[2 * h] = B::Unpackhi64(a0, a1);
      q.gb[2 * h + 1] = B::Unpacklo64(b0, b1);
      q.xr[2 * h + 1] = B::Unpackhi64(b0, b1);
    }
    return q;
  }

  // The first texel of eight 8-8-8 entries per row.
  static Rgb Point8888(const uint8_t* texels, const typename B::Offsets& o, bool half) {
    V d[8];
    for (int k = 0; k < 8; ++k) d[k] = half && k >= 4 ? d[k - 4] : B::Entry32(texels, o, k);
    const V lo4 = B::Unpacklo64(B::Unpacklo32(d[0], d[1]), B::Unpacklo32(d[2], d[3]));
    const V hi4 = B::Unpacklo64(B::Unpacklo32(d[4], d[5]), B::Unpacklo32(d[6], d[7]));
    return Stretch8888(Decode8888(LowWords(lo4, hi4), HighWords(lo4, hi4)));
  }
};

// One row of a group drawn side by side.
struct RowSpan {
  bool active;
  int32_t x;    // first pixel of the next batch
  int32_t end;  // one past the span's last pixel
  int32_t bx;   // where the current batch starts
  uint8_t* pixels;
  uint8_t* depth;
  const uint16_t* dither;
  __m128d rg, bz, uv;  // plane values at x = 0 of this row
};

template <class B, Target kTarget, RasterTexMode kTex, RasterDepthMode kDepth>
void DrawTriangle(const RasterTriangle& t, RasterContext& c) {
  using V = typename B::V;
  using O = Ops<B>;
  using Rgb = typename O::Rgb;
  constexpr int kRows = B::kRows;
  constexpr bool kTextured = kTex != RasterTexMode::None;
  constexpr bool kLinear = kTex == RasterTexMode::Linear565 || kTex == RasterTexMode::Linear8888;
  constexpr bool kWideTexels =
      kTex == RasterTexMode::Point8888 || kTex == RasterTexMode::Linear8888;
  constexpr bool kHasDepth = kDepth != RasterDepthMode::Off;
  constexpr bool kDepth32 =
      kDepth == RasterDepthMode::D32LessEqual || kDepth == RasterDepthMode::D32Any;
  constexpr bool kAnyCompare =
      kDepth == RasterDepthMode::D16Any || kDepth == RasterDepthMode::D32Any;
  constexpr int kShift = kDepth32 ? kDepthShift32 : kDepthShift16;
  constexpr int kPixelBytes = kTarget == Target::X8888 ? 4 : 2;
  constexpr int kDepthBytes = kDepth32 ? 4 : 2;

  const V zero = B::Zero();
  const V ones = B::Set32(-1);

  const V zOff0 = B::Broadcast(LoadAligned(t.zLanes));
  const V zOff1 = B::Broadcast(LoadAligned(t.zLanes + 4));
  const V uOff0 = B::Broadcast(LoadAligned(t.uLanes));
  const V uOff1 = B::Broadcast(LoadAligned(t.uLanes + 4));
  const V vOff0 = B::Broadcast(LoadAligned(t.vLanes));
  const V vOff1 = B::Broadcast(LoadAligned(t.vLanes + 4));
  const V rOff = B::Broadcast(LoadAligned(t.cLanes[0]));
  const V gOff = B::Broadcast(LoadAligned(t.cLanes[1]));
  const V bOff = B::Broadcast(LoadAligned(t.cLanes[2]));
  const V zStep = B::Set32(t.zStep8);
  const V uStep = B::Set32(t.uStep8);
  const V vStep = B::Set32(t.vStep8);
  const V colorStep = B::Broadcast(LoadAligned(t.colorStep8));
  const __m128i colorBias = _mm_setr_epi32(INT32_MIN, INT32_MIN, INT32_MIN, 0);
  const __m128i uvBias = _mm_set1_epi32(INT32_MIN);

  const V texW = B::Set16(c.texWidth);
  const V texWm1 = B::Set16(c.texWidth - 1);
  const V texWr = B::Set16(c.texWidthRecip);
  const V texH = B::Set16(c.texHeight);
  const V texHm1 = B::Set16(c.texHeight - 1);
  const V texHr = B::Set16(c.texHeightRecip);
  const V texMadd = B::Set32((c.texWidth << 16) | 1);

  const V zWrite = c.zWrite ? ones : zero;
  const V failLess = c.failLess ? ones : zero;
  const V failEqual = c.failEqual ? ones : zero;
  const V failGreater = c.failGreater ? ones : zero;

  const __m128d dxRG = _mm_load_pd(t.dx + kSlotR);
  const __m128d dxBZ = _mm_load_pd(t.dx + kSlotB);
  const __m128d dxUV = _mm_load_pd(t.dx + kSlotU);
  const __m128d dyRG = _mm_load_pd(t.dy + kSlotR);
  const __m128d dyBZ = _mm_load_pd(t.dy + kSlotB);
  const __m128d dyUV = _mm_load_pd(t.dy + kSlotU);
  const __m128d firstRow = _mm_set1_pd(t.yStart);
  __m128d rowRG = _mm_add_pd(_mm_load_pd(t.base + kSlotR), _mm_mul_pd(dyRG, firstRow));
  __m128d rowBZ = _mm_add_pd(_mm_load_pd(t.base + kSlotB), _mm_mul_pd(dyBZ, firstRow));
  __m128d rowUV = _mm_add_pd(_mm_load_pd(t.base + kSlotU), _mm_mul_pd(dyUV, firstRow));

  const uint8_t* texels = c.texels;
  const int16_t(*masks)[8] = c.masks;
  const int32_t lastBatch = c.width - 8;
  const int32_t clipLeft = c.clip.left;
  const int32_t clipRight = c.clip.right;

  RasterEdge leftEdge = t.left[0];
  RasterEdge rightEdge = t.right[0];
  V written = zero;
  uint64_t fragments = 0;

  // Row addresses advance by the pitch rather than by multiplying.
  uintptr_t pixelRow = reinterpret_cast<uintptr_t>(c.pixels) + t.yStart * c.pitch;
  uintptr_t depthRow = reinterpret_cast<uintptr_t>(c.depth) + t.yStart * c.depthPitch;
  const uint16_t* ditherBase = kTarget == Target::X8888 ? nullptr : c.dither;

  for (int32_t y = t.yStart; y < t.yEnd; y += kRows) {
    RowSpan rows[kRows];
    int lead = -1;  // first row of the group with pixels to draw
    for (int r = 0; r < kRows; ++r) {
      RowSpan& s = rows[r];
      s.active = false;
      if (y + r >= t.yEnd) continue;
      if (y + r == t.split) {
        leftEdge = t.left[1];
        rightEdge = t.right[1];
      }
      int64_t first = leftEdge.q + 1;
      int64_t end = -rightEdge.q;
      StepEdge(leftEdge);
      StepEdge(rightEdge);
      s.pixels = reinterpret_cast<uint8_t*>(pixelRow);
      s.depth = reinterpret_cast<uint8_t*>(depthRow);
      pixelRow += c.pitch;
      depthRow += c.depthPitch;
      s.rg = rowRG;
      s.bz = rowBZ;
      s.uv = rowUV;
      rowRG = _mm_add_pd(rowRG, dyRG);
      rowBZ = _mm_add_pd(rowBZ, dyBZ);
      rowUV = _mm_add_pd(rowUV, dyUV);
      if (first < clipLeft) first = clipLeft;
      if (end > clipRight) end = clipRight;
      if (first >= end) continue;
      s.active = true;
      s.x = static_cast<int32_t>(first);
      s.end = static_cast<int32_t>(end);
      s.dither = ditherBase ? ditherBase + ((y + r) & 3) * 64 : nullptr;
      fragments += static_cast<uint64_t>(s.end - s.x);
      if (lead < 0) lead = r;
    }
    if (lead < 0) continue;
    // The buffers seldom stay in cache from one small triangle to the next: ask early for the
    // rows a few ahead, around the columns of this one.
    for (int r = 0; r < kRows; ++r) {
      const int32_t ahead = y + r + kPrefetchRows;
      if (ahead >= t.yEnd) break;
      const int32_t first = rows[lead].x;
      const int32_t last = rows[lead].end - 1;
      const uintptr_t aheadPixels = reinterpret_cast<uintptr_t>(c.pixels) + ahead * c.pitch;
      Prefetch(aheadPixels + first * kPixelBytes);
      Prefetch(aheadPixels + last * kPixelBytes);
      if constexpr (kHasDepth) {
        const uintptr_t aheadDepth = reinterpret_cast<uintptr_t>(c.depth) + ahead * c.depthPitch;
        Prefetch(aheadDepth + first * kDepthBytes);
        Prefetch(aheadDepth + last * kDepthBytes);
      }
    }
    // Rows without pixels ride along on the lead row's memory, fully masked and never stored.
    for (int r = 0; r < kRows; ++r) {
      if (!rows[r].active) {
        const __m128d rg = rows[r].rg, bz = rows[r].bz, uv = rows[r].uv;
        rows[r] = rows[lead];
        rows[r].active = false;
        rows[r].rg = rg;
        rows[r].bz = bz;
        rows[r].uv = uv;
      }
    }

    // Lanes of every row for batches starting at their bx.
    V zl0 = zero, zl1 = zero, ul0 = zero, ul1 = zero, vl0 = zero, vl1 = zero, color = zero;
    auto start = [&]() {
      __m128i rowColor[kRows], rowZ[kRows], rowU[kRows], rowV[kRows];
      for (int r = 0; r < kRows; ++r) {
        const __m128d fx = _mm_set1_pd(rows[r].bx);
        const __m128d rg = _mm_add_pd(rows[r].rg, _mm_mul_pd(dxRG, fx));
        const __m128d bz = _mm_add_pd(rows[r].bz, _mm_mul_pd(dxBZ, fx));
        const __m128d uv = _mm_add_pd(rows[r].uv, _mm_mul_pd(dxUV, fx));
        __m128i rgbz;
        __m128i uvi;
        if (rows[r].bx == rows[r].x) {
          // A span's first pixel is inside the triangle: every value fits in 32 bits.
          rgbz = _mm_unpacklo_epi64(_mm_cvtpd_epi32(rg), _mm_cvtpd_epi32(bz));
          uvi = _mm_cvtpd_epi32(uv);
        } else {
          // A slid batch may start outside, where values can overflow; they wrap as the
          // lanes do, so the pixels inside still come out right.
          rgbz = _mm_setr_epi32(
              WrapToInt32(_mm_cvtsd_f64(rg)), WrapToInt32(_mm_cvtsd_f64(_mm_unpackhi_pd(rg, rg))),
              WrapToInt32(_mm_cvtsd_f64(bz)), WrapToInt32(_mm_cvtsd_f64(_mm_unpackhi_pd(bz, bz))));
          uvi = _mm_setr_epi32(WrapToInt32(_mm_cvtsd_f64(uv)),
                               WrapToInt32(_mm_cvtsd_f64(_mm_unpackhi_pd(uv, uv))), 0, 0);
        }
        rowColor[r] = _mm_xor_si128(rgbz, colorBias);
        rowZ[r] = _mm_shuffle_epi32(rgbz, 0xFF);
        if constexpr (kTextured) {
          uvi = _mm_xor_si128(uvi, uvBias);
          rowU[r] = _mm_shuffle_epi32(uvi, 0x00);
          rowV[r] = _mm_shuffle_epi32(uvi, 0x55);
        }
      }
      color = B::FromRows(rowColor);
      const V z = B::FromRows(rowZ);
      zl0 = B::Add32(z, zOff0);
      zl1 = B::Add32(z, zOff1);
      if constexpr (kTextured) {
        const V u = B::FromRows(rowU);
        const V v = B::FromRows(rowV);
        ul0 = B::Add32(u, uOff0);
        ul1 = B::Add32(u, uOff1);
        vl0 = B::Add32(v, vOff0);
        vl1 = B::Add32(v, vOff1);
      }
    };
    for (int r = 0; r < kRows; ++r) rows[r].bx = rows[r].x;
    start();
    V count = zero;

    for (;;) {
      __m128i rowMask[kRows];
      bool slide = false;
      int32_t lanes = 0;  // lanes of the batch with pixels to draw
      for (int r = 0; r < kRows; ++r) {
        RowSpan& s = rows[r];
        if (!s.active) {
          s.bx = rows[lead].x <= lastBatch ? rows[lead].x : lastBatch;
          rowMask[r] = _mm_setzero_si128();
          continue;
        }
        const int32_t left = s.end - s.x;
        int32_t lo = 0;
        int32_t hi = left < 8 ? left : 8;
        s.bx = s.x;
        if (s.bx > lastBatch) {
          // The last batch of a span near the right edge of the target slides left so that it
          // stays inside the row; its lanes start again at the new first pixel.
          lo = s.bx - lastBatch;
          hi += lo;
          s.bx = lastBatch;
          slide = true;
        }
        rowMask[r] = LoadAligned(masks[lo * 9 + hi]);
        if (hi > lanes) lanes = hi;
      }
      [[maybe_unused]] const bool half = lanes <= 4;
      if (slide) start();
      V mask = B::FromRows(rowMask);

      bool visible = true;
      if constexpr (kHasDepth) {
        uint8_t* zp[kRows];
        for (int r = 0; r < kRows; ++r) zp[r] = rows[r].depth + rows[r].bx * kDepthBytes;
        const V zz0 = B::template Srai32<kShift>(zl0);
        const V zz1 = B::template Srai32<kShift>(zl1);
        V stored0;
        V stored1;
        V raw = zero;
        if constexpr (kDepth32) {
          const V low24 = B::Set32(0x00FFFFFF);
          stored0 = B::And(B::LoadRows(zp, 0), low24);
          stored1 = B::And(B::LoadRows(zp, 16), low24);
        } else {
          raw = B::LoadRows(zp, 0);
          stored0 = B::Unpacklo16(raw, zero);
          stored1 = B::Unpackhi16(raw, zero);
        }
        V fail0;
        V fail1;
        if constexpr (kAnyCompare) {
          const V gt0 = B::Cmpgt32(zz0, stored0);
          const V lt0 = B::Cmpgt32(stored0, zz0);
          const V gt1 = B::Cmpgt32(zz1, stored1);
          const V lt1 = B::Cmpgt32(stored1, zz1);
          fail0 = B::Or(B::Or(B::And(gt0, failGreater), B::And(lt0, failLess)),
                        B::AndNot(B::Or(gt0, lt0), failEqual));
          fail1 = B::Or(B::Or(B::And(gt1, failGreater), B::And(lt1, failLess)),
                        B::AndNot(B::Or(gt1, lt1), failEqual));
        } else {
          fail0 = B::Cmpgt32(zz0, stored0);
          fail1 = B::Cmpgt32(zz1, stored1);
        }
        mask = B::AndNot(B::Packs32(fail0, fail1), mask);
        visible = B::Any(mask);
        if (visible) {
          const V writeMask = B::And(mask, zWrite);
          if constexpr (kDepth32) {
            const V top = B::Set32(0x00FFFFFF);
            V n0 = B::AndNot(B::template Srai32<31>(zz0), zz0);
            V n1 = B::AndNot(B::template Srai32<31>(zz1), zz1);
            n0 = B::Blend(B::Cmpgt32(n0, top), top, n0);
            n1 = B::Blend(B::Cmpgt32(n1, top), top, n1);
            B::StoreRows(zp, 0, B::Blend(B::Unpacklo16(writeMask, writeMask), n0, stored0), rows);
            B::StoreRows(zp, 16, B::Blend(B::Unpackhi16(writeMask, writeMask), n1, stored1), rows);
          } else {
            // Biased by -32768 the pack saturates to the 16-bit range on both sides.
            const V bias = B::Set32(32768);
            const V fresh =
                B::Xor(B::Packs32(B::Sub32(zz0, bias), B::Sub32(zz1, bias)), B::Set16(0x8000));
            B::StoreRows(zp, 0, B::Blend(writeMask, fresh, raw), rows);
          }
        }
      }

      if (visible) {
        count = B::Sub16(count, mask);
        // Diffuse colour: the high halves of the 16.16 accumulators plus the lane offsets.
        Rgb diffuse;
        diffuse.r =
            B::Add16(B::template Shuffle32<0x00>(B::template ShuffleLo16<0x55>(color)), rOff);
        diffuse.g =
            B::Add16(B::template Shuffle32<0x00>(B::template ShuffleLo16<0xFF>(color)), gOff);
        diffuse.b =
            B::Add16(B::template Shuffle32<0xAA>(B::template ShuffleHi16<0x55>(color)), bOff);

        Rgb out = diffuse;
        if constexpr (kTextured) {
          const V tx = O::WrapTexel(O::HighWords(ul0, ul1), texW, texWr, texWm1);
          const V ty = O::WrapTexel(O::HighWords(vl0, vl1), texH, texHr, texHm1);
          constexpr int kEntryShift = kWideTexels ? 4 : 3;
          const typename B::Offsets o =
              B::Split(B::template Slli32<kEntryShift>(B::Madd16(B::Unpacklo16(tx, ty), texMadd)),
                       B::template Slli32<kEntryShift>(B::Madd16(B::Unpackhi16(tx, ty), texMadd)),
                       rows);
          Rgb tex;
          if constexpr (kLinear) {
            const V fu = O::LowWords(ul0, ul1);
            const V fv = O::LowWords(vl0, vl1);
            const V nfu = B::Xor(fu, ones);
            const V nfv = B::Xor(fv, ones);
            if constexpr (kWideTexels) {
              const typename O::Quad8888 q = O::Gather8888(texels, o, half);
              const Rgb a = O::Decode8888(q.gb[0], q.xr[0]);
              const Rgb b = O::Decode8888(q.gb[1], q.xr[1]);
              const Rgb cc = O::Decode8888(q.gb[2], q.xr[2]);
              const Rgb d = O::Decode8888(q.gb[3], q.xr[3]);
              tex = O::Stretch8888({O::Bilerp(a.r, b.r, cc.r, d.r, fu, nfu, fv, nfv),
                                    O::Bilerp(a.g, b.g, cc.g, d.g, fu, nfu, fv, nfv),
                                    O::Bilerp(a.b, b.b, cc.b, d.b, fu, nfu, fv, nfv)});
            } else {
              const typename O::Quad q = O::Gather565(texels, o, half);
              const Rgb a = O::Decode565(q.a);
              const Rgb b = O::Decode565(q.b);
              const Rgb cc = O::Decode565(q.c);
              const Rgb d = O::Decode565(q.d);
              tex = O::Stretch565({O::Bilerp(a.r, b.r, cc.r, d.r, fu, nfu, fv, nfv),
                                   O::Bilerp(a.g, b.g, cc.g, d.g, fu, nfu, fv, nfv),
                                   O::Bilerp(a.b, b.b, cc.b, d.b, fu, nfu, fv, nfv)});
            }
          } else if constexpr (kWideTexels) {
            tex = O::Point8888(texels, o, half);
          } else {
            tex = O::Stretch565(O::Decode565(B::Entries16(texels, o, half)));
          }
          out.r = B::MulhiU16(tex.r, diffuse.r);
          out.g = B::MulhiU16(tex.g, diffuse.g);
          out.b = B::MulhiU16(tex.b, diffuse.b);
        }

        uint8_t* dst[kRows];
        for (int r = 0; r < kRows; ++r) dst[r] = rows[r].pixels + rows[r].bx * kPixelBytes;
        if constexpr (kTarget == Target::X8888) {
          const V bg = B::Or(B::template Srli16<8>(out.b), B::And(out.g, B::Set16(0xFF00)));
          const V ra = B::Or(B::template Srli16<8>(out.r), B::Set16(0xFF00));
          B::StoreRows(
              dst, 0,
              B::Blend(B::Unpacklo16(mask, mask), B::Unpacklo16(bg, ra), B::LoadRows(dst, 0)),
              rows);
          B::StoreRows(
              dst, 16,
              B::Blend(B::Unpackhi16(mask, mask), B::Unpackhi16(bg, ra), B::LoadRows(dst, 16)),
              rows);
        } else {
          __m128i rowFive[kRows], rowGreen[kRows];
          for (int r = 0; r < kRows; ++r) {
            const uint16_t* d = rows[r].dither + (rows[r].bx & 3) * 16;
            rowFive[r] = LoadAligned(d);
            rowGreen[r] = LoadAligned(d + 8);
          }
          const V dFive = B::FromRows(rowFive);
          // Scale 0..65535 to 0..31 (or 63) in the top bits, then add the offset.
          const V r = B::AddsU16(B::Sub16(out.r, B::template Srli16<5>(out.r)), dFive);
          const V b = B::AddsU16(B::Sub16(out.b, B::template Srli16<5>(out.b)), dFive);
          V p;
          if constexpr (kTarget == Target::R565) {
            const V dGreen = B::FromRows(rowGreen);
            const V g = B::AddsU16(B::Sub16(out.g, B::template Srli16<6>(out.g)), dGreen);
            p = B::Or(B::Or(B::And(r, B::Set16(0xF800)),
                            B::And(B::template Srli16<5>(g), B::Set16(0x07E0))),
                      B::template Srli16<11>(b));
          } else {
            const V g = B::AddsU16(B::Sub16(out.g, B::template Srli16<5>(out.g)), dFive);
            p = B::Or(B::Or(B::And(B::template Srli16<1>(r), B::Set16(0x7C00)),
                            B::And(B::template Srli16<6>(g), B::Set16(0x03E0))),
                      B::template Srli16<11>(b));
          }
          B::StoreRows(dst, 0, B::Blend(mask, p, B::LoadRows(dst, 0)), rows);
        }
      }

      bool more = false;
      for (int r = 0; r < kRows; ++r) {
        RowSpan& s = rows[r];
        if (!s.active) continue;
        if (s.end - s.x <= 8) {
          s.active = false;
        } else {
          s.x += 8;
          more = true;
        }
      }
      if (!more) break;
      zl0 = B::Add32(zl0, zStep);
      zl1 = B::Add32(zl1, zStep);
      if constexpr (kTextured) {
        ul0 = B::Add32(ul0, uStep);
        ul1 = B::Add32(ul1, uStep);
        vl0 = B::Add32(vl0, vStep);
        vl1 = B::Add32(vl1, vStep);
      }
      color = B::Add32(color, colorStep);
    }
    written = B::Add32(written, B::Madd16(count, B::Set16(1)));
  }

  c.written += B::Sum32(written);
  c.fragments += fragments;
}

template <class B, Target kTarget, RasterTexMode kTex>
RasterTriangleFn SelectDepth(RasterDepthMode depth) {
  switch (depth) {
    case RasterDepthMode::Off:
      return &DrawTriangle<B, kTarget, kTex, RasterDepthMode::Off>;
    case RasterDepthMode::D16LessEqual:
      return &DrawTriangle<B, kTarget, kTex, RasterDepthMode::D16LessEqual>;
    case RasterDepthMode::D16Any:
      return &DrawTriangle<B, kTarget, kTex, RasterDepthMode::D16Any>;
    case RasterDepthMode::D32LessEqual:
      return &DrawTriangle<B, kTarget, kTex, RasterDepthMode::D32LessEqual>;
    case RasterDepthMode::D32Any:
      return &DrawTriangle<B, kTarget, kTex, RasterDepthMode::D32Any>;
  }
  return nullptr;
}

template <class B, Target kTarget>
RasterTriangleFn SelectTexture(RasterTexMode tex, RasterDepthMode depth) {
  switch (tex) {
    case RasterTexMode::None:
      return SelectDepth<B, kTarget, RasterTexMode::None>(depth);
    case RasterTexMode::Point565:
      return SelectDepth<B, kTarget, RasterTexMode::Point565>(depth);
    case RasterTexMode::Point8888:
      return SelectDepth<B, kTarget, RasterTexMode::Point8888>(depth);
    case RasterTexMode::Linear565:
      return SelectDepth<B, kTarget, RasterTexMode::Linear565>(depth);
    case RasterTexMode::Linear8888:
      return SelectDepth<B, kTarget, RasterTexMode::Linear8888>(depth);
  }
  return nullptr;
}

template <class B>
RasterTriangleFn SelectLoop(RasterFormat target, RasterTexMode tex, RasterDepthMode depth) {
  switch (target) {
    case RasterFormat::Rgb565:
      return SelectTexture<B, Target::R565>(tex, depth);
    case RasterFormat::Rgb555:
      return SelectTexture<B, Target::R555>(tex, depth);
    case RasterFormat::Xrgb8888:
    case RasterFormat::Argb8888:
      return SelectTexture<B, Target::X8888>(tex, depth);
    default:
      return nullptr;
  }
}
