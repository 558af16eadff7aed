// Host input into the window layer: the key state and key messages with their lParam bits,
// the window under the mouse, the capture, activation by a click, and the client and
// non-client mouse messages. Everything is posted, so that a program's loop (and its
// accelerators) sees input in the order it came.
#include "win32/input.h"
#include "win32/window_internal.h"

#include <cstring>

namespace {

// lParam bits of a key message above the scan code.
constexpr LPARAM kExtendedKey = LPARAM(1) << 24;
constexpr LPARAM kContextAlt = LPARAM(1) << 29;
constexpr LPARAM kWasDown = LPARAM(1) << 30;
constexpr LPARAM kGoingUp = LPARAM(1) << 31;

// Set-1 scan codes of a US keyboard; the grey navigation keys are extended.
struct ScanCode {
  UINT vk;
  UINT code;
  bool extended;
};

constexpr ScanCode kScanCodes[] = {
    {VK_ESCAPE, 0x01, false}, {VK_BACK, 0x0E, false},   {VK_TAB, 0x0F, false},
    {VK_RETURN, 0x1C, false}, {VK_CONTROL, 0x1D, false}, {VK_LCONTROL, 0x1D, false},
    {VK_RCONTROL, 0x1D, true}, {VK_SHIFT, 0x2A, false},  {VK_LSHIFT, 0x2A, false},
    {VK_RSHIFT, 0x36, false}, {VK_MENU, 0x38, false},    {VK_LMENU, 0x38, false},
    {VK_RMENU, 0x38, true},   {VK_SPACE, 0x39, false},   {VK_CAPITAL, 0x3A, false},
    {VK_F11, 0x57, false},    {VK_F12, 0x58, false},     {VK_HOME, 0x47, true},
    {VK_UP, 0x48, true},      {VK_PRIOR, 0x49, true},    {VK_LEFT, 0x4B, true},
    {VK_RIGHT, 0x4D, true},   {VK_END, 0x4F, true},      {VK_DOWN, 0x50, true},
    {VK_NEXT, 0x51, true},    {VK_INSERT, 0x52, true},   {VK_DELETE, 0x53, true},
};

// The key's scan code and extended bit as they sit in a key message's lParam.
LPARAM ScanBits(UINT vk) {
  static constexpr const char* kRows[] = {"QWERTYUIOP", "ASDFGHJKL", "ZXCVBNM"};
  static constexpr UINT kRowStart[] = {0x10, 0x1E, 0x2C};
  UINT code = 0;
  bool extended = false;
  if (vk >= '1' && vk <= '9') code = 0x02 + (vk - '1');
  if (vk == '0') code = 0x0B;
  if (vk >= VK_F1 && vk <= VK_F10) code = 0x3B + (vk - VK_F1);
  for (int row = 0; row < 3 && vk >= 'A' && vk <= 'Z'; ++row)
    if (const char* at = std::strchr(kRows[row], int(vk))) code = kRowStart[row] + UINT(at - kRows[row]);
  for (const ScanCode& s : kScanCodes)
    if (s.vk == vk) code = s.code, extended = s.extended;
  return LPARAM(code) << 16 | (extended ? kExtendedKey : 0);
}

// The generic key a left or right key also sets (Shift for left Shift, ...), or 0.
UINT GenericOf(UINT vk) {
  switch (vk) {
    case VK_LSHIFT:
    case VK_RSHIFT: return VK_SHIFT;
    case VK_LCONTROL:
    case VK_RCONTROL: return VK_CONTROL;
    case VK_LMENU:
    case VK_RMENU: return VK_MENU;
  }
  return 0;
}

bool IsAlt(UINT vk) { return vk == VK_MENU || vk == VK_LMENU || vk == VK_RMENU; }

// Bit 7: down; bit 0: toggled by each press.
void SetKey(BYTE* keys, UINT vk, bool down) {
  auto set = [keys, down](UINT k) {
    if (down) {
      if (!(keys[k] & 0x80)) keys[k] ^= 0x01;
      keys[k] |= 0x80;
    } else {
      keys[k] &= BYTE(~0x80);
    }
  };
  set(vk);
  if (UINT generic = GenericOf(vk)) set(generic);
}

bool AsyncDown(UINT vk) { return Windows().asyncKeys[vk] & 0x80; }

// The window that gets keys: the focus window, else the active window.
HWND KeyTarget() {
  WindowSystem& ws = Windows();
  if (FindWindowRecord(ws.focus)) return ws.focus;
  if (FindWindowRecord(ws.active)) return ws.active;
  return nullptr;
}

bool Inside(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

RECT OuterOnScreen(const WindowRecord& w) {
  const POINT o = ParentClientOrigin(w);
  return RECT{w.window.left + o.x, w.window.top + o.y, w.window.right + o.x, w.window.bottom + o.y};
}

bool Disabled(const WindowRecord& w) { return w.style & WS_DISABLED; }
bool Shown(const WindowRecord& w) { return (w.style & WS_VISIBLE) && !w.destroying; }

// Top-level windows from the top of the stacking order down: topmost ones first, then the
// newest first (dialogs, boxes and popups come after the windows they stand over).
std::vector<HWND> TopLevelsTopFirst() {
  std::vector<HWND> topmost, rest;
  for (auto& [key, w] : Windows().windows)
    if (IsTopLevel(*w) && Shown(*w)) (StacksTopmost(*w) ? topmost : rest).push_back(w->handle);
  std::vector<HWND> out(topmost.rbegin(), topmost.rend());
  out.insert(out.end(), rest.rbegin(), rest.rend());
  return out;
}

// What lies under a point: the window and its hit-test code. `blockedBy` is the disabled
// top-level window that took the point, if one did.
struct Hit {
  HWND window = nullptr;
  LRESULT code = HTNOWHERE;
  HWND blockedBy = nullptr;
};

LRESULT AskHitTest(HWND window, POINT p) {
  return SendMessageA(window, WM_NCHITTEST, 0, MAKELPARAM(p.x, p.y));
}

// The deepest enabled, visible child of `parent` under the point; children made first lie on
// top. With `ask`, a child that answers HTTRANSPARENT lets the point through to the next.
bool ChildAt(HWND parent, POINT p, bool ask, Hit& hit, int depth = 0) {
  if (depth > 64) return false;
  std::vector<HWND> children;
  for (auto& [key, w] : Windows().windows)
    if (w->parent == parent && Shown(*w) && !Disabled(*w) && Inside(OuterOnScreen(*w), p))
      children.push_back(w->handle);
  for (HWND c : children) {
    WindowRecord* w = FindWindowRecord(c);
    if (!w) continue;
    if (Inside(ClientRectOnScreen(*w), p) && ChildAt(c, p, ask, hit, depth + 1)) return true;
    const LRESULT code = ask ? AskHitTest(c, p) : HTCLIENT;
    if (code == HTTRANSPARENT || !FindWindowRecord(c)) continue;
    hit.window = c, hit.code = code;
    return true;
  }
  return false;
}

Hit HitAt(POINT p, bool ask) {
  Hit hit;
  for (HWND top : TopLevelsTopFirst()) {
    WindowRecord* w = FindWindowRecord(top);
    if (!w || !Inside(OuterOnScreen(*w), p)) continue;
    if (Disabled(*w)) {
      hit.blockedBy = top;
      return hit;
    }
    if (Inside(ClientRectOnScreen(*w), p) && ChildAt(top, p, ask, hit)) return hit;
    const LRESULT code = ask ? AskHitTest(top, p) : HTCLIENT;
    if (code == HTTRANSPARENT || !FindWindowRecord(top)) continue;
    hit.window = top, hit.code = code;
    return hit;
  }
  return hit;
}

WPARAM MouseKeyFlags() {
  WPARAM flags = 0;
  if (AsyncDown(VK_LBUTTON)) flags |= MK_LBUTTON;
  if (AsyncDown(VK_RBUTTON)) flags |= MK_RBUTTON;
  if (AsyncDown(VK_MBUTTON)) flags |= MK_MBUTTON;
  if (AsyncDown(VK_SHIFT)) flags |= MK_SHIFT;
  if (AsyncDown(VK_CONTROL)) flags |= MK_CONTROL;
  return flags;
}

UINT ButtonMessage(MouseButton button, bool down) {
  switch (button) {
    case MouseButton::Left: return down ? WM_LBUTTONDOWN : WM_LBUTTONUP;
    case MouseButton::Right: return down ? WM_RBUTTONDOWN : WM_RBUTTONUP;
    case MouseButton::Middle: return down ? WM_MBUTTONDOWN : WM_MBUTTONUP;
  }
  return WM_MOUSEMOVE;
}

UINT ButtonKey(MouseButton button) {
  switch (button) {
    case MouseButton::Left: return VK_LBUTTON;
    case MouseButton::Right: return VK_RBUTTON;
    case MouseButton::Middle: return VK_MBUTTON;
  }
  return VK_LBUTTON;
}

// The same message outside the client area.
UINT NonClientMessage(UINT message) { return message - WM_MOUSEMOVE + WM_NCMOUSEMOVE; }

void PostClientMouse(HWND window, UINT message, POINT screen) {
  POINT c = screen;
  if (!ScreenToClient(window, &c)) return;
  // Moves that pile up in the queue make one move to the latest place.
  auto& posted = Windows().posted;
  if (message == WM_MOUSEMOVE && !posted.empty() && posted.back().hwnd == window &&
      posted.back().message == WM_MOUSEMOVE)
    posted.pop_back();
  PostMessageA(window, message, MouseKeyFlags(), MAKELPARAM(c.x, c.y));
}

// A click on a window that a modal window disabled brings the modal window forward instead.
void ActivateBlockingPopup(HWND disabled) {
  HWND popup = nullptr;
  for (auto& [key, w] : Windows().windows)
    if (IsTopLevel(*w) && w->owner == disabled && Shown(*w) && !Disabled(*w)) popup = w->handle;
  if (popup) SetActiveWindow(popup);
}

// A button going down over an inactive top-level window activates it, unless the window
// says otherwise. False when the click is to be dropped.
bool ActivateByClick(const Hit& hit, UINT message) {
  const HWND top = TopLevelAncestor(hit.window);
  if (!top || top == Windows().active) return true;
  const LRESULT answer = SendMessageA(hit.window, WM_MOUSEACTIVATE, reinterpret_cast<WPARAM>(top),
                                      MAKELPARAM(hit.code, message));
  if ((answer == MA_ACTIVATE || answer == MA_ACTIVATEANDEAT) && FindWindowRecord(top))
    SetActiveWindow(top);
  return answer != MA_ACTIVATEANDEAT && answer != MA_NOACTIVATEANDEAT;
}

// Sends one mouse event at the cursor's place to the window that gets it.
void RouteMouse(UINT message) {
  WindowSystem& ws = Windows();
  const POINT p = ws.cursorPos;
  if (FindWindowRecord(ws.capture)) {
    PostClientMouse(ws.capture, message, p);
    return;
  }
  const bool buttonDown = message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN ||
                          message == WM_MBUTTONDOWN;
  const Hit hit = HitAt(p, true);
  if (!hit.window) {
    if (buttonDown && hit.blockedBy) ActivateBlockingPopup(hit.blockedBy);
    return;
  }
  if (hit.code == HTERROR) return;
  if (buttonDown && !ActivateByClick(hit, message)) return;
  if (!FindWindowRecord(hit.window)) return;
  SendMessageA(hit.window, WM_SETCURSOR, reinterpret_cast<WPARAM>(hit.window),
               MAKELPARAM(hit.code, message));
  if (!FindWindowRecord(hit.window)) return;
  if (hit.code == HTCLIENT)
    PostClientMouse(hit.window, message, p);
  else
    PostMessageA(hit.window, NonClientMessage(message), WPARAM(hit.code), MAKELPARAM(p.x, p.y));
}

}  // namespace

void InputKey(UINT virtualKey, bool down) {
  const UINT vk = virtualKey & 0xFF;
  if (vk == 0) return;
  WindowSystem& ws = Windows();
  const bool wasDown = AsyncDown(vk);
  const bool altBefore = AsyncDown(VK_MENU);
  SetKey(ws.asyncKeys, vk, down);

  // Alt pressed and released alone is the menu key: its release stays a system key. Released
  // after another key, it is a plain key-up so that no menu opens.
  bool system;
  if (IsAlt(vk)) {
    if (down && !wasDown) ws.altAlone = true;
    system = down || ws.altAlone;
  } else {
    if (down) ws.altAlone = false;
    system = altBefore || vk == VK_F10;
  }
  const bool altHeld = IsAlt(vk) ? system : altBefore;

  LPARAM lParam = 1 | ScanBits(vk);
  if (system && altHeld) lParam |= kContextAlt;
  if (!down || wasDown) lParam |= kWasDown;
  if (!down) lParam |= kGoingUp;
  const UINT message = system ? (down ? WM_SYSKEYDOWN : WM_SYSKEYUP) : (down ? WM_KEYDOWN : WM_KEYUP);

  HWND target = KeyTarget();
  if (!target || !PostMessageA(target, message, WPARAM(vk), lParam)) {
    // No message will carry the change: the thread's key state follows at once.
    SetKey(ws.keys, vk, down);
  }
}

void InputMouseMove(int x, int y) {
  Windows().cursorPos = POINT{x, y};
  RouteMouse(WM_MOUSEMOVE);
}

void InputMouseButton(MouseButton button, bool down, int x, int y) {
  WindowSystem& ws = Windows();
  if (ws.cursorPos.x != x || ws.cursorPos.y != y) InputMouseMove(x, y);
  SetKey(ws.asyncKeys, ButtonKey(button), down);
  RouteMouse(ButtonMessage(button, down));
}

void InputMouseWheel(int delta, int x, int y) {
  WindowSystem& ws = Windows();
  if (ws.cursorPos.x != x || ws.cursorPos.y != y) InputMouseMove(x, y);
  delta = delta < -32768 ? -32768 : delta > 32767 ? 32767 : delta;
  if (HWND target = KeyTarget())
    PostMessageA(target, WM_MOUSEWHEEL, MAKEWPARAM(WORD(MouseKeyFlags()), WORD(SHORT(delta))),
                 MAKELPARAM(WORD(SHORT(x)), WORD(SHORT(y))));
}

SHORT GetAsyncKeyState(int virtualKey) {
  if (virtualKey < 0 || virtualKey > 255) return 0;
  return (Windows().asyncKeys[virtualKey] & 0x80) ? SHORT(0x8000) : SHORT(0);
}

BOOL GetCursorPos(LPPOINT point) {
  if (!point) return FALSE;
  *point = Windows().cursorPos;
  return TRUE;
}

HWND SetCapture(HWND window) {
  WindowSystem& ws = Windows();
  const HWND old = FindWindowRecord(ws.capture) ? ws.capture : nullptr;
  if (window && !FindWindowRecord(window)) return old;
  ws.capture = window;
  if (old && old != window)
    SendMessageA(old, WM_CAPTURECHANGED, 0, reinterpret_cast<LPARAM>(window));
  return old;
}

BOOL ReleaseCapture() {
  WindowSystem& ws = Windows();
  const HWND old = ws.capture;
  ws.capture = nullptr;
  if (FindWindowRecord(old)) SendMessageA(old, WM_CAPTURECHANGED, 0, 0);
  return TRUE;
}

HWND GetCapture() {
  const HWND c = Windows().capture;
  return FindWindowRecord(c) ? c : nullptr;
}

HWND WindowFromPoint(POINT point) { return HitAt(point, false).window; }
