// Window geometry: places, sizes, showing and hiding, minimising and maximising, activation
// and keyboard focus, with the messages that report each change.
#include "win32/window.h"
#include "win32/window_internal.h"
#include "win32/window_dc.h"

#include "display/display.h"

#include <algorithm>

namespace {

constexpr int kMaxCoordinate = 32767;
constexpr int kMinCoordinate = -32768;
// Where a minimised top-level window lies, out of sight.
constexpr int kMinimizedPosition = -32000;

constexpr UINT kPublicSwpFlags = 0x7FFF & ~(kSwpNoClientSize | kSwpNoClientMove);

int ClampCoordinate(int v) { return std::clamp(v, kMinCoordinate, kMaxCoordinate); }
int ClampSize(int v) { return std::clamp(v, 0, kMaxCoordinate); }

LONG Width(const RECT& r) { return r.right - r.left; }
LONG Height(const RECT& r) { return r.bottom - r.top; }

// What a non-client calculation returned, kept inside the window rectangle.
RECT SaneClient(RECT client, const RECT& window) {
  client.left = std::clamp(client.left, window.left, window.right);
  client.right = std::clamp(client.right, client.left, window.right);
  client.top = std::clamp(client.top, window.top, window.bottom);
  client.bottom = std::clamp(client.bottom, client.top, window.bottom);
  return client;
}

bool Shown(const WindowRecord& w) { return !w.destroying && (w.style & WS_VISIBLE); }

// The window to activate when `leaving` stops being active: the newest other visible,
// enabled top-level window.
HWND NextActiveCandidate(HWND leaving) {
  HWND next = nullptr;
  for (auto& [key, w] : Windows().windows)
    if (w->handle != leaving && IsTopLevel(*w) && Shown(*w) && !(w->style & WS_DISABLED))
      next = w->handle;
  return next;
}

// The newest visible top-level window `owner` owns, or null.
HWND NewestShownPopup(HWND owner) {
  HWND popup = nullptr;
  for (auto& [key, w] : Windows().windows)
    if (w->owner == owner && IsTopLevel(*w) && Shown(*w)) popup = w->handle;
  return popup;
}

// Where activation meant for `window` goes: a disabled window is never active; the modal popup
// that disabled it (followed down through popups disabled in turn) takes it instead. Null when
// no enabled window is there to take it.
HWND ActivationTarget(HWND window) {
  for (int depth = 0; window && depth < 64; ++depth) {
    const WindowRecord* w = FindWindowRecord(window);
    if (!w) return nullptr;
    if (!(w->style & WS_DISABLED)) return window;
    window = NewestShownPopup(window);
  }
  return nullptr;
}

// A minimised owner takes its popups out of sight and brings them back when it is restored.
void HidePopupsOf(HWND owner) {
  std::vector<HWND> popups;
  for (auto& [key, w] : Windows().windows)
    if (w->owner == owner && IsTopLevel(*w) && Shown(*w)) popups.push_back(w->handle);
  for (HWND p : popups) {
    WindowRecord* w = FindWindowRecord(p);
    if (!w || !Shown(*w)) continue;
    SendMessageA(p, WM_SHOWWINDOW, FALSE, SW_PARENTCLOSING);
    if (!(w = FindWindowRecord(p))) continue;
    w->hiddenByOwner = true;
    SetWindowPos(p, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
  }
}

void ShowPopupsOf(HWND owner) {
  std::vector<HWND> popups;
  for (auto& [key, w] : Windows().windows)
    if (w->owner == owner && IsTopLevel(*w) && w->hiddenByOwner && !w->destroying)
      popups.push_back(w->handle);
  for (HWND p : popups) {
    WindowRecord* w = FindWindowRecord(p);
    if (!w || !w->hiddenByOwner) continue;
    w->hiddenByOwner = false;
    SendMessageA(p, WM_SHOWWINDOW, TRUE, SW_PARENTOPENING);
    if (!FindWindowRecord(p)) continue;
    SetWindowPos(p, nullptr, 0, 0, 0, 0,
                 SWP_SHOWWINDOW | SWP_NOMOVE | SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    // It paints whole, controls and all, over the owner that painted meanwhile.
    if (IsWindow(p))
      RedrawWindow(p, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_ALLCHILDREN);
  }
}

// SetWindowPos with the client-area flags a show or a state change forces on
// WM_WINDOWPOSCHANGED.
BOOL ChangeWindowPos(HWND window, HWND after, int x, int y, int cx, int cy, UINT flags,
                     UINT forceReport) {
  WindowRecord* w = FindWindowRecord(window);
  if (!w) return FALSE;
  flags &= kPublicSwpFlags;
  if (!IsTopLevel(*w)) flags |= SWP_NOACTIVATE;
  const RECT oldWindow = w->window;
  const RECT oldClient = w->client;
  const bool wasVisible = w->style & WS_VISIBLE;

  WINDOWPOS wp{window, after, ClampCoordinate(x), ClampCoordinate(y), ClampSize(cx), ClampSize(cy),
               flags};
  if (flags & SWP_NOMOVE) wp.x = oldWindow.left, wp.y = oldWindow.top;
  if (flags & SWP_NOSIZE) wp.cx = Width(oldWindow), wp.cy = Height(oldWindow);
  if (wp.x == oldWindow.left && wp.y == oldWindow.top) wp.flags |= SWP_NOMOVE;
  if (wp.cx == Width(oldWindow) && wp.cy == Height(oldWindow)) wp.flags |= SWP_NOSIZE;
  if (wasVisible) wp.flags &= ~UINT(SWP_SHOWWINDOW);
  if (!wasVisible) wp.flags &= ~UINT(SWP_HIDEWINDOW);
  if (!(wp.flags & SWP_NOMOVE)) w->wantsPlacement = false;

  if (!(wp.flags & SWP_NOSENDCHANGING)) {
    SendMessageA(window, WM_WINDOWPOSCHANGING, 0, reinterpret_cast<LPARAM>(&wp));
    if (!(w = FindWindowRecord(window))) return FALSE;
    wp.hwnd = window;
    wp.x = ClampCoordinate(wp.x), wp.y = ClampCoordinate(wp.y);
    wp.cx = ClampSize(wp.cx), wp.cy = ClampSize(wp.cy);
    if (wp.flags & SWP_NOMOVE) wp.x = oldWindow.left, wp.y = oldWindow.top;
    if (wp.flags & SWP_NOSIZE) wp.cx = Width(oldWindow), wp.cy = Height(oldWindow);
  }

  const RECT newWindow{wp.x, wp.y, wp.x + wp.cx, wp.y + wp.cy};
  RECT newClient = oldClient;
  const bool sizeChanged = Width(newWindow) != Width(oldWindow) ||
                           Height(newWindow) != Height(oldWindow);
  if (sizeChanged || (wp.flags & SWP_FRAMECHANGED) || (forceReport & kSwpStateChanged)) {
    NCCALCSIZE_PARAMS p{{newWindow, oldWindow, oldClient}, &wp};
    SendMessageA(window, WM_NCCALCSIZE, TRUE, reinterpret_cast<LPARAM>(&p));
    if (!(w = FindWindowRecord(window))) return FALSE;
    newClient = SaneClient(p.rgrc[0], newWindow);
  } else {
    const LONG dx = newWindow.left - oldWindow.left, dy = newWindow.top - oldWindow.top;
    newClient = RECT{oldClient.left + dx, oldClient.top + dy, oldClient.right + dx,
                     oldClient.bottom + dy};
  }
  w->window = newWindow;
  w->client = newClient;
  if (w->state == ShowState::Normal) w->normal = newWindow;
  if (!(wp.flags & SWP_NOZORDER)) {
    if (wp.hwndInsertAfter == HWND_TOPMOST) w->exStyle |= WS_EX_TOPMOST;
    if (wp.hwndInsertAfter == HWND_NOTOPMOST) w->exStyle &= ~DWORD(WS_EX_TOPMOST);
  }

  const bool clientResized = Width(newClient) != Width(oldClient) ||
                             Height(newClient) != Height(oldClient);
  if (wp.flags & SWP_SHOWWINDOW) {
    w->style |= WS_VISIBLE;
    w->everShown = true;
    InvalidateWhole(*w, true);
  } else if (wp.flags & SWP_HIDEWINDOW) {
    w->style &= ~DWORD(WS_VISIBLE);
    w->updatePending = w->erasePending = w->internalPaint = false;
  } else if (clientResized && !(wp.flags & SWP_NOREDRAW)) {
    InvalidateWhole(*w, true);
  }

  if (!(wp.flags & (SWP_NOACTIVATE | SWP_HIDEWINDOW)) && (w->style & WS_VISIBLE)) {
    ActivateWindow(window);
    if (!(w = FindWindowRecord(window))) return FALSE;
  }

  if (newClient.left == oldClient.left && newClient.top == oldClient.top)
    wp.flags |= kSwpNoClientMove;
  if (!clientResized) wp.flags |= kSwpNoClientSize;
  wp.flags &= ~forceReport;
  if (forceReport & kSwpStateChanged) wp.flags |= kSwpStateChanged;
  SendMessageA(window, WM_WINDOWPOSCHANGED, 0, reinterpret_cast<LPARAM>(&wp));
  // A hidden window hands activation on once it is out of sight.
  if ((wp.flags & SWP_HIDEWINDOW) && Windows().active == window)
    ActivateWindow(NextActiveCandidate(window));
  if (wasVisible && !(wp.flags & SWP_NOREDRAW)) RepaintAfterPlaceChange(window, oldWindow);

  if ((w = FindWindowRecord(window)) && IsTopLevel(*w) && !w->destroying)
    TheDisplay().WindowChanged(window);
  return TRUE;
}

}  // namespace

MINMAXINFO DefaultMinMaxInfo(const WindowRecord& w) {
  const RECT m = NonClientMargins(w.style, w.exStyle, false);
  const LONG fx = m.left, fy = m.bottom;  // the frame, without caption and menu
  MINMAXINFO mmi{};
  mmi.ptMaxSize = POINT{GetSystemMetrics(SM_CXSCREEN) + 2 * fx, GetSystemMetrics(SM_CYSCREEN) + 2 * fy};
  mmi.ptMaxPosition = POINT{-fx, -fy};
  mmi.ptMinTrackSize = POINT{GetSystemMetrics(SM_CXMINTRACK), GetSystemMetrics(SM_CYMINTRACK)};
  mmi.ptMaxTrackSize = POINT{GetSystemMetrics(SM_CXMAXTRACK), GetSystemMetrics(SM_CYMAXTRACK)};
  return mmi;
}

MINMAXINFO QueryMinMaxInfo(HWND window) {
  WindowRecord* w = FindWindowRecord(window);
  if (!w) return MINMAXINFO{};
  MINMAXINFO mmi = DefaultMinMaxInfo(*w);
  SendMessageA(window, WM_GETMINMAXINFO, 0, reinterpret_cast<LPARAM>(&mmi));
  return mmi;
}

void SendSizeAndMove(HWND window) {
  WindowRecord* w = FindWindowRecord(window);
  if (!w) return;
  WPARAM type = w->state == ShowState::Minimized   ? SIZE_MINIMIZED
                : w->state == ShowState::Maximized ? SIZE_MAXIMIZED
                                                   : SIZE_RESTORED;
  LPARAM size = w->state == ShowState::Minimized
                    ? 0
                    : MAKELPARAM(Width(w->client), Height(w->client));
  SendMessageA(window, WM_SIZE, type, size);
  if (!(w = FindWindowRecord(window))) return;
  SendMessageA(window, WM_MOVE, 0, MAKELPARAM(w->client.left, w->client.top));
}

void ActivateWindow(HWND window) {
  WindowSystem& ws = Windows();
  if (window && !FindWindowRecord(window)) return;
  if (window && !(window = ActivationTarget(window))) return;
  const HWND old = ws.active;
  if (old == window) return;
  ws.active = window;
  if (FindWindowRecord(old)) {
    SendMessageA(old, WM_NCACTIVATE, FALSE, 0);
    SendMessageA(old, WM_ACTIVATE, MAKEWPARAM(WA_INACTIVE, IsIconic(old) ? 1 : 0),
                 reinterpret_cast<LPARAM>(window));
  }
  // The program as a whole gains or loses the foreground.
  if (!old || !window) {
    std::vector<HWND> tops;
    for (auto& [key, w] : ws.windows)
      if (IsTopLevel(*w)) tops.push_back(w->handle);
    for (HWND t : tops) SendMessageA(t, WM_ACTIVATEAPP, window ? TRUE : FALSE, 0);
  }
  if (window && ws.active == window && FindWindowRecord(window)) {
    SendMessageA(window, WM_NCACTIVATE, TRUE, 0);
    SendMessageA(window, WM_ACTIVATE, MAKEWPARAM(WA_ACTIVE, IsIconic(window) ? 1 : 0),
                 reinterpret_cast<LPARAM>(old));
  }
  if (!window && ws.focus) SetFocus(nullptr);
}

void PlaceWindow(HWND window, int x, int y) {
  WindowRecord* w = FindWindowRecord(window);
  if (!w || !IsTopLevel(*w)) return;
  w->wantsPlacement = false;
  if (w->created) {
    SetWindowPos(window, nullptr, x, y, 0, 0, SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
    return;
  }
  x = ClampCoordinate(x);
  y = ClampCoordinate(y);
  const LONG dx = x - w->window.left, dy = y - w->window.top;
  for (RECT* r : {&w->window, &w->client, &w->normal}) {
    r->left += dx, r->right += dx;
    r->top += dy, r->bottom += dy;
  }
}

BOOL SetWindowPos(HWND window, HWND insertAfter, int x, int y, int cx, int cy, UINT flags) {
  return ChangeWindowPos(window, insertAfter, x, y, cx, cy, flags, 0);
}

BOOL MoveWindow(HWND window, int x, int y, int width, int height, BOOL repaint) {
  return SetWindowPos(window, nullptr, x, y, width, height,
                      SWP_NOZORDER | SWP_NOACTIVATE | (repaint ? 0 : SWP_NOREDRAW));
}

BOOL ShowWindow(HWND window, int command) {
  WindowRecord* w = FindWindowRecord(window);
  if (!w) return FALSE;
  const bool wasVisible = w->style & WS_VISIBLE;
  const bool wasMinimized = w->state == ShowState::Minimized;
  bool show = true, activate = true;
  ShowState target = w->state;
  switch (command) {
    case SW_HIDE: show = false, activate = false; break;
    case SW_SHOWNORMAL:
    case SW_RESTORE:
    case SW_SHOWDEFAULT: target = ShowState::Normal; break;
    case SW_SHOWNOACTIVATE: target = ShowState::Normal, activate = false; break;
    case SW_SHOWMINIMIZED: target = ShowState::Minimized; break;
    case SW_MINIMIZE:
    case SW_SHOWMINNOACTIVE: target = ShowState::Minimized, activate = false; break;
    case SW_SHOWMAXIMIZED: target = ShowState::Maximized; break;
    case SW_SHOW: break;
    case SW_SHOWNA: activate = false; break;
    default: return FALSE;
  }
  if (!show && !wasVisible) return FALSE;
  if (show != wasVisible) {
    SendMessageA(window, WM_SHOWWINDOW, show ? TRUE : FALSE, 0);
    if (!(w = FindWindowRecord(window))) return wasVisible;
  }

  UINT flags = SWP_NOZORDER | (show ? SWP_SHOWWINDOW : SWP_HIDEWINDOW);
  if (!activate || !IsTopLevel(*w)) flags |= SWP_NOACTIVATE;
  UINT forceReport = 0;
  RECT to = w->window;
  if (show && target != w->state) {
    if (w->state == ShowState::Normal) w->normal = w->window;
    if (target == ShowState::Minimized) {
      to = RECT{kMinimizedPosition, kMinimizedPosition,
                kMinimizedPosition + GetSystemMetrics(SM_CXMINIMIZED),
                kMinimizedPosition + GetSystemMetrics(SM_CYMINIMIZED)};
    } else if (target == ShowState::Maximized) {
      MINMAXINFO mmi = QueryMinMaxInfo(window);
      if (!(w = FindWindowRecord(window))) return wasVisible;
      to = RECT{mmi.ptMaxPosition.x, mmi.ptMaxPosition.y,
                mmi.ptMaxPosition.x + mmi.ptMaxSize.x, mmi.ptMaxPosition.y + mmi.ptMaxSize.y};
    } else {
      to = w->normal;
    }
    w->state = target;
    w->style &= ~DWORD(WS_MINIMIZE | WS_MAXIMIZE);
    if (target == ShowState::Minimized) w->style |= WS_MINIMIZE;
    if (target == ShowState::Maximized) w->style |= WS_MAXIMIZE;
    forceReport = kSwpNoClientSize | kSwpNoClientMove | kSwpStateChanged;
  } else {
    flags |= SWP_NOMOVE | SWP_NOSIZE;
  }
  // The first show reports the size and the place once more, as creation did.
  if (show && !w->everShown) forceReport |= kSwpNoClientSize | kSwpNoClientMove;
  if (show) w->everShown = true;
  const bool minimizing = show && target == ShowState::Minimized && forceReport;
  const bool restoring = show && wasMinimized && target != ShowState::Minimized;
  if (minimizing && IsTopLevel(*w)) {
    HidePopupsOf(window);
    if (!(w = FindWindowRecord(window))) return wasVisible;
  }
  if (command == SW_MINIMIZE && Windows().active == window)
    ActivateWindow(NextActiveCandidate(window));
  ChangeWindowPos(window, nullptr, to.left, to.top, Width(to), Height(to), flags, forceReport);
  if (restoring && FindWindowRecord(window)) {
    // Both come back; the popup that disabled the owner takes the activation.
    ShowPopupsOf(window);
    if (activate && IsWindow(window)) ActivateWindow(window);
  }
  return wasVisible;
}

BOOL GetWindowRect(HWND window, LPRECT rect) {
  WindowRecord* w = FindWindowRecord(window);
  if (!w || !rect) return FALSE;
  POINT o = ParentClientOrigin(*w);
  *rect = RECT{w->window.left + o.x, w->window.top + o.y, w->window.right + o.x,
               w->window.bottom + o.y};
  return TRUE;
}

BOOL GetClientRect(HWND window, LPRECT rect) {
  WindowRecord* w = FindWindowRecord(window);
  if (!w || !rect) return FALSE;
  *rect = RECT{0, 0, Width(w->client), Height(w->client)};
  return TRUE;
}

BOOL ClientToScreen(HWND window, LPPOINT point) {
  WindowRecord* w = FindWindowRecord(window);
  if (!w || !point) return FALSE;
  RECT c = ClientRectOnScreen(*w);
  point->x += c.left;
  point->y += c.top;
  return TRUE;
}

BOOL ScreenToClient(HWND window, LPPOINT point) {
  WindowRecord* w = FindWindowRecord(window);
  if (!w || !point) return FALSE;
  RECT c = ClientRectOnScreen(*w);
  point->x -= c.left;
  point->y -= c.top;
  return TRUE;
}

HWND GetActiveWindow() { return Windows().active; }
HWND GetForegroundWindow() { return Windows().active; }

HWND SetActiveWindow(HWND window) {
  WindowRecord* w = FindWindowRecord(window);
  if (!w || !IsTopLevel(*w)) return nullptr;
  HWND old = Windows().active;
  ActivateWindow(window);
  return old;
}

BOOL SetForegroundWindow(HWND window) { return SetActiveWindow(window) || GetActiveWindow() == window; }

HWND GetFocus() { return Windows().focus; }

HWND SetFocus(HWND window) {
  WindowSystem& ws = Windows();
  const HWND old = ws.focus;
  if (window) {
    WindowRecord* w = FindWindowRecord(window);
    if (!w) return nullptr;
    // Focus lives in the active window: give activation to the window's top first.
    HWND top = window;
    while (WindowRecord* t = FindWindowRecord(top)) {
      if (!t->parent) break;
      top = t->parent;
    }
    if (ws.active != top) {
      ActivateWindow(top);
      if (!FindWindowRecord(window)) return nullptr;
      if (ws.focus == window) return old;
    }
  }
  if (ws.focus == window) return old;
  const HWND before = ws.focus;
  ws.focus = window;
  if (FindWindowRecord(before))
    SendMessageA(before, WM_KILLFOCUS, reinterpret_cast<WPARAM>(window), 0);
  if (window && ws.focus == window && FindWindowRecord(window))
    SendMessageA(window, WM_SETFOCUS, reinterpret_cast<WPARAM>(before), 0);
  return old;
}
