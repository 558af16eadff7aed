// Window classes, window creation and destruction, and the data a window keeps. Handles are
// keys into a table, never pointers, and are never given out twice: a stale handle is looked
// up and found missing. Every message may destroy any window, so records are looked up again
// after each one.
#include "win32/window.h"
#include "win32/window_internal.h"
#include "win32/menu_internal.h"

#include "display/display.h"
#include "testing/window_hooks.h"

#include <algorithm>
#include <cstring>
#include <iterator>
#include <strings.h>

namespace {

constexpr uintptr_t kHandleStep = 4;
constexpr int kMaxExtraBytes = 1024;
// Coordinates stay where 16-bit message parameters and sums of them cannot overflow.
constexpr int kMaxCoordinate = 32767;
constexpr int kMinCoordinate = -32768;

int ClampCoordinate(int v) { return std::clamp(v, kMinCoordinate, kMaxCoordinate); }
int ClampSize(int v) { return std::clamp(v, 0, kMaxCoordinate); }

bool SameClassName(const WindowClassRecord& c, LPCSTR name) {
  if (IS_INTRESOURCE(name)) return c.atom == ATOM(reinterpret_cast<ULONG_PTR>(name));
  return strcasecmp(c.name.c_str(), name) == 0;
}

void EraseRecord(HWND window) {
  WindowSystem& ws = Windows();
  DropPostedMessages(window);
  if (ws.active == window) ws.active = nullptr;
  if (ws.focus == window) ws.focus = nullptr;
  if (ws.capture == window) ws.capture = nullptr;
  // A top-level window's menu goes with it.
  if (WindowRecord* w = FindWindowRecord(window); w && IsTopLevel(*w) && w->menu)
    DestroyMenu(w->menu);
  ws.windows.erase(reinterpret_cast<uintptr_t>(window));
}

// The windows that go before `window` when it is destroyed: its children and the top-level
// windows it owns.
std::vector<HWND> Dependents(HWND window, bool children) {
  std::vector<HWND> out;
  for (auto& [key, w] : Windows().windows)
    if (!w->destroying && (children ? w->parent == window : w->owner == window))
      out.push_back(w->handle);
  return out;
}

}  // namespace

HWND TopLevelAncestor(HWND window) {
  WindowRecord* w = FindWindowRecord(window);
  while (w && w->parent) {
    WindowRecord* up = FindWindowRecord(w->parent);
    if (!up) break;
    w = up;
  }
  return w ? w->handle : nullptr;
}

WindowSystem& Windows() {
  static WindowSystem* system = new WindowSystem;
  return *system;
}

WindowRecord* FindWindowRecord(HWND window) {
  auto& windows = Windows().windows;
  auto it = windows.find(reinterpret_cast<uintptr_t>(window));
  return it == windows.end() ? nullptr : it->second.get();
}

const WindowClassRecord* FindWindowClass(LPCSTR name) {
  if (!name) return nullptr;
  for (const WindowClassRecord& c : Windows().classes)
    if (SameClassName(c, name)) return &c;
  return nullptr;
}

bool IsTopLevel(const WindowRecord& w) { return !(w.style & WS_CHILD); }

bool StacksTopmost(const WindowRecord& w) {
  // Owner chains are short; the bound keeps a bad one from looping.
  const WindowRecord* o = &w;
  for (int depth = 0; o && depth < 64; ++depth) {
    if (o->exStyle & WS_EX_TOPMOST) return true;
    o = o->owner ? FindWindowRecord(o->owner) : nullptr;
  }
  return false;
}

POINT ParentClientOrigin(const WindowRecord& w) {
  POINT origin{0, 0};
  const WindowRecord* p = w.parent ? FindWindowRecord(w.parent) : nullptr;
  while (p) {
    origin.x += p->client.left;
    origin.y += p->client.top;
    p = p->parent ? FindWindowRecord(p->parent) : nullptr;
  }
  return origin;
}

