// Dialogs: the dialog class and its default procedure, dialogs made from templates, the modal
// loop, and the calls that reach a dialog's controls.
#include "win32/dialog_internal.h"
#include "win32/window.h"
#include "win32/window_internal.h"

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <map>
#include <memory>

namespace {

// Never destroyed: windows may go during static destruction.
std::map<HWND, std::unique_ptr<DialogState>>& Dialogs() {
  static auto* dialogs = new std::map<HWND, std::unique_ptr<DialogState>>;
  return *dialogs;
}

std::map<HWND, HFONT>& ControlFonts() {
  static auto* fonts = new std::map<HWND, HFONT>;
  return *fonts;
}

void ForgetDialog(HWND dialog) {
  auto& dialogs = Dialogs();
  auto it = dialogs.find(dialog);
  if (it == dialogs.end()) return;
  if (it->second->ownsFont && it->second->font) DeleteObject(it->second->font);
  dialogs.erase(it);
}

// Messages whose answer is what the dialog procedure returns, not DWLP_MSGRESULT.
bool AnswersDirectly(UINT message) {
  return message == WM_INITDIALOG || message == WM_GETDLGCODE;
}

// The control that gets focus first: the first enabled, visible tab stop.
HWND FirstTabStop(HWND dialog) {
  return GetNextDlgTabItem(dialog, nullptr, FALSE);
}

void RestoreFocus(HWND dialog, DialogState& state) {
  HWND focus = GetFocus();
  if (focus && focus != dialog && IsWithin(dialog, focus)) return;
  HWND target = state.savedFocus;
  if (!target || !IsWithin(dialog, target) || target == dialog) target = FirstTabStop(dialog);
  if (target) SetFocus(target);
}

// Pixels per 4 horizontal and 8 vertical dialog units for a font: the average width of the
// letters and the font's height.
void BaseUnitsOf(HFONT font, int& baseX, int& baseY) {
  baseX = 6;
  baseY = 13;
  HDC dc = GetDC(nullptr);
  if (!dc) return;
  HGDIOBJ old = SelectObject(dc, font);
  TEXTMETRICA tm{};
  SIZE size{};
  static const char kLetters[] = "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz";
  if (GetTextMetricsA(dc, &tm) && tm.tmHeight > 0) baseY = int(tm.tmHeight);
  if (GetTextExtentPoint32A(dc, kLetters, 52, &size) && size.cx > 0)
    baseX = int((size.cx / 26 + 1) / 2);
  if (old) SelectObject(dc, old);
  ReleaseDC(nullptr, dc);
  baseX = std::clamp(baseX, 1, 64);
  baseY = std::clamp(baseY, 1, 128);
}

// value * numerator / denominator, rounded half away from zero.
LONG Scale(int value, int numerator, int denominator) {
  const int64_t p = int64_t(value) * numerator;
  return LONG(p >= 0 ? (p + denominator / 2) / denominator
                     : -((-p + denominator / 2) / denominator));
}

RECT DialogUnitsToPixels(const DialogState& s, int x, int y, int cx, int cy) {
  return RECT{Scale(x, s.baseX, 4), Scale(y, s.baseY, 8), Scale(x + cx, s.baseX, 4),
              Scale(y + cy, s.baseY, 8)};
}

// The outer rectangle of the dialog on the screen: the template's place from the owner's
// client area, or centred over the owner (the screen without one) with DS_CENTER; kept on
// the screen where it fits.
RECT PlaceDialog(const DialogSpec& shape, const DialogState& s, HWND owner, DWORD style,
                 DWORD exStyle) {
  RECT client = DialogUnitsToPixels(s, 0, 0, shape.cx, shape.cy);
  client.right = std::max(client.right, LONG(0));
  client.bottom = std::max(client.bottom, LONG(0));
  RECT outer = client;
  AdjustWindowRectEx(&outer, style, FALSE, exStyle);
  const LONG width = outer.right - outer.left, height = outer.bottom - outer.top;
  const LONG screenW = GetSystemMetrics(SM_CXSCREEN), screenH = GetSystemMetrics(SM_CYSCREEN);
  LONG x, y;
  RECT area{0, 0, screenW, screenH};
  if (owner && IsWindowVisible(owner)) GetWindowRect(owner, &area);
  if (shape.style & DS_CENTER) {
    x = area.left + (area.right - area.left - width) / 2;
    y = area.top + (area.bottom - area.top - height) / 2;
  } else {
    POINT origin{0, 0};
    if (owner) ClientToScreen(owner, &origin);
    const RECT at = DialogUnitsToPixels(s, shape.x, shape.y, 0, 0);
    x = origin.x + at.left;
    y = origin.y + at.top;
  }
  x = std::max(LONG(0), std::min(x, screenW - width));
  y = std::max(LONG(0), std::min(y, screenH - height));
  return RECT{x, y, x + width, y + height};
}

LRESULT CALLBACK DialogClassProc(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefDlgProcA(dialog, message, wParam, lParam);
}

// The handling of the dialog class for what its procedure leaves alone.
LRESULT DialogDefaults(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  DialogState* state = FindDialogState(dialog);
  switch (message) {
    case WM_ERASEBKGND: {
      HDC dc = reinterpret_cast<HDC>(wParam);
      RECT r;
      GetClientRect(dialog, &r);
      FillRect(dc, &r, GetSysColorBrush(COLOR_BTNFACE));
      return 1;
    }
    case WM_CLOSE: {
      HWND cancel = GetDlgItem(dialog, IDCANCEL);
      if (!cancel || IsWindowEnabled(cancel))
        PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(IDCANCEL, BN_CLICKED),
                     reinterpret_cast<LPARAM>(cancel));
      return 0;
    }
    case WM_ACTIVATE:
      if (!state) break;
      if (LOWORD(wParam) == WA_INACTIVE) {
        HWND focus = GetFocus();
        if (focus && focus != dialog && IsWithin(dialog, focus)) state->savedFocus = focus;
      } else if (!HIWORD(wParam)) {
        RestoreFocus(dialog, *state);
      }
      return 0;
    case WM_SETFOCUS:
      if (state) RestoreFocus(dialog, *state);
      return 0;
    case WM_GETFONT:
      return state ? reinterpret_cast<LRESULT>(state->font) : 0;
    case DM_GETDEFID:
      return state && state->defaultId ? MAKELONG(state->defaultId, DC_HASDEFID) : 0;
    case DM_SETDEFID:
      if (!state) return FALSE;
      state->defaultId = WORD(wParam);
      for (HWND c : DialogChildren(dialog)) {
        const LONG_PTR style = GetWindowLongPtrA(c, GWL_STYLE);
        const LONG_PTR type = style & BS_TYPEMASK;
        if (!(SendMessageA(c, WM_GETDLGCODE, 0, 0) & (DLGC_DEFPUSHBUTTON | DLGC_UNDEFPUSHBUTTON)))
          continue;
        const bool isDefault = GetDlgCtrlID(c) == int(wParam);
        if ((type == BS_DEFPUSHBUTTON) != isDefault)
          SendMessageA(c, BM_SETSTYLE, (style & ~BS_TYPEMASK) | (isDefault ? BS_DEFPUSHBUTTON : 0),
                       TRUE);
      }
      return TRUE;
    case WM_NEXTDLGCTL: {
      HWND target = lParam ? reinterpret_cast<HWND>(wParam)
                           : GetNextDlgTabItem(dialog, GetFocus(), wParam != 0);
      if (target && IsWithin(dialog, target)) SetFocus(target);
      return 0;
    }
    case WM_NCDESTROY: {
      LRESULT r = DefWindowProcA(dialog, message, wParam, lParam);
      ForgetDialog(dialog);
      return r;
    }
  }
  return DefWindowProcA(dialog, message, wParam, lParam);
}

}  // namespace

