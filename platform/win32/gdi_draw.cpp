// GDI drawing on surfaces: text and bitmap copies, each converted to the surface's pixel
// format or matched to its palette, moved by the context's origin and kept inside its clip.
#include <windows.h>

#include <algorithm>
#include <cstdint>
#include <string_view>
#include <utility>
#include <vector>

#include "win32/gdi_canvas.h"
#include "win32/gdi_text.h"

namespace {

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

bool SurfacePixels(HDC dc, GdiSurfacePixels& out) {
  GdiSurfaceSource* source = GdiSurfaceOf(dc);
  return source && source->GdiPixels(out) && out.bits && out.kind != PixelKind::Depth;
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

COLORREF GetTextColor(HDC dc) {
  GdiDrawState* state = GdiStateOf(dc);
  return state ? state->textColor : CLR_INVALID;
}

COLORREF GetBkColor(HDC dc) {
  GdiDrawState* state = GdiStateOf(dc);
  return state ? state->backColor : CLR_INVALID;
}

int SetBkMode(HDC dc, int mode) {
  GdiDrawState* state = GdiStateOf(dc);
  if (!state || (mode != TRANSPARENT && mode != OPAQUE)) return 0;
  return std::exchange(state->backMode, mode);
}

BOOL ExtTextOutA(HDC dc, int x, int y, UINT options, const RECT* rect, LPCSTR text, UINT count,
                 const INT* /*dx*/) {
  GdiCanvas canvas(dc);
  if (!canvas.Ok() || (!text && count > 0)) return FALSE;
  const RECT* limit = (options & ETO_CLIPPED) && rect ? rect : nullptr;
  if ((options & ETO_OPAQUE) && rect) canvas.Fill(*rect, canvas.State().backColor);
  if (count == 0) return TRUE;
  const GdiFontSpec font = GdiSelectedFont(dc);
  GlyphRun run;
  if (!GdiRenderRun(font, std::string_view(text, count), run)) return FALSE;
  GdiDrawRun(canvas, run, font, x, y, limit);
  return TRUE;
}

BOOL TextOutA(HDC dc, int x, int y, LPCSTR text, int count) {
  if (count < 0) return FALSE;
  return ExtTextOutA(dc, x, y, 0, nullptr, text, UINT(count), nullptr);
}

BOOL BitBlt(HDC dest, int x, int y, int width, int height, HDC source, int sourceX, int sourceY,
            DWORD rop) {
  if (rop != SRCCOPY || width < 0 || height < 0) return FALSE;
  GdiCanvas canvas(dest);
  if (!canvas.Ok()) return FALSE;

  // The source: a memory device context's bitmap, or another surface.
  const Dib* dib = GdiBitmapDib(GdiSelectedBitmap(source));
  GdiSurfacePixels other;
  const bool fromSurface = !dib && SurfacePixels(source, other);
  if (!dib && !fromSurface) return FALSE;
  const int sourceWidth = dib ? dib->width : other.width;
  const int sourceHeight = dib ? dib->height : other.height;
  // A window context's (0, 0) lies at its origin on the screen.
  const POINT sourceOrigin = fromSurface ? GdiStateOf(source)->origin : POINT{0, 0};
  const int64_t sx0 = int64_t(sourceX) + sourceOrigin.x, sy0 = int64_t(sourceY) + sourceOrigin.y;

  // The destination rectangle within the source picture, in logical coordinates.
  const int64_t left = std::max<int64_t>(x, int64_t(x) - sx0);
  const int64_t top = std::max<int64_t>(y, int64_t(y) - sy0);
  const int64_t right = std::min<int64_t>(int64_t(x) + width, int64_t(x) - sx0 + sourceWidth);
  const int64_t bottom = std::min<int64_t>(int64_t(y) + height, int64_t(y) - sy0 + sourceHeight);
  if (left >= right || top >= bottom) return TRUE;
  const RECT logical{LONG(std::clamp<int64_t>(left, INT32_MIN, INT32_MAX)),
                     LONG(std::clamp<int64_t>(top, INT32_MIN, INT32_MAX)),
                     LONG(std::clamp<int64_t>(right, INT32_MIN, INT32_MAX)),
                     LONG(std::clamp<int64_t>(bottom, INT32_MIN, INT32_MAX))};
  // Surface pixel (px, py) takes source pixel (px + dx, py + dy).
  const int64_t dx = sx0 - x - canvas.State().origin.x;
  const int64_t dy = sy0 - y - canvas.State().origin.y;

  std::vector<uint32_t> lookup;
  if (dib && dib->bitCount <= 8) {
    // Palettised bitmaps: each colour-table entry is converted once.
    lookup.resize(dib->colorCount);
    for (uint32_t i = 0; i < dib->colorCount; ++i) {
      const RGBQUAD& q = dib->colors[i];
      lookup[i] = canvas.Encode(0xFF000000u | uint32_t(q.rgbRed) << 16 |
                                uint32_t(q.rgbGreen) << 8 | q.rgbBlue);
    }
  }
  const bool indexed = dib && dib->bitCount <= 8;
  const int sourceBytes = fromSurface ? PixelBytes(other.kind) : 0;
  const PALETTEENTRY* sourcePalette = other.palette ? other.palette : DefaultPalette();
  canvas.ForEachPart(canvas.ToSurface(logical), [&](const RECT& r) {
    for (LONG py = r.top; py < r.bottom; ++py) {
      const int sy = int(py + dy);
      const uint8_t* row = dib ? DibRow(*dib, sy) : nullptr;
      for (LONG px = r.left; px < r.right; ++px) {
        const int sx = int(px + dx);
        if (indexed) {
          const uint32_t index = DibIndex(*dib, row, sx);
          canvas.Write(px, py, index < lookup.size() ? lookup[index] : 0);
          continue;
        }
        uint32_t color;
        if (dib) {
          color = DibColor(*dib, sx, sy);
        } else {
          const uint8_t* p = other.bits + ptrdiff_t(sy) * other.pitch + ptrdiff_t(sx) * sourceBytes;
          color = DecodeColor(other.kind, LoadPixel(p, sourceBytes), sourcePalette, false);
        }
        canvas.Write(px, py, canvas.Encode(color));
      }
    }
  });
  return TRUE;
}
