// BMP decoding. Every header field is distrusted: sizes are checked in 64-bit arithmetic
// before anything is allocated, every read is bounded by the data given, and RLE streams are
// clipped to the image, so no input can read or write out of bounds or loop forever.
#include "win32/bmp_decode.h"

#include <algorithm>
#include <bit>
#include <cstring>
#include <new>

namespace {

uint16_t U16(const uint8_t* p) { return static_cast<uint16_t>(p[0] | p[1] << 8); }

uint32_t U32(const uint8_t* p) {
  return static_cast<uint32_t>(p[0]) | static_cast<uint32_t>(p[1]) << 8 |
         static_cast<uint32_t>(p[2]) << 16 | static_cast<uint32_t>(p[3]) << 24;
}

bool KnownHeaderSize(uint32_t size) {
  switch (size) {
    case 12:   // core (OS/2 1.x)
    case 16:   // OS/2 2.x, shortened
    case 40:   // BITMAPINFOHEADER
    case 52:   // with the colour masks
    case 56:   // with the alpha mask too
    case 64:   // OS/2 2.x, full
    case 108:  // V4
    case 124:  // V5
      return true;
    default:
      return false;
  }
}

bool MakeChannel(uint32_t mask, uint16_t bitCount, DibChannel& out) {
  out = DibChannel{};
  if (bitCount == 16 && mask > 0xFFFF) return false;
  if (mask == 0) return true;
  const int shift = std::countr_zero(mask);
  const uint64_t run = static_cast<uint64_t>(mask >> shift);
  if ((run & (run + 1)) != 0) return false;  // holes in the mask
  out.mask = mask;
  out.shift = static_cast<uint8_t>(shift);
  out.bits = static_cast<uint8_t>(std::popcount(mask));
  return true;
}

BmpResult SetChannels(Dib& dib, uint32_t r, uint32_t g, uint32_t b, uint32_t a) {
  if ((r | g | b) == 0) return BmpResult::BadMasks;
  if ((r & g) || (r & b) || (g & b) || (a & (r | g | b))) return BmpResult::BadMasks;
  if (!MakeChannel(r, dib.bitCount, dib.red) || !MakeChannel(g, dib.bitCount, dib.green) ||
      !MakeChannel(b, dib.bitCount, dib.blue) || !MakeChannel(a, dib.bitCount, dib.alpha))
    return BmpResult::BadMasks;
  return BmpResult::Ok;
}

void CopyRows(const uint8_t* src, size_t avail, bool topDown, Dib& dib) {
  const size_t stride = dib.stride;
  for (int32_t r = 0; r < dib.height; ++r) {
    const size_t off = static_cast<size_t>(r) * stride;
    if (off >= avail) {
      dib.truncated = true;
      return;
    }
    const size_t n = std::min(stride, avail - off);
    const int32_t row = topDown ? r : dib.height - 1 - r;
    std::memcpy(dib.bits.data() + static_cast<size_t>(row) * stride, src + off, n);
    if (n < stride) {
      dib.truncated = true;
      return;
    }
  }
}

// Writes one 4-bit or 8-bit pixel; (x, y) counts rows from the bottom as RLE does.
inline void PutIndex(Dib& dib, int32_t x, int32_t y, uint8_t v) {
  if (x >= dib.width) return;
  uint8_t* row = dib.bits.data() + static_cast<size_t>(dib.height - 1 - y) * dib.stride;
  if (dib.bitCount == 8) {
    row[x] = v;
  } else {
    uint8_t& b = row[x >> 1];
    b = (x & 1) ? static_cast<uint8_t>((b & 0xF0) | (v & 0x0F))
                : static_cast<uint8_t>((b & 0x0F) | (v << 4));
  }
}

// RLE8 and RLE4 streams. Runs past the end of a row are cut there, deltas past the image end
// the decode; every step consumes input, so the loop ends with the data at the latest.
void DecodeRle(const uint8_t* p, const uint8_t* end, Dib& dib) {
  const bool four = dib.bitCount == 4;
  int32_t x = 0, y = 0;
  while (y < dib.height) {
    if (end - p < 2) {
      dib.truncated = true;
      return;
    }
    const uint8_t n = p[0], c = p[1];
    p += 2;
    if (n > 0) {
      if (!four && x < dib.width) {
        const int32_t count = std::min<int32_t>(n, dib.width - x);
        std::memset(dib.bits.data() + static_cast<size_t>(dib.height - 1 - y) * dib.stride + x,
                    c, static_cast<size_t>(count));
      } else if (four) {
        for (int32_t i = 0; i < n && x + i < dib.width; ++i)
          PutIndex(dib, x + i, y, (i & 1) ? (c & 0x0F) : (c >> 4));
      }
      x = std::min<int32_t>(x + n, dib.width);
      continue;
    }
    if (c == 0) {  // end of line
      x = 0;
      ++y;
    } else if (c == 1) {  // end of bitmap
      return;
    } else if (c == 2) {  // delta: right and up
      if (end - p < 2) {
        dib.truncated = true;
        return;
      }
      x = std::min<int32_t>(x + p[0], dib.width);
      y += p[1];
      p += 2;
    } else {  // absolute run of c pixels, padded to a 16-bit boundary
      const size_t bytes = four ? (c + 1u) / 2 : c;
      const size_t avail = std::min<size_t>(bytes, static_cast<size_t>(end - p));
      const int32_t pixels = four ? std::min<int32_t>(c, static_cast<int32_t>(avail * 2)) : static_cast<int32_t>(avail);
      if (!four && x < dib.width) {
        std::memcpy(dib.bits.data() + static_cast<size_t>(dib.height - 1 - y) * dib.stride + x, p,
                    static_cast<size_t>(std::min(pixels, dib.width - x)));
      } else if (four) {
        for (int32_t i = 0; i < pixels && x + i < dib.width; ++i)
          PutIndex(dib, x + i, y, (i & 1) ? (p[i >> 1] & 0x0F) : (p[i >> 1] >> 4));
      }
      if (avail < bytes) {
        dib.truncated = true;
        return;
      }
      x = std::min<int32_t>(x + c, dib.width);
      p += bytes;
      if ((bytes & 1) && p < end) ++p;
    }
  }
}

// Decodes the DIB that starts at `d` (its info header). `bitsOffset` is where the pixel
// data starts, from `d`; for a packed DIB it follows from the header and colour table.
BmpResult Decode(const uint8_t* d, size_t size, bool packed, uint64_t bitsOffset, Dib& out) {
  out = Dib{};
  if (!d || size < 4) return BmpResult::ShortHeader;
  const uint32_t hs = U32(d);
  if (!KnownHeaderSize(hs)) return BmpResult::BadHeaderSize;
  if (size < hs) return BmpResult::ShortHeader;
  const bool core = hs == 12;
  const bool os2 = hs == 16 || hs == 64;

  int64_t width, height;
  uint16_t planes, bitCount;
  uint32_t compression = BI_RGB, clrUsed = 0;
  if (core) {
    width = U16(d + 4);
    height = U16(d + 6);
    planes = U16(d + 8);
    bitCount = U16(d + 10);
  } else {
    width = static_cast<int32_t>(U32(d + 4));
    height = static_cast<int32_t>(U32(d + 8));
    planes = U16(d + 12);
    bitCount = U16(d + 14);
    if (hs >= 40) {
      compression = U32(d + 16);
      clrUsed = U32(d + 32);
    }
  }

  if (planes != 1) return BmpResult::BadPlanes;
  const bool rle = compression == BI_RLE8 || compression == BI_RLE4;
  const bool fields = compression == BI_BITFIELDS || compression == BI_ALPHABITFIELDS;
  // OS/2 2.x reuses 3 and 4 for Huffman 1D and RLE24, neither of which is read here.
  if (os2 && (compression == 3 || compression == 4)) return BmpResult::Unsupported;
  if (compression != BI_RGB && !rle && !fields) return BmpResult::Unsupported;
  switch (bitCount) {
    case 1: case 4: case 8: case 16: case 24: case 32: break;
    default: return BmpResult::BadBitCount;
  }
  if ((compression == BI_RLE8 && bitCount != 8) || (compression == BI_RLE4 && bitCount != 4) ||
      (fields && bitCount != 16 && bitCount != 32))
    return BmpResult::BadBitCount;

  const bool topDown = height < 0;
  const int64_t rows = topDown ? -height : height;
  if (width <= 0 || rows == 0 || (topDown && rle)) return BmpResult::BadDimensions;
  if (width > kDibMaxSide || rows > kDibMaxSide) return BmpResult::TooLarge;
  const uint64_t stride = (static_cast<uint64_t>(width) * bitCount + 31) / 32 * 4;
  if (stride * static_cast<uint64_t>(rows) > kDibMaxBytes) return BmpResult::TooLarge;

  out.width = static_cast<int32_t>(width);
  out.height = static_cast<int32_t>(rows);
  out.bitCount = bitCount;
  out.stride = static_cast<uint32_t>(stride);

  // Channel masks: inside a 52-byte or longer header, else right after a 40-byte one.
  size_t tableStart = hs;
  BmpResult masks = BmpResult::Ok;
  if (fields) {
    const size_t count = compression == BI_ALPHABITFIELDS ? 4 : 3;
    const uint8_t* m = d + 40;
    uint32_t alpha = 0;
    if (hs >= 52) {
      if (hs >= 56) alpha = U32(d + 52);
    } else {
      if (size - hs < count * 4) return BmpResult::ShortHeader;
      tableStart += count * 4;
      if (count == 4) alpha = U32(d + 52);
    }
    masks = SetChannels(out, U32(m), U32(m + 4), U32(m + 8), alpha);
  } else if (bitCount == 16) {
    masks = SetChannels(out, 0x7C00, 0x03E0, 0x001F, 0);
  } else if (bitCount == 32) {
    masks = SetChannels(out, 0xFF0000, 0x00FF00, 0x0000FF, 0);
  }
  if (masks != BmpResult::Ok) return masks;

  // The colour table: biClrUsed entries (0: the full table), four bytes each, or three after
  // a core header. Deeper images may carry an optional table that only a packed DIB skips.
  const uint64_t entrySize = core ? 3 : 4;
  const uint64_t tableMax = bitCount <= 8 ? (1u << bitCount) : 0;
  const uint64_t fileEntries = bitCount <= 8 ? (clrUsed ? clrUsed : tableMax) : clrUsed;
  if (packed) bitsOffset = tableStart + fileEntries * entrySize;
  if (bitsOffset < tableStart || bitsOffset >= size) return BmpResult::BadOffset;
  if (bitCount <= 8) {
    // More entries than the depth can index are ignored; entries that would overlap the
    // pixel data are missing, and stay black.
    const uint64_t room = (bitsOffset - tableStart) / entrySize;
    const uint64_t n = std::min({fileEntries, tableMax, room});
    for (uint64_t i = 0; i < n; ++i) {
      const uint8_t* e = d + tableStart + i * entrySize;
      out.colors[i] = RGBQUAD{e[0], e[1], e[2], 0};
    }
    out.colorCount = static_cast<uint32_t>(tableMax);
  }

  try {
    out.bits.assign(static_cast<size_t>(stride * static_cast<uint64_t>(rows)), 0);
  } catch (const std::bad_alloc&) {
    return BmpResult::OutOfMemory;
  }
  const uint8_t* src = d + bitsOffset;
  if (rle)
    DecodeRle(src, d + size, out);
  else
    CopyRows(src, size - static_cast<size_t>(bitsOffset), topDown, out);
  return BmpResult::Ok;
}

}  // namespace

