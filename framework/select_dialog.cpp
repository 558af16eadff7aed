// The device selection dialog: its in-memory template, the filling of its three combo boxes and
// the dialog procedure that keeps the pending choice and stores it on OK.
#include "framework/select_dialog.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <iterator>

namespace {

constexpr DWORD DialogStyle = WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | DS_CENTER |
                              DS_SETFOREGROUND | DS_NOIDLEMSG | DS_MODALFRAME | DS_SETFONT |
                              DS_3DLOOK;
constexpr DWORD ComboStyle = CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
constexpr WORD NoId = 0xFFFF;
const char WindowedModeText[] = "Windowed mode";

struct ItemSpec {
  const char* className;
  const char* text;
  WORD id;
  short x, y, cx, cy;
  DWORD style;
};

const ItemSpec Items[] = {
    {"BUTTON", "OK", IDOK, 65, 65, 51, 14, WS_TABSTOP},
    {"BUTTON", "Cancel", IDCANCEL, 123, 65, 51, 14, WS_TABSTOP},
    {"COMBOBOX", "", DriverCombo, 36, 5, 138, 45, ComboStyle},
    {"COMBOBOX", "", DeviceCombo, 36, 24, 138, 45, ComboStyle},
    {"COMBOBOX", "", ModeCombo, 36, 44, 138, 45, ComboStyle},
    {"STATIC", "Driver:", NoId, 5, 5, 22, 13, 0},
    {"STATIC", "Device:", NoId, 5, 24, 25, 13, 0},
    {"STATIC", "Mode:", NoId, 5, 44, 22, 13, 0},
};

bool FailAllocation = false;

// Writes little-endian fields into the fixed buffer; a write past its end is refused and
// remembered, so a template that would not fit is never handed out.
class TemplateWriter {
 public:
  explicit TemplateWriter(BYTE* buffer) : buffer_(buffer) {}
  void Word(WORD v) { Bytes(&v, sizeof v); }
  void Dword(DWORD v) { Bytes(&v, sizeof v); }
  void Short(short v) { Bytes(&v, sizeof v); }
  void AlignDword() { at_ = (at_ + 3) & ~size_t(3); }
  // The ANSI text as terminated UTF-16.
  void Text(const char* text) {
    AlignWord();
    const int room =
        int((SelectDialogTemplateSize - std::min(at_, SelectDialogTemplateSize)) / sizeof(WCHAR));
    WCHAR* out = reinterpret_cast<WCHAR*>(buffer_ + at_);
    const int n = room > 0 ? MultiByteToWideChar(CP_ACP, 0, text, -1, out, room) : 0;
    if (n <= 0) {
      ok_ = false;
      return;
    }
    at_ += size_t(n) * sizeof(WCHAR);
  }
  void Skip(size_t n) {
    if (at_ + n > SelectDialogTemplateSize) ok_ = false;
    at_ += n;
  }
  bool Ok() const { return ok_ && at_ <= SelectDialogTemplateSize; }

 private:
  void AlignWord() { at_ = (at_ + 1) & ~size_t(1); }
  void Bytes(const void* v, size_t n) {
    if (at_ + n > SelectDialogTemplateSize) {
      ok_ = false;
      at_ += n;
      return;
    }
    std::memcpy(buffer_ + at_, v, n);
    at_ += n;
  }
  BYTE* buffer_;
  size_t at_ = 0;
  bool ok_ = true;
};

void WriteItem(TemplateWriter& w, const ItemSpec& item) {
  w.AlignDword();
  w.Dword(item.style | WS_CHILD | WS_VISIBLE);
  w.Dword(0);
  w.Short(item.x);
  w.Short(item.y);
  w.Short(item.cx);
  w.Short(item.cy);
  w.Word(item.id);
  w.Text(item.className);
  w.Text(item.text);
  w.Skip(sizeof(WORD));  // no creation data
}

// A choice: the driver, its device, the device's full-screen mode and windowed operation.
struct Selection {
  DriverInfo* driver;
  DeviceInfo* device;
  ModeInfo* mode;
  BOOL windowed;
};

bool operator==(const Selection& a, const Selection& b) {
  return a.driver == b.driver && a.device == b.device && a.mode == b.mode &&
         !a.windowed == !b.windowed;
}

// Valid while the dialog is open.
Selection InitialSelection = {};
Selection PendingSelection = {};

// Windowed operation is offered only for a device that can run in a window on the desktop.
bool WindowedAllowed(const DriverInfo* driver, const DeviceInfo* device) {
  return driver && device && (driver->hardwareCaps.dwCaps2 & DDCAPS2_CANRENDERWINDOWED) &&
         !driver->guidRef && device->desktopCompatible;
}

Selection ChoiceOfDevice(DriverInfo* driver, DeviceInfo* device) {
  if (!device) return {driver, nullptr, nullptr, FALSE};
  return {driver, device, device->currentMode, device->windowed};
}

void AddEntry(HWND dialog, int id, const char* text, const void* data) {
  const LRESULT index =
      SendDlgItemMessageA(dialog, id, CB_ADDSTRING, 0, reinterpret_cast<LPARAM>(text));
  if (index >= 0)
    SendDlgItemMessageA(dialog, id, CB_SETITEMDATA, WPARAM(index), reinterpret_cast<LPARAM>(data));
}

void SelectEntry(HWND dialog, int id, int index) {
  SendDlgItemMessageA(dialog, id, CB_SETCURSEL, WPARAM(index), 0);
}

// A combo box's choice: the pending selection follows it.
void OnSelectionChange(HWND dialog, int id) {
  const LRESULT index = SendDlgItemMessageA(dialog, id, CB_GETCURSEL, 0, 0);
  if (index == CB_ERR) return;
  const LRESULT data = SendDlgItemMessageA(dialog, id, CB_GETITEMDATA, WPARAM(index), 0);
  Selection& p = PendingSelection;
  if (id == DriverCombo) {
    auto* driver = reinterpret_cast<DriverInfo*>(data);
    if (driver && driver != p.driver)
      p = ChoiceOfDevice(driver, driver->currentDevice ? driver->currentDevice : driver->devices);
  } else if (id == DeviceCombo) {
    auto* device = reinterpret_cast<DeviceInfo*>(data);
    if (device && device != p.device) p = ChoiceOfDevice(p.driver, device);
  } else if (data == 0) {
    p.windowed = TRUE;
  } else {
    p.mode = reinterpret_cast<ModeInfo*>(data);
    p.windowed = FALSE;
  }
  FillSelectionControls(dialog, &p.driver, &p.device, &p.mode, p.windowed);
}

void OnOk(HWND dialog) {
  Selection p = PendingSelection;
  if (p == InitialSelection || !p.driver || !p.device) {
    EndDialog(dialog, 2);
    return;
  }
  SetSelectedDriver(p.driver);
  p.driver->currentDevice = p.device;
  p.device->currentMode = p.mode;
  p.device->windowed = p.windowed;
  EndDialog(dialog, 1);
}

}  // namespace

