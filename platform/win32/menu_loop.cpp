// The menu's modal loop: entered from the menu bar (a click on it, Alt alone, F10, Alt and a
// mnemonic) or by TrackPopupMenuEx. It pumps the thread's messages itself, keeps keyboard and
// mouse input for the menu, dispatches everything else (painting, posted messages), and ends
// on a choice, a cancel, the owner's destruction or WM_QUIT (posted again for the caller).
#include "win32/menu_internal.h"
#include "win32/window_internal.h"

#include <algorithm>
#include <cctype>
#include <utility>

namespace {

// One open drop-down.
struct Level {
  HMENU menu = nullptr;
  HWND window = nullptr;
};

struct Tracker {
  HWND owner = nullptr;
  HMENU bar = nullptr;  // bar mode: the owner's menu bar
  int barItem = -1;
  std::vector<Level> levels;
  UINT flags = 0;  // TPM_ flags
  bool ended = false;
  UINT command = 0;
  bool quit = false;
  WPARAM quitCode = 0;
};

Tracker* Active = nullptr;
// The release of the key (Alt, F10) that closed a menu; it must not open the menu again.
WPARAM SwallowKeyUp = 0;

bool Inside(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}

const MenuItem* ItemOf(HMENU menu, int index) {
  const MenuRecord* m = FindMenuRecord(menu);
  if (!m || index < 0 || size_t(index) >= m->items.size()) return nullptr;
  return &m->items[size_t(index)];
}

void End(Tracker& t, UINT command) {
  t.ended = true;
  t.command = command;
}

// Keeps a box of `size` on the screen, moving it to `other` (the other side of whatever
// opened it) along an axis where it does not fit.
POINT Place(POINT at, SIZE size, POINT other) {
  const LONG w = GetSystemMetrics(SM_CXSCREEN), h = GetSystemMetrics(SM_CYSCREEN);
  if (at.x + size.cx > w) at.x = other.x - size.cx;
  if (at.y + size.cy > h) at.y = other.y - size.cy;
  at.x = std::clamp<LONG>(at.x, 0, std::max<LONG>(0, w - size.cx));
  at.y = std::clamp<LONG>(at.y, 0, std::max<LONG>(0, h - size.cy));
  return at;
}

void CloseLevelsFrom(Tracker& t, size_t first) {
  while (t.levels.size() > first) {
    const HWND window = t.levels.back().window;
    t.levels.pop_back();
    DestroyWindow(window);
  }
}

// Moves the selection of the last drop-down by `step` over the items that are not separators.
void Step(Tracker& t, int step) {
  if (t.levels.empty()) return;
  const HWND popup = t.levels.back().window;
  const MenuRecord* m = FindMenuRecord(t.levels.back().menu);
  if (!m || m->items.empty()) return;
  const int n = int(m->items.size());
  int at = MenuPopupSelection(popup);
  if (at < 0) at = step > 0 ? -1 : n;
  for (int i = 0; i < n; ++i) {
    at = ((at + step) % n + n) % n;
    if (!(m->items[size_t(at)].flags & MF_SEPARATOR)) {
      SetMenuPopupSelection(popup, at);
      return;
    }
  }
}

// Opens `menu` as a drop-down at `at` (screen), `other` being where it goes when it does not
// fit. `index` is its place in the menu that holds it.
bool OpenLevel(Tracker& t, HMENU menu, int index, POINT at, POINT other, bool selectFirst) {
  SendMessageA(t.owner, WM_INITMENUPOPUP, reinterpret_cast<WPARAM>(menu),
               MAKELPARAM(index, FALSE));
  if (!IsWindow(t.owner) || !FindMenuRecord(menu)) return false;
  HWND popup = CreateMenuPopupWindow(menu, t.owner);
  if (!popup) return false;
  at = Place(at, MenuPopupSize(menu), other);
  SetWindowPos(popup, HWND_TOPMOST, at.x, at.y, 0, 0,
               SWP_NOSIZE | SWP_NOACTIVATE | SWP_SHOWWINDOW);
  if (!IsWindow(popup)) return false;
  t.levels.push_back(Level{menu, popup});
  if (selectFirst) Step(t, 1);
  return true;
}

// Selects an item of the bar, dropping its popup down when `drop`.
void SelectBarItem(Tracker& t, int item, bool drop, bool selectFirst) {
  CloseLevelsFrom(t, 0);
  t.barItem = item;
  const MenuItem* i = ItemOf(t.bar, item);
  drop = drop && i && i->popup;
  SetMenuBarHighlight(t.owner, item, drop);
  if (!drop) return;
  const std::vector<RECT> rects = MenuBarItemRects(t.owner);
  if (size_t(item) >= rects.size()) return;
  const RECT& r = rects[size_t(item)];
  if (!OpenLevel(t, i->popup, item, POINT{r.left, r.bottom}, POINT{r.right, r.top}, selectFirst))
    End(t, 0);
}

// Opens the popup of the selected item of the last drop-down.
bool OpenSelectedPopup(Tracker& t, bool selectFirst) {
  if (t.levels.empty()) return false;
  const Level& last = t.levels.back();
  const int sel = MenuPopupSelection(last.window);
  const MenuItem* i = ItemOf(last.menu, sel);
  if (!i || !i->popup || !MenuItemSelectable(*i)) return false;
  const RECT r = MenuPopupItemRect(last.window, sel);
  OpenLevel(t, i->popup, sel, POINT{r.right - 3, r.top - 3}, POINT{r.left + 3, r.bottom + 3},
            selectFirst);
  return true;
}

// The item of the last drop-down (or of the bar when none is open) with a mnemonic.
int FindMnemonic(HMENU menu, char c) {
  const MenuRecord* m = FindMenuRecord(menu);
  if (!m) return -1;
  for (size_t i = 0; i < m->items.size(); ++i)
    if (!(m->items[i].flags & MF_SEPARATOR) && MenuMnemonic(m->items[i].text) == c) return int(i);
  return -1;
}

// Chooses the item: a popup opens, a command ends the loop, a grayed item ends it with none.
void Choose(Tracker& t, size_t level, int index, bool fromKeyboard) {
  const MenuItem* i = ItemOf(t.levels[level].menu, index);
  if (!i || (i->flags & MF_SEPARATOR)) return;
  if (i->popup) {
    CloseLevelsFrom(t, level + 1);
    SetMenuPopupSelection(t.levels[level].window, index);
    OpenSelectedPopup(t, fromKeyboard);
    return;
  }
  if (!MenuItemSelectable(*i)) {
    if (fromKeyboard) End(t, 0);
    return;
  }
  End(t, i->id);
}

void Key(Tracker& t, UINT vk) {
  const bool barMode = t.bar != nullptr;
  switch (vk) {
    case VK_ESCAPE:
      if (t.levels.size() > 1 || (barMode && t.levels.size() == 1)) {
        CloseLevelsFrom(t, t.levels.size() - 1);
        if (t.levels.empty()) SetMenuBarHighlight(t.owner, t.barItem, false);
      } else {
        End(t, 0);
      }
      return;
    case VK_MENU:
    case VK_LMENU:
    case VK_RMENU:
    case VK_F10:
      SwallowKeyUp = vk;
      End(t, 0);
      return;
    case VK_UP:
    case VK_DOWN:
      if (t.levels.empty()) {
        SelectBarItem(t, t.barItem, true, true);
      } else {
        Step(t, vk == VK_DOWN ? 1 : -1);
      }
      return;
    case VK_LEFT:
    case VK_RIGHT: {
      if (vk == VK_RIGHT && OpenSelectedPopup(t, true)) return;
      if (vk == VK_LEFT && t.levels.size() > 1) {
        CloseLevelsFrom(t, t.levels.size() - 1);
        return;
      }
      const int count = GetMenuItemCount(t.bar);
      if (!barMode || count <= 0) return;
      const bool dropped = !t.levels.empty();
      const int next = ((t.barItem + (vk == VK_RIGHT ? 1 : -1)) % count + count) % count;
      SelectBarItem(t, next, dropped, true);
      return;
    }
    case VK_RETURN:
      if (t.levels.empty()) {
        SelectBarItem(t, t.barItem, true, true);
        return;
      }
      if (const int sel = MenuPopupSelection(t.levels.back().window); sel >= 0)
        Choose(t, t.levels.size() - 1, sel, true);
      else if (!barMode)
        End(t, 0);
      return;
  }
  const bool letter = (vk >= 'A' && vk <= 'Z') || (vk >= '0' && vk <= '9');
  if (!letter) return;
  const char c = char(std::tolower(int(vk)));
  if (t.levels.empty()) {
    if (const int item = FindMnemonic(t.bar, c); item >= 0) SelectBarItem(t, item, true, true);
    return;
  }
  if (const int item = FindMnemonic(t.levels.back().menu, c); item >= 0)
    Choose(t, t.levels.size() - 1, item, true);
}

// The screen point of a mouse message, whichever window it went to.
bool ScreenPointOf(const MSG& m, POINT& p) {
  p = POINT{SHORT(LOWORD(m.lParam)), SHORT(HIWORD(m.lParam))};
  if (m.message >= WM_NCMOUSEMOVE && m.message <= WM_NCMBUTTONDBLCLK) return true;
  if (m.message >= WM_MOUSEFIRST && m.message <= WM_MOUSELAST)
    return ClientToScreen(m.hwnd, &p) != FALSE;
  return false;
}

void Mouse(Tracker& t, const MSG& m) {
  POINT p;
  if (!ScreenPointOf(m, p)) return;
  UINT message = m.message;
  if (message >= WM_NCMOUSEMOVE && message <= WM_NCMBUTTONDBLCLK)
    message = message - WM_NCMOUSEMOVE + WM_MOUSEMOVE;
  const bool down = message == WM_LBUTTONDOWN || message == WM_RBUTTONDOWN ||
                    message == WM_LBUTTONDBLCLK || message == WM_RBUTTONDBLCLK;
  const bool up = message == WM_LBUTTONUP || message == WM_RBUTTONUP;

  // The deepest drop-down under the point.
  for (size_t k = t.levels.size(); k-- > 0;) {
    RECT r;
    GetWindowRect(t.levels[k].window, &r);
    if (!Inside(r, p)) continue;
    const int item = MenuPopupItemAt(t.levels[k].window, p);
    const MenuItem* i = ItemOf(t.levels[k].menu, item);
    const int shown = i && !(i->flags & MF_SEPARATOR) ? item : -1;
    if (MenuPopupSelection(t.levels[k].window) != shown) {
      CloseLevelsFrom(t, k + 1);
      SetMenuPopupSelection(t.levels[k].window, shown);
    }
    if (up && shown >= 0) Choose(t, k, shown, false);
    return;
  }
  if (t.bar) {
    const int item = MenuBarItemAt(t.owner, p);
    if (item >= 0) {
      const bool dropped = !t.levels.empty();
      if (down && item == t.barItem && dropped) {
        End(t, 0);  // a second click on the open item closes the menu
      } else if (down || (dropped && item != t.barItem)) {
        SelectBarItem(t, item, true, false);
      }
      return;
    }
    if (Inside(MenuBarRect(t.owner), p)) return;
  }
  if (down) End(t, 0);
}

bool IsKeyboard(UINT message) { return message >= WM_KEYFIRST && message <= WM_KEYLAST; }
bool IsMouse(UINT message) {
  return (message >= WM_MOUSEFIRST && message <= WM_MOUSELAST) ||
         (message >= WM_NCMOUSEMOVE && message <= WM_NCMBUTTONDBLCLK);
}

bool LevelsAlive(const Tracker& t) {
  for (const Level& l : t.levels)
    if (!IsWindow(l.window) || !FindMenuRecord(l.menu)) return false;
  return !t.bar || FindMenuRecord(t.bar);
}

void Pump(Tracker& t) {
  while (!t.ended) {
    if (!IsWindow(t.owner) || !LevelsAlive(t)) return End(t, 0);
    MSG msg;
    if (!PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
      const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
      if (got == -1) return End(t, 0);
      // Nothing came and nothing can (a display without a user): the menu is dismissed.
      if (got && msg.message == WM_NULL && !msg.hwnd) return End(t, 0);
    }
    if (msg.message == WM_QUIT) {
      t.quit = true;
      t.quitCode = msg.wParam;
      return End(t, 0);
    }
    if (IsKeyboard(msg.message)) {
      if (msg.message == WM_KEYDOWN || msg.message == WM_SYSKEYDOWN) Key(t, UINT(msg.wParam));
      continue;
    }
    if (IsMouse(msg.message)) {
      Mouse(t, msg);
      continue;
    }
    DispatchMessageA(&msg);
  }
}

// The loop's start: the owner hears of it and gets the mouse.
void Begin(Tracker& t, bool popup, HMENU first) {
  Active = &t;
  SendMessageA(t.owner, WM_ENTERMENULOOP, popup ? TRUE : FALSE, 0);
  if (IsWindow(t.owner)) SendMessageA(t.owner, WM_INITMENU, reinterpret_cast<WPARAM>(first), 0);
  if (IsWindow(t.owner)) SetCapture(t.owner);
}

void Finish(Tracker& t, bool popup) {
  CloseLevelsFrom(t, 0);
  Active = nullptr;
  if (IsWindow(t.owner)) {
    if (t.bar) SetMenuBarHighlight(t.owner, -1, false);
    if (GetCapture() == t.owner) ReleaseCapture();
    SendMessageA(t.owner, WM_MENUSELECT, MAKEWPARAM(0, 0xFFFF), 0);
  }
  if (IsWindow(t.owner)) SendMessageA(t.owner, WM_EXITMENULOOP, popup ? TRUE : FALSE, 0);
  if (t.command && IsWindow(t.owner) && !(t.flags & (TPM_RETURNCMD | TPM_NONOTIFY)))
    PostMessageA(t.owner, WM_COMMAND, MAKEWPARAM(t.command, 0), 0);
  if (t.quit) PostQuitMessage(int(t.quitCode));
}

// The bar's loop: from a click (item dropped down), Alt or F10 (first item raised), or Alt
// and a mnemonic (its item dropped down with its first item selected).
void TrackBar(HWND window, int item, bool drop, bool selectFirst) {
  HMENU bar = GetMenu(window);
  if (Active || !bar || item < 0 || item >= GetMenuItemCount(bar)) return;
  Tracker t;
  t.owner = window;
  t.bar = bar;
  Begin(t, false, bar);
  if (!t.ended && IsWindow(window)) SelectBarItem(t, item, drop, selectFirst);
  Pump(t);
  Finish(t, false);
}

}  // namespace