DialogState* FindDialogState(HWND dialog) {
  auto& dialogs = Dialogs();
  auto it = dialogs.find(dialog);
  return it == dialogs.end() || !IsWindow(dialog) ? nullptr : it->second.get();
}

void EnsureDialogClasses() {
  if (!FindWindowClass(kDialogClassName)) {
    WNDCLASSA wc{};
    wc.style = CS_SAVEBITS;
    wc.lpfnWndProc = DialogClassProc;
    wc.cbWndExtra = DLGWINDOWEXTRA;
    wc.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    wc.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_BTNFACE + 1);
    wc.lpszClassName = kDialogClassName;
    RegisterClassA(&wc);
  }
  if (!FindWindowClass("BUTTON")) RegisterButtonClass();
  if (!FindWindowClass("STATIC")) RegisterStaticClass();
  if (!FindWindowClass("COMBOBOX") || !FindWindowClass(kComboListClassName))
    RegisterComboBoxClasses();
}

std::vector<HWND> DialogChildren(HWND dialog) {
  std::vector<HWND> out;
  if (!dialog) return out;
  for (auto& [key, w] : Windows().windows)
    if (w->parent == dialog && !w->destroying) out.push_back(w->handle);
  return out;
}

bool IsWithin(HWND ancestor, HWND window) {
  for (WindowRecord* w = FindWindowRecord(window); w; w = FindWindowRecord(w->parent)) {
    if (w->handle == ancestor) return true;
    if (!w->parent) break;
  }
  return false;
}

