// Pixel formats and row conversions. Every pair of colour kinds has its own loop, made by the
// templates below, so the per-pixel work is a few shifts with no switch inside the row.
#include "ddraw/pixels.h"

#include <array>
#include <utility>

namespace {

struct Masks {
  DWORD bits, r, g, b, a;
};

constexpr Masks kMasks[kColorKinds] = {
    {8, 0, 0, 0, 0},                                      // P8
    {16, 0x7C00, 0x03E0, 0x001F, 0},                      // RGB555
    {16, 0xF800, 0x07E0, 0x001F, 0},                      // RGB565
    {16, 0x7C00, 0x03E0, 0x001F, 0x8000},                 // ARGB1555
    {16, 0x0F00, 0x00F0, 0x000F, 0xF000},                 // ARGB4444
    {24, 0xFF0000, 0x00FF00, 0x0000FF, 0},                // RGB888
    {32, 0xFF0000, 0x00FF00, 0x0000FF, 0},                // XRGB8888
    {32, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF000000u},      // ARGB8888
};

inline uint32_t Expand5(uint32_t v) { return (v << 3) | (v >> 2); }
inline uint32_t Expand6(uint32_t v) { return (v << 2) | (v >> 4); }
inline uint32_t Argb(uint32_t a, uint32_t r, uint32_t g, uint32_t b) {
  return a << 24 | r << 16 | g << 8 | b;
}

template <PixelKind K>
inline uint32_t Decode(uint32_t v) {
  if constexpr (K == PixelKind::RGB555)
    return Argb(255, Expand5(v >> 10 & 31), Expand5(v >> 5 & 31), Expand5(v & 31));
  else if constexpr (K == PixelKind::RGB565)
    return Argb(255, Expand5(v >> 11 & 31), Expand6(v >> 5 & 63), Expand5(v & 31));
  else if constexpr (K == PixelKind::ARGB1555)
    return Argb(v & 0x8000 ? 255 : 0, Expand5(v >> 10 & 31), Expand5(v >> 5 & 31),
                Expand5(v & 31));
  else if constexpr (K == PixelKind::ARGB4444)
    return Argb((v >> 12 & 15) * 17, (v >> 8 & 15) * 17, (v >> 4 & 15) * 17, (v & 15) * 17);
  else if constexpr (K == PixelKind::ARGB8888)
    return v;
  else  // RGB888, XRGB8888
    return v | 0xFF000000u;
}

template <PixelKind K>
inline uint32_t Encode(uint32_t c) {
  const uint32_t a = c >> 24, r = c >> 16 & 255, g = c >> 8 & 255, b = c & 255;
  if constexpr (K == PixelKind::RGB555)
    return (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
  else if constexpr (K == PixelKind::RGB565)
    return (r >> 3) << 11 | (g >> 2) << 5 | b >> 3;
  else if constexpr (K == PixelKind::ARGB1555)
    return (a >> 7) << 15 | (r >> 3) << 10 | (g >> 3) << 5 | b >> 3;
  else if constexpr (K == PixelKind::ARGB4444)
    return (a >> 4) << 12 | (r >> 4) << 8 | (g >> 4) << 4 | b >> 4;
  else if constexpr (K == PixelKind::ARGB8888)
    return c;
  else  // RGB888, XRGB8888
    return c & 0xFFFFFF;
}

template <PixelKind K>
inline uint32_t Load(const uint8_t* p) {
  constexpr int n = PixelBytes(K);
  if constexpr (n == 2) {
    uint16_t v;
    std::memcpy(&v, p, 2);
    return v;
  } else if constexpr (n == 4) {
    uint32_t v;
    std::memcpy(&v, p, 4);
    return v;
  } else {
    return LoadPixel(p, n);
  }
}

template <PixelKind K>
inline void Store(uint8_t* p, uint32_t v) {
  constexpr int n = PixelBytes(K);
  if constexpr (n == 2) {
    const uint16_t w = uint16_t(v);
    std::memcpy(p, &w, 2);
  } else if constexpr (n == 4) {
    std::memcpy(p, &v, 4);
  } else {
    StorePixel(p, n, v);
  }
}

template <PixelKind S, PixelKind D>
void ConvertRow(const uint8_t* s, uint8_t* d, int count, const ConvertContext& context) {
  constexpr int sb = PixelBytes(S), db = PixelBytes(D);
  if constexpr (S == D) {
    std::memcpy(d, s, size_t(count) * sb);
  } else if constexpr (S == PixelKind::P8) {
    for (int i = 0; i < count; ++i) Store<D>(d + i * db, context.lookup[s[i]]);
  } else if constexpr (D == PixelKind::P8) {
    for (int i = 0; i < count; ++i) d[i] = context.target->Match(Decode<S>(Load<S>(s + i * sb)));
  } else {
    for (int i = 0; i < count; ++i) Store<D>(d + i * db, Encode<D>(Decode<S>(Load<S>(s + i * sb))));
  }
}

template <size_t... I>
constexpr auto MakeTable(std::index_sequence<I...>) {
  return std::array<RowConverter, sizeof...(I)>{
      &ConvertRow<PixelKind(I / kColorKinds), PixelKind(I % kColorKinds)>...};
}

const auto kConverters = MakeTable(std::make_index_sequence<kColorKinds * kColorKinds>{});

PALETTEENTRY MakeDefaultPaletteEntry(int i) {
  const int r = i >> 5 & 7, g = i >> 2 & 7, b = i & 3;
  return {BYTE(r * 255 / 7), BYTE(g * 255 / 7), BYTE(b * 255 / 3), 0};
}

}  // namespace

bool PixelFormatFromDD(const DDPIXELFORMAT& dd, PixelFormat& out) {
  if (dd.dwFlags & DDPF_ZBUFFER) {
    const DWORD bits = dd.dwZBufferBitDepth;
    if (bits != 16 && bits != 24 && bits != 32) return false;
    const uint64_t all = (uint64_t(1) << bits) - 1;
    if (!dd.dwZBitMask || (dd.dwZBitMask & ~all)) return false;
    if (dd.dwFlags & DDPF_STENCILBUFFER) {
      if (!dd.dwStencilBitMask || (dd.dwStencilBitMask & ~all) ||
          (dd.dwStencilBitMask & dd.dwZBitMask))
        return false;
    }
    out.kind = PixelKind::Depth;
    out.bytes = int(bits / 8);
    out.dd = dd;
    out.dd.dwSize = sizeof(DDPIXELFORMAT);
    return true;
  }
  if (dd.dwFlags & (DDPF_FOURCC | DDPF_YUV | DDPF_LUMINANCE | DDPF_BUMPDUDV | DDPF_BUMPLUMINANCE |
                    DDPF_PALETTEINDEXED1 | DDPF_PALETTEINDEXED2 | DDPF_PALETTEINDEXED4 |
                    DDPF_PALETTEINDEXEDTO8 | DDPF_ALPHA))
    return false;
  if (dd.dwFlags & DDPF_PALETTEINDEXED8) {
    if (dd.dwRGBBitCount != 8) return false;
    out = ColorFormat(PixelKind::P8);
    return true;
  }
  if (!(dd.dwFlags & DDPF_RGB)) return false;
  const bool alpha = dd.dwFlags & DDPF_ALPHAPIXELS;
  for (int k = 1; k < kColorKinds; ++k) {
    const Masks& m = kMasks[k];
    if (dd.dwRGBBitCount == m.bits && dd.dwRBitMask == m.r && dd.dwGBitMask == m.g &&
        dd.dwBBitMask == m.b && (alpha ? dd.dwRGBAlphaBitMask : 0) == m.a &&
        (m.a == 0 || alpha)) {
      out = ColorFormat(PixelKind(k));
      return true;
    }
  }
  return false;
}

PixelFormat ColorFormat(PixelKind kind) {
  PixelFormat f;
  f.kind = kind;
  f.bytes = PixelBytes(kind);
  f.dd = {};
  f.dd.dwSize = sizeof(DDPIXELFORMAT);
  if (kind == PixelKind::Depth) return f;
  const Masks& m = kMasks[int(kind)];
  f.dd.dwFlags = kind == PixelKind::P8 ? DDPF_RGB | DDPF_PALETTEINDEXED8 : DDPF_RGB;
  if (m.a) f.dd.dwFlags |= DDPF_ALPHAPIXELS;
  f.dd.dwRGBBitCount = m.bits;
  f.dd.dwRBitMask = m.r;
  f.dd.dwGBitMask = m.g;
  f.dd.dwBBitMask = m.b;
  f.dd.dwRGBAlphaBitMask = m.a;
  return f;
}

bool DisplayFormat(DWORD bitsPerPixel, PixelFormat& out) {
  switch (bitsPerPixel) {
    case 8: out = ColorFormat(PixelKind::P8); return true;
    case 16: out = ColorFormat(PixelKind::RGB565); return true;
    case 24: out = ColorFormat(PixelKind::RGB888); return true;
    case 32: out = ColorFormat(PixelKind::XRGB8888); return true;
    default: return false;
  }
}

uint32_t EncodeColor(PixelKind kind, uint32_t argb) {
  switch (kind) {
    case PixelKind::RGB555: return Encode<PixelKind::RGB555>(argb);
    case PixelKind::RGB565: return Encode<PixelKind::RGB565>(argb);
    case PixelKind::ARGB1555: return Encode<PixelKind::ARGB1555>(argb);
    case PixelKind::ARGB4444: return Encode<PixelKind::ARGB4444>(argb);
    case PixelKind::RGB888:
    case PixelKind::XRGB8888: return argb & 0xFFFFFF;
    case PixelKind::ARGB8888: return argb;
    default: return 0;
  }
}

uint32_t DecodeColor(PixelKind kind, uint32_t v, const PALETTEENTRY* palette, bool paletteAlpha) {
  switch (kind) {
    case PixelKind::P8: {
      if (!palette) return 0xFF000000u;
      const PALETTEENTRY& e = palette[v & 255];
      return Argb(paletteAlpha ? e.peFlags : 255, e.peRed, e.peGreen, e.peBlue);
    }
    case PixelKind::RGB555: return Decode<PixelKind::RGB555>(v);
    case PixelKind::RGB565: return Decode<PixelKind::RGB565>(v);
    case PixelKind::ARGB1555: return Decode<PixelKind::ARGB1555>(v);
    case PixelKind::ARGB4444: return Decode<PixelKind::ARGB4444>(v);
    case PixelKind::RGB888:
    case PixelKind::XRGB8888: return (v & 0xFFFFFF) | 0xFF000000u;
    case PixelKind::ARGB8888: return v;
    default: return 0;
  }
}

PaletteMatcher::PaletteMatcher(const PALETTEENTRY* entries) {
  std::memcpy(entries_, entries ? entries : DefaultPalette(), sizeof entries_);
  std::memset(cache_, 0, sizeof cache_);
}

uint8_t PaletteMatcher::Match(uint32_t argb) {
  const uint32_t rgb = argb & 0xFFFFFF;
  Slot& slot = cache_[(rgb * 2654435761u) >> 22];
  if (slot.key == (rgb | 0x01000000u)) return slot.index;
  const int r = int(rgb >> 16), g = int(rgb >> 8 & 255), b = int(rgb & 255);
  int best = 0, bestDistance = 1 << 30;
  for (int i = 0; i < 256 && bestDistance; ++i) {
    const int dr = entries_[i].peRed - r, dg = entries_[i].peGreen - g, db = entries_[i].peBlue - b;
    const int d = dr * dr + dg * dg + db * db;
    if (d < bestDistance) {
      bestDistance = d;
      best = i;
    }
  }
  slot = {rgb | 0x01000000u, uint8_t(best)};
  return uint8_t(best);
}

const PALETTEENTRY* DefaultPalette() {
  static const auto table = [] {
    std::array<PALETTEENTRY, 256> t{};
    for (int i = 0; i < 256; ++i) t[i] = MakeDefaultPaletteEntry(i);
    return t;
  }();
  return table.data();
}

RowConverter FindRowConverter(PixelKind source, PixelKind dest) {
  if (source == PixelKind::Depth || dest == PixelKind::Depth) return nullptr;
  return kConverters[int(source) * kColorKinds + int(dest)];
}

void PrepareLookup(PixelKind dest, ConvertContext& context) {
  for (int i = 0; i < 256; ++i) {
    const uint32_t color = DecodeColor(PixelKind::P8, uint32_t(i), context.sourcePalette,
                                       context.sourcePaletteAlpha);
    context.lookup[i] = dest == PixelKind::P8 ? uint32_t(i)
                        : dest == PixelKind::Depth ? 0
                                                   : EncodeColor(dest, color);
  }
}
