// The dialog keyboard: Tab and Shift+Tab over the tab stops, Enter for the default button, Esc
// for IDCANCEL; and the default push button's look, which follows the focus.
#include "win32/dialog_internal.h"

#include <algorithm>

namespace {

bool CanTakeFocus(HWND control) {
  const LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
  return (style & WS_TABSTOP) && (style & WS_VISIBLE) && !(style & WS_DISABLED);
}

bool IsPushButton(HWND control) {
  return control &&
         (SendMessageA(control, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON));
}

// The control directly inside the dialog that holds `window`.
HWND DialogControlOf(HWND dialog, HWND window) {
  while (window && GetParent(window) != dialog) {
    if (!(GetWindowLongPtrA(window, GWL_STYLE) & WS_CHILD)) return nullptr;
    window = GetParent(window);
  }
  return window;
}

// Sends the command a button would send for `id`, unless that button is disabled.
void PressButton(HWND dialog, int id) {
  HWND button = GetDlgItem(dialog, id);
  if (button && !IsWindowEnabled(button)) return;
  SendMessageA(dialog, WM_COMMAND, MAKEWPARAM(WORD(id), BN_CLICKED),
               reinterpret_cast<LPARAM>(button));
}

int DefaultButtonId(HWND dialog, HWND focus) {
  if (IsPushButton(focus)) return GetDlgCtrlID(focus);
  const LRESULT def = SendMessageA(dialog, DM_GETDEFID, 0, 0);
  return HIWORD(def) == DC_HASDEFID ? LOWORD(def) : IDOK;
}

}  // namespace

HWND GetNextDlgTabItem(HWND dialog, HWND control, BOOL previous) {
  std::vector<HWND> children = DialogChildren(dialog);
  if (children.empty()) return nullptr;
  if (previous) std::reverse(children.begin(), children.end());
  auto at = std::find(children.begin(), children.end(), DialogControlOf(dialog, control));
  const size_t n = children.size();
  const size_t start = at == children.end() ? n - 1 : size_t(at - children.begin());
  for (size_t step = 1; step <= n; ++step) {
    HWND c = children[(start + step) % n];
    if (CanTakeFocus(c)) return c;
  }
  return control && at != children.end() ? *at : nullptr;
}

BOOL IsDialogMessageA(HWND dialog, LPMSG msg) {
  if (!msg || !dialog || !IsWindow(dialog) || !msg->hwnd || !IsWithin(dialog, msg->hwnd))
    return FALSE;
  if (msg->message == WM_KEYDOWN) {
    const LRESULT code =
        SendMessageA(msg->hwnd, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
    if (!IsWindow(dialog)) return TRUE;
    if (!(code & DLGC_WANTMESSAGE)) {
      switch (msg->wParam) {
        case VK_TAB:
          if (code & DLGC_WANTTAB) break;
          if (HWND next = GetNextDlgTabItem(dialog, GetFocus(), GetKeyState(VK_SHIFT) < 0))
            SetFocus(next);
          return TRUE;
        case VK_RETURN:
          PressButton(dialog, DefaultButtonId(dialog, GetFocus()));
          return TRUE;
        case VK_ESCAPE:
          PressButton(dialog, IDCANCEL);
          return TRUE;
      }
    }
  } else if (msg->message == WM_CHAR) {
    // The characters of the keys the dialog answers itself.
    const LRESULT code =
        SendMessageA(msg->hwnd, WM_GETDLGCODE, msg->wParam, reinterpret_cast<LPARAM>(msg));
    if (!(code & (DLGC_WANTMESSAGE | DLGC_WANTCHARS)) &&
        (msg->wParam == '\t' || msg->wParam == '\r' || msg->wParam == 0x1B))
      return TRUE;
  }
  TranslateMessage(msg);
  DispatchMessageA(msg);
  return TRUE;
}

bool ShowsAsDefault(HWND button) {
  HWND focus = GetFocus();
  if (focus == button) return true;
  if ((GetWindowLongPtrA(button, GWL_STYLE) & BS_TYPEMASK) != BS_DEFPUSHBUTTON) return false;
  HWND parent = GetParent(button);
  return !(focus && GetParent(focus) == parent && IsPushButton(focus));
}

void RefreshPushButtons(HWND control) {
  HWND parent = GetParent(control);
  if (!parent || !(GetWindowLongPtrA(control, GWL_STYLE) & WS_CHILD)) return;
  for (HWND c : DialogChildren(parent))
    if (IsPushButton(c)) InvalidateRect(c, nullptr, TRUE);
}
