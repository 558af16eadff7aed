// "ComboLBox": the drop-down list of a combo box, a popup that never takes activation. It holds
// the mouse while open: moving over an item marks it, releasing the button on an item picks
// it, and pressing the button outside the list closes it without a choice. With more items
// than rows it has a vertical scroll bar (arrows, track, thumb), and dragging with the button
// held past its top or bottom edge scrolls it a row per move.
#include "win32/controls_combo.h"
#include "win32/dialog_internal.h"

#include <algorithm>
#include <map>

namespace {

// The combo box of each open list.
std::map<HWND, HWND>& Owners() {
  static auto* owners = new std::map<HWND, HWND>;
  return *owners;
}

HWND ComboOf(HWND list) {
  auto it = Owners().find(list);
  return it == Owners().end() ? nullptr : it->second;
}

// The list's scroll bar, shown when there are more items than rows.
struct Bar {
  bool shown = false;
  RECT all{}, up{}, down{}, thumb{};
  int track = 0;  // pixels the thumb travels
  int range = 0;  // the last first row
  int rows = 1;   // rows in view
};

Bar BarOf(HWND list) {
  Bar b;
  HWND combo = ComboOf(list);
  const ComboState* s = FindComboState(combo);
  RECT r;
  GetClientRect(list, &r);
  if (!s) return b;
  b.rows = std::max(1, int(r.bottom) / ComboItemHeight(combo));
  const int count = int(s->items.size());
  if (count <= b.rows) return b;
  const LONG width = std::min<LONG>(GetSystemMetrics(SM_CXVSCROLL), r.right / 2);
  // A short list keeps room for a thumb between smaller arrows.
  const LONG arrow = std::min<LONG>(width, r.bottom / 3);
  b.shown = true;
  b.all = RECT{r.right - width, 0, r.right, r.bottom};
  b.up = RECT{b.all.left, 0, r.right, arrow};
  b.down = RECT{b.all.left, r.bottom - arrow, r.right, r.bottom};
  const int length = int(b.down.top - b.up.bottom);
  const int thumb = std::min(length, std::max(8, length * b.rows / count));
  b.range = count - b.rows;
  b.track = length - thumb;
  const int at = int(b.up.bottom) + b.track * std::clamp(s->top, 0, b.range) / b.range;
  b.thumb = RECT{b.all.left, at, r.right, at + thumb};
  return b;
}

void DrawTriangle(HDC dc, const RECT& r, bool up) {
  const LONG cx = (r.left + r.right) / 2, cy = (r.top + r.bottom) / 2 - 1;
  HBRUSH ink = GetSysColorBrush(COLOR_BTNTEXT);
  for (LONG i = 0; i < 4; ++i) {
    const LONG y = up ? cy + 2 - i : cy - 1 + i;
    RECT row{cx - 3 + i, y, cx + 4 - i, y + 1};
    FillRect(dc, &row, ink);
  }
}

void PaintBar(HDC dc, const Bar& b) {
  FillRect(dc, &b.all, GetSysColorBrush(COLOR_SCROLLBAR));
  for (const RECT* part : {&b.up, &b.down, &b.thumb}) {
    RECT edge = *part;
    FillRect(dc, &edge, GetSysColorBrush(COLOR_BTNFACE));
    DrawEdge(dc, &edge, EDGE_RAISED, BF_RECT);
  }
  DrawTriangle(dc, b.up, true);
  DrawTriangle(dc, b.down, false);
}

// The item under a client point of the list, or -1.
int ItemAt(HWND list, POINT pt) {
  HWND combo = ComboOf(list);
  ComboState* s = FindComboState(combo);
  RECT r;
  GetClientRect(list, &r);
  if (const Bar b = BarOf(list); b.shown) r.right = b.all.left;
  if (!s || !Contains(r, pt)) return -1;
  const int index = s->top + int(pt.y) / ComboItemHeight(combo);
  return index < int(s->items.size()) ? index : -1;
}

void Paint(HWND list) {
  PAINTSTRUCT ps;
  HDC dc = BeginPaint(list, &ps);
  if (!dc) return;
  HWND combo = ComboOf(list);
  const ComboState* s = FindComboState(combo);
  RECT r;
  GetClientRect(list, &r);
  const Bar bar = BarOf(list);
  if (bar.shown) r.right = bar.all.left;
  FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOW));
  if (bar.shown) PaintBar(dc, bar);
  if (s) {
    HGDIOBJ oldFont = SelectObject(dc, ControlFont(combo));
    SetBkMode(dc, TRANSPARENT);
    const int height = ComboItemHeight(combo);
    for (int i = s->top, y = 0; i < int(s->items.size()) && y < r.bottom; ++i, y += height) {
      RECT row{r.left, y, r.right, y + height};
      const bool hot = i == s->hot;
      if (hot) FillRect(dc, &row, GetSysColorBrush(COLOR_HIGHLIGHT));
      SetTextColor(dc, GetSysColor(hot ? COLOR_HIGHLIGHTTEXT : COLOR_WINDOWTEXT));
      RECT label{row.left + 2, row.top, row.right - 1, row.bottom};
      const std::string& text = s->items[size_t(i)].text;
      DrawTextA(dc, text.c_str(), int(text.size()), &label,
                DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
    }
    if (oldFont) SelectObject(dc, oldFont);
  }
  EndPaint(list, &ps);
}