LRESULT DefDlgProcA(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
  DialogState* state = FindDialogState(dialog);
  if (state && state->proc) {
    SetWindowLongPtrA(dialog, DWLP_MSGRESULT, 0);
    const INT_PTR handled = state->proc(dialog, message, wParam, lParam);
    if (AnswersDirectly(message)) {
      if (handled || message == WM_INITDIALOG) return handled;
    } else if (handled) {
      return IsWindow(dialog) ? GetWindowLongPtrA(dialog, DWLP_MSGRESULT) : 0;
    }
    if (!IsWindow(dialog)) return 0;
  }
  if (message == WM_INITDIALOG) return TRUE;
  return DialogDefaults(dialog, message, wParam, lParam);
}

HWND CreateDialogFromSpec(HINSTANCE instance, const DialogSpec& shape, HWND owner, DLGPROC proc,
                          LPARAM param, bool modal) {
  EnsureDialogClasses();
  if (owner && !IsWindow(owner)) return nullptr;
  LPCSTR className = kDialogClassName;
  if (shape.windowClass.present)
    className = shape.windowClass.isOrdinal ? MAKEINTATOM(shape.windowClass.ordinal)
                                           : shape.windowClass.text.c_str();
  // A dialog class of the program's own must keep the dialog's window bytes, as Win32 asks;
  // a control class would never pass the dialog's messages on.
  const WindowClassRecord* cls = FindWindowClass(className);
  if (!cls || cls->wndExtra < DLGWINDOWEXTRA) return nullptr;

  auto state = std::make_unique<DialogState>();
  state->proc = proc;
  state->instance = instance;
  state->modal = modal;
  if (shape.hasFont) {
    state->font = CreateFontA(-Scale(shape.pointSize, 96, 72), 0, 0, 0, FW_NORMAL, 0, 0, 0,
                              DEFAULT_CHARSET, OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS,
                              DEFAULT_QUALITY, DEFAULT_PITCH | FF_DONTCARE, shape.faceName.c_str());
    state->ownsFont = state->font != nullptr;
  }
  if (!state->font) state->font = static_cast<HFONT>(GetStockObject(SYSTEM_FONT));
  BaseUnitsOf(state->font, state->baseX, state->baseY);

  // A dialog is a top-level window: the template cannot make it a child or show it yet.
  DWORD style = shape.style & ~DWORD(WS_CHILD | WS_VISIBLE | WS_MINIMIZE | WS_MAXIMIZE);
  style |= WS_POPUP | WS_CLIPSIBLINGS;
  DWORD exStyle = shape.exStyle;
  if (shape.style & DS_MODALFRAME) exStyle |= WS_EX_DLGMODALFRAME;
  const RECT place = PlaceDialog(shape, *state, owner, style, exStyle);

  HWND dialog = CreateWindowExA(exStyle, className, shape.title.c_str(), style, place.left,
                                place.top, place.right - place.left, place.bottom - place.top,
                                owner, nullptr, instance, nullptr);
  if (!dialog) {
    if (state->ownsFont) DeleteObject(state->font);
    return nullptr;
  }
  DialogState& s = *state;
  Dialogs()[dialog] = std::move(state);

  for (const DialogItemSpec& item : shape.items) {
    const RECT r = DialogUnitsToPixels(s, item.x, item.y, item.cx, item.cy);
    const DWORD itemStyle = (item.style | WS_CHILD) & ~DWORD(WS_POPUP);
    LPCSTR text = item.text.text.c_str();
    // An icon static names its icon resource by number.
    if (item.text.isOrdinal)
      text = lstrcmpiA(item.className.c_str(), "STATIC") == 0 ? MAKEINTRESOURCEA(item.text.ordinal)
                                                              : "";
    HWND control = CreateWindowExA(
        item.exStyle, item.className.c_str(), text, itemStyle, r.left, r.top, r.right - r.left,
        r.bottom - r.top, dialog, reinterpret_cast<HMENU>(uintptr_t(item.id)), instance,
        item.creationData.empty() ? nullptr : const_cast<BYTE*>(item.creationData.data()));
    if (!IsWindow(dialog)) return nullptr;
    if (!control) {
      if (shape.style & DS_NOFAILCREATE) continue;
      DestroyWindow(dialog);
      return nullptr;
    }
    if (!s.defaultId && (itemStyle & BS_TYPEMASK) == BS_DEFPUSHBUTTON &&
        lstrcmpiA(item.className.c_str(), "BUTTON") == 0)
      s.defaultId = item.id;
    SendMessageA(control, WM_SETFONT, reinterpret_cast<WPARAM>(s.font), FALSE);
    if (!IsWindow(dialog)) return nullptr;
  }

  HWND first = FirstTabStop(dialog);
  const LRESULT setFocus =
      SendMessageA(dialog, WM_INITDIALOG, reinterpret_cast<WPARAM>(first), param);
  if (!IsWindow(dialog)) return nullptr;
  if (setFocus && first && IsWindow(first)) SetFocus(first);
  if (!modal && (shape.style & WS_VISIBLE)) ShowWindow(dialog, SW_SHOWNORMAL);
  return IsWindow(dialog) ? dialog : nullptr;
}

