// "COMBOBOX" as a drop-down list: a white field showing the selected item with an arrow button;
// a click, F4 or Alt+Down opens the list of items below it. Items keep their order (or are
// sorted with CBS_SORT) and carry pointer-sized data.
#include "win32/controls_combo.h"
#include "win32/dialog_internal.h"
#include "win32/window_internal.h"

#include <algorithm>
#include <cstring>
#include <map>
#include <memory>

namespace {

// More items than this is a program fault; the box answers CB_ERRSPACE.
constexpr size_t kMaxItems = 32767;

std::map<HWND, std::unique_ptr<ComboState>>& Combos() {
  static auto* combos = new std::map<HWND, std::unique_ptr<ComboState>>;
  return *combos;
}

int FieldHeight(HWND combo) {
  return ComboItemHeight(combo) + 8;
}

bool ValidIndex(const ComboState& s, WPARAM index) {
  return index < s.items.size();
}

void Repaint(HWND combo) {
  InvalidateRect(combo, nullptr, TRUE);
}

// The closed field keeps its own height; the height it was made with sizes the list.
void FitField(HWND combo) {
  RECT r;
  GetWindowRect(combo, &r);
  const int height = FieldHeight(combo);
  if (r.bottom - r.top != height)
    SetWindowPos(combo, nullptr, 0, 0, r.right - r.left, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
}

RECT ArrowRect(const RECT& client) {
  const LONG width = GetSystemMetrics(SM_CXVSCROLL);
  return RECT{std::max(client.left, client.right - 2 - width), client.top + 2, client.right - 2,
              client.bottom - 2};
}

void DrawArrowGlyph(HDC dc, const RECT& r, bool pushed) {
  const LONG cx = (r.left + r.right) / 2 + (pushed ? 1 : 0);
  const LONG cy = (r.top + r.bottom) / 2 - 1 + (pushed ? 1 : 0);
  HBRUSH ink = GetSysColorBrush(COLOR_BTNTEXT);
  for (LONG i = 0; i < 4; ++i) {
    RECT row{cx - 3 + i, cy - 1 + i, cx + 4 - i, cy + i};
    FillRect(dc, &row, ink);
  }
}

void Paint(HWND combo) {
  ControlPainter p(combo);
  if (!p.dc()) return;
  const ComboState* s = FindComboState(combo);
  RECT r = p.client();
  FillRect(p.dc(), &r, GetSysColorBrush(COLOR_BTNFACE));
  DrawEdge(p.dc(), &r, EDGE_SUNKEN, BF_RECT | BF_ADJUST);
  FillRect(p.dc(), &r, GetSysColorBrush(IsWindowEnabled(combo) ? COLOR_WINDOW : COLOR_BTNFACE));
  RECT arrow = ArrowRect(p.client());
  const bool open = s && s->list;
  if (open) {
    FillRect(p.dc(), &arrow, GetSysColorBrush(COLOR_BTNFACE));
    FrameRect(p.dc(), &arrow, GetSysColorBrush(COLOR_BTNSHADOW));
  } else {
    RECT edge = arrow;
    DrawEdge(p.dc(), &edge, EDGE_RAISED, BF_RECT | BF_MIDDLE);
  }
  DrawArrowGlyph(p.dc(), arrow, open);

  RECT field{r.left + 1, r.top + 1, arrow.left - 1, r.bottom - 1};
  const bool focused = GetFocus() == combo && !open;
  if (focused) {
    FillRect(p.dc(), &field, GetSysColorBrush(COLOR_HIGHLIGHT));
    SetTextColor(p.dc(), GetSysColor(COLOR_HIGHLIGHTTEXT));
  } else {
    SetTextColor(p.dc(), GetSysColor(IsWindowEnabled(combo) ? COLOR_WINDOWTEXT : COLOR_GRAYTEXT));
  }
  if (s && s->selected >= 0 && size_t(s->selected) < s->items.size()) {
    const std::string& text = s->items[size_t(s->selected)].text;
    RECT label{field.left + 2, field.top, field.right - 1, field.bottom};
    DrawTextA(p.dc(), text.c_str(), int(text.size()), &label,
              DT_LEFT | DT_VCENTER | DT_SINGLELINE | DT_NOPREFIX);
  }
  if (focused) DrawFocusFrame(p.dc(), field);
}

void Open(HWND combo) {
  ComboState* s = FindComboState(combo);
  if (!s || s->list || !IsWindowEnabled(combo)) return;
  NotifyParent(combo, CBN_DROPDOWN);
  if (!(s = FindComboState(combo)) || s->list) return;
  RECT field;
  GetWindowRect(combo, &field);
  const int itemHeight = ComboItemHeight(combo);
  const int room = std::max(s->totalHeight - (field.bottom - field.top), itemHeight + 2);
  const int wanted = int(std::max<size_t>(s->items.size(), 1)) * itemHeight + 2;
  int height = std::min(room, wanted);
  height = std::max(itemHeight + 2, height - (height - 2) % itemHeight);
  RECT list{field.left, field.bottom, field.right, field.bottom + height};
  if (list.bottom > GetSystemMetrics(SM_CYSCREEN) && field.top - height >= 0)
    list = RECT{field.left, field.top - height, field.right, field.top};
  s->hot = s->selected;
  s->top = 0;
  s->barDrag = -1;
  HWND popup = CreateComboList(combo, list);
  if (!(s = FindComboState(combo))) {
    if (popup) DestroyWindow(popup);
    return;
  }
  s->list = popup;
  if (!popup) return;
  ComboShowHot(combo);
  ShowWindow(popup, SW_SHOWNA);
  SetCapture(popup);
  Repaint(combo);
}

// Moves the selection of the closed box as a user would: both notifications.
void Step(HWND combo, int to) {
  ComboState* s = FindComboState(combo);
  if (!s || s->items.empty()) return;
  to = std::clamp(to, 0, int(s->items.size()) - 1);
  if (to == s->selected) return;
  s->selected = to;
  Repaint(combo);
  NotifyParent(combo, CBN_SELCHANGE);
  if (IsWindow(combo)) NotifyParent(combo, CBN_SELENDOK);
}

LRESULT KeyDown(HWND combo, WPARAM key) {
  ComboState* s = FindComboState(combo);
  if (!s) return 0;
  const int page = std::max(1, ComboVisibleItems(combo) - 1);
  const int last = int(s->items.size()) - 1;
  if (s->list) {
    int hot = s->hot;
    switch (key) {
      case VK_UP:
        hot = hot < 0 ? 0 : hot - 1;
        break;
      case VK_DOWN:
        hot = hot < 0 ? 0 : hot + 1;
        break;
      case VK_PRIOR:
        hot -= page;
        break;
      case VK_NEXT:
        hot += page;
        break;
      case VK_HOME:
        hot = 0;
        break;
      case VK_END:
        hot = last;
        break;
      case VK_RETURN:
      case VK_F4:
        ComboFinish(combo, s->hot);
        return 0;
      case VK_ESCAPE:
        ComboFinish(combo, -1);
        return 0;
      case VK_TAB: {
        HWND parent = GetParent(combo);
        ComboFinish(combo, s->hot);
        if (parent && IsWindow(parent))
          PostMessageA(parent, WM_NEXTDLGCTL, GetKeyState(VK_SHIFT) < 0 ? 1 : 0, 0);
        return 0;
      }
      default:
        return 0;
    }
    if (last >= 0) {
      s->hot = std::clamp(hot, 0, last);
      ComboShowHot(combo);
    }
    return 0;
  }
  switch (key) {
    case VK_UP:
    case VK_LEFT:
      Step(combo, s->selected < 0 ? 0 : s->selected - 1);
      break;
    case VK_DOWN:
    case VK_RIGHT:
      Step(combo, s->selected < 0 ? 0 : s->selected + 1);
      break;
    case VK_PRIOR:
      Step(combo, s->selected - page);
      break;
    case VK_NEXT:
      Step(combo, s->selected + page);
      break;
    case VK_HOME:
      Step(combo, 0);
      break;
    case VK_END:
      Step(combo, last);
      break;
    case VK_F4:
      Open(combo);
      break;
  }
  return 0;
}

LRESULT AddString(HWND combo, ComboState& s, LPCSTR text, WPARAM at, bool insert) {
  if (s.items.size() >= kMaxItems) return CB_ERRSPACE;
  ComboItem item{text ? text : "", 0};
  size_t index = s.items.size();
  if (insert) {
    if (at != WPARAM(-1) && at > s.items.size()) return CB_ERR;
    if (at != WPARAM(-1)) index = at;
  } else if (GetWindowLongPtrA(combo, GWL_STYLE) & CBS_SORT) {
    index = 0;
    while (index < s.items.size() && lstrcmpiA(s.items[index].text.c_str(), item.text.c_str()) <= 0)
      ++index;
  }
  s.items.insert(s.items.begin() + ptrdiff_t(index), std::move(item));
  if (s.selected >= int(index)) ++s.selected;
  if (s.list) InvalidateRect(s.list, nullptr, TRUE);
  return LRESULT(index);
}

void CloseQuietly(ComboState& s) {
  if (!s.list) return;
  HWND list = s.list;
  s.list = nullptr;
  if (GetCapture() == list) ReleaseCapture();
  DestroyWindow(list);
}

LRESULT CALLBACK ComboProc(HWND combo, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT common;
  if (message != WM_SETTEXT && CommonControlMessage(combo, message, wParam, lParam, common)) {
    if (message == WM_SETFONT) FitField(combo);
    if (message == WM_NCDESTROY) Combos().erase(combo);
    return common;
  }
  ComboState* s = FindComboState(combo);
  switch (message) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      auto state = std::make_unique<ComboState>();
      state->totalHeight = cs ? cs->cy : 0;
      Combos()[combo] = std::move(state);
      break;
    }
    case WM_CREATE:
      FitField(combo);
      return 0;
    case WM_DESTROY:
      if (s) CloseQuietly(*s);
      return 0;
    case WM_PAINT:
      Paint(combo);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_GETDLGCODE:
      return s && s->list ? DLGC_WANTMESSAGE : DLGC_WANTARROWS;
    case WM_SETFOCUS:
      Repaint(combo);
      NotifyParent(combo, CBN_SETFOCUS);
      return 0;
    case WM_KILLFOCUS:
      if (s && s->list) ComboFinish(combo, -1);
      if (!IsWindow(combo)) return 0;
      Repaint(combo);
      NotifyParent(combo, CBN_KILLFOCUS);
      return 0;
    case WM_LBUTTONDOWN:
      if (!IsWindowEnabled(combo)) return 0;
      if (GetFocus() != combo) SetFocus(combo);
      if (!(s = FindComboState(combo))) return 0;
      if (s->list)
        ComboFinish(combo, -1);
      else
        Open(combo);
      return 0;
    case WM_KEYDOWN:
      return KeyDown(combo, wParam);
    case WM_MOUSEWHEEL: {
      // Three rows a notch in the open list; a closed box steps its selection.
      const int notches = GET_WHEEL_DELTA_WPARAM(wParam) / WHEEL_DELTA;
      if (!s || !notches) return 0;
      if (s->list)
        ComboScrollList(combo, -3 * notches);
      else if (IsWindowEnabled(combo))
        Step(combo, s->selected < 0 ? 0 : s->selected - notches);
      return 0;
    }
    case WM_SYSKEYDOWN:
      if (wParam == VK_DOWN || wParam == VK_UP) {
        if (s && s->list)
          ComboFinish(combo, s->hot);
        else if (wParam == VK_DOWN)
          Open(combo);
        return 0;
      }
      break;
    case WM_SETTEXT:
      return CB_ERR;  // the field shows the selected item only
    case WM_GETTEXTLENGTH:
      return s && s->selected >= 0 ? LRESULT(s->items[size_t(s->selected)].text.size()) : 0;
    case WM_GETTEXT: {
      auto* out = reinterpret_cast<LPSTR>(lParam);
      if (!out || wParam == 0) return 0;
      const std::string text = s && s->selected >= 0 ? s->items[size_t(s->selected)].text : "";
      const size_t n = std::min(size_t(wParam) - 1, text.size());
      std::memcpy(out, text.data(), n);
      out[n] = '\0';
      return LRESULT(n);
    }
  }
  if (!s) return DefWindowProcA(combo, message, wParam, lParam);
  switch (message) {
    case CB_ADDSTRING:
      return AddString(combo, *s, reinterpret_cast<LPCSTR>(lParam), 0, false);
    case CB_INSERTSTRING:
      return AddString(combo, *s, reinterpret_cast<LPCSTR>(lParam), wParam, true);
    case CB_DELETESTRING:
      if (!ValidIndex(*s, wParam)) return CB_ERR;
      s->items.erase(s->items.begin() + ptrdiff_t(wParam));
      if (s->selected == int(wParam))
        s->selected = -1;
      else if (s->selected > int(wParam))
        --s->selected;
      s->hot = std::min(s->hot, int(s->items.size()) - 1);
      Repaint(combo);
      if (s->list) InvalidateRect(s->list, nullptr, TRUE);
      return LRESULT(s->items.size());
    case CB_RESETCONTENT:
      CloseQuietly(*s);
      s->items.clear();
      s->selected = s->hot = -1;
      s->top = 0;
      Repaint(combo);
      return CB_OKAY;
    case CB_GETCOUNT:
      return LRESULT(s->items.size());
    case CB_GETCURSEL:
      return s->selected;
    case CB_SETCURSEL:
      s->selected = ValidIndex(*s, wParam) ? int(wParam) : -1;
      if (s->list) {
        s->hot = s->selected;
        ComboShowHot(combo);
      }
      Repaint(combo);
      return s->selected;  // CB_ERR for -1 or an index past the end
    case CB_GETITEMDATA:
      return ValidIndex(*s, wParam) ? s->items[wParam].data : CB_ERR;
    case CB_SETITEMDATA:
      if (!ValidIndex(*s, wParam)) return CB_ERR;
      s->items[wParam].data = lParam;
      return TRUE;
    case CB_GETLBTEXTLEN:
      return ValidIndex(*s, wParam) ? LRESULT(s->items[wParam].text.size()) : CB_ERR;
    case CB_GETLBTEXT: {
      auto* out = reinterpret_cast<LPSTR>(lParam);
      if (!ValidIndex(*s, wParam) || !out) return CB_ERR;
      const std::string& text = s->items[wParam].text;
      std::memcpy(out, text.c_str(), text.size() + 1);
      return LRESULT(text.size());
    }
    case CB_FINDSTRINGEXACT: {
      auto* text = reinterpret_cast<LPCSTR>(lParam);
      if (!text) return CB_ERR;
      const size_t n = s->items.size();
      const size_t start = ValidIndex(*s, wParam) ? size_t(wParam) + 1 : 0;
      for (size_t k = 0; k < n; ++k) {
        const size_t i = (start + k) % n;
        if (lstrcmpiA(s->items[i].text.c_str(), text) == 0) return LRESULT(i);
      }
      return CB_ERR;
    }
    case CB_SHOWDROPDOWN:
      if (wParam)
        Open(combo);
      else if (s->list)
        ComboFinish(combo, -1);
      return TRUE;
    case CB_GETDROPPEDSTATE:
      return s->list ? TRUE : FALSE;
    case CB_GETITEMHEIGHT:
      return ComboItemHeight(combo);
    case CB_GETDROPPEDCONTROLRECT: {
      auto* out = reinterpret_cast<RECT*>(lParam);
      if (!out) return CB_ERR;
      GetWindowRect(combo, out);
      out->bottom = std::max(out->bottom, out->top + s->totalHeight);
      return TRUE;
    }
  }
  return DefWindowProcA(combo, message, wParam, lParam);
}

}  // namespace

