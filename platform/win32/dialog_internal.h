// What the dialog files share: the state of each dialog window, the predefined window classes
// of dialogs and controls, and helpers the controls use to talk to their dialog.
#pragma once

#include <windows.h>

#include <vector>

#include "win32/dialog_template.h"

// The class of dialogs made without a class of their own.
constexpr char kDialogClassName[] = "#32770";
// The drop-down list of a combo box.
constexpr char kComboListClassName[] = "ComboLBox";

struct DialogState {
  DLGPROC proc = nullptr;
  HINSTANCE instance = nullptr;
  HFONT font = nullptr;
  bool ownsFont = false;
  int baseX = 8, baseY = 16;  // pixels per 4 horizontal and per 8 vertical dialog units
  bool modal = false;
  bool ended = false;
  INT_PTR result = 0;
  WORD defaultId = 0;  // 0: none set
  HWND savedFocus = nullptr;
};

// The state of a live dialog window, or null.
DialogState* FindDialogState(HWND dialog);

// Registers the dialog class and the control classes where they are missing (tests may wipe
// every class between cases).
void EnsureDialogClasses();
ATOM RegisterButtonClass();
ATOM RegisterStaticClass();
ATOM RegisterComboBoxClasses();

// The dialog's children in creation order (the tab order).
std::vector<HWND> DialogChildren(HWND dialog);
// True when `window` is `ancestor` or lies inside it.
bool IsWithin(HWND ancestor, HWND window);

// Makes a dialog from a parsed template: hidden, controls made, fonts set, WM_INITDIALOG sent
// and focus placed. Null when a control cannot be made or the dialog went away meanwhile.
HWND CreateDialogFromSpec(HINSTANCE instance, const DialogSpec& shape, HWND owner, DLGPROC proc,
                          LPARAM param, bool modal);
// Shows a modal dialog and runs its loop with the owner disabled; destroys the dialog.
INT_PTR RunModalDialog(HWND dialog, HWND owner);
// The sized form of DialogBoxIndirectParamA: no byte at or past `size` is read.
INT_PTR DialogBoxFromBytes(HINSTANCE instance, const void* bytes, size_t size, HWND owner,
                           DLGPROC proc, LPARAM param);

// Controls: the font set with WM_SETFONT (the GUI font when none), WM_COMMAND to the parent.
HFONT ControlFont(HWND control);
void SetControlFont(HWND control, HFONT font);
void ForgetControlFont(HWND control);
void NotifyParent(HWND control, WORD code);
// Whether a push button should show the default look now: it has focus, or it is the
// dialog's default and focus is on no other push button.
bool ShowsAsDefault(HWND button);
// Repaints the push buttons beside `control`, whose default look follows the focus.
void RefreshPushButtons(HWND control);

// What every control class does alike: WM_SETFONT, WM_GETFONT, repainting after WM_SETTEXT and
// WM_ENABLE, forgetting the font at WM_NCDESTROY. True when `message` was one of those.
bool CommonControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                          LRESULT& result);

// Painting a control: BeginPaint with the control's font selected, the text in
// COLOR_BTNTEXT (grey when disabled) and a transparent background.
class ControlPainter {
 public:
  explicit ControlPainter(HWND control);
  ~ControlPainter();
  ControlPainter(const ControlPainter&) = delete;
  ControlPainter& operator=(const ControlPainter&) = delete;
  HDC dc() const { return dc_; }
  const RECT& client() const { return client_; }

 private:
  HWND control_;
  PAINTSTRUCT ps_{};
  HDC dc_ = nullptr;
  HGDIOBJ oldFont_ = nullptr;
  RECT client_{};
};

// A dotted rectangle just inside `r`: the keyboard focus.
void DrawFocusFrame(HDC dc, const RECT& r);

// Rectangle arithmetic of the controls.
inline void Inflate(RECT& r, LONG dx, LONG dy) {
  r.left -= dx, r.top -= dy, r.right += dx, r.bottom += dy;
}
inline void Offset(RECT& r, LONG dx, LONG dy) {
  r.left += dx, r.top += dy, r.right += dx, r.bottom += dy;
}
inline bool Contains(const RECT& r, POINT p) {
  return p.x >= r.left && p.x < r.right && p.y >= r.top && p.y < r.bottom;
}
inline POINT PointOf(LPARAM lParam) {
  return POINT{SHORT(LOWORD(lParam)), SHORT(HIWORD(lParam))};
}