RECT ClientRectOnScreen(const WindowRecord& w) {
  POINT o = ParentClientOrigin(w);
  return RECT{w.client.left + o.x, w.client.top + o.y, w.client.right + o.x,
              w.client.bottom + o.y};
}

HWND MainTopLevelWindow() {
  for (auto& [key, w] : Windows().windows)
    if (IsTopLevel(*w) && !w->owner && !w->destroying) return w->handle;
  return nullptr;
}

bool WindowWantsPlacement(HWND window) {
  WindowRecord* w = FindWindowRecord(window);
  return w && w->wantsPlacement;
}

ATOM RegisterClassA(const WNDCLASSA* wc) {
  if (!wc || !wc->lpszClassName || !wc->lpfnWndProc) return 0;
  if (IS_INTRESOURCE(wc->lpszClassName) || !*wc->lpszClassName) return 0;
  if (wc->cbWndExtra < 0 || wc->cbWndExtra > kMaxExtraBytes || wc->cbClsExtra < 0 ||
      wc->cbClsExtra > kMaxExtraBytes)
    return 0;
  if (FindWindowClass(wc->lpszClassName)) return 0;
  WindowSystem& ws = Windows();
  ATOM atom = 0xC000;  // the range of registered names
  while (atom < 0xFFFF && std::any_of(ws.classes.begin(), ws.classes.end(),
                                      [atom](const WindowClassRecord& c) { return c.atom == atom; }))
    ++atom;
  if (atom == 0xFFFF) return 0;
  WindowClassRecord c;
  c.atom = atom;
  c.name = wc->lpszClassName;
  c.style = wc->style;
  c.proc = wc->lpfnWndProc;
  c.wndExtra = wc->cbWndExtra;
  c.instance = wc->hInstance;
  c.icon = wc->hIcon;
  c.cursor = wc->hCursor;
  c.background = wc->hbrBackground;
  c.hasMenu = wc->lpszMenuName != nullptr;
  if (c.hasMenu && IS_INTRESOURCE(wc->lpszMenuName))
    c.menuNumber = WORD(reinterpret_cast<ULONG_PTR>(wc->lpszMenuName));
  else if (c.hasMenu)
    c.menuName = wc->lpszMenuName;
  ws.classes.push_back(std::move(c));
  return ws.classes.back().atom;
}

BOOL UnregisterClassA(LPCSTR className, HINSTANCE) {
  const WindowClassRecord* c = FindWindowClass(className);
  if (!c) return FALSE;
  for (auto& [key, w] : Windows().windows)
    if (w->classAtom == c->atom) return FALSE;  // still in use
  auto& classes = Windows().classes;
  classes.erase(classes.begin() + (c - classes.data()));
  return TRUE;
}