ComboState* FindComboState(HWND combo) {
  auto it = Combos().find(combo);
  return it == Combos().end() || !IsWindow(combo) ? nullptr : it->second.get();
}

int ComboItemHeight(HWND combo) {
  int height = 13;
  if (HDC dc = GetDC(nullptr)) {
    HGDIOBJ old = SelectObject(dc, ControlFont(combo));
    TEXTMETRICA tm{};
    if (GetTextMetricsA(dc, &tm) && tm.tmHeight > 0) height = int(tm.tmHeight);
    if (old) SelectObject(dc, old);
    ReleaseDC(nullptr, dc);
  }
  return std::clamp(height, 1, 256);
}

int ComboVisibleItems(HWND combo) {
  ComboState* s = FindComboState(combo);
  if (!s || !s->list) return 1;
  RECT r;
  GetClientRect(s->list, &r);
  return std::max(1, int(r.bottom - r.top) / ComboItemHeight(combo));
}

void ComboShowHot(HWND combo) {
  ComboState* s = FindComboState(combo);
  if (!s || !s->list) return;
  const int visible = ComboVisibleItems(combo);
  if (s->hot >= 0) {
    if (s->hot < s->top) s->top = s->hot;
    if (s->hot >= s->top + visible) s->top = s->hot - visible + 1;
  }
  s->top = std::clamp(s->top, 0, std::max(0, int(s->items.size()) - visible));
  InvalidateRect(s->list, nullptr, TRUE);
}