namespace {

// The modal loops running now, the innermost last.
std::vector<HWND>& ModalLoops() {
  static std::vector<HWND>* loops = new std::vector<HWND>;
  return *loops;
}

struct ModalLoopEntry {
  explicit ModalLoopEntry(HWND dialog) : ok(Push(dialog)) {}
  ~ModalLoopEntry() {
    if (ok) ModalLoops().pop_back();
  }
  static bool Push(HWND dialog) {
    try {
      ModalLoops().push_back(dialog);
      return true;
    } catch (...) {
      return false;
    }
  }
  bool ok;
};

}  // namespace

HWND WaitingModalDialog() {
  const std::vector<HWND>& loops = ModalLoops();
  for (auto it = loops.rbegin(); it != loops.rend(); ++it)
    if (FindDialogState(*it)) return *it;
  return nullptr;
}

INT_PTR RunModalDialog(HWND dialog, HWND owner) {
  DialogState* state = FindDialogState(dialog);
  if (!state) return -1;
  const ModalLoopEntry entry(dialog);
  const bool disabledOwner = owner && IsWindowEnabled(owner);
  if (disabledOwner) EnableWindow(owner, FALSE);
  if (!state->ended) ShowWindow(dialog, SW_SHOWNORMAL);

  INT_PTR result = 0;
  for (;;) {
    state = FindDialogState(dialog);
    if (!state) break;  // destroyed, with its owner or otherwise
    if (state->ended) {
      result = state->result;
      break;
    }
    if (owner && !IsWindow(owner)) break;
    MSG msg;
    const BOOL got = GetMessageA(&msg, nullptr, 0, 0);
    if (got == -1) break;
    if (!got) {
      PostQuitMessage(int(msg.wParam));  // for the caller's loop
      break;
    }
    if (!IsDialogMessageA(dialog, &msg)) {
      TranslateMessage(&msg);
      DispatchMessageA(&msg);
    }
  }

  if (disabledOwner && IsWindow(owner)) EnableWindow(owner, TRUE);
  if (IsWindow(dialog)) {
    ShowWindow(dialog, SW_HIDE);
    if (owner && IsWindow(owner) && GetActiveWindow() == dialog) SetActiveWindow(owner);
    DestroyWindow(dialog);
  } else if (owner && IsWindow(owner) && !GetActiveWindow()) {
    SetActiveWindow(owner);
  }
  return result;
}

