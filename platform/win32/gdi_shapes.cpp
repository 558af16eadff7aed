// Rectangles, 3D edges, lines and single pixels in brushes, pens and system colours.
#include <windows.h>

#include <algorithm>
#include <cstdlib>

#include "win32/gdi_canvas.h"
#include "win32/gdi_objects.h"

namespace {

// Diagonal lines longer than this are not drawn: nothing on a screen needs them.
constexpr int64_t kMaxLineSteps = 1 << 16;

struct EdgeColors {
  COLORREF topLeft, bottomRight;
};

// One-pixel borders on the chosen sides, the top and left first; `r` shrinks past them.
void Border(GdiCanvas& canvas, RECT& r, UINT sides, EdgeColors c) {
  if (sides & BF_TOP) canvas.Fill(RECT{r.left, r.top, r.right, r.top + 1}, c.topLeft);
  if (sides & BF_LEFT) canvas.Fill(RECT{r.left, r.top, r.left + 1, r.bottom}, c.topLeft);
  if (sides & BF_BOTTOM) canvas.Fill(RECT{r.left, r.bottom - 1, r.right, r.bottom}, c.bottomRight);
  if (sides & BF_RIGHT) canvas.Fill(RECT{r.right - 1, r.top, r.right, r.bottom}, c.bottomRight);
  if (sides & BF_TOP) ++r.top;
  if (sides & BF_LEFT) ++r.left;
  if (sides & BF_BOTTOM) --r.bottom;
  if (sides & BF_RIGHT) --r.right;
}

bool OuterColors(UINT edge, UINT flags, EdgeColors& c) {
  if (!(edge & BDR_OUTER)) return false;
  if (flags & BF_MONO) c = {GetSysColor(COLOR_WINDOWFRAME), GetSysColor(COLOR_WINDOWFRAME)};
  else if (flags & BF_FLAT) c = {GetSysColor(COLOR_3DSHADOW), GetSysColor(COLOR_3DSHADOW)};
  else if (edge & BDR_RAISEDOUTER) c = {GetSysColor(COLOR_3DLIGHT), GetSysColor(COLOR_3DDKSHADOW)};
  else c = {GetSysColor(COLOR_3DSHADOW), GetSysColor(COLOR_3DHILIGHT)};
  return true;
}

bool InnerColors(UINT edge, UINT flags, EdgeColors& c) {
  if (!(edge & BDR_INNER)) return false;
  if (flags & BF_MONO) c = {GetSysColor(COLOR_WINDOW), GetSysColor(COLOR_WINDOW)};
  else if (flags & BF_FLAT) c = {GetSysColor(COLOR_3DFACE), GetSysColor(COLOR_3DFACE)};
  else if (edge & BDR_RAISEDINNER) c = {GetSysColor(COLOR_3DHILIGHT), GetSysColor(COLOR_3DSHADOW)};
  else c = {GetSysColor(COLOR_3DDKSHADOW), GetSysColor(COLOR_3DLIGHT)};
  return true;
}

bool PenColor(const GdiDrawState& state, COLORREF& out) {
  GdiPenSpec pen;
  if (!GdiPenOf(state.pen, pen)) pen = GdiPenSpec{};
  out = pen.color;
  return pen.visible;
}

}  // namespace

int FillRect(HDC dc, const RECT* rect, HBRUSH brush) {
  COLORREF color;
  if (!rect || !GdiBrushColor(brush, color)) return 0;
  GdiCanvas canvas(dc);
  if (!canvas.Ok()) return 0;
  canvas.Fill(*rect, color);
  return 1;
}

int FrameRect(HDC dc, const RECT* rect, HBRUSH brush) {
  COLORREF color;
  if (!rect || !GdiBrushColor(brush, color)) return 0;
  GdiCanvas canvas(dc);
  if (!canvas.Ok()) return 0;
  if (GdiEmpty(*rect)) return 1;
  RECT r = *rect;
  Border(canvas, r, BF_RECT, EdgeColors{color, color});
  return 1;
}

BOOL DrawEdge(HDC dc, LPRECT rect, UINT edge, UINT flags) {
  if (!rect) return FALSE;
  GdiCanvas canvas(dc);
  if (!canvas.Ok()) return FALSE;
  RECT r = *rect;
  const UINT sides = flags & BF_RECT;
  EdgeColors c;
  if (OuterColors(edge, flags, c)) Border(canvas, r, sides, c);
  if (InnerColors(edge, flags, c)) Border(canvas, r, sides, c);
  if ((flags & BF_MIDDLE) && !GdiEmpty(r))
    canvas.Fill(r, GetSysColor((flags & BF_MONO) ? COLOR_WINDOW : COLOR_3DFACE));
  if (flags & BF_ADJUST) *rect = r;
  return TRUE;
}

