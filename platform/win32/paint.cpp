// Painting bookkeeping: what part of each window's client area is left to paint, and the
// WM_PAINT and WM_ERASEBKGND messages that ask for it. The update region is kept as the one
// rectangle that bounds it.
#include "win32/window_internal.h"

#include "win32/window_dc.h"

#include <algorithm>
#include <vector>

namespace {

RECT ClientBounds(const WindowRecord& w) {
  return RECT{0, 0, w.client.right - w.client.left, w.client.bottom - w.client.top};
}

bool Empty(const RECT& r) { return r.right <= r.left || r.bottom <= r.top; }

RECT Intersect(const RECT& a, const RECT& b) {
  RECT r{std::max(a.left, b.left), std::max(a.top, b.top), std::min(a.right, b.right),
         std::min(a.bottom, b.bottom)};
  return Empty(r) ? RECT{} : r;
}

void AddToUpdate(WindowRecord& w, const RECT* rect, bool erase) {
  const RECT bounds = ClientBounds(w);
  const RECT r = rect ? Intersect(*rect, bounds) : bounds;
  if (Empty(r)) return;
  if (w.updatePending) {
    w.update = RECT{std::min(w.update.left, r.left), std::min(w.update.top, r.top),
                    std::max(w.update.right, r.right), std::max(w.update.bottom, r.bottom)};
  } else {
    w.update = r;
    w.updatePending = true;
  }
  if (erase) w.erasePending = true;
}

// Takes `rect` (null: all) out of the update rectangle where the rest stays a rectangle.
void RemoveFromUpdate(WindowRecord& w, const RECT* rect) {
  if (!w.updatePending) return;
  RECT& u = w.update;
  if (rect) {
    const RECT& v = *rect;
    const bool coversX = v.left <= u.left && v.right >= u.right;
    const bool coversY = v.top <= u.top && v.bottom >= u.bottom;
    if (!(coversX && coversY)) {
      if (coversX && v.top <= u.top && v.bottom > u.top) u.top = v.bottom;
      else if (coversX && v.bottom >= u.bottom && v.top < u.bottom) u.bottom = v.top;
      else if (coversY && v.left <= u.left && v.right > u.left) u.left = v.right;
      else if (coversY && v.right >= u.right && v.left < u.right) u.right = v.left;
      if (!Empty(u)) return;
    }
  }
  w.updatePending = false;
  w.erasePending = false;
  u = RECT{};
}

template <typename Fn>
void ForEachTarget(HWND window, bool children, Fn fn) {
  std::vector<HWND> targets;
  for (auto& [key, w] : Windows().windows) {
    if (window ? w->handle == window : IsTopLevel(*w)) targets.push_back(w->handle);
  }
  if (children && window) {
    for (size_t i = 0; i < targets.size(); ++i)
      for (auto& [key, w] : Windows().windows)
        if (w->parent == targets[i]) targets.push_back(w->handle);
  }
  for (HWND h : targets)
    if (WindowRecord* w = FindWindowRecord(h)) fn(*w);
}

// A parent without WS_CLIPCHILDREN paints over its children: those under `rect` (client
// coordinates; null: all) paint again after it, and theirs likewise.
void InvalidateChildrenUnder(const WindowRecord& parent, const RECT* rect, bool erase) {
  if (parent.style & WS_CLIPCHILDREN) return;
  std::vector<HWND> children;
  for (auto& [key, w] : Windows().windows)
    if (w->parent == parent.handle) children.push_back(w->handle);
  for (HWND h : children) {
    WindowRecord* c = FindWindowRecord(h);
    if (!c) continue;
    RECT part = c->window;
    if (rect) part = Intersect(part, *rect);
    if (Empty(part)) continue;
    // The child's own client coordinates.
    part = RECT{part.left - c->client.left, part.top - c->client.top, part.right - c->client.left,
                part.bottom - c->client.top};
    AddToUpdate(*c, &part, erase);
    c->framePending = true;
    InvalidateChildrenUnder(*c, &part, erase);
  }
}

// Sends WM_NCPAINT and WM_ERASEBKGND now for what waits for them.
void PaintFrameAndErase(HWND h) {
  WindowRecord* w = FindWindowRecord(h);
  if (!w || !IsWindowVisible(h)) return;
  if (w->framePending) {
    w->framePending = false;
    SendMessageA(h, WM_NCPAINT, 1, 0);
    if (!(w = FindWindowRecord(h))) return;
  }
  if (w->erasePending) {
    w->erasePending = false;
    const RECT update = w->update;
    if (HDC dc = OpenWindowDC(h, WindowDcArea::Client, &update)) {
      SendMessageA(h, WM_ERASEBKGND, WPARAM(dc), 0);
      ReleaseDC(h, dc);
    }
  }
}

}  // namespace

