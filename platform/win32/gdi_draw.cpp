// GDI drawing on DirectDraw surfaces: text in the GUI font and bitmap copies, each converted to
// the surface's pixel format or matched to its palette.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "win32/font.h"
#include "win32/gdi_bitmap.h"

namespace {

// The cell height of the GUI font.
constexpr int kGuiFontHeight = 16;

uint32_t ArgbOf(COLORREF c) {
  return 0xFF000000u | uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c);
}

// Writes colours into one surface's pixels, matching its palette when it has one.
class PixelWriter {
 public:
  explicit PixelWriter(const GdiSurfacePixels& target)
      : target_(target),
        bytes_(PixelBytes(target.kind)),
        palette_(target.palette ? target.palette : DefaultPalette()),
        matcher_(target.kind == PixelKind::P8 ? new PaletteMatcher(palette_) : nullptr) {}
  ~PixelWriter() { delete matcher_; }
  PixelWriter(const PixelWriter&) = delete;
  PixelWriter& operator=(const PixelWriter&) = delete;

  uint32_t Encode(uint32_t argb) {
    return matcher_ ? matcher_->Match(argb) : EncodeColor(target_.kind, argb);
  }
  uint8_t* At(int x, int y) const {
    return target_.bits + ptrdiff_t(y) * target_.pitch + ptrdiff_t(x) * bytes_;
  }
  uint32_t Read(int x, int y) const {
    return DecodeColor(target_.kind, LoadPixel(At(x, y), bytes_), palette_, false);
  }
  void Write(int x, int y, uint32_t value) { StorePixel(At(x, y), bytes_, value); }
  void Fill(RECT r, uint32_t argb) {
    r = Clip(r);
    const uint32_t value = Encode(argb);
    for (LONG y = r.top; y < r.bottom; ++y)
      for (LONG x = r.left; x < r.right; ++x) Write(x, y, value);
  }
  RECT Clip(RECT r) const {
    r.left = std::max<LONG>(r.left, 0);
    r.top = std::max<LONG>(r.top, 0);
    r.right = std::min<LONG>(r.right, target_.width);
    r.bottom = std::min<LONG>(r.bottom, target_.height);
    return r;
  }

 private:
  const GdiSurfacePixels& target_;
  int bytes_;
  const PALETTEENTRY* palette_;
  PaletteMatcher* matcher_;
};

bool SurfacePixels(HDC dc, GdiSurfacePixels& out) {
  GdiSurfaceSource* source = GdiSurfaceOf(dc);
  return source && source->GdiPixels(out) && out.bits && out.kind != PixelKind::Depth;
}

uint8_t Mix(uint32_t ink, uint32_t back, int shift, int coverage) {
  const int a = int(ink >> shift & 255), b = int(back >> shift & 255);
  return uint8_t((a * coverage + b * (255 - coverage) + 127) / 255);
}

// A bitmap pixel's colour; DIBs without an alpha mask are opaque.
uint32_t DibColor(const Dib& dib, int x, int y) {
  RGBQUAD q{};
  DibPixelRGB(dib, x, y, q);
  const uint32_t alpha = dib.bitCount >= 16 && dib.alpha.bits ? q.rgbReserved : 255;
  return alpha << 24 | uint32_t(q.rgbRed) << 16 | uint32_t(q.rgbGreen) << 8 | q.rgbBlue;
}

uint32_t DibIndex(const Dib& dib, const uint8_t* row, int x) {
  switch (dib.bitCount) {
    case 1: return row[x >> 3] >> (7 - (x & 7)) & 1;
    case 4: return row[x >> 1] >> (x & 1 ? 0 : 4) & 15;
    default: return row[x];
  }
}

}  // namespace

COLORREF SetTextColor(HDC dc, COLORREF color) {
  GdiDrawState* state = GdiStateOf(dc);
  if (!state) return CLR_INVALID;
  return std::exchange(state->textColor, color & 0x00FFFFFF);
}

COLORREF SetBkColor(HDC dc, COLORREF color) {
  GdiDrawState* state = GdiStateOf(dc);
  if (!state) return CLR_INVALID;
  return std::exchange(state->backColor, color & 0x00FFFFFF);
}