BmpResult DecodeBmpFile(const uint8_t* data, size_t size, Dib& out) {
  out = Dib{};
  if (!data || size < 2 || data[0] != 'B' || data[1] != 'M') return BmpResult::NotBmp;
  if (size < sizeof(BITMAPFILEHEADER)) return BmpResult::ShortHeader;
  const uint32_t offBits = U32(data + 10);
  if (offBits < sizeof(BITMAPFILEHEADER)) return BmpResult::BadOffset;
  const BmpResult r = Decode(data + sizeof(BITMAPFILEHEADER), size - sizeof(BITMAPFILEHEADER), false,
                             offBits - sizeof(BITMAPFILEHEADER), out);
  if (r != BmpResult::Ok) out = Dib{};
  return r;
}

BmpResult DecodePackedDib(const uint8_t* data, size_t size, Dib& out) {
  const BmpResult r = Decode(data, size, true, 0, out);
  if (r != BmpResult::Ok) out = Dib{};
  return r;
}

uint8_t DibScaleChannel(uint32_t value, uint8_t bits) {
  if (bits == 0) return 0;
  if (bits == 8) return static_cast<uint8_t>(value);
  const uint64_t max = (uint64_t{1} << bits) - 1;
  return static_cast<uint8_t>((std::min<uint64_t>(value, max) * 255 + max / 2) / max);
}

