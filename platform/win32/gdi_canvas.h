// Inside the platform layer: drawing on the pixels behind a device context. Coordinates are
// the context's own (logical); the canvas moves them by the context's origin and keeps every
// write inside its clip rectangles and the surface, converting colours to the surface's format.
#pragma once

#include <windows.h>

#include <memory>
#include <vector>

#include "ddraw/pixels.h"
#include "win32/gdi_bitmap.h"

// Colours as the surface conversions take them: 0xAARRGGBB, opaque.
inline uint32_t GdiArgb(COLORREF c) {
  return 0xFF000000u | uint32_t(GetRValue(c)) << 16 | uint32_t(GetGValue(c)) << 8 | GetBValue(c);
}

// A rectangle moved by (dx, dy), with coordinates kept within 32 bits.
RECT GdiOffsetRect(const RECT& r, int64_t dx, int64_t dy);
RECT GdiIntersect(const RECT& a, const RECT& b);
inline bool GdiEmpty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }
// `from` less `cut`, as up to four rectangles appended to `out`.
void GdiSubtract(const RECT& from, const RECT& cut, std::vector<RECT>& out);

class GdiCanvas {
 public:
  // A canvas for a surface device context; Ok() is false for any other handle or a surface
  // that cannot be drawn on now.
  explicit GdiCanvas(HDC dc);
  bool Ok() const { return ok_; }
  GdiDrawState& State() { return *state_; }

  // The surface rectangles writes may touch: the clip rectangles within the surface.
  const std::vector<RECT>& Visible() const { return visible_; }
  // A logical rectangle or point on the surface.
  RECT ToSurface(const RECT& logical) const;
  int64_t SurfaceX(int64_t x) const { return x + state_->origin.x; }
  int64_t SurfaceY(int64_t y) const { return y + state_->origin.y; }
  bool IsVisible(int64_t sx, int64_t sy) const;

  uint32_t Encode(uint32_t argb);
  // Surface coordinates, unchecked: callers stay inside Visible().
  uint32_t Read(int sx, int sy) const;
  void Write(int sx, int sy, uint32_t value);
  // Mixes `argb` over the pixel by `alpha` (0..255).
  void Blend(int sx, int sy, uint32_t argb, int alpha);

  // Logical rectangle in a colour, clipped.
  void Fill(const RECT& logical, COLORREF color);
  // One logical pixel, if visible.
  void Plot(int64_t x, int64_t y, COLORREF color);
  // Coverage (0..255, width x height, rows top first) at logical (x, y) in `ink`, kept inside
  // the logical `limit` as well when one is given.
  void Coverage(const uint8_t* coverage, int width, int height, int64_t x, int64_t y,
                COLORREF ink, const RECT* limit);

  // Calls fn(RECT) with each visible part of a surface rectangle.
  template <typename Fn>
  void ForEachPart(const RECT& surface, Fn fn) const {
    for (const RECT& v : visible_) {
      const RECT part = GdiIntersect(surface, v);
      if (!GdiEmpty(part)) fn(part);
    }
  }

 private:
  bool ok_ = false;
  GdiDrawState* state_ = nullptr;
  GdiSurfacePixels pixels_;
  int bytes_ = 4;
  const PALETTEENTRY* palette_ = nullptr;
  std::unique_ptr<PaletteMatcher> matcher_;
  std::vector<RECT> visible_;
};
