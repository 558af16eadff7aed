// What a window does with a message its procedure leaves to the system.
#include "win32/window_internal.h"
#include "win32/menu_internal.h"

#include "win32/window_dc.h"

#include <algorithm>
#include <cstring>

namespace {

// The client area inside an outer rectangle: empty for a minimised window.
RECT ClientWithin(const WindowRecord& w, const RECT& outer) {
  if (w.state == ShowState::Minimized) return RECT{outer.left, outer.top, outer.left, outer.top};
  const RECT m = NonClientMargins(w.style, w.exStyle, w.menuBar);
  RECT c{outer.left + m.left, outer.top + m.top, outer.right - m.right, outer.bottom - m.bottom};
  c.right = std::max(c.right, c.left);
  c.bottom = std::max(c.bottom, c.top);
  return c;
}

// The sizing border of a thick frame under a point, or 0; the corners reach a caption
// button's size along each side.
LRESULT SizingEdge(const RECT& outer, POINT pt) {
  const LONG fx = GetSystemMetrics(SM_CXFRAME), fy = GetSystemMetrics(SM_CYFRAME);
  const LONG cx = fx + GetSystemMetrics(SM_CXSIZE), cy = fy + GetSystemMetrics(SM_CYSIZE);
  const bool left = pt.x < outer.left + fx, right = pt.x >= outer.right - fx;
  const bool top = pt.y < outer.top + fy, bottom = pt.y >= outer.bottom - fy;
  if (!left && !right && !top && !bottom) return 0;
  const bool nearLeft = pt.x < outer.left + cx, nearRight = pt.x >= outer.right - cx;
  const bool nearTop = pt.y < outer.top + cy, nearBottom = pt.y >= outer.bottom - cy;
  if ((top || left) && nearTop && nearLeft) return HTTOPLEFT;
  if ((top || right) && nearTop && nearRight) return HTTOPRIGHT;
  if ((bottom || left) && nearBottom && nearLeft) return HTBOTTOMLEFT;
  if ((bottom || right) && nearBottom && nearRight) return HTBOTTOMRIGHT;
  if (left) return HTLEFT;
  if (right) return HTRIGHT;
  return top ? HTTOP : HTBOTTOM;
}

LRESULT HitTest(const WindowRecord& w, LPARAM lParam) {
  POINT pt{SHORT(LOWORD(lParam)), SHORT(HIWORD(lParam))};
  POINT o = ParentClientOrigin(w);
  RECT outer{w.window.left + o.x, w.window.top + o.y, w.window.right + o.x, w.window.bottom + o.y};
  auto inside = [&pt](const RECT& r) {
    return pt.x >= r.left && pt.x < r.right && pt.y >= r.top && pt.y < r.bottom;
  };
  if (!inside(outer)) return HTNOWHERE;
  if (inside(ClientRectOnScreen(w))) return HTCLIENT;
  if (RECT box; CaptionCloseBox(w.handle, box) &&
                inside(RECT{outer.left + box.left, outer.top + box.top, outer.left + box.right,
                            outer.top + box.bottom}))
    return HTCLOSE;
  const RECT m = NonClientMargins(w.style, w.exStyle, false);
  if ((w.style & WS_THICKFRAME) && w.state == ShowState::Normal) {
    if (LRESULT edge = SizingEdge(outer, pt)) return edge;
  }
  if ((w.style & WS_CAPTION) == WS_CAPTION && pt.y >= outer.top + m.bottom &&
      pt.y < outer.top + m.top && pt.x >= outer.left + m.left && pt.x < outer.right - m.right)
    return HTCAPTION;
  if (w.menuBar && pt.y >= outer.top + m.top && pt.y < ClientRectOnScreen(w).top) return HTMENU;
  return HTBORDER;
}

// Sizable and overlapped top-level windows keep within their tracking sizes.
void KeepWithinTrackingSize(HWND window, WINDOWPOS* wp) {
  WindowRecord* w = FindWindowRecord(window);
  if (!w || !wp || (wp->flags & SWP_NOSIZE) || !IsTopLevel(*w) ||
      w->state != ShowState::Normal)
    return;
  if (!(w->style & WS_THICKFRAME) && (w->style & WS_POPUP)) return;
  MINMAXINFO mmi = QueryMinMaxInfo(window);
  wp->cx = std::max(std::min(wp->cx, int(mmi.ptMaxTrackSize.x)), int(mmi.ptMinTrackSize.x));
  wp->cy = std::max(std::min(wp->cy, int(mmi.ptMaxTrackSize.y)), int(mmi.ptMinTrackSize.y));
}

LRESULT WindowPosChanged(HWND window, const WINDOWPOS* wp) {
  if (!wp) return 0;
  WindowRecord* w = FindWindowRecord(window);
  if (!w) return 0;
  if (!(wp->flags & kSwpNoClientMove))
    SendMessageA(window, WM_MOVE, 0, MAKELPARAM(w->client.left, w->client.top));
  if (!(w = FindWindowRecord(window))) return 0;
  if (!(wp->flags & kSwpNoClientSize) || (wp->flags & kSwpStateChanged)) {
    if (w->state == ShowState::Minimized) {
      SendMessageA(window, WM_SIZE, SIZE_MINIMIZED, 0);
    } else {
      SendMessageA(window, WM_SIZE,
                   w->state == ShowState::Maximized ? SIZE_MAXIMIZED : SIZE_RESTORED,
                   MAKELPARAM(w->client.right - w->client.left, w->client.bottom - w->client.top));
    }
  }
  return 0;
}

// A press on the caption held until the button comes up: the close box pushed while the mouse
// stays on it, or the window following the mouse from where the press took it.
struct CaptionTrack {
  HWND window = nullptr;
  bool closeBox = false;
  POINT from{};    // where the press was
  POINT origin{};  // the window's top left then
};
CaptionTrack g_track;

bool OnCloseBox(HWND window, POINT p) {
  RECT box, outer;
  if (!CaptionCloseBox(window, box) || !GetWindowRect(window, &outer)) return false;
  p.x -= outer.left, p.y -= outer.top;
  return p.x >= box.left && p.x < box.right && p.y >= box.top && p.y < box.bottom;
}

// The screen point of a mouse message: client coordinates for client messages.
POINT MousePoint(HWND window, UINT message, LPARAM lParam) {
  POINT p{SHORT(LOWORD(lParam)), SHORT(HIWORD(lParam))};
  if (message == WM_MOUSEMOVE || message == WM_LBUTTONUP) ClientToScreen(window, &p);
  return p;
}

bool StartCaptionTrack(HWND window, WPARAM hit, POINT p) {
  const WindowRecord* w = FindWindowRecord(window);
  if (!w || !IsTopLevel(*w) || w->state != ShowState::Normal) return false;
  if (hit == HTCAPTION) {
    g_track = CaptionTrack{window, false, p, POINT{w->window.left, w->window.top}};
    SetCapture(window);
    return true;
  }
  if (hit != HTCLOSE || !OnCloseBox(window, p)) return false;
  g_track = CaptionTrack{window, true};
  SetCapture(window);
  SetCloseBoxPushed(window, true);
  return true;
}

void EndCaptionTrack(HWND window, bool released, POINT p);

// A move follows the cursor as it is now, from the press's point, not the move message's:
// messages queued before the window moved carry client points measured from where it was.
// The cursor stays on the screen, so the caption can always be reached again.
void FollowCaptionTrack(HWND window, POINT p) {
  if (g_track.closeBox) return SetCloseBoxPushed(window, OnCloseBox(window, p));
  if (!(GetAsyncKeyState(VK_LBUTTON) & 0x8000)) return EndCaptionTrack(window, true, p);
  POINT cursor{};
  GetCursorPos(&cursor);
  const LONG right = GetSystemMetrics(SM_CXSCREEN) - 1, bottom = GetSystemMetrics(SM_CYSCREEN) - 1;
  cursor.x = std::clamp<LONG>(cursor.x, 0, std::max<LONG>(right, 0));
  cursor.y = std::clamp<LONG>(cursor.y, 0, std::max<LONG>(bottom, 0));
  SetWindowPos(window, nullptr, int(g_track.origin.x + cursor.x - g_track.from.x),
               int(g_track.origin.y + cursor.y - g_track.from.y), 0, 0,
               SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
}

void EndCaptionTrack(HWND window, bool released, POINT p) {
  const bool close = g_track.closeBox && released && OnCloseBox(window, p);
  g_track = CaptionTrack{};
  SetCloseBoxPushed(window, false);
  if (GetCapture() == window) ReleaseCapture();
  if (close) SendMessageA(window, WM_SYSCOMMAND, SC_CLOSE, 0);
}

LRESULT SysCommand(HWND window, WPARAM wParam) {
  switch (wParam & 0xFFF0) {
    case SC_CLOSE: SendMessageA(window, WM_CLOSE, 0, 0); break;
    case SC_MINIMIZE: ShowWindow(window, SW_MINIMIZE); break;
    case SC_MAXIMIZE: ShowWindow(window, SW_MAXIMIZE); break;
    case SC_RESTORE: ShowWindow(window, SW_RESTORE); break;
  }
  return 0;
}

}  // namespace

LRESULT DefWindowProcA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowRecord* w = FindWindowRecord(window);
  if (!w) return 0;
  if (LRESULT r = 0; MenuDefWindowProc(window, message, wParam, lParam, r)) return r;
  switch (message) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      if (cs && cs->lpszName && !IS_INTRESOURCE(cs->lpszName)) w->text = cs->lpszName;
      return TRUE;
    }
    case WM_NCCALCSIZE: {
      if (!lParam) return 0;
      RECT* r = wParam ? &reinterpret_cast<NCCALCSIZE_PARAMS*>(lParam)->rgrc[0]
                       : reinterpret_cast<RECT*>(lParam);
      *r = ClientWithin(*w, *r);
      return 0;
    }
    case WM_NCHITTEST: return HitTest(*w, lParam);
    case WM_NCACTIVATE:
      // The caption shows whether the window is active.
      if (IsWindowVisible(window)) PaintDefaultFrame(window, wParam != FALSE);
      return TRUE;
    case WM_NCPAINT:
      PaintDefaultFrame(window, Windows().active == window);
      return 0;
    case WM_MOUSEACTIVATE: return MA_ACTIVATE;
    case WM_NCLBUTTONDOWN:
      if (StartCaptionTrack(window, wParam, MousePoint(window, message, lParam))) return 0;
      break;
    // Mouse messages queued before the press took the mouse come as non-client ones.
    case WM_MOUSEMOVE:
    case WM_NCMOUSEMOVE:
      if (g_track.window == window && GetCapture() == window)
        FollowCaptionTrack(window, MousePoint(window, message, lParam));
      return 0;
    case WM_LBUTTONUP:
    case WM_NCLBUTTONUP:
      if (g_track.window == window) EndCaptionTrack(window, true, MousePoint(window, message, lParam));
      return 0;
    case WM_CAPTURECHANGED:
      if (g_track.window == window && reinterpret_cast<HWND>(lParam) != window)
        EndCaptionTrack(window, false, POINT{});
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) != WA_INACTIVE && !HIWORD(wParam)) SetFocus(window);
      return 0;
    case WM_CLOSE: DestroyWindow(window); return 0;
    case WM_PAINT: {
      PAINTSTRUCT ps;
      if (BeginPaint(window, &ps)) EndPaint(window, &ps);
      return 0;
    }
    case WM_ERASEBKGND: return EraseWithClassBrush(window, reinterpret_cast<HDC>(wParam)) ? 1 : 0;
    case WM_SETCURSOR:
      if (w->parent && SendMessageA(w->parent, WM_SETCURSOR, wParam, lParam)) return TRUE;
      if (!(w = FindWindowRecord(window))) return 0;
      if (LOWORD(lParam) == HTCLIENT && w->classCursor) {
        SetCursor(w->classCursor);
        return TRUE;
      }
      SetCursor(LoadCursorA(nullptr, IDC_ARROW));
      return FALSE;
    case WM_WINDOWPOSCHANGING:
      KeepWithinTrackingSize(window, reinterpret_cast<WINDOWPOS*>(lParam));
      return 0;
    case WM_WINDOWPOSCHANGED:
      return WindowPosChanged(window, reinterpret_cast<const WINDOWPOS*>(lParam));
    case WM_SYSKEYDOWN:
      // Alt+F4 closes the top window, unless its class has no close command.
      if (wParam == VK_F4 && (HIWORD(lParam) & KF_ALTDOWN)) {
        HWND root = TopLevelAncestor(window);
        WindowRecord* r = FindWindowRecord(root);
        if (r && !(r->classStyle & CS_NOCLOSE)) PostMessageA(root, WM_SYSCOMMAND, SC_CLOSE, 0);
      }
      return 0;
    case WM_SYSCOMMAND: return SysCommand(window, wParam);
    case WM_CONTEXTMENU:
      if (w->parent) SendMessageA(w->parent, message, wParam, lParam);
      return 0;
    case WM_MOUSEWHEEL:  // a child hands the wheel on to its parent
      if (w->parent && (w->style & WS_CHILD))
        return SendMessageA(w->parent, message, wParam, lParam);
      return 0;
    case WM_SETTEXT:
      w->text = lParam ? reinterpret_cast<LPCSTR>(lParam) : "";
      return TRUE;
    case WM_GETTEXT: {
      auto* out = reinterpret_cast<LPSTR>(lParam);
      if (!out || wParam == 0) return 0;
      const size_t n = std::min(size_t(wParam) - 1, w->text.size());
      std::memcpy(out, w->text.data(), n);
      out[n] = '\0';
      return LRESULT(n);
    }
    case WM_GETTEXTLENGTH: return LRESULT(w->text.size());
  }
  return 0;
}

LRESULT CallWindowProcA(WNDPROC proc, HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  if (!proc) return 0;
  return proc(window, message, wParam, lParam);
}