namespace {

uint8_t Channel(uint32_t pixel, const DibChannel& c) {
  return DibScaleChannel((pixel & c.mask) >> c.shift, c.bits);
}

}  // namespace

bool DibPixelRGB(const Dib& dib, int x, int y, RGBQUAD& out) {
  const uint8_t* row = DibRow(dib, y);
  if (!row || x < 0 || x >= dib.width) return false;
  uint32_t index;
  switch (dib.bitCount) {
    case 1: index = (row[x >> 3] >> (7 - (x & 7))) & 1; break;
    case 4: index = (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 0x0F; break;
    case 8: index = row[x]; break;
    case 24: {
      const uint8_t* p = row + static_cast<size_t>(x) * 3;
      out = RGBQUAD{p[0], p[1], p[2], 0};
      return true;
    }
    case 16:
    case 32: {
      const uint32_t pixel = dib.bitCount == 16 ? U16(row + static_cast<size_t>(x) * 2)
                                                : U32(row + static_cast<size_t>(x) * 4);
      out = RGBQUAD{Channel(pixel, dib.blue), Channel(pixel, dib.green), Channel(pixel, dib.red),
                    Channel(pixel, dib.alpha)};
      return true;
    }
    default: return false;
  }
  if (index >= dib.colorCount) return false;
  out = dib.colors[index];
  return true;
}
