// Clipped, format-converting pixel access for the drawing calls.
#include "win32/gdi_canvas.h"

#include <algorithm>
#include <cstdint>

namespace {

LONG Clamp32(int64_t v) { return LONG(std::clamp<int64_t>(v, INT32_MIN, INT32_MAX)); }

uint8_t Mix(uint32_t ink, uint32_t back, int shift, int alpha) {
  const int a = int(ink >> shift & 255), b = int(back >> shift & 255);
  return uint8_t((a * alpha + b * (255 - alpha) + 127) / 255);
}

}  // namespace

RECT GdiOffsetRect(const RECT& r, int64_t dx, int64_t dy) {
  return RECT{Clamp32(r.left + dx), Clamp32(r.top + dy), Clamp32(r.right + dx),
              Clamp32(r.bottom + dy)};
}

RECT GdiIntersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  return GdiEmpty(r) ? RECT{} : r;
}

void GdiSubtract(const RECT& from, const RECT& cut, std::vector<RECT>& out) {
  const RECT c = GdiIntersect(from, cut);
  if (GdiEmpty(c)) {
    if (!GdiEmpty(from)) out.push_back(from);
    return;
  }
  if (from.top < c.top) out.push_back(RECT{from.left, from.top, from.right, c.top});
  if (c.bottom < from.bottom) out.push_back(RECT{from.left, c.bottom, from.right, from.bottom});
  if (from.left < c.left) out.push_back(RECT{from.left, c.top, c.left, c.bottom});
  if (c.right < from.right) out.push_back(RECT{c.right, c.top, from.right, c.bottom});
}

GdiCanvas::GdiCanvas(HDC dc) {
  GdiSurfaceSource* source = GdiSurfaceOf(dc);
  if (!source || !source->GdiPixels(pixels_) || !pixels_.bits || pixels_.kind == PixelKind::Depth ||
      pixels_.width <= 0 || pixels_.height <= 0)
    return;
  state_ = GdiStateOf(dc);
  if (!state_) return;
  bytes_ = PixelBytes(pixels_.kind);
  palette_ = pixels_.palette ? pixels_.palette : DefaultPalette();
  if (pixels_.kind == PixelKind::P8) matcher_ = std::make_unique<PaletteMatcher>(palette_);
  const RECT bounds{0, 0, pixels_.width, pixels_.height};
  if (!state_->clipped) {
    visible_.push_back(bounds);
  } else {
    for (const RECT& c : state_->clip) {
      const RECT r = GdiIntersect(c, bounds);
      if (!GdiEmpty(r)) visible_.push_back(r);
    }
  }
  ok_ = true;
}

RECT GdiCanvas::ToSurface(const RECT& logical) const {
  return GdiOffsetRect(logical, state_->origin.x, state_->origin.y);
}

bool GdiCanvas::IsVisible(int64_t sx, int64_t sy) const {
  for (const RECT& v : visible_)
    if (sx >= v.left && sx < v.right && sy >= v.top && sy < v.bottom) return true;
  return false;
}

uint32_t GdiCanvas::Encode(uint32_t argb) {
  return matcher_ ? matcher_->Match(argb) : EncodeColor(pixels_.kind, argb);
}

uint32_t GdiCanvas::Read(int sx, int sy) const {
  const uint8_t* p = pixels_.bits + ptrdiff_t(sy) * pixels_.pitch + ptrdiff_t(sx) * bytes_;
  return DecodeColor(pixels_.kind, LoadPixel(p, bytes_), palette_, false) | 0xFF000000u;
}

void GdiCanvas::Write(int sx, int sy, uint32_t value) {
  StorePixel(pixels_.bits + ptrdiff_t(sy) * pixels_.pitch + ptrdiff_t(sx) * bytes_, bytes_, value);
}

void GdiCanvas::Blend(int sx, int sy, uint32_t argb, int alpha) {
  if (alpha <= 0) return;
  if (alpha >= 255) {
    Write(sx, sy, Encode(argb));
    return;
  }
  const uint32_t under = Read(sx, sy);
  const uint32_t mixed = 0xFF000000u | uint32_t(Mix(argb, under, 16, alpha)) << 16 |
                         uint32_t(Mix(argb, under, 8, alpha)) << 8 | Mix(argb, under, 0, alpha);
  Write(sx, sy, Encode(mixed));
}

void GdiCanvas::Fill(const RECT& logical, COLORREF color) {
  const uint32_t value = Encode(GdiArgb(color));
  ForEachPart(ToSurface(logical), [&](const RECT& r) {
    for (LONG y = r.top; y < r.bottom; ++y)
      for (LONG x = r.left; x < r.right; ++x) Write(x, y, value);
  });
}

void GdiCanvas::Plot(int64_t x, int64_t y, COLORREF color) {
  const int64_t sx = SurfaceX(x), sy = SurfaceY(y);
  if (IsVisible(sx, sy)) Write(int(sx), int(sy), Encode(GdiArgb(color)));
}

void GdiCanvas::Coverage(const uint8_t* coverage, int width, int height, int64_t x, int64_t y,
                         COLORREF ink, const RECT* limit) {
  if (!coverage || width <= 0 || height <= 0) return;
  RECT cell{Clamp32(x), Clamp32(y), Clamp32(x + width), Clamp32(y + height)};
  if (limit) cell = GdiIntersect(cell, *limit);
  const uint32_t argb = GdiArgb(ink);
  const uint32_t solid = Encode(argb);
  const int64_t ox = SurfaceX(x), oy = SurfaceY(y);
  ForEachPart(ToSurface(cell), [&](const RECT& r) {
    for (LONG sy = r.top; sy < r.bottom; ++sy) {
      const uint8_t* row = coverage + size_t(sy - oy) * size_t(width);
      for (LONG sx = r.left; sx < r.right; ++sx) {
        const int c = row[sx - ox];
        if (c == 255)
          Write(sx, sy, solid);
        else if (c)
          Blend(sx, sy, argb, c);
      }
    }
  });
}
