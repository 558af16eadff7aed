// Drop-down menus: a popup window of a private class that lays out and paints one popup menu
// (grey box with a raised edge, the selection in the highlight colours, separators, the
// accelerator text right-aligned after the tab). The menu loop drives its selection.
#include "win32/menu_internal.h"
#include "win32/window_internal.h"

#include <algorithm>
#include <map>

namespace {

constexpr char kClassName[] = "#32768";
// Inside the raised edge; space for a check mark before the text and a popup arrow after it.
constexpr int kBorder = 3;
constexpr int kLeftMargin = 18;
constexpr int kRightMargin = 16;
constexpr int kAccelGap = 16;
constexpr int kSeparatorHeight = 8;
constexpr int kMinItemHeight = 17;

struct PopupState {
  HMENU menu = nullptr;
  int selection = -1;
};

std::map<HWND, PopupState>& Popups() {
  static auto* popups = new std::map<HWND, PopupState>;
  return *popups;
}

HGDIOBJ MenuFont() { return GetStockObject(DEFAULT_GUI_FONT); }

std::string LabelOf(const std::string& text) { return text.substr(0, text.find('\t')); }
std::string AccelOf(const std::string& text) {
  const size_t tab = text.find('\t');
  return tab == std::string::npos ? std::string() : text.substr(tab + 1);
}

int TextWidth(HDC dc, const std::string& text, UINT format = 0) {
  RECT r{0, 0, 0, 0};
  DrawTextA(dc, text.c_str(), -1, &r, DT_SINGLELINE | DT_CALCRECT | format);
  return r.right - r.left;
}

// Item rectangles in the popup's own coordinates, and the size of the whole popup.
struct Layout {
  std::vector<RECT> items;
  int labelWidth = 0;
  SIZE size{};
};

Layout LayOut(HMENU menu) {
  Layout out;
  const MenuRecord* m = FindMenuRecord(menu);
  if (!m) return out;
  HDC dc = GetDC(nullptr);
  HGDIOBJ old = SelectObject(dc, MenuFont());
  RECT line{0, 0, 0, 0};
  DrawTextA(dc, "Ag", -1, &line, DT_SINGLELINE | DT_CALCRECT);
  const int itemHeight = std::max(kMinItemHeight, int(line.bottom - line.top) + 4);
  int accelWidth = 0;
  for (const MenuItem& item : m->items) {
    if (item.flags & MF_SEPARATOR) continue;
    out.labelWidth = std::max(out.labelWidth, TextWidth(dc, LabelOf(item.text)));
    accelWidth = std::max(accelWidth, TextWidth(dc, AccelOf(item.text), DT_NOPREFIX));
  }
  SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  const int width = kLeftMargin + out.labelWidth + (accelWidth ? kAccelGap + accelWidth : 0) +
                    kRightMargin;
  int y = kBorder;
  for (const MenuItem& item : m->items) {
    const int h = (item.flags & MF_SEPARATOR) ? kSeparatorHeight : itemHeight;
    out.items.push_back(RECT{kBorder, y, kBorder + width, y + h});
    y += h;
  }
  out.size = SIZE{width + 2 * kBorder, y + kBorder};
  return out;
}

void Fill(HDC dc, LONG l, LONG t, LONG r, LONG b, int colour) {
  RECT rect{l, t, r, b};
  FillRect(dc, &rect, GetSysColorBrush(colour));
}

// A check mark of a few pixel runs, centred on (x, y).
void CheckMark(HDC dc, int x, int y, int colour) {
  static constexpr int kDrop[] = {2, 3, 4, 3, 2, 1, 0};  // row of each column's top, from -3
  for (int i = 0; i < 7; ++i) Fill(dc, x - 3 + i, y - 3 + kDrop[i], x - 2 + i, y + kDrop[i], colour);
}

// The small arrow of an item that opens another popup.
void Arrow(HDC dc, int x, int y, int colour) {
  for (int i = 0; i < 4; ++i) Fill(dc, x + i, y - 3 + i, x + i + 1, y + 4 - i, colour);
}

void Paint(HWND popup) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(popup, &ps);
  if (!dc) return;
  const auto it = Popups().find(popup);
  const MenuRecord* m = it == Popups().end() ? nullptr : FindMenuRecord(it->second.menu);
  RECT client;
  GetClientRect(popup, &client);
  FillRect(dc, &client, GetSysColorBrush(COLOR_MENU));
  RECT edge = client;
  DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
  if (m) {
    const Layout layout = LayOut(it->second.menu);
    const int selection = it->second.selection;
    HGDIOBJ oldFont = SelectObject(dc, MenuFont());
    SetBkMode(dc, TRANSPARENT);
    for (size_t i = 0; i < m->items.size() && i < layout.items.size(); ++i) {
      const MenuItem& item = m->items[i];
      const RECT& r = layout.items[i];
      if (item.flags & MF_SEPARATOR) {
        const LONG mid = (r.top + r.bottom) / 2 - 1;
        Fill(dc, r.left + 1, mid, r.right - 1, mid + 1, COLOR_BTNSHADOW);
        Fill(dc, r.left + 1, mid + 1, r.right - 1, mid + 2, COLOR_BTNHIGHLIGHT);
        continue;
      }
      const bool selected = int(i) == selection;
      const bool grayed = item.flags & (MF_GRAYED | MF_DISABLED);
      if (selected) Fill(dc, r.left, r.top, r.right, r.bottom, COLOR_HIGHLIGHT);
      const int text = grayed ? COLOR_GRAYTEXT : selected ? COLOR_HIGHLIGHTTEXT : COLOR_MENUTEXT;
      SetTextColor(dc, GetSysColor(text));
      const int midY = int(r.top + r.bottom) / 2;
      if (item.flags & MF_CHECKED) CheckMark(dc, int(r.left) + kLeftMargin / 2, midY, text);
      RECT label{r.left + kLeftMargin, r.top, r.right - kRightMargin, r.bottom};
      const std::string labelText = LabelOf(item.text);
      DrawTextA(dc, labelText.c_str(), -1, &label, DT_SINGLELINE | DT_VCENTER | DT_LEFT);
      const std::string accel = AccelOf(item.text);
      if (!accel.empty())
        DrawTextA(dc, accel.c_str(), -1, &label,
                  DT_SINGLELINE | DT_VCENTER | DT_RIGHT | DT_NOPREFIX);
      if (item.popup) Arrow(dc, int(r.right) - kRightMargin / 2 - 2, midY, text);
    }
    SelectObject(dc, oldFont);
  }
  EndPaint(popup, &ps);
}