INT_PTR DialogBoxFromBytes(HINSTANCE instance, const void* bytes, size_t size, HWND owner,
                           DLGPROC proc, LPARAM param) {
  DialogSpec shape;
  if (ParseDialogTemplate(bytes, size, shape) != TemplateError::None) return -1;
  // A modal dialog belongs to the owner's top-level window.
  while (owner && (GetWindowLongPtrA(owner, GWL_STYLE) & WS_CHILD)) owner = GetParent(owner);
  HWND dialog = CreateDialogFromSpec(instance, shape, owner, proc, param, true);
  if (!dialog) return -1;
  return RunModalDialog(dialog, owner);
}

INT_PTR DialogBoxIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA dialogTemplate, HWND owner,
                                DLGPROC proc, LPARAM param) {
  return DialogBoxFromBytes(instance, dialogTemplate, kMaxDialogTemplateBytes, owner, proc, param);
}

namespace {

// The bytes of a dialog resource and how many may be read.
const void* DialogResource(HINSTANCE instance, LPCSTR name, size_t& size) {
  HRSRC found = FindResourceA(instance, name, RT_DIALOG);
  if (!found) return nullptr;
  HGLOBAL loaded = LoadResource(instance, found);
  const void* bytes = loaded ? LockResource(loaded) : nullptr;
  size = bytes ? SizeofResource(instance, found) : 0;
  return bytes;
}

}  // namespace

INT_PTR DialogBoxParamA(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc, LPARAM param) {
  size_t size = 0;
  const void* bytes = DialogResource(instance, name, size);
  if (!bytes) return -1;
  return DialogBoxFromBytes(instance, bytes, size, owner, proc, param);
}

HWND CreateDialogIndirectParamA(HINSTANCE instance, LPCDLGTEMPLATEA dialogTemplate, HWND owner,
                                DLGPROC proc, LPARAM param) {
  DialogSpec shape;
  if (ParseDialogTemplate(dialogTemplate, kMaxDialogTemplateBytes, shape) != TemplateError::None)
    return nullptr;
  return CreateDialogFromSpec(instance, shape, owner, proc, param, false);
}

HWND CreateDialogParamA(HINSTANCE instance, LPCSTR name, HWND owner, DLGPROC proc, LPARAM param) {
  size_t size = 0;
  const void* bytes = DialogResource(instance, name, size);
  DialogSpec shape;
  if (!bytes || ParseDialogTemplate(bytes, size, shape) != TemplateError::None) return nullptr;
  return CreateDialogFromSpec(instance, shape, owner, proc, param, false);
}

BOOL EndDialog(HWND dialog, INT_PTR result) {
  DialogState* state = FindDialogState(dialog);
  if (!state) return FALSE;
  state->ended = true;
  state->result = result;
  // A modeless dialog only hides; a modal one goes when its loop sees the flag.
  if (!state->modal) ShowWindow(dialog, SW_HIDE);
  return TRUE;
}

HWND GetDlgItem(HWND dialog, int id) {
  for (HWND c : DialogChildren(dialog))
    if (GetDlgCtrlID(c) == id) return c;
  return nullptr;
}

int GetDlgCtrlID(HWND control) {
  return int(GetWindowLongPtrA(control, GWL_ID));
}

LRESULT SendDlgItemMessageA(HWND dialog, int id, UINT message, WPARAM wParam, LPARAM lParam) {
  HWND control = GetDlgItem(dialog, id);
  return control ? SendMessageA(control, message, wParam, lParam) : 0;
}

BOOL SetDlgItemTextA(HWND dialog, int id, LPCSTR text) {
  HWND control = GetDlgItem(dialog, id);
  return control ? SetWindowTextA(control, text) : FALSE;
}

UINT GetDlgItemTextA(HWND dialog, int id, LPSTR text, int size) {
  if (text && size > 0) text[0] = '\0';
  HWND control = GetDlgItem(dialog, id);
  return control ? UINT(GetWindowTextA(control, text, size)) : 0;
}

