// The message box as a modal window of the dialog class: caption, the style's icon, the text
// line by line, and the style's buttons in a row, sized to the text and centred over the owner
// (the screen without one). When the display has nobody to answer it, the box is drawn once
// and answered at once with its default button.
#include "win32/dialog_internal.h"
#include "win32/message_box.h"

#include "display/display.h"

#include <algorithm>
#include <cstdio>

namespace {

constexpr int kMargin = 11;
constexpr int kButtonWidth = 75;
constexpr int kButtonHeight = 23;
constexpr int kButtonGap = 6;
constexpr int kIconGap = 13;
// Text wider than this wraps.
constexpr int kMaxTextWidth = 480;
constexpr int kMinClientWidth = 120;
constexpr int kCaptionAllowance = 40;
constexpr int kTextId = 0xFFFF;
constexpr int kIconId = 20;
constexpr WORD kPointSize = 9;

struct ButtonSet {
  int count;
  int ids[3];
};
constexpr ButtonSet kButtonSets[] = {
    {1, {IDOK}},
    {2, {IDOK, IDCANCEL}},
    {3, {IDABORT, IDRETRY, IDIGNORE}},
    {3, {IDYES, IDNO, IDCANCEL}},
    {2, {IDYES, IDNO}},
    {2, {IDRETRY, IDCANCEL}},
    {3, {IDCANCEL, IDTRYAGAIN, IDCONTINUE}},
};

const char* ButtonText(int id) {
  switch (id) {
    case IDOK:
      return "OK";
    case IDCANCEL:
      return "Cancel";
    case IDABORT:
      return "&Abort";
    case IDRETRY:
      return "&Retry";
    case IDIGNORE:
      return "&Ignore";
    case IDYES:
      return "&Yes";
    case IDNO:
      return "&No";
    case IDTRYAGAIN:
      return "&Try Again";
    case IDCONTINUE:
      return "&Continue";
  }
  return "";
}

LPCSTR IconOf(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONHAND:
      return IDI_HAND;
    case MB_ICONQUESTION:
      return IDI_QUESTION;
    case MB_ICONEXCLAMATION:
      return IDI_EXCLAMATION;
    case MB_ICONASTERISK:
      return IDI_ASTERISK;
  }
  return nullptr;
}

struct Box {
  LPCSTR text;
  UINT type;
  HWND owner;
  bool waits;
};

// The pixel size of the text in the dialog's font, wrapped at kMaxTextWidth.
SIZE MeasureText(HWND dialog, LPCSTR text) {
  SIZE size{0, 0};
  HDC dc = GetDC(nullptr);
  if (!dc) return size;
  HGDIOBJ old = SelectObject(dc, reinterpret_cast<HGDIOBJ>(SendMessageA(dialog, WM_GETFONT, 0, 0)));
  RECT r{0, 0, kMaxTextWidth, 0};
  DrawTextA(dc, text, -1, &r, DT_CALCRECT | DT_WORDBREAK | DT_NOPREFIX | DT_EXPANDTABS);
  if (old) SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  size.cx = std::clamp<LONG>(r.right - r.left, 0, kMaxTextWidth);
  size.cy = std::clamp<LONG>(r.bottom - r.top, 0, 4 * GetSystemMetrics(SM_CYSCREEN));
  return size;
}

HWND MakeControl(HWND dialog, LPCSTR cls, LPCSTR text, DWORD style, int x, int y, int cx, int cy,
                 int id) {
  HWND c = CreateWindowExA(0, cls, text, WS_CHILD | WS_VISIBLE | style, x, y, cx, cy, dialog,
                           reinterpret_cast<HMENU>(uintptr_t(id)), nullptr, nullptr);
  if (c) SendMessageA(c, WM_SETFONT, WPARAM(SendMessageA(dialog, WM_GETFONT, 0, 0)), FALSE);
  return c;
}