void MarkItem(HWND list, int index) {
  ComboState* s = FindComboState(ComboOf(list));
  if (!s || index < 0 || index == s->hot) return;
  s->hot = index;
  InvalidateRect(list, nullptr, TRUE);
}

// A press in the scroll bar: a row at each arrow, a page on the track, the thumb is taken.
void PressBar(HWND list, const Bar& b, POINT pt) {
  HWND combo = ComboOf(list);
  ComboState* s = FindComboState(combo);
  if (!s) return;
  s->barDrag = 0;
  const int page = std::max(1, b.rows - 1);
  if (Contains(b.up, pt))
    ComboScrollList(combo, -1);
  else if (Contains(b.down, pt))
    ComboScrollList(combo, 1);
  else if (pt.y < b.thumb.top)
    ComboScrollList(combo, -page);
  else if (pt.y >= b.thumb.bottom)
    ComboScrollList(combo, page);
  else
    s->barDrag = 1 + int(pt.y - b.thumb.top);
}

// The mouse moved with the button down: the thumb follows it, or past an edge the view
// scrolls a row and marks the row at that edge.
void DragOver(HWND list, POINT pt) {
  HWND combo = ComboOf(list);
  ComboState* s = FindComboState(combo);
  if (!s) return;
  const Bar b = BarOf(list);
  if (s->barDrag > 0) {
    if (!b.shown || b.track <= 0) return;
    const int y = int(pt.y - b.up.bottom) - (s->barDrag - 1);
    const int top = (std::clamp(y, 0, b.track) * b.range + b.track / 2) / b.track;
    ComboScrollList(combo, top - s->top);
    return;
  }
  if (s->barDrag == 0) return;  // pressed on an arrow or the track
  RECT r;
  GetClientRect(list, &r);
  if (pt.y >= r.bottom) {
    ComboScrollList(combo, 1);
    if ((s = FindComboState(combo))) MarkItem(list, std::min(int(s->items.size()) - 1, s->top + b.rows - 1));
  } else if (pt.y < 0) {
    ComboScrollList(combo, -1);
    if ((s = FindComboState(combo))) MarkItem(list, s->top);
  } else {
    MarkItem(list, ItemAt(list, pt));
  }
}

LRESULT CALLBACK ListProc(HWND list, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      Owners()[list] = cs ? static_cast<HWND>(cs->lpCreateParams) : nullptr;
      break;
    }
    case WM_NCDESTROY: {
      if (ComboState* s = FindComboState(ComboOf(list)); s && s->list == list) s->list = nullptr;
      Owners().erase(list);
      break;
    }
    case WM_MOUSEACTIVATE:
      return MA_NOACTIVATE;
    case WM_PAINT:
      Paint(list);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_MOUSEMOVE:
      if (wParam & MK_LBUTTON)
        DragOver(list, PointOf(lParam));
      else
        MarkItem(list, ItemAt(list, PointOf(lParam)));
      return 0;
    case WM_LBUTTONDOWN: {
      const POINT pt = PointOf(lParam);
      RECT r;
      GetClientRect(list, &r);
      if (Contains(r, pt)) {
        if (const Bar b = BarOf(list); b.shown && Contains(b.all, pt))
          PressBar(list, b, pt);
        else
          MarkItem(list, ItemAt(list, pt));
        return 0;
      }
      // Outside: a press on the combo box's own field closes it there as well.
      ComboFinish(ComboOf(list), -1);
      return 0;
    }
    case WM_LBUTTONUP: {
      // The end of a press in the scroll bar picks nothing.
      if (ComboState* s = FindComboState(ComboOf(list)); s && s->barDrag >= 0) {
        s->barDrag = -1;
        return 0;
      }
      const int index = ItemAt(list, PointOf(lParam));
      if (index >= 0) ComboFinish(ComboOf(list), index);
      return 0;
    }
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN: {
      RECT r;
      GetClientRect(list, &r);
      if (!Contains(r, PointOf(lParam))) ComboFinish(ComboOf(list), -1);
      return 0;
    }
    case WM_CAPTURECHANGED:
      // Someone else took the mouse: the list closes without a choice.
      if (reinterpret_cast<HWND>(lParam) != list && ComboOf(list)) {
        ComboState* s = FindComboState(ComboOf(list));
        if (s && s->list == list) ComboFinish(ComboOf(list), -1);
      }
      return 0;
  }
  return DefWindowProcA(list, message, wParam, lParam);
}

}  // namespace

HWND CreateComboList(HWND combo, const RECT& onScreen) {
  HWND owner = GetParent(combo);
  while (owner && (GetWindowLongPtrA(owner, GWL_STYLE) & WS_CHILD)) owner = GetParent(owner);
  return CreateWindowExA(WS_EX_TOOLWINDOW | WS_EX_TOPMOST, kComboListClassName, "",
                         WS_POPUP | WS_BORDER | WS_CLIPSIBLINGS, onScreen.left, onScreen.top,
                         onScreen.right - onScreen.left, onScreen.bottom - onScreen.top, owner,
                         nullptr, reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(combo, GWLP_HINSTANCE)),
                         combo);
}

ATOM RegisterComboListClass() {
  WNDCLASSA wc{};
  wc.style = CS_SAVEBITS;
  wc.lpfnWndProc = ListProc;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = kComboListClassName;
  return RegisterClassA(&wc);
}
