// The message queue of the one user-interface thread: posting, sending, taking messages in
// the Win32 order (posted, then WM_QUIT, then WM_PAINT), key state and character translation.
#include "win32/window_internal.h"

#include "display/display.h"

#include <algorithm>

namespace {

// A queue that grows without bound is a program fault; Win32 refuses posts past this too.
constexpr size_t kMaxPosted = 10000;
// Deeper nesting of sent messages is a procedure that sends to itself without end.
constexpr int kMaxSendDepth = 512;

bool InRange(UINT message, UINT min, UINT max) {
  if (min == 0 && max == 0) return true;
  return message >= min && message <= max;
}

// A window filter takes the window's own messages and its children's; (HWND)-1 takes only
// the thread's messages (no window).
bool MatchesWindow(HWND target, HWND filter) {
  if (!filter) return true;
  if (filter == reinterpret_cast<HWND>(-1)) return target == nullptr;
  for (HWND h = target; h;) {
    if (h == filter) return true;
    WindowRecord* w = FindWindowRecord(h);
    h = w ? w->parent : nullptr;
  }
  return false;
}

bool NeedsPaint(const WindowRecord& w) {
  return !w.destroying && (w.updatePending || w.internalPaint) && IsWindowVisible(w.handle);
}

bool TakeMessage(MSG* out, HWND filter, UINT min, UINT max, bool remove) {
  WindowSystem& ws = Windows();
  for (auto it = ws.posted.begin(); it != ws.posted.end(); ++it) {
    if (!InRange(it->message, min, max) || !MatchesWindow(it->hwnd, filter)) continue;
    *out = *it;
    if (remove) ws.posted.erase(it);
    return true;
  }
  if (ws.quitPending && InRange(WM_QUIT, min, max) &&
      (!filter || filter == reinterpret_cast<HWND>(-1))) {
    *out = MSG{nullptr, WM_QUIT, WPARAM(ws.quitCode), 0, timeGetTime(), ws.cursorPos};
    if (remove) ws.quitPending = false;
    return true;
  }
  if (InRange(WM_PAINT, min, max)) {
    for (auto& [key, w] : ws.windows) {
      if (!NeedsPaint(*w) || !MatchesWindow(w->handle, filter)) continue;
      *out = MSG{w->handle, WM_PAINT, 0, 0, timeGetTime(), ws.cursorPos};
      return true;
    }
  }
  return false;
}

// Keys go down and up as their messages leave the queue, as the program sees them.
void TrackKeys(const MSG& msg) {
  const bool down = msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN;
  const bool up = msg.message == WM_KEYUP || msg.message == WM_SYSKEYUP;
  if (!down && !up) return;
  BYTE* keys = Windows().keys;
  auto set = [&](UINT vk) {
    if (down) {
      if (!(keys[vk] & 0x80)) keys[vk] ^= 0x01;
      keys[vk] |= 0x80;
    } else {
      keys[vk] &= ~0x80;
    }
  };
  const UINT vk = UINT(msg.wParam & 0xFF);
  set(vk);
  if (vk == VK_LSHIFT || vk == VK_RSHIFT) set(VK_SHIFT);
  if (vk == VK_LCONTROL || vk == VK_RCONTROL) set(VK_CONTROL);
  if (vk == VK_LMENU || vk == VK_RMENU) set(VK_MENU);
}

bool KeyDown(int vk) { return Windows().keys[vk] & 0x80; }

// The character a key gives on a US keyboard, or 0.
char CharacterOf(UINT vk, bool shift, bool control, bool capsLock) {
  struct Pair {
    UINT vk;
    char plain, shifted;
  };
  static constexpr Pair kKeys[] = {
      {VK_SPACE, ' ', ' '},     {VK_RETURN, '\r', '\r'},  {VK_ESCAPE, 0x1B, 0x1B},
      {VK_BACK, 0x08, 0x08},    {VK_TAB, '\t', '\t'},     {'0', '0', ')'},
      {'1', '1', '!'},          {'2', '2', '@'},          {'3', '3', '#'},
      {'4', '4', '$'},          {'5', '5', '%'},          {'6', '6', '^'},
      {'7', '7', '&'},          {'8', '8', '*'},          {'9', '9', '('},
      {VK_OEM_1, ';', ':'},     {VK_OEM_PLUS, '=', '+'},  {VK_OEM_COMMA, ',', '<'},
      {VK_OEM_MINUS, '-', '_'}, {VK_OEM_PERIOD, '.', '>'}, {VK_OEM_2, '/', '?'},
      {VK_OEM_3, '`', '~'},     {VK_OEM_4, '[', '{'},     {VK_OEM_5, '\\', '|'},
      {VK_OEM_6, ']', '}'},     {VK_OEM_7, '\'', '"'},    {VK_MULTIPLY, '*', '*'},
      {VK_ADD, '+', '+'},       {VK_SUBTRACT, '-', '-'},  {VK_DECIMAL, '.', '.'},
      {VK_DIVIDE, '/', '/'},
  };
  if (vk >= 'A' && vk <= 'Z') {
    if (control) return char(vk - 'A' + 1);
    return (shift != capsLock) ? char(vk) : char(vk - 'A' + 'a');
  }
  if (vk >= VK_NUMPAD0 && vk <= VK_NUMPAD9) return char('0' + (vk - VK_NUMPAD0));
  if (control) return 0;
  for (const Pair& p : kKeys)
    if (p.vk == vk) return shift ? p.shifted : p.plain;
  return 0;
}

}  // namespace

