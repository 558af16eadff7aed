// Builds BMP files and packed DIBs byte by byte, so tests can say exactly which header,
// depth, compression, table and masks a file has, including ones that lie.
#pragma once

#include <windows.h>

#include <cstdint>
#include <functional>
#include <optional>
#include <vector>

struct BmpSpec {
  uint32_t headerSize = 40;
  int32_t width = 0;
  int32_t height = 0;  // negative: top-down
  uint16_t planes = 1;
  uint16_t bitCount = 8;
  uint32_t compression = BI_RGB;
  uint32_t clrUsed = 0;
  std::vector<RGBQUAD> palette;  // written as given (three bytes each after a 12-byte header)
  // Channel masks: inside the header from 52 bytes on, else after it when bit fields are used.
  uint32_t masks[4] = {};
  std::vector<uint8_t> pixels;  // the pixel data as the file stores it
  std::optional<uint32_t> offBits;  // overrides the computed bfOffBits
};

inline void Put16(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  v[at] = static_cast<uint8_t>(x);
  v[at + 1] = static_cast<uint8_t>(x >> 8);
}

inline void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}

// Header, masks and colour table, without the file header.
inline std::vector<uint8_t> BuildDibHeader(const BmpSpec& s) {
  std::vector<uint8_t> v(s.headerSize, 0);
  Put32(v, 0, s.headerSize);
  if (s.headerSize == 12) {
    Put16(v, 4, static_cast<uint16_t>(s.width));
    Put16(v, 6, static_cast<uint16_t>(s.height));
    Put16(v, 8, s.planes);
    Put16(v, 10, s.bitCount);
  } else {
    Put32(v, 4, static_cast<uint32_t>(s.width));
    Put32(v, 8, static_cast<uint32_t>(s.height));
    Put16(v, 12, s.planes);
    Put16(v, 14, s.bitCount);
  }
  if (s.headerSize >= 40) {
    Put32(v, 16, s.compression);
    Put32(v, 32, s.clrUsed);
  }
  const bool fields = s.compression == BI_BITFIELDS || s.compression == BI_ALPHABITFIELDS;
  if (s.headerSize >= 52) {
    for (int i = 0; i < 3; ++i) Put32(v, 40 + 4 * i, s.masks[i]);
    if (s.headerSize >= 56) Put32(v, 52, s.masks[3]);
  } else if (fields && s.headerSize == 40) {
    const int n = s.compression == BI_ALPHABITFIELDS ? 4 : 3;
    v.resize(v.size() + 4 * n);
    for (int i = 0; i < n; ++i) Put32(v, 40 + 4 * i, s.masks[i]);
  }
  for (const RGBQUAD& q : s.palette) {
    v.push_back(q.rgbBlue);
    v.push_back(q.rgbGreen);
    v.push_back(q.rgbRed);
    if (s.headerSize != 12) v.push_back(q.rgbReserved);
  }
  return v;
}

inline std::vector<uint8_t> BuildPackedDib(const BmpSpec& s) {
  std::vector<uint8_t> v = BuildDibHeader(s);
  v.insert(v.end(), s.pixels.begin(), s.pixels.end());
  return v;
}

inline std::vector<uint8_t> BuildBmp(const BmpSpec& s) {
  const std::vector<uint8_t> dib = BuildDibHeader(s);
  std::vector<uint8_t> v(14, 0);
  v[0] = 'B';
  v[1] = 'M';
  Put32(v, 2, static_cast<uint32_t>(14 + dib.size() + s.pixels.size()));
  Put32(v, 10, s.offBits.value_or(static_cast<uint32_t>(14 + dib.size())));
  v.insert(v.end(), dib.begin(), dib.end());
  v.insert(v.end(), s.pixels.begin(), s.pixels.end());
  return v;
}

// Uncompressed rows of `bitCount` bits, 4-byte aligned, bottom row first unless topDown.
// value(x, y), y from the top, is an index (1 to 8 bits), a pixel word (16, 32) or 0xRRGGBB (24).
inline std::vector<uint8_t> PackRows(int w, int h, int bitCount, bool topDown,
                                     const std::function<uint32_t(int, int)>& value) {
  const size_t stride = (static_cast<size_t>(w) * bitCount + 31) / 32 * 4;
  std::vector<uint8_t> v(stride * h, 0);
  for (int r = 0; r < h; ++r) {
    const int y = topDown ? r : h - 1 - r;
    uint8_t* row = v.data() + r * stride;
    for (int x = 0; x < w; ++x) {
      const uint32_t p = value(x, y);
      switch (bitCount) {
        case 1: row[x >> 3] |= static_cast<uint8_t>((p & 1) << (7 - (x & 7))); break;
        case 4: row[x >> 1] |= static_cast<uint8_t>((p & 15) << ((x & 1) ? 0 : 4)); break;
        case 8: row[x] = static_cast<uint8_t>(p); break;
        case 16: row[2 * x] = static_cast<uint8_t>(p); row[2 * x + 1] = static_cast<uint8_t>(p >> 8); break;
        case 24: row[3 * x] = static_cast<uint8_t>(p); row[3 * x + 1] = static_cast<uint8_t>(p >> 8);
                 row[3 * x + 2] = static_cast<uint8_t>(p >> 16); break;
        case 32: for (int i = 0; i < 4; ++i) row[4 * x + i] = static_cast<uint8_t>(p >> (8 * i)); break;
      }
    }
  }
  return v;
}

inline RGBQUAD Rgb(uint8_t r, uint8_t g, uint8_t b) { return RGBQUAD{b, g, r, 0}; }

// A palette of n distinct colours: entry i is (i, 255 - i, i * 7 mod 256).
inline std::vector<RGBQUAD> TestPalette(int n) {
  std::vector<RGBQUAD> p;
  for (int i = 0; i < n; ++i)
    p.push_back(Rgb(static_cast<uint8_t>(i), static_cast<uint8_t>(255 - i), static_cast<uint8_t>(i * 7)));
  return p;
}