BOOL TrackPopupMenuEx(HMENU menu, UINT flags, int x, int y, HWND owner, LPTPMPARAMS params) {
  if (Active || !FindMenuRecord(menu) || !IsWindow(owner)) return FALSE;
  Tracker t;
  t.owner = owner;
  t.flags = flags;
  Begin(t, true, menu);
  if (!t.ended && IsWindow(owner)) {
    const SIZE size = MenuPopupSize(menu);
    POINT at{x, y};
    if (flags & TPM_CENTERALIGN) at.x -= size.cx / 2;
    else if (flags & TPM_RIGHTALIGN) at.x -= size.cx;
    if (flags & TPM_VCENTERALIGN) at.y -= size.cy / 2;
    else if (flags & TPM_BOTTOMALIGN) at.y -= size.cy;
    POINT other{at.x, at.y};
    if (params && params->cbSize >= sizeof(TPMPARAMS)) {
      // Kept off the excluded rectangle: below or above it with TPM_VERTICAL, else beside it.
      const RECT& ex = params->rcExclude;
      const RECT box{at.x, at.y, at.x + size.cx, at.y + size.cy};
      const bool overlaps = box.left < ex.right && ex.left < box.right && box.top < ex.bottom &&
                            ex.top < box.bottom;
      if (overlaps && (flags & TPM_VERTICAL)) {
        at.y = ex.bottom;
        other.y = ex.top;
      } else if (overlaps) {
        at.x = ex.right;
        other.x = ex.left;
      }
    }
    if (!OpenLevel(t, menu, 0, at, other, false)) End(t, 0);
  }
  Pump(t);
  Finish(t, true);
  return (flags & TPM_RETURNCMD) ? BOOL(t.command) : TRUE;
}

