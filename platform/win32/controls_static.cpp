// "STATIC": text left, centred or right in the control, word-wrapped unless the style is a
// single line; SS_ICON draws an icon of the dialog's module named by the control's text.
#include "win32/dialog_internal.h"

#include <map>
#include <string>

namespace {

std::map<HWND, HICON>& Icons() {
  static auto* icons = new std::map<HWND, HICON>;
  return *icons;
}

LONG_PTR TypeOf(HWND control) {
  return GetWindowLongPtrA(control, GWL_STYLE) & SS_TYPEMASK;
}

void Paint(HWND control) {
  ControlPainter p(control);
  if (!p.dc()) return;
  RECT r = p.client();
  FillRect(p.dc(), &r, GetSysColorBrush(COLOR_BTNFACE));
  const LONG_PTR style = GetWindowLongPtrA(control, GWL_STYLE);
  if (TypeOf(control) == SS_ICON) {
    auto it = Icons().find(control);
    if (it != Icons().end() && it->second) DrawIcon(p.dc(), 0, 0, it->second);
    return;
  }
  char text[1024];
  const int n = GetWindowTextA(control, text, sizeof text);
  UINT format = DT_WORDBREAK;
  switch (TypeOf(control)) {
    case SS_CENTER:
      format = DT_CENTER | DT_WORDBREAK;
      break;
    case SS_RIGHT:
      format = DT_RIGHT | DT_WORDBREAK;
      break;
    case SS_SIMPLE:
    case SS_LEFTNOWORDWRAP:
      format = DT_SINGLELINE;
      break;
  }
  if (style & SS_NOPREFIX) format |= DT_NOPREFIX;
  if (n > 0) DrawTextA(p.dc(), text, n, &r, format);
}

LRESULT CALLBACK StaticProc(HWND control, UINT message, WPARAM wParam, LPARAM lParam) {
  LRESULT common;
  if (CommonControlMessage(control, message, wParam, lParam, common)) {
    if (message == WM_NCDESTROY) Icons().erase(control);
    return common;
  }
  switch (message) {
    case WM_NCCREATE: {
      auto* cs = reinterpret_cast<const CREATESTRUCTA*>(lParam);
      if (cs && (cs->style & SS_TYPEMASK) == SS_ICON && cs->lpszName &&
          (IS_INTRESOURCE(cs->lpszName) || *cs->lpszName))
        Icons()[control] = LoadIconA(cs->hInstance, cs->lpszName);
      break;
    }
    case WM_CREATE:
      // An icon control takes its icon's size, whatever the template gave it.
      if (TypeOf(control) == SS_ICON && Icons()[control])
        SetWindowPos(control, nullptr, 0, 0, GetSystemMetrics(SM_CXICON),
                     GetSystemMetrics(SM_CYICON), SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
      break;
    case WM_PAINT:
      Paint(control);
      return 0;
    case WM_ERASEBKGND:
      return 1;
    case WM_GETDLGCODE:
      return DLGC_STATIC;
    case WM_NCHITTEST:
      if (!(GetWindowLongPtrA(control, GWL_STYLE) & SS_NOTIFY)) return HTTRANSPARENT;
      break;
    case STM_SETICON: {
      HICON& icon = Icons()[control];
      const HICON old = icon;
      icon = reinterpret_cast<HICON>(wParam);
      InvalidateRect(control, nullptr, TRUE);
      return reinterpret_cast<LRESULT>(old);
    }
    case STM_GETICON: {
      auto it = Icons().find(control);
      return it == Icons().end() ? 0 : reinterpret_cast<LRESULT>(it->second);
    }
  }
  return DefWindowProcA(control, message, wParam, lParam);
}

}  // namespace

ATOM RegisterStaticClass() {
  WNDCLASSA wc{};
  wc.style = CS_PARENTDC;
  wc.lpfnWndProc = StaticProc;
  wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
  wc.lpszClassName = "STATIC";
  return RegisterClassA(&wc);
}