void InvalidateWhole(WindowRecord& w, bool erase) {
  w.framePending = true;
  AddToUpdate(w, nullptr, erase);
}

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
  if (window && !FindWindowRecord(window)) return FALSE;
  // Without a window the whole screen is to be drawn again, frames included.
  ForEachTarget(window, false, [&](WindowRecord& w) {
    if (!window) w.framePending = true;
    AddToUpdate(w, window ? rect : nullptr, erase);
  });
  if (WindowRecord* w = FindWindowRecord(window)) InvalidateChildrenUnder(*w, rect, erase);
  return TRUE;
}

BOOL ValidateRect(HWND window, const RECT* rect) {
  if (window && !FindWindowRecord(window)) return FALSE;
  ForEachTarget(window, false, [&](WindowRecord& w) {
    RemoveFromUpdate(w, window ? rect : nullptr);
    if (!rect) w.internalPaint = false;
  });
  return TRUE;
}

BOOL GetUpdateRect(HWND window, LPRECT rect, BOOL) {
  WindowRecord* w = FindWindowRecord(window);
  if (!w) return FALSE;
  if (rect) *rect = w->updatePending ? w->update : RECT{};
  return w->updatePending ? TRUE : FALSE;
}

BOOL RedrawWindow(HWND window, const RECT* rect, HRGN, UINT flags) {
  if (window && !FindWindowRecord(window)) return FALSE;
  const bool children = flags & RDW_ALLCHILDREN;
  ForEachTarget(window, children, [&](WindowRecord& w) {
    const RECT* r = w.handle == window ? rect : nullptr;
    if (flags & RDW_INVALIDATE) {
      AddToUpdate(w, r, flags & RDW_ERASE);
      if (flags & RDW_FRAME) w.framePending = true;
    }
    if (flags & RDW_INTERNALPAINT) w.internalPaint = true;
    if (flags & RDW_VALIDATE) {
      RemoveFromUpdate(w, r);
      if (flags & RDW_NOINTERNALPAINT) w.internalPaint = false;
      if (flags & RDW_FRAME) w.framePending = false;
    }
    if (flags & RDW_NOERASE) w.erasePending = false;
  });
  WindowRecord* self = FindWindowRecord(window);
  if (self && (flags & RDW_INVALIDATE) && !(flags & (RDW_ALLCHILDREN | RDW_NOCHILDREN)))
    InvalidateChildrenUnder(*self, rect, flags & RDW_ERASE);
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
    std::vector<HWND> targets;
    ForEachTarget(window, children, [&](WindowRecord& w) { targets.push_back(w.handle); });
    for (HWND h : targets) {
      if (flags & RDW_UPDATENOW)
        UpdateWindow(h);
      else
        PaintFrameAndErase(h);
    }
  }
  return TRUE;
}

BOOL UpdateWindow(HWND window) {
  WindowRecord* w = FindWindowRecord(window);
  if (!w) return FALSE;
  if ((w->updatePending || w->internalPaint) && IsWindowVisible(window))
    SendMessageA(window, WM_PAINT, 0, 0);
  return TRUE;
}

HDC BeginPaint(HWND window, LPPAINTSTRUCT paint) {
  WindowRecord* w = FindWindowRecord(window);
  if (!w || !paint) return nullptr;
  *paint = PAINTSTRUCT{};
  const RECT update = w->updatePending ? w->update : RECT{};
  const bool erase = w->erasePending, frame = w->framePending;
  w->updatePending = w->erasePending = w->internalPaint = w->framePending = false;
  w->update = RECT{};
  if (frame && IsWindowVisible(window)) SendMessageA(window, WM_NCPAINT, 1, 0);
  // The context draws only where the update rectangle was.
  const HDC dc = OpenWindowDC(window, WindowDcArea::Client, &update);
  if (!dc) return nullptr;
  paint->hdc = dc;
  paint->rcPaint = update;
  // fErase tells the program that the background is still its to erase.
  if (erase) paint->fErase = SendMessageA(window, WM_ERASEBKGND, WPARAM(dc), 0) ? FALSE : TRUE;
  return dc;
}

BOOL EndPaint(HWND window, const PAINTSTRUCT* paint) {
  if (!paint) return FALSE;
  ReleaseDC(window, paint->hdc);
  return TRUE;
}