BOOL TrackPopupMenu(HMENU menu, UINT flags, int x, int y, int, HWND owner, const RECT*) {
  return TrackPopupMenuEx(menu, flags, x, y, owner, nullptr);
}

BOOL EndMenu() {
  if (!Active) return FALSE;
  End(*Active, 0);
  return TRUE;
}

bool MenuDefWindowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam, LRESULT& result) {
  result = 0;
  switch (message) {
    case WM_NCLBUTTONDOWN: {
      if (wParam != HTMENU) return false;
      const POINT p{SHORT(LOWORD(lParam)), SHORT(HIWORD(lParam))};
      TrackBar(window, MenuBarItemAt(window, p), true, false);
      return true;
    }
    case WM_SYSKEYUP:
      if (wParam != VK_MENU && wParam != VK_LMENU && wParam != VK_RMENU && wParam != VK_F10)
        return false;
      if (std::exchange(SwallowKeyUp, 0) == wParam) return true;
      SendMessageA(TopLevelAncestor(window), WM_SYSCOMMAND, SC_KEYMENU, 0);
      return true;
    case WM_SYSCHAR:
      // Alt and a letter opens the bar's item with that mnemonic; Alt+Space is the system menu.
      if (wParam == ' ' || !(HIWORD(lParam) & KF_ALTDOWN)) return false;
      SendMessageA(TopLevelAncestor(window), WM_SYSCOMMAND, SC_KEYMENU, LPARAM(wParam));
      return true;
    case WM_SYSCOMMAND: {
      if ((wParam & 0xFFF0) != SC_KEYMENU) return false;
      if (lParam == 0) {
        TrackBar(window, 0, false, false);
      } else if (lParam != ' ') {
        const int item =
            FindMnemonic(GetMenu(window), char(std::tolower(int(lParam & 0xFF))));
        if (item >= 0) TrackBar(window, item, true, true);
      }
      return true;
    }
    case WM_RBUTTONUP: {
      POINT p{SHORT(LOWORD(lParam)), SHORT(HIWORD(lParam))};
      ClientToScreen(window, &p);
      SendMessageA(window, WM_CONTEXTMENU, reinterpret_cast<WPARAM>(window),
                   MAKELPARAM(p.x, p.y));
      return true;
    }
  }
  return false;
}