DLGTEMPLATE* BuildSelectDialogTemplate() {
  if (FailAllocation) return nullptr;
  auto* buffer = static_cast<BYTE*>(std::calloc(SelectDialogTemplateSize, 1));
  if (!buffer) return nullptr;
  TemplateWriter w(buffer);
  w.Dword(DialogStyle);
  w.Dword(0);
  w.Word(WORD(std::size(Items)));
  w.Short(0);
  w.Short(0);
  w.Short(179);
  w.Short(84);
  w.Word(0);  // no menu
  w.Word(0);  // the standard dialog class
  w.Text("Select New Direct3D Driver");
  w.Word(8);
  w.Text("Arial");
  for (const ItemSpec& item : Items) WriteItem(w, item);
  if (!w.Ok()) {
    std::free(buffer);
    return nullptr;
  }
  return reinterpret_cast<DLGTEMPLATE*>(buffer);
}

void FreeSelectDialogTemplate(DLGTEMPLATE* dialogTemplate) {
  std::free(dialogTemplate);
}

void FillSelectionControls(HWND dialog, DriverInfo** driver, DeviceInfo** device, ModeInfo** mode,
                           BOOL windowed) {
  if (!driver || !device || !mode) return;
  if (!*driver) *driver = GetDriverList();
  if (!*device && *driver) *device = (*driver)->devices;
  for (int id : {DriverCombo, DeviceCombo, ModeCombo})
    SendDlgItemMessageA(dialog, id, CB_RESETCONTENT, 0, 0);

  int index = 0;
  for (DriverInfo* d = GetDriverList(); d; d = d->next, ++index) {
    AddEntry(dialog, DriverCombo, d->description, d);
    if (d == *driver) SelectEntry(dialog, DriverCombo, index);
  }
  if (!*driver) return;
  index = 0;
  for (DeviceInfo* d = (*driver)->devices; d; d = d->next, ++index) {
    AddEntry(dialog, DeviceCombo, d->name, d);
    if (d == *device) SelectEntry(dialog, DeviceCombo, index);
  }
  if (!*device) return;
  index = 0;
  if (WindowedAllowed(*driver, *device)) {
    AddEntry(dialog, ModeCombo, WindowedModeText, nullptr);
    if (windowed) SelectEntry(dialog, ModeCombo, 0);
    ++index;
  }
  for (ModeInfo* m = (*device)->modes; m; m = m->next, ++index) {
    AddEntry(dialog, ModeCombo, m->name, m);
    if (!windowed && m == *mode) SelectEntry(dialog, ModeCombo, index);
  }
}

INT_PTR CALLBACK SelectDialogProc(HWND dialog, UINT message, WPARAM wParam, LPARAM) {
  if (message == WM_INITDIALOG) {
    DriverInfo* driver = SelectedDriver();
    InitialSelection = ChoiceOfDevice(driver, driver ? driver->currentDevice : nullptr);
    PendingSelection = InitialSelection;
    Selection& p = PendingSelection;
    FillSelectionControls(dialog, &p.driver, &p.device, &p.mode, p.windowed);
    return TRUE;
  }
  if (message != WM_COMMAND) return FALSE;
  const int id = LOWORD(wParam);
  switch (id) {
    case IDOK:
      OnOk(dialog);
      return TRUE;
    case IDCANCEL:
      EndDialog(dialog, 2);
      return TRUE;
    case DriverCombo:
    case DeviceCombo:
    case ModeCombo:
      if (HIWORD(wParam) != CBN_SELENDOK) return FALSE;
      OnSelectionChange(dialog, id);
      return TRUE;
    default:
      return FALSE;
  }
}

void TestFailSelectDialogAllocation(bool fail) {
  FailAllocation = fail;
}
