// Painting bookkeeping: what part of each window's client area is left to paint, and the
// WM_PAINT and WM_ERASEBKGND messages that ask for it. The update region is kept as the one
// rectangle that bounds it.
#include "win32/window_internal.h"

#include <algorithm>

namespace {

// Device contexts of BeginPaint: a value that names the window and no GDI object.
constexpr uintptr_t kPaintDcTag = uintptr_t(1) << 30;

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

}  // namespace

void InvalidateWhole(WindowRecord& w, bool erase) { AddToUpdate(w, nullptr, erase); }

BOOL InvalidateRect(HWND window, const RECT* rect, BOOL erase) {
  if (window && !FindWindowRecord(window)) return FALSE;
  ForEachTarget(window, false, [&](WindowRecord& w) { AddToUpdate(w, window ? rect : nullptr, erase); });
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
    if (flags & RDW_INVALIDATE) AddToUpdate(w, r, flags & RDW_ERASE);
    if (flags & RDW_INTERNALPAINT) w.internalPaint = true;
    if (flags & RDW_VALIDATE) {
      RemoveFromUpdate(w, r);
      if (flags & RDW_NOINTERNALPAINT) w.internalPaint = false;
    }
    if (flags & RDW_NOERASE) w.erasePending = false;
  });
  if (flags & (RDW_UPDATENOW | RDW_ERASENOW)) {
    std::vector<HWND> targets;
    ForEachTarget(window, children, [&](WindowRecord& w) { targets.push_back(w.handle); });
    for (HWND h : targets) {
      WindowRecord* w = FindWindowRecord(h);
      if (!w) continue;
      if (flags & RDW_UPDATENOW) {
        UpdateWindow(h);
      } else if (w->erasePending && IsWindowVisible(h)) {
        w->erasePending = false;
        SendMessageA(h, WM_ERASEBKGND, WPARAM(reinterpret_cast<uintptr_t>(h) | kPaintDcTag), 0);
      }
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
  const HDC dc = reinterpret_cast<HDC>(reinterpret_cast<uintptr_t>(window) | kPaintDcTag);
  *paint = PAINTSTRUCT{};
  paint->hdc = dc;
  paint->rcPaint = w->updatePending ? w->update : RECT{};
  const bool erase = w->erasePending;
  w->updatePending = w->erasePending = w->internalPaint = false;
  w->update = RECT{};
  // fErase tells the program that the background is still its to erase.
  if (erase) paint->fErase = SendMessageA(window, WM_ERASEBKGND, WPARAM(dc), 0) ? FALSE : TRUE;
  return dc;
}

BOOL EndPaint(HWND, const PAINTSTRUCT* paint) { return paint ? TRUE : FALSE; }