void DropPostedMessages(HWND window) {
  auto& posted = Windows().posted;
  posted.erase(std::remove_if(posted.begin(), posted.end(),
                              [window](const MSG& m) { return m.hwnd == window; }),
               posted.end());
}

LRESULT SendMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowRecord* w = FindWindowRecord(window);
  WindowSystem& ws = Windows();
  if (!w || ws.sendDepth >= kMaxSendDepth) return 0;
  WNDPROC proc = w->proc;
  ++ws.sendDepth;
  LRESULT result = proc ? proc(window, message, wParam, lParam)
                        : DefWindowProcA(window, message, wParam, lParam);
  --ws.sendDepth;
  return result;
}

bool MessageWaiting() {
  MSG m;
  return TakeMessage(&m, nullptr, 0, 0, false);
}

BOOL PostMessageA(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
  WindowSystem& ws = Windows();
  if (window && !FindWindowRecord(window)) return FALSE;
  if (ws.posted.size() >= kMaxPosted) return FALSE;
  ws.posted.push_back(MSG{window, message, wParam, lParam, timeGetTime(), ws.cursorPos});
  return TRUE;
}

void PostQuitMessage(int exitCode) {
  Windows().quitPending = true;
  Windows().quitCode = exitCode;
}

BOOL PeekMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax, UINT remove) {
  if (!msg) return FALSE;
  const bool take = remove & PM_REMOVE;
  if (!TakeMessage(msg, window, filterMin, filterMax, take)) {
    TheDisplay().PumpEvents(false);
    if (!TakeMessage(msg, window, filterMin, filterMax, take)) return FALSE;
  }
  if (take) TrackKeys(*msg);
  return TRUE;
}

BOOL GetMessageA(LPMSG msg, HWND window, UINT filterMin, UINT filterMax) {
  if (!msg) return -1;
  if (window && window != reinterpret_cast<HWND>(-1) && !FindWindowRecord(window)) return -1;
  if (!PeekMessageA(msg, window, filterMin, filterMax, PM_REMOVE)) {
    TheDisplay().PumpEvents(true);
    if (!TakeMessage(msg, window, filterMin, filterMax, true)) {
      // Nothing came and nothing can: hand the loop an empty message rather than hang.
      *msg = MSG{nullptr, WM_NULL, 0, 0, timeGetTime(), Windows().cursorPos};
      return TRUE;
    }
    TrackKeys(*msg);
  }
  return msg->message == WM_QUIT ? FALSE : TRUE;
}

BOOL TranslateMessage(const MSG* msg) {
  if (!msg) return FALSE;
  switch (msg->message) {
    case WM_KEYUP:
    case WM_SYSKEYUP: return TRUE;
    case WM_KEYDOWN:
    case WM_SYSKEYDOWN: break;
    default: return FALSE;
  }
  const bool control = msg->message == WM_KEYDOWN && KeyDown(VK_CONTROL);
  const char c = CharacterOf(UINT(msg->wParam & 0xFF), KeyDown(VK_SHIFT), control,
                             Windows().keys[VK_CAPITAL] & 0x01);
  if (c)
    PostMessageA(msg->hwnd, msg->message == WM_KEYDOWN ? WM_CHAR : WM_SYSCHAR,
                 WPARAM(BYTE(c)), msg->lParam);
  return TRUE;
}

LRESULT DispatchMessageA(const MSG* msg) {
  if (!msg || !msg->hwnd) return 0;
  return SendMessageA(msg->hwnd, msg->message, msg->wParam, msg->lParam);
}

SHORT GetKeyState(int virtualKey) {
  if (virtualKey < 0 || virtualKey > 255) return 0;
  const BYTE k = Windows().keys[virtualKey];
  return SHORT(((k & 0x80) ? 0xFF80 : 0) | (k & 0x01));
}