LRESULT CALLBACK PopupProc(HWND popup, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_PAINT: Paint(popup); return 0;
    case WM_ERASEBKGND: return 1;  // painted whole in WM_PAINT
    // A menu never takes activation or focus from its owner.
    case WM_MOUSEACTIVATE: return MA_NOACTIVATE;
    case WM_NCDESTROY: Popups().erase(popup); break;
  }
  return DefWindowProcA(popup, message, wParam, lParam);
}

bool EnsureClass() {
  if (FindWindowClass(kClassName)) return true;
  WNDCLASSA wc{};
  wc.style = CS_SAVEBITS;
  wc.lpfnWndProc = PopupProc;
  wc.hInstance = GetModuleHandleA(nullptr);
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = kClassName;
  return RegisterClassA(&wc) != 0;
}

PopupState* StateOf(HWND popup) {
  auto it = Popups().find(popup);
  return it == Popups().end() ? nullptr : &it->second;
}

}  // namespace

SIZE MenuPopupSize(HMENU menu) { return LayOut(menu).size; }

HWND CreateMenuPopupWindow(HMENU menu, HWND owner) {
  if (!FindMenuRecord(menu) || !EnsureClass()) return nullptr;
  const SIZE size = MenuPopupSize(menu);
  HWND popup = CreateWindowExA(WS_EX_TOPMOST | WS_EX_TOOLWINDOW, kClassName, "", WS_POPUP, 0, 0,
                               size.cx, size.cy, owner, nullptr, GetModuleHandleA(nullptr),
                               nullptr);
  if (popup) Popups()[popup] = PopupState{menu, -1};
  return popup;
}

int MenuPopupItemAt(HWND popup, POINT screen) {
  const PopupState* s = StateOf(popup);
  if (!s) return -1;
  RECT outer;
  GetWindowRect(popup, &outer);
  const POINT p{screen.x - outer.left, screen.y - outer.top};
  const Layout layout = LayOut(s->menu);
  for (size_t i = 0; i < layout.items.size(); ++i) {
    const RECT& r = layout.items[i];
    if (p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom) return int(i);
  }
  return -1;
}

RECT MenuPopupItemRect(HWND popup, int item) {
  const PopupState* s = StateOf(popup);
  if (!s) return RECT{};
  const Layout layout = LayOut(s->menu);
  if (item < 0 || size_t(item) >= layout.items.size()) return RECT{};
  RECT outer;
  GetWindowRect(popup, &outer);
  const RECT& r = layout.items[size_t(item)];
  return RECT{r.left + outer.left, r.top + outer.top, r.right + outer.left, r.bottom + outer.top};
}

void SetMenuPopupSelection(HWND popup, int item) {
  PopupState* s = StateOf(popup);
  if (!s || s->selection == item) return;
  s->selection = item;
  InvalidateRect(popup, nullptr, FALSE);
  UpdateWindow(popup);
}

int MenuPopupSelection(HWND popup) {
  const PopupState* s = StateOf(popup);
  return s ? s->selection : -1;
}

HMENU MenuPopupMenu(HWND popup) {
  const PopupState* s = StateOf(popup);
  return s ? s->menu : nullptr;
}