HWND CreateWindowExA(DWORD exStyle, LPCSTR className, LPCSTR windowName, DWORD style, int x, int y,
                     int width, int height, HWND parent, HMENU menu, HINSTANCE instance,
                     LPVOID param) {
  const WindowClassRecord* cls = FindWindowClass(className);
  if (!cls) return nullptr;
  const bool child = style & WS_CHILD;
  if (parent && !FindWindowRecord(parent)) return nullptr;
  if (child && !parent) return nullptr;

  WindowSystem& ws = Windows();
  auto record = std::make_unique<WindowRecord>();
  WindowRecord& w = *record;
  w.handle = reinterpret_cast<HWND>(ws.nextHandle);
  ws.nextHandle += kHandleStep;
  w.classAtom = cls->atom;
  w.classStyle = cls->style;
  w.classCursor = cls->cursor;
  w.classBackground = cls->background;
  w.proc = cls->proc;
  w.instance = instance;
  w.extra.assign(size_t(cls->wndExtra), 0);
  const bool startMinimized = style & WS_MINIMIZE;
  const bool startMaximized = style & WS_MAXIMIZE;
  const bool startVisible = style & WS_VISIBLE;
  // Overlapped windows always have a caption; visibility and size state come from the show.
  if (!(style & (WS_POPUP | WS_CHILD))) style |= WS_CAPTION | WS_CLIPSIBLINGS;
  w.style = style & ~DWORD(WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
  w.exStyle = exStyle;
  w.menu = menu;
  if (child) {
    w.parent = parent;
  } else {
    // Owners are always top-level windows: a child given as owner stands for its top window.
    w.owner = TopLevelAncestor(parent);
    // Without a menu of its own, a top-level window gets its class's menu as its bar.
    if (!menu && cls->hasMenu)
      w.menu = LoadClassMenu(cls->menuNumber ? MAKEINTRESOURCEA(cls->menuNumber)
                                             : cls->menuName.c_str(),
                             cls->instance, instance);
    w.menuBar = w.menu != nullptr;
  }

  if (x == CW_USEDEFAULT) {
    w.wantsPlacement = !child;
    x = y = 0;
  }
  if (width == CW_USEDEFAULT) {
    width = child ? 0 : GetSystemMetrics(SM_CXSCREEN) * 3 / 4;
    height = child ? 0 : GetSystemMetrics(SM_CYSCREEN) * 3 / 4;
  }
  x = ClampCoordinate(x);
  y = ClampCoordinate(y);
  width = ClampSize(width);
  height = ClampSize(height);
  w.window = RECT{x, y, x + width, y + height};
  const HWND hwnd = w.handle;
  ws.windows.emplace(reinterpret_cast<uintptr_t>(hwnd), std::move(record));

  if (!child) {
    TheDisplay().WindowChanged(hwnd);
    // Sizable and overlapped windows keep within their tracking sizes from the start.
    WindowRecord* r = FindWindowRecord(hwnd);
    if (r && ((r->style & WS_THICKFRAME) || !(r->style & WS_POPUP))) {
      MINMAXINFO mmi = QueryMinMaxInfo(hwnd);
      if (!(r = FindWindowRecord(hwnd))) return nullptr;
      int cx = r->window.right - r->window.left;
      int cy = r->window.bottom - r->window.top;
      cx = ClampSize(std::max(std::min(cx, int(mmi.ptMaxTrackSize.x)), int(mmi.ptMinTrackSize.x)));
      cy = ClampSize(std::max(std::min(cy, int(mmi.ptMaxTrackSize.y)), int(mmi.ptMinTrackSize.y)));
      r->window.right = r->window.left + cx;
      r->window.bottom = r->window.top + cy;
    }
    if (!r) return nullptr;
  }
  WindowRecord* r = FindWindowRecord(hwnd);
  if (!r) return nullptr;
  r->normal = r->window;

  CREATESTRUCTA cs{param,
                   instance,
                   menu,
                   parent,
                   int(r->window.bottom - r->window.top),
                   int(r->window.right - r->window.left),
                   int(r->window.top),
                   int(r->window.left),
                   LONG(r->style | (style & WS_VISIBLE)),
                   windowName,
                   className,
                   exStyle};
  if (!SendMessageA(hwnd, WM_NCCREATE, 0, reinterpret_cast<LPARAM>(&cs))) {
    if (FindWindowRecord(hwnd)) {
      SendMessageA(hwnd, WM_NCDESTROY, 0, 0);
      EraseRecord(hwnd);
    }
    return nullptr;
  }
  if (!(r = FindWindowRecord(hwnd))) return nullptr;
  r->created = true;

  RECT calc = r->window;
  SendMessageA(hwnd, WM_NCCALCSIZE, FALSE, reinterpret_cast<LPARAM>(&calc));
  if (!(r = FindWindowRecord(hwnd))) return nullptr;
  r->client = calc;

  if (SendMessageA(hwnd, WM_CREATE, 0, reinterpret_cast<LPARAM>(&cs)) == -1) {
    DestroyWindow(hwnd);
    return nullptr;
  }
  if (!FindWindowRecord(hwnd)) return nullptr;
  SendSizeAndMove(hwnd);
  if (startVisible && FindWindowRecord(hwnd))
    ShowWindow(hwnd, startMinimized   ? SW_SHOWMINIMIZED
                     : startMaximized ? SW_SHOWMAXIMIZED
                                      : SW_SHOW);
  return FindWindowRecord(hwnd) ? hwnd : nullptr;
}

BOOL DestroyWindow(HWND window) {
  WindowRecord* w = FindWindowRecord(window);
  if (!w || w->destroying) return FALSE;
  // The display sees the window while its picture is still on the screen.
  if (IsTopLevel(*w)) TheDisplay().WindowDestroyed(window);
  if (!(w = FindWindowRecord(window)) || w->destroying) return FALSE;
  w->destroying = true;

  for (HWND owned : Dependents(window, false)) DestroyWindow(owned);
  if (!(w = FindWindowRecord(window))) return TRUE;
  if (w->style & WS_VISIBLE)
    SetWindowPos(window, nullptr, 0, 0, 0, 0,
                 SWP_HIDEWINDOW | SWP_NOSIZE | SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  if (Windows().active == window) {
    HWND next = nullptr;
    for (auto& [key, o] : Windows().windows)
      if (o->handle != window && IsTopLevel(*o) && !o->destroying && (o->style & WS_VISIBLE))
        next = o->handle;
    ActivateWindow(next);
  }
  HWND focus = Windows().focus;
  for (HWND f = focus; f; f = FindWindowRecord(f) ? FindWindowRecord(f)->parent : nullptr) {
    if (f == window) {
      SetFocus(nullptr);
      break;
    }
  }
  if (!FindWindowRecord(window)) return TRUE;
  SendMessageA(window, WM_DESTROY, 0, 0);
  for (HWND c : Dependents(window, true)) DestroyWindow(c);
  if (!FindWindowRecord(window)) return TRUE;
  SendMessageA(window, WM_NCDESTROY, 0, 0);
  EraseRecord(window);
  return TRUE;
}

BOOL IsWindow(HWND window) { return FindWindowRecord(window) != nullptr; }

BOOL IsWindowVisible(HWND window) {
  for (WindowRecord* w = FindWindowRecord(window); w;
       w = w->parent ? FindWindowRecord(w->parent) : nullptr) {
    if (!(w->style & WS_VISIBLE)) return FALSE;
    if (!w->parent) return TRUE;
  }
  return FALSE;
}

BOOL IsIconic(HWND window) {
  WindowRecord* w = FindWindowRecord(window);
  return w && w->state == ShowState::Minimized;
}

BOOL IsZoomed(HWND window) {
  WindowRecord* w = FindWindowRecord(window);
  return w && w->state == ShowState::Maximized;
}

HWND GetParent(HWND window) {
  WindowRecord* w = FindWindowRecord(window);
  if (!w) return nullptr;
  return w->parent ? w->parent : w->owner;
}

LONG_PTR GetWindowLongPtrA(HWND window, int index) {
  WindowRecord* w = FindWindowRecord(window);
  if (!w) return 0;
  switch (index) {
    case GWLP_WNDPROC: return reinterpret_cast<LONG_PTR>(w->proc);
    case GWLP_HINSTANCE: return reinterpret_cast<LONG_PTR>(w->instance);
    case GWLP_HWNDPARENT: return reinterpret_cast<LONG_PTR>(w->parent ? w->parent : w->owner);
    case GWL_ID: return IsTopLevel(*w) ? 0 : reinterpret_cast<LONG_PTR>(w->menu);
    case GWL_STYLE: return LONG(w->style);
    case GWL_EXSTYLE: return LONG(w->exStyle);
    case GWLP_USERDATA: return w->userData;
  }
  if (index < 0 || size_t(index) + sizeof(LONG) > w->extra.size()) return 0;
  LONG value;
  std::memcpy(&value, w->extra.data() + index, sizeof value);
  return value;
}

namespace {

// GWL_STYLE and GWL_EXSTYLE with the messages around the change. The frame follows at the
// next SetWindowPos with SWP_FRAMECHANGED.
LONG_PTR ChangeStyle(HWND window, int index, DWORD value) {
  WindowRecord* w = FindWindowRecord(window);
  DWORD& field = index == GWL_STYLE ? w->style : w->exStyle;
  STYLESTRUCT ss{field, value};
  if (index == GWL_STYLE) {
    // Child or top-level, minimised or maximised: those the window layer decides.
    constexpr DWORD kKept = WS_CHILD | WS_MINIMIZE | WS_MAXIMIZE;
    ss.styleNew = (value & ~kKept) | (field & kKept);
  }
  SendMessageA(window, WM_STYLECHANGING, WPARAM(index), reinterpret_cast<LPARAM>(&ss));
  if (!(w = FindWindowRecord(window))) return 0;
  DWORD& now = index == GWL_STYLE ? w->style : w->exStyle;
  const DWORD old = now;
  now = ss.styleNew;
  if (index == GWL_STYLE) now = (now & ~DWORD(WS_CHILD)) | (old & WS_CHILD);
  STYLESTRUCT done{old, now};
  SendMessageA(window, WM_STYLECHANGED, WPARAM(index), reinterpret_cast<LPARAM>(&done));
  return LONG(old);
}

}  // namespace

LONG_PTR SetWindowLongPtrA(HWND window, int index, LONG_PTR value) {
  WindowRecord* w = FindWindowRecord(window);
  if (!w) return 0;
  LONG_PTR old = GetWindowLongPtrA(window, index);
  switch (index) {
    case GWLP_WNDPROC:
      if (!value) return 0;  // a window always has a procedure
      w->proc = reinterpret_cast<WNDPROC>(value);
      return old;
    case GWLP_HINSTANCE:
      w->instance = reinterpret_cast<HINSTANCE>(value);
      return old;
    case GWLP_HWNDPARENT:
      if (!IsTopLevel(*w)) return 0;  // a child's parent does not change here
      w->owner = TopLevelAncestor(reinterpret_cast<HWND>(value));
      if (w->owner == window) w->owner = nullptr;
      return old;
    case GWL_ID:
      if (IsTopLevel(*w)) return 0;
      w->menu = reinterpret_cast<HMENU>(value);
      return old;
    case GWL_STYLE:
    case GWL_EXSTYLE: return ChangeStyle(window, index, DWORD(value));
    case GWLP_USERDATA: w->userData = value; return old;
  }
  if (index < 0 || size_t(index) + sizeof(LONG) > w->extra.size()) return 0;
  LONG v = LONG(value);
  std::memcpy(w->extra.data() + index, &v, sizeof v);
  return old;
}

BOOL SetWindowTextA(HWND window, LPCSTR text) {
  if (!IsWindow(window)) return FALSE;
  return SendMessageA(window, WM_SETTEXT, 0, reinterpret_cast<LPARAM>(text)) ? TRUE : FALSE;
}

int GetWindowTextA(HWND window, LPSTR text, int size) {
  if (!text || size <= 0) return 0;
  text[0] = '\0';
  if (!IsWindow(window)) return 0;
  return int(SendMessageA(window, WM_GETTEXT, WPARAM(size), reinterpret_cast<LPARAM>(text)));
}

void TestResetWindows() {
  WindowSystem& ws = Windows();
  ws.windows.clear();
  ws.classes.clear();
  ResetMenus();
  ws.posted.clear();
  ws.quitPending = false;
  ws.quitCode = 0;
  ws.active = ws.focus = nullptr;
  ws.cursor = nullptr;
  ws.cursorPos = POINT{};
  std::fill(std::begin(ws.keys), std::end(ws.keys), BYTE(0));
  std::fill(std::begin(ws.asyncKeys), std::end(ws.asyncKeys), BYTE(0));
  ws.capture = nullptr;
  ws.altAlone = false;
  ws.sendDepth = 0;
}

LONG SetWindowLongA(HWND window, int index, LONG value) {
  return LONG(SetWindowLongPtrA(window, index, value));
}

LONG GetWindowLongA(HWND window, int index) { return LONG(GetWindowLongPtrA(window, index)); }
