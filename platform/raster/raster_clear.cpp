// Clears of the colour and depth buffers, and the formats' pixel sizes and colour packing.
#include <emmintrin.h>

#include <algorithm>
#include <cmath>
#include <cstring>

#include "raster/raster_internal.h"

namespace {

// Fills `bytes` bytes (a multiple of the pattern's size) with a pattern that repeats every
// 2 or 4 bytes; `pattern` holds it replicated over 32 bits.
void FillPattern(uint8_t* p, size_t bytes, uint32_t pattern) {
  const uint8_t b = static_cast<uint8_t>(pattern);
  if (pattern == b * 0x01010101u) {
    std::memset(p, b, bytes);
    return;
  }
  // Bytes up to 16-byte alignment one by one; the pattern starts at p, so the aligned part
  // uses it rotated to keep the phase.
  const unsigned misalign = static_cast<unsigned>(reinterpret_cast<uintptr_t>(p) & 15);
  size_t head = misalign ? 16 - misalign : 0;
  if (head > bytes) head = bytes;
  const unsigned rotate = static_cast<unsigned>(head & 3) * 8;
  const uint32_t aligned = rotate ? (pattern >> rotate) | (pattern << (32 - rotate)) : pattern;
  for (size_t i = 0; i < head; ++i) p[i] = static_cast<uint8_t>(pattern >> ((i & 3) * 8));
  uint8_t* q = p + head;
  size_t rest = bytes - head;
  const __m128i v = _mm_set1_epi32(static_cast<int32_t>(aligned));
  while (rest >= 64) {
    _mm_store_si128(reinterpret_cast<__m128i*>(q), v);
    _mm_store_si128(reinterpret_cast<__m128i*>(q + 16), v);
    _mm_store_si128(reinterpret_cast<__m128i*>(q + 32), v);
    _mm_store_si128(reinterpret_cast<__m128i*>(q + 48), v);
    q += 64;
    rest -= 64;
  }
  while (rest >= 16) {
    _mm_store_si128(reinterpret_cast<__m128i*>(q), v);
    q += 16;
    rest -= 16;
  }
  for (size_t i = 0; i < rest; ++i) q[i] = static_cast<uint8_t>(aligned >> ((i & 3) * 8));
}

void FillRect(uint8_t* base, intptr_t pitch, int bytesPerPixel, int32_t fullWidth,
              const RasterRect& r, uint32_t pattern) {
  const size_t rowBytes = static_cast<size_t>(r.right - r.left) * bytesPerPixel;
  uint8_t* first = base + r.top * pitch + r.left * bytesPerPixel;
  const int32_t rows = r.bottom - r.top;
  if (r.left == 0 && r.right == fullWidth && pitch == static_cast<intptr_t>(rowBytes)) {
    FillPattern(first, rowBytes * rows, pattern);
    return;
  }
  for (int32_t y = 0; y < rows; ++y) FillPattern(first + y * pitch, rowBytes, pattern);
}

}  // namespace

int RasterFormatBytes(RasterFormat format) {
  switch (format) {
    case RasterFormat::Xrgb8888:
    case RasterFormat::Argb8888:
      return 4;
    case RasterFormat::Pal8:
      return 1;
    default:
      return 2;
  }
}

uint32_t RasterPackColor(RasterFormat format, D3DCOLOR color) {
  const uint32_t r = (color >> 16) & 0xFF;
  const uint32_t g = (color >> 8) & 0xFF;
  const uint32_t b = color & 0xFF;
  auto scale = [](uint32_t v, uint32_t top) { return (v * top + 127) / 255; };
  switch (format) {
    case RasterFormat::Rgb565:
      return scale(r, 31) << 11 | scale(g, 63) << 5 | scale(b, 31);
    case RasterFormat::Rgb555:
      return scale(r, 31) << 10 | scale(g, 31) << 5 | scale(b, 31);
    case RasterFormat::Argb1555:
      return ((color >> 31) << 15) | scale(r, 31) << 10 | scale(g, 31) << 5 | scale(b, 31);
    case RasterFormat::Argb4444:
      return scale(color >> 24, 15) << 12 | scale(r, 15) << 8 | scale(g, 15) << 4 | scale(b, 15);
    case RasterFormat::Xrgb8888:
    case RasterFormat::Argb8888:
      return color;
    case RasterFormat::Pal8:
      break;
  }
  return 0;
}

HRESULT RasterClear(const RasterTarget& target, const RasterRect& rect, uint32_t flags,
                    D3DCOLOR color, float z) {
  if (!target.pixels || target.width < 1 || target.height < 1 ||
      target.width > kRasterMaxTargetSide || target.height > kRasterMaxTargetSide)
    return E_INVALIDARG;
  if (target.format != RasterFormat::Rgb565 && target.format != RasterFormat::Rgb555 &&
      target.format != RasterFormat::Xrgb8888 && target.format != RasterFormat::Argb8888)
    return E_INVALIDARG;
  const int bytes = RasterFormatBytes(target.format);
  if (target.pitch < target.width * bytes) return E_INVALIDARG;
  const bool depth = target.depth && target.depthFormat != RasterDepthFormat::None;
  const int depthBytes = target.depthFormat == RasterDepthFormat::D32 ? 4 : 2;
  if (depth && target.depthPitch < target.width * depthBytes) return E_INVALIDARG;

  RasterRect r;
  r.left = std::max({rect.left, target.viewport.left, 0});
  r.top = std::max({rect.top, target.viewport.top, 0});
  r.right = std::min({rect.right, target.viewport.right, target.width});
  r.bottom = std::min({rect.bottom, target.viewport.bottom, target.height});
  if (r.left >= r.right || r.top >= r.bottom) return S_OK;

  if (flags & kRasterClearColor) {
    uint32_t pattern = RasterPackColor(target.format, color);
    if (bytes == 2) pattern = (pattern & 0xFFFF) * 0x00010001u;
    FillRect(static_cast<uint8_t*>(target.pixels), target.pitch, bytes, target.width, r, pattern);
  }
  if ((flags & kRasterClearDepth) && depth) {
    double d = z;
    if (!(d >= 0.0)) d = 0.0;
    if (d > 1.0) d = 1.0;
    uint32_t pattern;
    if (depthBytes == 2) {
      pattern = static_cast<uint32_t>(std::lrint(d * 65535.0)) * 0x00010001u;
    } else {
      pattern = static_cast<uint32_t>(std::lrint(d * 16777215.0));
    }
    FillRect(static_cast<uint8_t*>(target.depth), target.depthPitch, depthBytes, target.width, r,
             pattern);
  }
  return S_OK;
}
