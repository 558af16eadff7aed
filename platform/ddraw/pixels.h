// Pixel formats of surfaces and the screen, and the row conversions between them. Shared by
// DirectDraw's blits and GDI drawing on surfaces. Colours travel as 0xAARRGGBB.
#pragma once

#include <ddraw.h>

#include <cstdint>
#include <cstring>

enum class PixelKind : uint8_t {
  P8,        // 8-bit palette index
  RGB555,
  RGB565,
  ARGB1555,
  ARGB4444,
  RGB888,    // blue, green, red bytes
  XRGB8888,  // the X byte is written 0 and ignored on reading
  ARGB8888,
  Depth,     // depth (and stencil) values: copied and filled, never converted
};
constexpr int kColorKinds = 8;  // the kinds before Depth

constexpr int PixelBytes(PixelKind kind) {
  switch (kind) {
    case PixelKind::P8: return 1;
    case PixelKind::RGB888: return 3;
    case PixelKind::XRGB8888:
    case PixelKind::ARGB8888: return 4;
    default: return 2;
  }
}

struct PixelFormat {
  PixelKind kind = PixelKind::XRGB8888;
  int bytes = 4;
  DDPIXELFORMAT dd{};  // as DirectDraw reports it
};

// Recognises a supported format; false for any other (other masks, YUV, FourCC, luminance).
bool PixelFormatFromDD(const DDPIXELFORMAT& dd, PixelFormat& out);
// The format of a colour kind, as DirectDraw describes it.
PixelFormat ColorFormat(PixelKind kind);
// The screen's format at a display depth: 8 palettised, 16 RGB 565, 24 RGB 888, 32 XRGB 8888.
bool DisplayFormat(DWORD bitsPerPixel, PixelFormat& out);

inline uint32_t LoadPixel(const uint8_t* p, int bytes) {
  switch (bytes) {
    case 1: return p[0];
    case 2: return uint32_t(p[0]) | uint32_t(p[1]) << 8;
    case 3: return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16;
    default: {
      uint32_t v;
      std::memcpy(&v, p, 4);
      return v;
    }
  }
}

inline void StorePixel(uint8_t* p, int bytes, uint32_t v) {
  switch (bytes) {
    case 1: p[0] = uint8_t(v); break;
    case 2: p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); break;
    case 3: p[0] = uint8_t(v); p[1] = uint8_t(v >> 8); p[2] = uint8_t(v >> 16); break;
    default: std::memcpy(p, &v, 4); break;
  }
}

// A colour kind's pixel value for a colour (P8: not meaningful, use a PaletteMatcher).
uint32_t EncodeColor(PixelKind kind, uint32_t argb);
// The colour of a pixel value. P8 reads `palette` (256 entries; with `paletteAlpha` the entry
// flags are its alpha) and gives black without one.
uint32_t DecodeColor(PixelKind kind, uint32_t value, const PALETTEENTRY* palette,
                     bool paletteAlpha);

// Finds the nearest palette entry to a colour (least squared distance, lowest index on a tie),
// remembering recent answers.
class PaletteMatcher {
 public:
  explicit PaletteMatcher(const PALETTEENTRY* entries);
  uint8_t Match(uint32_t argb);

 private:
  struct Slot {
    uint32_t key;  // colour | 0x01000000 once filled
    uint8_t index;
  };
  PALETTEENTRY entries_[256];
  Slot cache_[1024];
};

// The palette 8-bit surfaces use until one is attached: a 3-3-2 colour cube.
const PALETTEENTRY* DefaultPalette();

// Everything a row conversion may need beyond the two formats.
struct ConvertContext {
  const PALETTEENTRY* sourcePalette = nullptr;  // P8 sources
  bool sourcePaletteAlpha = false;
  PaletteMatcher* target = nullptr;  // P8 destinations
  uint32_t lookup[256] = {};         // P8 sources: the destination value of each index
};

// Converts `count` pixels of one row. Same-kind conversions copy (P8 copies indices).
typedef void (*RowConverter)(const uint8_t* source, uint8_t* dest, int count,
                             const ConvertContext& context);
// Null when a kind is Depth.
RowConverter FindRowConverter(PixelKind source, PixelKind dest);

// Prepares `context.lookup` for a P8 source into `dest` (call after setting the palettes).
void PrepareLookup(PixelKind dest, ConvertContext& context);
