// "ComboLBox": the drop-down list of a combo box, a popup that never takes activation. It holds
// the mouse while open: moving over an item marks it, releasing the button on an item picks
// it, and pressing the button outside the list closes it without a choice.
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

// The item under a client point of the list, or -1.
int ItemAt(HWND list, POINT pt) {
  HWND combo = ComboOf(list);
  ComboState* s = FindComboState(combo);
  RECT r;
  GetClientRect(list, &r);
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
  FillRect(dc, &r, GetSysColorBrush(COLOR_WINDOW));
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
      MarkItem(list, ItemAt(list, PointOf(lParam)));
      return 0;
    case WM_LBUTTONDOWN: {
      const POINT pt = PointOf(lParam);
      RECT r;
      GetClientRect(list, &r);
      if (Contains(r, pt)) {
        MarkItem(list, ItemAt(list, pt));
        return 0;
      }
      // Outside: a press on the combo box's own field closes it there as well.
      ComboFinish(ComboOf(list), -1);
      return 0;
    }
    case WM_LBUTTONUP: {
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
