// Texture conversion: any source format into entries that hold each texel's 2 x 2
// neighbourhood, wrapped at the edges, so the span loops read one entry per sample.
#include <cstring>
#include <new>

#include "raster/raster_internal.h"

namespace {

uint32_t Expand5(uint32_t v) {
  return (v * 255 + 15) / 31;
}
uint32_t Expand4(uint32_t v) {
  return v * 17;
}

// One source texel as 0x00RRGGBB.
uint32_t SourceTexel(const RasterTextureSource& s, const uint8_t* row, int32_t x) {
  switch (s.format) {
    case RasterFormat::Pal8:
      return s.palette[row[x]] & 0x00FFFFFF;
    case RasterFormat::Xrgb8888:
    case RasterFormat::Argb8888: {
      uint32_t p;
      std::memcpy(&p, row + 4 * x, 4);
      return p & 0x00FFFFFF;
    }
    default:
      break;
  }
  uint16_t p;
  std::memcpy(&p, row + 2 * x, 2);
  if (s.format == RasterFormat::Argb4444) {
    return Expand4((p >> 8) & 15) << 16 | Expand4((p >> 4) & 15) << 8 | Expand4(p & 15);
  }
  // Rgb555 and Argb1555.
  return Expand5((p >> 10) & 31) << 16 | Expand5((p >> 5) & 31) << 8 | Expand5(p & 31);
}

bool Valid(const RasterTextureSource& s) {
  if (!s.pixels) return false;
  if (s.width < 1 || s.height < 1 || s.width > kRasterMaxTextureSide ||
      s.height > kRasterMaxTextureSide)
    return false;
  if (s.format == RasterFormat::Pal8 && !s.palette) return false;
  return s.pitch >= s.width * RasterFormatBytes(s.format);
}

}  // namespace

HRESULT RasterTextureUpdate(RasterTexture& texture, const RasterTextureSource& source,
                            uint64_t version) {
  if (texture.valid && texture.version == version) return S_OK;
  texture.valid = false;
  texture.entries.clear();
  if (!Valid(source)) return E_INVALIDARG;

  // A side of one texel is doubled: the copy samples exactly like the wrapped original, and
  // the span loops' wrap needs a side of at least two.
  const int32_t w = source.width == 1 ? 2 : source.width;
  const int32_t h = source.height == 1 ? 2 : source.height;
  const bool wide = source.format != RasterFormat::Rgb565;
  const size_t count = static_cast<size_t>(w) * h;
  uint32_t* plain = new (std::nothrow) uint32_t[count];
  if (!plain) return E_OUTOFMEMORY;
  try {
    texture.entries.resize(wide ? 2 * count : count);
  } catch (const std::bad_alloc&) {
    delete[] plain;
    return E_OUTOFMEMORY;
  }

  const uint8_t* pixels = static_cast<const uint8_t*>(source.pixels);
  for (int32_t y = 0; y < h; ++y) {
    const uint8_t* row = pixels + (y % source.height) * intptr_t{source.pitch};
    for (int32_t x = 0; x < w; ++x) {
      const int32_t sx = x % source.width;
      if (wide) {
        plain[y * w + x] = SourceTexel(source, row, sx);
      } else {
        uint16_t p;
        std::memcpy(&p, row + 2 * sx, 2);
        plain[y * w + x] = p;
      }
    }
  }

  uint64_t* out = texture.entries.data();
  for (int32_t y = 0; y < h; ++y) {
    const uint32_t* row = plain + y * w;
    const uint32_t* below = plain + (y + 1 == h ? 0 : y + 1) * w;
    for (int32_t x = 0; x < w; ++x) {
      const int32_t right = x + 1 == w ? 0 : x + 1;
      const uint64_t a = row[x];
      const uint64_t b = row[right];
      const uint64_t c = below[x];
      const uint64_t d = below[right];
      if (wide) {
        *out++ = a | b << 32;
        *out++ = c | d << 32;
      } else {
        *out++ = a | b << 16 | c << 32 | d << 48;
      }
    }
  }
  delete[] plain;

  texture.width = w;
  texture.height = h;
  texture.wide = wide;
  texture.version = version;
  texture.valid = true;
  return S_OK;
}