// Lays the box out: icon, text, buttons; then sizes and centres the window.
bool Build(HWND dialog, const Box& box) {
  const ButtonSet& set = kButtonSets[box.type & MB_TYPEMASK];
  const LPCSTR iconName = IconOf(box.type);
  const HICON icon = iconName ? LoadIconA(nullptr, iconName) : nullptr;
  const int iconSize = icon ? GetSystemMetrics(SM_CXICON) : 0;
  const SIZE text = MeasureText(dialog, box.text);

  const int textX = kMargin + (icon ? iconSize + kIconGap : 0);
  const int bodyHeight = std::max<int>(text.cy, iconSize);
  const int textY = kMargin + (bodyHeight - text.cy) / 2;
  const int buttonsWidth = set.count * kButtonWidth + (set.count - 1) * kButtonGap;
  // Wide enough for the whole caption too: its bold face, the close box and some air.
  char caption[256] = {};
  GetWindowTextA(dialog, caption, int(sizeof caption));
  const int captionWidth = int(MeasureText(dialog, caption).cx) * 9 / 8 + kCaptionAllowance;
  const int width = std::max({int(textX + text.cx + kMargin), buttonsWidth + 2 * kMargin,
                              std::min(captionWidth, kMaxTextWidth), kMinClientWidth});
  const int buttonsY = kMargin + bodyHeight + kMargin + 4;
  const int height = buttonsY + kButtonHeight + kMargin;

  if (icon) {
    HWND iconControl =
        MakeControl(dialog, "STATIC", "", SS_ICON, kMargin, kMargin + (bodyHeight - iconSize) / 2,
                    iconSize, iconSize, kIconId);
    if (!iconControl) return false;
    SendMessageA(iconControl, STM_SETICON, reinterpret_cast<WPARAM>(icon), 0);
  }
  if (!MakeControl(dialog, "STATIC", box.text, SS_LEFT | SS_NOPREFIX, textX, textY, text.cx + 1,
                   text.cy, kTextId))
    return false;
  const int defaultId = MessageBoxDefaultButton(box.type);
  int x = (width - buttonsWidth) / 2;
  for (int i = 0; i < set.count; ++i, x += kButtonWidth + kButtonGap) {
    const int id = set.ids[i];
    if (!MakeControl(dialog, "BUTTON", ButtonText(id),
                     WS_TABSTOP | (id == defaultId ? BS_DEFPUSHBUTTON : BS_PUSHBUTTON), x, buttonsY,
                     kButtonWidth, kButtonHeight, id))
      return false;
  }
  SendMessageA(dialog, DM_SETDEFID, WPARAM(defaultId), 0);

  RECT outer{0, 0, width, height};
  AdjustWindowRectEx(&outer, DWORD(GetWindowLongPtrA(dialog, GWL_STYLE)), FALSE,
                     DWORD(GetWindowLongPtrA(dialog, GWL_EXSTYLE)));
  const int outerW = outer.right - outer.left, outerH = outer.bottom - outer.top;
  RECT area{0, 0, GetSystemMetrics(SM_CXSCREEN), GetSystemMetrics(SM_CYSCREEN)};
  if (box.owner && IsWindowVisible(box.owner)) GetWindowRect(box.owner, &area);
  int left = area.left + (area.right - area.left - outerW) / 2;
  int top = area.top + (area.bottom - area.top - outerH) / 2;
  left = std::max(0, std::min(left, GetSystemMetrics(SM_CXSCREEN) - outerW));
  top = std::max(0, std::min(top, GetSystemMetrics(SM_CYSCREEN) - outerH));
  SetWindowPos(dialog, nullptr, left, top, outerW, outerH, SWP_NOZORDER | SWP_NOACTIVATE);
  return true;
}

bool HasButton(HWND dialog, int id) {
  return GetDlgItem(dialog, id) != nullptr;
}

INT_PTR CALLBACK BoxProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_INITDIALOG: {
      const Box& box = *reinterpret_cast<const Box*>(lParam);
      if (!Build(dialog, box)) {
        DestroyWindow(dialog);
        return FALSE;
      }
      if (box.waits) SetFocus(GetDlgItem(dialog, MessageBoxDefaultButton(box.type)));
      return FALSE;
    }
    case WM_COMMAND: {
      int id = LOWORD(wParam);
      // Esc and the close box answer Cancel where there is one, and OK for a lone OK.
      if (id == IDCANCEL && !HasButton(dialog, IDCANCEL)) {
        if (!HasButton(dialog, IDOK) || HasButton(dialog, IDNO)) return TRUE;
        id = IDOK;
      }
      if (HasButton(dialog, id)) EndDialog(dialog, id);
      return TRUE;
    }
  }
  return FALSE;
}

}  // namespace

HWND CreateMessageBoxWindow(HWND owner, LPCSTR text, LPCSTR caption, UINT type, bool waits) {
  if (MessageBoxDefaultButton(type) == 0) return nullptr;
  if (owner && !IsWindow(owner)) owner = nullptr;
  while (owner && (GetWindowLongPtrA(owner, GWL_STYLE) & WS_CHILD)) owner = GetParent(owner);
  DialogSpec shape;
  shape.style = WS_POPUP | WS_CAPTION | WS_SYSMENU | DS_MODALFRAME | DS_SETFONT | DS_CENTER;
  // A box that no window owns stands over everything, a full-screen window included: nothing
  // else would bring it into sight.
  if (!owner || (type & (MB_TOPMOST | MB_SYSTEMMODAL))) shape.exStyle |= WS_EX_TOPMOST;
  shape.title = caption ? caption : "";
  shape.hasFont = true;
  shape.pointSize = kPointSize;
  Box box{text ? text : "", type, owner, waits};
  return CreateDialogFromSpec(nullptr, shape, owner, BoxProc, reinterpret_cast<LPARAM>(&box), true);
}

int WindowMessageBox(HWND owner, LPCSTR text, LPCSTR caption, UINT type) {
  std::fputs(HeadlessMessageBoxLine(text, caption).c_str(), stderr);
  const int fallback = MessageBoxDefaultButton(type);
  const bool waits = TheDisplay().WaitsForUser();
  HWND dialog = CreateMessageBoxWindow(owner, text, caption, type, waits);
  if (!dialog) return fallback;
  if (waits) {
    const INT_PTR answer = RunModalDialog(dialog, GetParent(dialog));
    return answer > 0 ? int(answer) : fallback;
  }
  ShowWindow(dialog, SW_SHOWNA);
  RedrawWindow(dialog, nullptr, nullptr,
               RDW_INVALIDATE | RDW_ERASE | RDW_FRAME | RDW_UPDATENOW | RDW_ALLCHILDREN);
  DestroyWindow(dialog);
  return fallback;
}
