// The menu bar of a top-level window: its items laid out left to right in the menu font, and
// drawn in the window's non-client area, below the caption, through GDI.
#include "win32/menu_internal.h"
#include "win32/window_internal.h"

namespace {

// Space on each side of an item's text.
constexpr int kItemPadding = 6;

// The item the running menu loop shows as selected on a window's bar.
struct BarHighlight {
  HWND window = nullptr;
  int item = -1;
  bool sunken = false;
};

BarHighlight& Highlight() {
  static BarHighlight highlight;
  return highlight;
}

HGDIOBJ MenuFont() { return GetStockObject(DEFAULT_GUI_FONT); }

// What the bar shows of an item: its text up to a tab.
std::string Label(const MenuItem& item) { return item.text.substr(0, item.text.find('\t')); }

int TextWidth(HDC dc, const std::string& text) {
  RECT r{0, 0, 0, 0};
  DrawTextA(dc, text.c_str(), -1, &r, DT_SINGLELINE | DT_CALCRECT);
  return r.right - r.left;
}

}  // namespace

RECT MenuBarRect(HWND window) {
  const WindowRecord* w = FindWindowRecord(window);
  if (!w || !IsTopLevel(*w) || !w->menuBar || w->state == ShowState::Minimized) return RECT{};
  const RECT m = NonClientMargins(w->style, w->exStyle, false);
  const bool edge = w->exStyle & WS_EX_CLIENTEDGE;
  const LONG ex = edge ? GetSystemMetrics(SM_CXEDGE) : 0;
  const LONG ey = edge ? GetSystemMetrics(SM_CYEDGE) : 0;
  RECT bar{w->window.left + m.left - ex, w->window.top + m.top - ey, w->window.right - m.right + ex,
           0};
  bar.bottom = bar.top + GetSystemMetrics(SM_CYMENU);
  if (bar.right < bar.left) bar.right = bar.left;
  return bar;
}

std::vector<RECT> MenuBarItemRects(HWND window) {
  const WindowRecord* w = FindWindowRecord(window);
  const MenuRecord* menu = w && IsTopLevel(*w) ? FindMenuRecord(w->menu) : nullptr;
  const RECT bar = MenuBarRect(window);
  if (!menu || bar.bottom <= bar.top) return {};
  std::vector<RECT> rects;
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, MenuFont());
  LONG x = bar.left;
  for (const MenuItem& item : menu->items) {
    const LONG width = TextWidth(dc, Label(item)) + 2 * kItemPadding;
    if (x + width > bar.right) {
      rects.push_back(RECT{});
      continue;
    }
    rects.push_back(RECT{x, bar.top, x + width, bar.bottom});
    x += width;
  }
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  return rects;
}

int MenuBarItemAt(HWND window, POINT p) {
  const std::vector<RECT> rects = MenuBarItemRects(window);
  for (size_t i = 0; i < rects.size(); ++i) {
    const RECT& r = rects[i];
    if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) return int(i);
  }
  return -1;
}

void SetMenuBarHighlight(HWND window, int item, bool sunken) {
  BarHighlight& h = Highlight();
  const HWND before = h.window;
  h = item >= 0 ? BarHighlight{window, item, sunken} : BarHighlight{};
  if (before && before != window) DrawMenuBar(before);
  DrawMenuBar(window);
}

BOOL DrawMenuBar(HWND window) {
  const WindowRecord* w = FindWindowRecord(window);
  if (!w) return FALSE;
  const MenuRecord* menu = IsTopLevel(*w) ? FindMenuRecord(w->menu) : nullptr;
  const RECT bar = MenuBarRect(window);
  if (bar.bottom <= bar.top || !IsWindowVisible(window)) return TRUE;
  const std::vector<RECT> rects = MenuBarItemRects(window);
  const std::vector<MenuItem> items = menu ? menu->items : std::vector<MenuItem>{};
  const POINT origin{w->window.left, w->window.top};

  HDC dc = GetWindowDC(window);
  if (!dc) return FALSE;
  RECT ground{bar.left - origin.x, bar.top - origin.y, bar.right - origin.x, bar.bottom - origin.y};
  FillRect(dc, &ground, GetSysColorBrush(COLOR_MENU));
  HGDIOBJ oldFont = SelectObject(dc, MenuFont());
  SetBkMode(dc, TRANSPARENT);
  const BarHighlight& h = Highlight();
  for (size_t i = 0; i < items.size() && i < rects.size(); ++i) {
    RECT r{rects[i].left - origin.x, rects[i].top - origin.y, rects[i].right - origin.x,
           rects[i].bottom - origin.y};
    if (r.right <= r.left) continue;
    const bool selected = h.window == window && h.item == int(i);
    if (selected) {
      RECT edge = r;
      DrawEdge(dc, &edge, h.sunken ? BDR_SUNKENOUTER : BDR_RAISEDINNER, BF_RECT);
      // A pressed item's text sinks with it.
      if (h.sunken) r = RECT{r.left + 1, r.top + 1, r.right + 1, r.bottom + 1};
    }
    const bool grayed = items[i].flags & (MF_GRAYED | MF_DISABLED);
    SetTextColor(dc, GetSysColor(grayed ? COLOR_GRAYTEXT : COLOR_MENUTEXT));
    const std::string label = Label(items[i]);
    DrawTextA(dc, label.c_str(), -1, &r, DT_SINGLELINE | DT_CENTER | DT_VCENTER);
  }
  SelectObject(dc, oldFont);
  ReleaseDC(window, dc);
  return TRUE;
}
