// Window device contexts: surface device contexts on the display's screen buffer, moved to the
// window's place and clipped to what of it shows.
#include "win32/window_dc.h"

#include "display/display.h"
#include "win32/gdi_bitmap.h"
#include "win32/gdi_canvas.h"
#include "win32/window_internal.h"

#include <algorithm>
#include <new>
#include <vector>

namespace {

// The screen as GDI sees it: the display's buffer in the current mode's format.
class ScreenSource final : public GdiSurfaceSource {
 public:
  bool GdiPixels(GdiSurfacePixels& out) override {
    ScreenBuffer& s = TheDisplay().Screen();
    PixelFormat format;
    if (!DisplayFormat(s.bitsPerPixel, format) || s.pixels.empty() || s.width == 0 ||
        s.height == 0 || size_t(s.pitch) * s.height > s.pixels.size())
      return false;
    out.bits = s.pixels.data();
    out.width = int(s.width);
    out.height = int(s.height);
    out.pitch = LONG(s.pitch);
    out.kind = format.kind;
    out.palette = s.bitsPerPixel == 8 ? s.palette : nullptr;
    return true;
  }
};

ScreenSource& Screen() {
  static ScreenSource* source = new ScreenSource;
  return *source;
}

// Window device contexts handed out and not yet released.
std::vector<HDC>& OpenDCs() {
  static auto* dcs = new std::vector<HDC>;
  return *dcs;
}

RECT OuterOnScreen(const WindowRecord& w) {
  const POINT o = ParentClientOrigin(w);
  return RECT{w.window.left + o.x, w.window.top + o.y, w.window.right + o.x,
              w.window.bottom + o.y};
}

const WindowRecord* TopOf(const WindowRecord* w) {
  while (w && w->parent) {
    const WindowRecord* up = FindWindowRecord(w->parent);
    if (!up) break;
    w = up;
  }
  return w;
}

// Stacking among top-level windows: topmost ones over the rest, then the newer over the older.
bool IsAbove(const WindowRecord& a, const WindowRecord& b) {
  const bool at = StacksTopmost(a), bt = StacksTopmost(b);
  if (at != bt) return at;
  return reinterpret_cast<uintptr_t>(a.handle) > reinterpret_cast<uintptr_t>(b.handle);
}

bool Shows(const WindowRecord& w) { return !w.destroying && IsWindowVisible(w.handle); }

void CutAway(std::vector<RECT>& parts, const RECT& cut) {
  std::vector<RECT> kept;
  for (const RECT& p : parts) GdiSubtract(p, cut, kept);
  parts.swap(kept);
}

// What of `area` (screen) the window shows: inside its parents' client areas, without the
// top-level windows above its own and, with WS_CLIPCHILDREN, without its visible children.
std::vector<RECT> VisibleParts(const WindowRecord& w, RECT area) {
  std::vector<RECT> parts;
  if (!Shows(w)) return parts;
  for (const WindowRecord* p = w.parent ? FindWindowRecord(w.parent) : nullptr; p;
       p = p->parent ? FindWindowRecord(p->parent) : nullptr)
    area = GdiIntersect(area, ClientRectOnScreen(*p));
  if (GdiEmpty(area)) return parts;
  parts.push_back(area);
  const WindowRecord* top = TopOf(&w);
  for (auto& [key, o] : Windows().windows) {
    if (o.get() == &w || !(o->style & WS_VISIBLE) || o->destroying) continue;
    const bool child = o->parent == w.handle && (w.style & WS_CLIPCHILDREN);
    const bool above = IsTopLevel(*o) && o.get() != top && IsAbove(*o, *top);
    if (child || above) CutAway(parts, OuterOnScreen(*o));
  }
  return parts;
}

HDC NewScreenDC(const POINT& origin, bool clipped, std::vector<RECT> clip) {
  HDC dc = GdiCreateSurfaceDC(&Screen());
  if (!dc) return nullptr;
  GdiDrawState* state = GdiStateOf(dc);
  try {
    OpenDCs().push_back(dc);
  } catch (const std::bad_alloc&) {
    GdiDeleteSurfaceDC(dc);
    return nullptr;
  }
  state->origin = origin;
  state->clipped = clipped;
  state->clip = std::move(clip);
  return dc;
}

}  // namespace

HDC OpenWindowDC(HWND window, WindowDcArea area, const RECT* limit) {
  const WindowRecord* w = FindWindowRecord(window);
  if (!w) return nullptr;
  const RECT place = area == WindowDcArea::Client ? ClientRectOnScreen(*w) : OuterOnScreen(*w);
  RECT shown = place;
  if (limit) shown = GdiIntersect(place, GdiOffsetRect(*limit, place.left, place.top));
  try {
    return NewScreenDC(POINT{place.left, place.top}, true, VisibleParts(*w, shown));
  } catch (const std::bad_alloc&) {
    return nullptr;
  }
}

std::vector<RECT> ClientVisibleParts(HWND window) {
  const WindowRecord* w = FindWindowRecord(window);
  if (!w) return {};
  try {
    return VisibleParts(*w, ClientRectOnScreen(*w));
  } catch (const std::bad_alloc&) {
    return {};
  }
}