void ComboScrollList(HWND combo, int rows) {
  ComboState* s = FindComboState(combo);
  if (!s || !s->list) return;
  const int visible = ComboVisibleItems(combo);
  const int top = std::clamp(s->top + rows, 0, std::max(0, int(s->items.size()) - visible));
  if (top == s->top) return;
  s->top = top;
  InvalidateRect(s->list, nullptr, TRUE);
}

void ComboFinish(HWND combo, int index) {
  ComboState* s = FindComboState(combo);
  if (!s) return;
  CloseQuietly(*s);
  Repaint(combo);
  if (index >= 0 && size_t(index) < s->items.size()) {
    s->selected = index;
    NotifyParent(combo, CBN_SELCHANGE);
    if (IsWindow(combo)) NotifyParent(combo, CBN_SELENDOK);
  } else {
    NotifyParent(combo, CBN_SELENDCANCEL);
  }
  if (IsWindow(combo)) NotifyParent(combo, CBN_CLOSEUP);
}

ATOM RegisterComboBoxClasses() {
  if (!FindWindowClass(kComboListClassName)) RegisterComboListClass();
  if (FindWindowClass("COMBOBOX")) return 0;
  WNDCLASSA wc{};
  wc.style = CS_PARENTDC;
  wc.lpfnWndProc = ComboProc;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = "COMBOBOX";
  return RegisterClassA(&wc);
}