BOOL Rectangle(HDC dc, int left, int top, int right, int bottom) {
  GdiCanvas canvas(dc);
  if (!canvas.Ok()) return FALSE;
  RECT r{std::min(left, right), std::min(top, bottom), std::max(left, right),
         std::max(top, bottom)};
  COLORREF pen;
  if (PenColor(canvas.State(), pen)) {
    Border(canvas, r, BF_RECT, EdgeColors{pen, pen});
  } else {
    --r.right;  // without a pen the shape is one pixel smaller
    --r.bottom;
  }
  COLORREF brush;
  if (!GdiEmpty(r) && GdiBrushColor(static_cast<HBRUSH>(canvas.State().brush), brush))
    canvas.Fill(r, brush);
  return TRUE;
}

BOOL MoveToEx(HDC dc, int x, int y, LPPOINT previous) {
  GdiDrawState* state = GdiStateOf(dc);
  if (!state) return FALSE;
  if (previous) *previous = state->position;
  state->position = POINT{x, y};
  return TRUE;
}

BOOL LineTo(HDC dc, int x, int y) {
  GdiCanvas canvas(dc);
  if (!canvas.Ok()) return FALSE;
  GdiDrawState& state = canvas.State();
  const POINT from = state.position;
  state.position = POINT{x, y};
  COLORREF color;
  if (!PenColor(state, color)) return TRUE;
  const int64_t dx = int64_t(x) - from.x, dy = int64_t(y) - from.y;
  if (dy == 0 || dx == 0) {
    // Straight lines are thin rectangles, the end point left out.
    const int64_t x0 = dx >= 0 ? from.x : int64_t(x) + 1, x1 = dx >= 0 ? x : int64_t(from.x) + 1;
    const int64_t y0 = dy >= 0 ? from.y : int64_t(y) + 1, y1 = dy >= 0 ? y : int64_t(from.y) + 1;
    if (dx == 0 && dy == 0) return TRUE;
    const RECT line = dx == 0 ? RECT{from.x, LONG(y0), from.x + 1, LONG(y1)}
                              : RECT{LONG(x0), from.y, LONG(x1), from.y + 1};
    canvas.Fill(line, color);
    return TRUE;
  }
  const int64_t steps = std::max(std::llabs(dx), std::llabs(dy));
  if (steps > kMaxLineSteps) return TRUE;
  // Bresenham along the longer axis.
  const int64_t sx = dx > 0 ? 1 : -1, sy = dy > 0 ? 1 : -1;
  const int64_t ax = std::llabs(dx), ay = std::llabs(dy);
  int64_t px = from.x, py = from.y, error = 0;
  for (int64_t i = 0; i < steps; ++i) {
    canvas.Plot(px, py, color);
    if (ax >= ay) {
      px += sx;
      error += 2 * ay;
      if (error > ax) py += sy, error -= 2 * ax;
    } else {
      py += sy;
      error += 2 * ax;
      if (error > ay) px += sx, error -= 2 * ay;
    }
  }
  return TRUE;
}

COLORREF SetPixel(HDC dc, int x, int y, COLORREF color) {
  GdiCanvas canvas(dc);
  const int64_t sx = canvas.Ok() ? canvas.SurfaceX(x) : 0, sy = canvas.Ok() ? canvas.SurfaceY(y) : 0;
  if (!canvas.Ok() || !canvas.IsVisible(sx, sy)) return CLR_INVALID;
  canvas.Write(int(sx), int(sy), canvas.Encode(GdiArgb(color)));
  return GetPixel(dc, x, y);
}

COLORREF GetPixel(HDC dc, int x, int y) {
  GdiCanvas canvas(dc);
  if (!canvas.Ok()) return CLR_INVALID;
  const int64_t sx = canvas.SurfaceX(x), sy = canvas.SurfaceY(y);
  if (!canvas.IsVisible(sx, sy)) return CLR_INVALID;
  const uint32_t argb = canvas.Read(int(sx), int(sy));
  return RGB(argb >> 16 & 255, argb >> 8 & 255, argb & 255);
}