HDC GetDC(HWND window) {
  if (!window) return NewScreenDC(POINT{0, 0}, false, {});
  return OpenWindowDC(window, WindowDcArea::Client, nullptr);
}

HDC GetWindowDC(HWND window) {
  if (!window) return NewScreenDC(POINT{0, 0}, false, {});
  return OpenWindowDC(window, WindowDcArea::Window, nullptr);
}

int ReleaseDC(HWND, HDC dc) {
  auto& dcs = OpenDCs();
  auto it = std::find(dcs.begin(), dcs.end(), dc);
  if (!dc || it == dcs.end()) return 0;
  dcs.erase(it);
  GdiDeleteSurfaceDC(dc);
  return 1;
}

namespace {

void RepaintUncovered(HWND window, const RECT& oldRect) {
  const WindowRecord* moved = FindWindowRecord(window);
  if (!moved) return;
  std::vector<RECT> parts;
  if (moved->style & WS_VISIBLE)
    GdiSubtract(oldRect, OuterOnScreen(*moved), parts);
  else if (!GdiEmpty(oldRect))
    parts.push_back(oldRect);
  if (parts.empty()) return;

  // The top-level windows that may show there, lowest first.
  std::vector<const WindowRecord*> below;
  for (auto& [key, o] : Windows().windows)
    if (o.get() != moved && IsTopLevel(*o) && Shows(*o) && !IsAbove(*o, *moved))
      below.push_back(o.get());
  std::stable_sort(below.begin(), below.end(),
                   [](const WindowRecord* a, const WindowRecord* b) { return IsAbove(*b, *a); });

  // Where no window is, the desktop (black, as the screen starts) shows again.
  std::vector<RECT> desktop = parts;
  for (auto& [key, o] : Windows().windows)
    if (o.get() != moved && IsTopLevel(*o) && Shows(*o)) CutAway(desktop, OuterOnScreen(*o));
  if (!desktop.empty()) {
    if (HDC dc = GetDC(nullptr)) {
      for (const RECT& r : desktop) FillRect(dc, &r, static_cast<HBRUSH>(GetStockObject(BLACK_BRUSH)));
      ReleaseDC(nullptr, dc);
    }
  }

  // What each window lost, and what the windows above it may lose when it paints its whole
  // client area without GDI (a presented frame): those paint again after it.
  const size_t n = below.size();
  std::vector<RECT> lost(n), over(n);
  auto grow = [](RECT& into, const RECT& r) {
    if (GdiEmpty(r)) return;
    into = GdiEmpty(into) ? r
                          : RECT{std::min(into.left, r.left), std::min(into.top, r.top),
                                 std::max(into.right, r.right), std::max(into.bottom, r.bottom)};
  };
  for (size_t i = 0; i < n; ++i)
    for (const RECT& p : parts) grow(lost[i], GdiIntersect(p, OuterOnScreen(*below[i])));
  for (size_t i = 0; i < n; ++i) {
    if (GdiEmpty(lost[i]) && GdiEmpty(over[i])) continue;
    for (size_t j = i + 1; j < n; ++j)
      grow(over[j], GdiIntersect(OuterOnScreen(*below[j]), ClientRectOnScreen(*below[i])));
  }

  std::vector<HWND> handles;
  for (const WindowRecord* w : below) handles.push_back(w->handle);
  constexpr UINT kInvalidate = RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN;
  auto inClient = [](HWND h, const RECT& screen) {
    const WindowRecord* w = FindWindowRecord(h);
    const RECT c = w ? ClientRectOnScreen(*w) : RECT{};
    return GdiOffsetRect(screen, -int64_t(c.left), -int64_t(c.top));
  };
  // Frames and backgrounds now, bottom first; the client areas at their WM_PAINT.
  for (size_t i = 0; i < n; ++i) {
    if (GdiEmpty(lost[i]) || !FindWindowRecord(handles[i])) continue;
    const RECT r = inClient(handles[i], lost[i]);
    RedrawWindow(handles[i], &r, nullptr, kInvalidate | RDW_ERASENOW);
  }
  for (size_t i = 0; i < n; ++i) {
    if (GdiEmpty(over[i]) || !FindWindowRecord(handles[i])) continue;
    const RECT r = inClient(handles[i], over[i]);
    RedrawWindow(handles[i], &r, nullptr, kInvalidate);
  }
}

}  // namespace

void RepaintAfterPlaceChange(HWND window, const RECT& oldWindow) {
  const WindowRecord* w = FindWindowRecord(window);
  if (!w) return;
  const bool shown = w->style & WS_VISIBLE;
  const RECT now = w->window;
  if (shown && now.left == oldWindow.left && now.top == oldWindow.top &&
      now.right == oldWindow.right && now.bottom == oldWindow.bottom)
    return;
  if (IsTopLevel(*w)) {
    RepaintUncovered(window, oldWindow);
  } else if (w->parent) {
    RedrawWindow(w->parent, &oldWindow, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN);
  }
  if (shown && FindWindowRecord(window))
    RedrawWindow(window, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
}
