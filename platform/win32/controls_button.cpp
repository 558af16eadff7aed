// "BUTTON": push buttons, the default push button with its heavier frame, and group boxes.
// A click is a press and a release inside the button (mouse), Space on the focused button, or
// BM_CLICK; each sends WM_COMMAND BN_CLICKED to the parent.
#include "win32/dialog_internal.h"

#include <algorithm>
#include <map>
#include <string>

namespace {

struct ButtonState {
  bool pushed = false;    // drawn pressed
  bool tracking = false;  // the mouse button went down inside and is held
  bool spaceDown = false;
};

std::map<HWND, ButtonState>& Buttons() {
  static auto* buttons = new std::map<HWND, ButtonState>;
  return *buttons;
}

LONG_PTR TypeOf(HWND button) {
  return GetWindowLongPtrA(button, GWL_STYLE) & BS_TYPEMASK;
}
bool IsGroupBox(HWND button) {
  return TypeOf(button) == BS_GROUPBOX;
}

std::string TextOf(HWND window) {
  char text[512];
  const int n = GetWindowTextA(window, text, sizeof text);
  return std::string(text, size_t(n > 0 ? n : 0));
}

void SetPushed(HWND button, bool pushed) {
  ButtonState& s = Buttons()[button];
  if (s.pushed == pushed) return;
  s.pushed = pushed;
  InvalidateRect(button, nullptr, TRUE);
  UpdateWindow(button);
}

void Click(HWND button) {
  SetPushed(button, false);
  NotifyParent(button, BN_CLICKED);
}

void PaintGroupBox(HWND button) {
  ControlPainter p(button);
  if (!p.dc()) return;
  const std::string text = TextOf(button);
  TEXTMETRICA tm{};
  GetTextMetricsA(p.dc(), &tm);
  RECT frame = p.client();
  frame.top += tm.tmHeight / 2;
  DrawEdge(p.dc(), &frame, EDGE_ETCHED, BF_RECT);
  if (text.empty()) return;
  RECT label{p.client().left + 8, p.client().top, p.client().right - 8,
             p.client().top + tm.tmHeight};
  RECT extent = label;
  DrawTextA(p.dc(), text.c_str(), int(text.size()), &extent, DT_SINGLELINE | DT_CALCRECT);
  RECT back{label.left - 1, label.top, std::min(extent.right + 1, label.right), label.bottom};
  FillRect(p.dc(), &back, GetSysColorBrush(COLOR_BTNFACE));
  DrawTextA(p.dc(), text.c_str(), int(text.size()), &label, DT_SINGLELINE | DT_LEFT);
}

void PaintPushButton(HWND button) {
  ControlPainter p(button);
  if (!p.dc()) return;
  const ButtonState& s = Buttons()[button];
  RECT r = p.client();
  FillRect(p.dc(), &r, GetSysColorBrush(COLOR_BTNFACE));
  if (ShowsAsDefault(button)) {
    FrameRect(p.dc(), &r, GetSysColorBrush(COLOR_3DDKSHADOW));
    Inflate(r, -1, -1);
  }
  if (s.pushed) {
    FrameRect(p.dc(), &r, GetSysColorBrush(COLOR_BTNSHADOW));
    Inflate(r, -1, -1);
  } else {
    DrawEdge(p.dc(), &r, EDGE_RAISED, BF_RECT | BF_ADJUST);
  }
  const std::string text = TextOf(button);
  RECT label = r;
  if (s.pushed) Offset(label, 1, 1);
  DrawTextA(p.dc(), text.c_str(), int(text.size()), &label, DT_CENTER | DT_VCENTER | DT_SINGLELINE);
  if (GetFocus() == button) {
    RECT focus = r;
    Inflate(focus, -2, -2);
    DrawFocusFrame(p.dc(), focus);
  }
}

LRESULT CALLBACK ButtonProc(HWND button, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT common;
  if (CommonControlMessage(button, message, wParam, lParam, common)) {
    if (message == WM_NCDESTROY) Buttons().erase(button);
    return common;
  }
  switch (message) {
    case WM_PAINT:
      if (IsGroupBox(button))
        PaintGroupBox(button);
      else
        PaintPushButton(button);
      return 0;
    case WM_ERASEBKGND:
      return 1;  // painted whole in WM_PAINT
    case WM_GETDLGCODE:
      if (IsGroupBox(button)) return DLGC_STATIC;
      return DLGC_BUTTON |
             (TypeOf(button) == BS_DEFPUSHBUTTON ? DLGC_DEFPUSHBUTTON : DLGC_UNDEFPUSHBUTTON);
    case WM_NCHITTEST:
      if (IsGroupBox(button)) return HTTRANSPARENT;
      break;
    case WM_SETFOCUS:
    case WM_KILLFOCUS:
      if (message == WM_KILLFOCUS) {
        ButtonState& s = Buttons()[button];
        s.spaceDown = false;
        if (s.pushed && !s.tracking) SetPushed(button, false);
      }
      RefreshPushButtons(button);
      return 0;
    case WM_LBUTTONDOWN:
      if (IsGroupBox(button) || !IsWindowEnabled(button)) return 0;
      SetFocus(button);
      if (!IsWindow(button)) return 0;
      Buttons()[button].tracking = true;
      SetCapture(button);
      SetPushed(button, true);
      return 0;
    case WM_MOUSEMOVE:
      if (Buttons()[button].tracking) {
        RECT r;
        GetClientRect(button, &r);
        SetPushed(button, Contains(r, PointOf(lParam)));
      }
      return 0;
    case WM_LBUTTONUP: {
      ButtonState& s = Buttons()[button];
      if (!s.tracking) return 0;
      s.tracking = false;
      if (GetCapture() == button) ReleaseCapture();
      RECT r;
      GetClientRect(button, &r);
      if (Contains(r, PointOf(lParam)))
        Click(button);
      else
        SetPushed(button, false);
      return 0;
    }
    case WM_CAPTURECHANGED:
      if (Buttons()[button].tracking) {
        Buttons()[button].tracking = false;
        SetPushed(button, false);
      }
      return 0;
    case WM_KEYDOWN:
      if (wParam == VK_SPACE && !IsGroupBox(button)) {
        Buttons()[button].spaceDown = true;
        SetPushed(button, true);
        return 0;
      }
      break;
    case WM_KEYUP:
      if (wParam == VK_SPACE && Buttons()[button].spaceDown) {
        Buttons()[button].spaceDown = false;
        Click(button);
        return 0;
      }
      break;
    case BM_CLICK:
      if (!IsGroupBox(button) && IsWindowEnabled(button)) Click(button);
      return 0;
    case BM_GETSTATE: {
      const ButtonState& s = Buttons()[button];
      return (s.pushed ? BST_PUSHED : 0) | (GetFocus() == button ? BST_FOCUS : 0);
    }
    case BM_SETSTATE:
      SetPushed(button, wParam != 0);
      return 0;
    case BM_SETSTYLE: {
      const LONG_PTR style = GetWindowLongPtrA(button, GWL_STYLE);
      SetWindowLongPtrA(button, GWL_STYLE, (style & ~0xFFFF) | (LONG_PTR(wParam) & 0xFFFF));
      if (lParam) InvalidateRect(button, nullptr, TRUE);
      return 0;
    }
  }
  return DefWindowProcA(button, message, wParam, lParam);
}

}  // namespace

ATOM RegisterButtonClass() {
  WNDCLASSA wc{};
  wc.style = CS_PARENTDC;
  wc.lpfnWndProc = ButtonProc;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = "BUTTON";
  return RegisterClassA(&wc);
}