BOOL MapDialogRect(HWND dialog, LPRECT rect) {
  DialogState* state = FindDialogState(dialog);
  if (!state || !rect) return FALSE;
  *rect = DialogUnitsToPixels(*state, rect->left, rect->top, rect->right - rect->left,
                              rect->bottom - rect->top);
  return TRUE;
}

BOOL EnableWindow(HWND window, BOOL enable) {
  WindowRecord* w = FindWindowRecord(window);
  if (!w) return FALSE;
  const BOOL wasDisabled = (w->style & WS_DISABLED) ? TRUE : FALSE;
  if (bool(enable) == !wasDisabled) return wasDisabled;
  if (enable) {
    w->style &= ~DWORD(WS_DISABLED);
  } else {
    w->style |= WS_DISABLED;
    // A disabled window keeps no keyboard focus.
    if (GetFocus() && IsWithin(window, GetFocus())) SetFocus(nullptr);
  }
  if (IsWindow(window)) SendMessageA(window, WM_ENABLE, enable ? TRUE : FALSE, 0);
  return wasDisabled;
}

BOOL IsWindowEnabled(HWND window) {
  WindowRecord* w = FindWindowRecord(window);
  return w && !(w->style & WS_DISABLED);
}

HFONT ControlFont(HWND control) {
  auto& fonts = ControlFonts();
  auto it = fonts.find(control);
  if (it != fonts.end() && it->second) return it->second;
  return static_cast<HFONT>(GetStockObject(DEFAULT_GUI_FONT));
}

void SetControlFont(HWND control, HFONT font) {
  ControlFonts()[control] = font;
}
void ForgetControlFont(HWND control) {
  ControlFonts().erase(control);
}

void NotifyParent(HWND control, WORD code) {
  HWND parent = GetParent(control);
  if (!parent) return;
  SendMessageA(parent, WM_COMMAND, MAKEWPARAM(WORD(GetDlgCtrlID(control)), code),
               reinterpret_cast<LPARAM>(control));
}

bool CommonControlMessage(HWND control, UINT message, WPARAM wParam, LPARAM lParam,
                          LRESULT& result) {
  switch (message) {
    case WM_SETFONT:
      SetControlFont(control, reinterpret_cast<HFONT>(wParam));
      if (lParam) InvalidateRect(control, nullptr, TRUE);
      result = 0;
      return true;
    case WM_GETFONT: {
      auto it = ControlFonts().find(control);
      result = it == ControlFonts().end() ? 0 : reinterpret_cast<LRESULT>(it->second);
      return true;
    }
    case WM_SETTEXT:
      result = DefWindowProcA(control, message, wParam, lParam);
      InvalidateRect(control, nullptr, TRUE);
      return true;
    case WM_ENABLE:
      InvalidateRect(control, nullptr, TRUE);
      result = 0;
      return true;
    case WM_NCDESTROY:
      ForgetControlFont(control);
      result = DefWindowProcA(control, message, wParam, lParam);
      return true;
  }
  return false;
}

ControlPainter::ControlPainter(HWND control) : control_(control) {
  dc_ = BeginPaint(control, &ps_);
  GetClientRect(control, &client_);
  if (!dc_) return;
  oldFont_ = SelectObject(dc_, ControlFont(control));
  SetBkMode(dc_, TRANSPARENT);
  SetTextColor(dc_, GetSysColor(IsWindowEnabled(control) ? COLOR_BTNTEXT : COLOR_GRAYTEXT));
}

ControlPainter::~ControlPainter() {
  if (!dc_) return;
  if (oldFont_) SelectObject(dc_, oldFont_);
  EndPaint(control_, &ps_);
}

void DrawFocusFrame(HDC dc, const RECT& r) {
  const COLORREF ink = GetSysColor(COLOR_BTNTEXT);
  for (LONG x = r.left; x < r.right; x += 2) {
    SetPixel(dc, x, r.top, ink);
    SetPixel(dc, x, r.bottom - 1, ink);
  }
  for (LONG y = r.top; y < r.bottom; y += 2) {
    SetPixel(dc, r.left, y, ink);
    SetPixel(dc, r.right - 1, y, ink);
  }
}