int SetBkMode(HDC dc, int mode) {
  GdiDrawState* state = GdiStateOf(dc);
  if (!state || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  return std::exchange(state->backMode, mode);
}

BOOL GetTextExtentPoint32A(HDC dc, LPCSTR text, int count, LPSIZE size) {
  if (!GdiStateOf(dc) || !size || count < 0 || (!text && count > 0)) return FALSE;
  int width = 0, height = 0;
  if (!MeasureTextRun(std::string_view(text ? text : "", size_t(count)), kGuiFontHeight, width,
                      height))
    return FALSE;
  size->cx = width;
  size->cy = height;
  return TRUE;
}

BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count,
                 const INT* /*dx*/) {
  GdiSurfacePixels pixels;
  if (!SurfacePixels(dc, pixels) || (!text && count > 0)) return FALSE;
  const GdiDrawState& state = *GdiStateOf(dc);
  PixelWriter writer(pixels);
  const uint32_t back = ArgbOf(state.backColor);
  if ((options & ETO_OPAQUE) && rect) writer.Fill(*rect, back);
  if (count == 0) return TRUE;

  GlyphRun run;
  if (!RenderTextRun(std::string_view(text, count), kGuiFontHeight, run)) return FALSE;
  // The cell, clipped to the surface and, with ETO_CLIPPED, to the rectangle.
  const int64_t right = int64_t(x) + run.width, bottom = int64_t(y) + run.height;
  RECT cell{LONG(std::max<int64_t>(x, INT32_MIN)), LONG(std::max<int64_t>(y, INT32_MIN)),
            LONG(std::min<int64_t>(right, INT32_MAX)), LONG(std::min<int64_t>(bottom, INT32_MAX))};
  if ((options & ETO_CLIPPED) && rect) {
    cell.left = std::max(cell.left, rect->left);
    cell.top = std::max(cell.top, rect->top);
    cell.right = std::min(cell.right, rect->right);
    cell.bottom = std::min(cell.bottom, rect->bottom);
  }
  if (state.backMode == OPAQUE) writer.Fill(cell, back);
  cell = writer.Clip(cell);

  const uint32_t ink = ArgbOf(state.textColor);
  const uint32_t solid = writer.Encode(ink);
  for (LONG py = cell.top; py < cell.bottom; ++py) {
    const uint8_t* coverage = run.coverage.data() + size_t(py - y) * run.width;
    for (LONG px = cell.left; px < cell.right; ++px) {
      const int c = coverage[px - x];
      if (c == 0) continue;
      if (c == 255) {
        writer.Write(px, py, solid);
        continue;
      }
      const uint32_t under = writer.Read(px, py);
      const uint32_t mixed = 0xFF000000u | uint32_t(Mix(ink, under, 16, c)) << 16 |
                             uint32_t(Mix(ink, under, 8, c)) << 8 | Mix(ink, under, 0, c);
      writer.Write(px, py, writer.Encode(mixed));
    }
  }
  return TRUE;
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
            DWORD rop) {
  GdiSurfacePixels target;
  if (rop != SRCCOPY || width < 0 || height < 0 || !SurfacePixels(dest, target)) return FALSE;

  // The source: a memory device context's bitmap, or another surface.
  const Dib* dib = GdiBitmapDib(GdiSelectedBitmap(source));
  GdiSurfacePixels other;
  const bool fromSurface = !dib && SurfacePixels(source, other);
  if (!dib && !fromSurface) return FALSE;
  const int sourceWidth = dib ? dib->width : other.width;
  const int sourceHeight = dib ? dib->height : other.height;

  // Clip to both pictures, moving the two origins together.
  int64_t left = std::max<int64_t>({0, x, int64_t(x) - sourceX});
  int64_t top = std::max<int64_t>({0, y, int64_t(y) - sourceY});
  int64_t right = std::min<int64_t>({int64_t(x) + width, target.width,
                                     int64_t(x) - sourceX + sourceWidth});
  int64_t bottom = std::min<int64_t>({int64_t(y) + height, target.height,
                                      int64_t(y) - sourceY + sourceHeight});
  if (left >= right || top >= bottom) return TRUE;
  const int64_t dx = int64_t(sourceX) - x, dy = int64_t(sourceY) - y;

  PixelWriter writer(target);
  if (dib && dib->bitCount <= 8) {
    // Palettised bitmaps: each colour-table entry is converted once.
    std::vector<uint32_t> lookup(dib->colorCount);
    for (uint32_t i = 0; i < dib->colorCount; ++i) {
      const RGBQUAD& q = dib->colors[i];
      lookup[i] = writer.Encode(0xFF000000u | uint32_t(q.rgbRed) << 16 |
                                uint32_t(q.rgbGreen) << 8 | q.rgbBlue);
    }
    for (int64_t py = top; py < bottom; ++py) {
      const uint8_t* row = DibRow(*dib, int(py + dy));
      for (int64_t px = left; px < right; ++px) {
        const uint32_t index = DibIndex(*dib, row, int(px + dx));
        writer.Write(int(px), int(py), index < lookup.size() ? lookup[index] : 0);
      }
    }
    return TRUE;
  }
  const int sourceBytes = fromSurface ? PixelBytes(other.kind) : 0;
  const PALETTEENTRY* sourcePalette = other.palette ? other.palette : DefaultPalette();
  for (int64_t py = top; py < bottom; ++py) {
    for (int64_t px = left; px < right; ++px) {
      const int sx = int(px + dx), sy = int(py + dy);
      uint32_t color;
      if (dib) {
        color = DibColor(*dib, sx, sy);
      } else {
        const uint8_t* p = other.bits + ptrdiff_t(sy) * other.pitch + ptrdiff_t(sx) * sourceBytes;
        color = DecodeColor(other.kind, LoadPixel(p, sourceBytes), sourcePalette, false);
      }
      writer.Write(int(px), int(py), writer.Encode(color));
    }
  }
  return TRUE;
}
