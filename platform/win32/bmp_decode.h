// BMP decoding, separate from GDI: bytes in, device-independent bitmap out.
//
// A Dib keeps the image's own bit depth. Its pixel rows are stored TOP-DOWN whatever the
// file's order: row 0 is the top of the picture, each row `stride` bytes (a multiple of 4),
// laid out exactly as a DIB row of that depth (1 and 4 bits: leftmost pixel in the high bits;
// 16 and 32 bits: little-endian words read through the channel masks; 24 bits: blue, green,
// red). RLE images decode to plain 8- or 4-bit rows.
#pragma once

#include <windows.h>

#include <cstddef>
#include <cstdint>
#include <vector>

// Images larger than this are refused rather than allocated.
constexpr int32_t kDibMaxSide = 16384;
constexpr uint64_t kDibMaxBytes = 256ull << 20;

// One colour channel of a 16- or 32-bit image: its bits in the pixel word.
struct DibChannel {
  uint32_t mask = 0;
  uint8_t shift = 0;  // position of the lowest bit of the mask
  uint8_t bits = 0;   // width of the mask; 0 leaves the channel at 0
};

struct Dib {
  int32_t width = 0;
  int32_t height = 0;  // always positive
  uint16_t bitCount = 0;  // 1, 4, 8, 16, 24 or 32
  uint32_t stride = 0;  // bytes per row
  // Colour table of 1-, 4- and 8-bit images, always the full 2^bitCount entries: entries the
  // file does not give are black, so every index a pixel can hold has a colour. 0 above 8 bits.
  uint32_t colorCount = 0;
  RGBQUAD colors[256] = {};
  // Channels of 16- and 32-bit images (the default 5-5-5 and 8-8-8 layouts for BI_RGB).
  DibChannel red, green, blue, alpha;
  // The pixel data ended early: pixels past the end (and pixels an RLE stream skipped or
  // never reached) hold 0 bits, black for 16 to 32 bits, colour-table entry 0 below.
  bool truncated = false;
  std::vector<uint8_t> bits;  // height * stride bytes, top row first
};

enum class BmpResult {
  Ok,
  NotBmp,          // no "BM" signature
  ShortHeader,     // the headers (or the masks after them) do not fit in the data
  BadHeaderSize,   // not one of 12, 16, 40, 52, 56, 64, 108, 124
  BadPlanes,       // planes other than 1
  BadDimensions,   // zero or negative width, zero height, top-down RLE
  TooLarge,        // over kDibMaxSide on a side or kDibMaxBytes of pixels
  BadBitCount,     // not 1, 4, 8, 16, 24 or 32, or not the depth the compression needs
  Unsupported,     // compression other than BI_RGB, BI_RLE8, BI_RLE4 or (alpha) bit fields
  BadMasks,        // channel masks overlapping, not contiguous, wider than the pixel or all 0
  BadOffset,       // the pixel data offset points into the headers or past the end
  OutOfMemory,
};

// Decodes a whole .bmp file (file header first).
BmpResult DecodeBmpFile(const uint8_t* data, size_t size, Dib& out);

// Decodes a packed DIB as bitmap resources hold it: the info header, masks, colour table and
// pixel data back to back, without the file header.
BmpResult DecodePackedDib(const uint8_t* data, size_t size, Dib& out);

// Reads the colour of pixel (x, y), y counted from the top. rgbReserved holds the alpha value
// scaled to 0..255 for images with an alpha mask, else 0. False outside the image.
bool DibPixelRGB(const Dib& dib, int x, int y, RGBQUAD& out);

// Scales a channel value of `bits` bits to 0..255, rounding (so all ones is 255).
uint8_t DibScaleChannel(uint32_t value, uint8_t bits);

// The start of row y (from the top), or null outside the image.
inline const uint8_t* DibRow(const Dib& dib, int y) {
  if (y < 0 || y >= dib.height || dib.bits.empty()) return nullptr;
  return dib.bits.data() + static_cast<size_t>(y) * dib.stride;
}
