// Device enumeration and the default selection. The lists are built once, from the platform's
// driver, device and mode enumerations, and live until the program ends.
#include "framework/devices.h"

#include <cstring>
#include <new>

#include "app/result_codes.h"
#include "framework/select_dialog.h"
#include "framework/util.h"

namespace {

const char TraceSource[] = "devices";

DriverInfo* DriverList = nullptr;
DriverInfo* Selected = nullptr;
ConfirmDeviceCallback Confirm = nullptr;
bool AnyDeviceSeen = false;
bool ReferenceDeviceSeen = false;
IDirectDraw4* EnumDirectDraw = nullptr;

void CopyText(char (&dst)[DeviceTextSize], const char* src) {
  size_t n = src ? strnlen(src, DeviceTextSize - 1) : 0;
  std::memcpy(dst, src ? src : "", n);
  dst[n] = '\0';
}

template <typename T>
void Append(T*& head, T* item) {
  T** tail = &head;
  while (*tail) tail = &(*tail)->next;
  *tail = item;
}

void FreeModes(ModeInfo* mode) {
  while (mode) {
    ModeInfo* next = mode->next;
    delete mode;
    mode = next;
  }
}

void FreeDevices(DeviceInfo* device) {
  while (device) {
    DeviceInfo* next = device->next;
    FreeModes(device->modes);
    delete device;
    device = next;
  }
}

bool HasModeOfDepth(const DeviceInfo* device, DWORD bits) {
  for (const ModeInfo* m = device->modes; m; m = m->next)
    if (m->surfaceDesc.ddpfPixelFormat.dwRGBBitCount == bits) return true;
  return false;
}

HRESULT WINAPI ModeCallback(LPDDSURFACEDESC2 desc, LPVOID context) {
  auto* device = static_cast<DeviceInfo*>(context);
  if (!desc || !device) return DDENUMRET_CANCEL;
  DWORD bits = desc->ddpfPixelFormat.dwRGBBitCount;
  DWORD depths = device->desc.dwDeviceRenderBitDepth;
  if ((bits == 32 && !(depths & DDBD_32)) || (bits == 24 && !(depths & DDBD_24)) ||
      (bits == 16 && !(depths & DDBD_16)) || bits == 8)
    return DDENUMRET_OK;
  ModeInfo* mode = new (std::nothrow) ModeInfo();
  if (!mode) return DDENUMRET_CANCEL;
  mode->surfaceDesc = *desc;
  wsprintfA(mode->name, "%ld x %ld x %ld", static_cast<LONG>(desc->dwWidth),
            static_cast<LONG>(desc->dwHeight), static_cast<LONG>(bits));
  Append(device->modes, mode);
  if (desc->dwWidth == 640 && desc->dwHeight == 480 && bits == 16) device->currentMode = mode;
  if (!device->currentMode) device->currentMode = mode;
  return DDENUMRET_OK;
}

HRESULT WINAPI DeviceCallback(GUID* guid, LPSTR /*description*/, LPSTR name,
                              LPD3DDEVICEDESC hardware, LPD3DDEVICEDESC software,
                              LPVOID context) {
  auto* driver = static_cast<DriverInfo*>(context);
  if (!guid || !hardware || !software || !driver) return D3DENUMRET_CANCEL;
  if (*guid == IID_IDirect3DNullDevice) return D3DENUMRET_OK;
  AnyDeviceSeen = true;
  bool isHardware = hardware->dwFlags != 0;
  D3DDEVICEDESC* kept = isHardware ? hardware : software;
  if (!isHardware && driver->guidRef) return D3DENUMRET_OK;
  if (Confirm && FAILED(Confirm(&driver->hardwareCaps, kept))) return D3DENUMRET_OK;

  DeviceInfo* device = new (std::nothrow) DeviceInfo();
  if (!device) return D3DENUMRET_CANCEL;
  device->guid = *guid;
  device->guidRef = &device->guid;
  CopyText(device->name, name);
  device->desc = *kept;
  device->isHardware = isHardware;
  EnumDirectDraw->EnumDisplayModes(0, nullptr, device, ModeCallback);

  DDSURFACEDESC2 desktop;
  std::memset(&desktop, 0, sizeof desktop);
  desktop.dwSize = sizeof desktop;
  EnumDirectDraw->GetDisplayMode(&desktop);
  if (driver->hardwareCaps.dwCaps2 & DDCAPS2_CANRENDERWINDOWED) {
    if (HasModeOfDepth(device, desktop.ddpfPixelFormat.dwRGBBitCount)) {
      device->desktopCompatible = TRUE;
      if (!driver->guidRef) device->windowed = TRUE;
    }
  }

  if (device->modes) {
    Append(driver->devices, device);
    if (isHardware)
      driver->currentDevice = device;
    else if (!driver->currentDevice && (software->dcmColorModel & D3DCOLOR_RGB))
      driver->currentDevice = device;
  } else {
    delete device;
  }
  if (*guid == IID_IDirect3DRefDevice) ReferenceDeviceSeen = true;
  return D3DENUMRET_OK;
}

BOOL WINAPI DriverCallback(GUID* guid, LPSTR description, LPSTR name, LPVOID /*context*/,
                           HMONITOR monitor) {
  IDirectDraw* first = nullptr;
  if (FAILED(DirectDrawCreate(guid, &first, nullptr))) {
    DebugTrace(TraceSource, __LINE__, 0, "Can't create DDraw during enumeration!");
    return DDENUMRET_OK;
  }
  HRESULT hr = first->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&EnumDirectDraw));
  first->Release();
  if (FAILED(hr)) {
    EnumDirectDraw = nullptr;
    DebugTrace(TraceSource, __LINE__, 0, "Can't query IDirectDraw4 during enumeration!");
    return DDENUMRET_OK;
  }
  IDirect3D3* d3d = nullptr;
  if (FAILED(EnumDirectDraw->QueryInterface(IID_IDirect3D3, reinterpret_cast<void**>(&d3d)))) {
    DebugTrace(TraceSource, __LINE__, 0, "Can't query IDirect3D3 during enumeration!");
    EnumDirectDraw->Release();
    EnumDirectDraw = nullptr;
    return DDENUMRET_OK;
  }
  DriverInfo* driver = new (std::nothrow) DriverInfo();
  if (!driver) {
    d3d->Release();
    EnumDirectDraw->Release();
    EnumDirectDraw = nullptr;
    return DDENUMRET_CANCEL;
  }
  if (guid) {
    driver->guid = *guid;
    driver->guidRef = &driver->guid;
  }
  CopyText(driver->description, description);
  CopyText(driver->name, name);
  driver->monitor = monitor;
  driver->hardwareCaps.dwSize = sizeof(DDCAPS);
  driver->emulationCaps.dwSize = sizeof(DDCAPS);
  EnumDirectDraw->GetCaps(&driver->hardwareCaps, &driver->emulationCaps);
  d3d->EnumDevices(DeviceCallback, driver);
  if (driver->devices) {
    Append(DriverList, driver);
    if (!driver->guidRef) Selected = driver;
  } else {
    delete driver;
  }
  d3d->Release();
  EnumDirectDraw->Release();
  EnumDirectDraw = nullptr;
  return DDENUMRET_OK;
}

BOOL WINAPI OlderDriverCallback(GUID* guid, LPSTR description, LPSTR name, LPVOID context) {
  return DriverCallback(guid, description, name, context, nullptr);
}

// A device matches a selection by kind.
bool MatchesKind(const DeviceInfo* device, const DriverInfo* driver, DWORD flags) {
  if (device->guid == IID_IDirect3DRGBDevice) return flags & SelectRgbDevice;
  if (device->guid == IID_IDirect3DRefDevice) return flags & SelectReferenceDevice;
  bool firstDriver = driver == DriverList;
  return ((flags & SelectFirstDriverDevice) && firstDriver) ||
         ((flags & SelectLaterDriverDevice) && !firstDriver);
}

}  // namespace

HRESULT EnumerateDevices(ConfirmDeviceCallback confirm) {
  Confirm = confirm;
  ReferenceDeviceSeen = false;
  HMODULE library = GetModuleHandleA("DDRAW.DLL");
  if (!library) {
    DebugTrace(TraceSource, __LINE__, 0, "Can't load DDRAW.DLL!");
    return EnumErrNoLibrary;
  }
  // An export's address comes as a FARPROC; through void* it takes its own type.
  auto enumerateEx = reinterpret_cast<LPDIRECTDRAWENUMERATEEXA>(
      reinterpret_cast<void*>(GetProcAddress(library, "DirectDrawEnumerateExA")));
  if (enumerateEx) {
    enumerateEx(DriverCallback, nullptr,
                DDENUM_ATTACHEDSECONDARYDEVICES | DDENUM_DETACHEDSECONDARYDEVICES |
                    DDENUM_NONDISPLAYDEVICES);
  } else {
    auto enumerate = reinterpret_cast<decltype(&DirectDrawEnumerateA)>(
        reinterpret_cast<void*>(GetProcAddress(library, "DirectDrawEnumerateA")));
    if (enumerate) enumerate(OlderDriverCallback, nullptr);
  }
  return SelectDefaultDevice(0);
}

void UpdateDesktopCompatibility() {
  IDirectDraw* dd = nullptr;
  if (FAILED(DirectDrawCreate(nullptr, &dd, nullptr))) return;
  DDSURFACEDESC desktop;
  std::memset(&desktop, 0, sizeof desktop);
  desktop.dwSize = sizeof desktop;
  dd->GetDisplayMode(&desktop);
  dd->Release();
  for (DriverInfo* driver = DriverList; driver; driver = driver->next)
    for (DeviceInfo* device = driver->devices; device; device = device->next)
      device->desktopCompatible = HasModeOfDepth(device, desktop.ddpfPixelFormat.dwRGBBitCount);
}

HRESULT SelectDefaultDevice(DWORD flags) {
  UpdateDesktopCompatibility();
  if (flags & 0x3C) {
    for (DriverInfo* driver = DriverList; driver; driver = driver->next)
      for (DeviceInfo* device = driver->devices; device; device = device->next)
        if (MatchesKind(device, driver, flags)) {
          Selected = driver;
          driver->currentDevice = device;
          return S_OK;
        }
    return EnumErrNotFound;
  }
  struct Pass {
    bool hardware, windowed;
  };
  const Pass passes[] = {{true, true}, {false, true}, {true, false}, {false, false}};
  for (const Pass& pass : passes) {
    if (pass.hardware && (flags & SelectNoHardware)) continue;
    if (pass.windowed && (flags & SelectNoWindowed)) continue;
    for (DriverInfo* driver = DriverList; driver; driver = driver->next) {
      if (pass.windowed && !(driver->hardwareCaps.dwCaps2 & DDCAPS2_CANRENDERWINDOWED)) continue;
      for (DeviceInfo* device = driver->devices; device; device = device->next) {
        if (!device->isHardware != !pass.hardware) continue;
        if (pass.windowed && !device->desktopCompatible) continue;
        Selected = driver;
        driver->currentDevice = device;
        device->windowed = pass.windowed;
        return S_OK;
      }
    }
  }
  if (!AnyDeviceSeen) return EnumErrFailed;
  return ReferenceDeviceSeen ? EnumErrNoCompatible : EnumErrTryReference;
}

HRESULT GetSelectedDeviceGuids(GUID** driver, GUID** device, DDSURFACEDESC2** mode,
                               BOOL* windowed, BOOL* hardware) {
  if (!driver || !device) return E_INVALIDARG;
  if (!Selected || !Selected->currentDevice) return EnumErrFailed;
  DeviceInfo* current = Selected->currentDevice;
  *driver = Selected->guidRef;
  *device = current->guidRef;
  if (mode) *mode = current->currentMode ? &current->currentMode->surfaceDesc : nullptr;
  if (windowed) *windowed = current->windowed;
  if (hardware) *hardware = current->isHardware;
  return S_OK;
}

HRESULT GetSelectedDriverAndDevice(DriverInfo** driver, DeviceInfo** device) {
  if (!Selected) return EnumErrFailed;
  if (driver) *driver = Selected;
  if (device) *device = Selected->currentDevice;
  return S_OK;
}

DriverInfo* GetDriverList() { return DriverList; }

void FreeDeviceLists() {
  while (DriverList) {
    DriverInfo* next = DriverList->next;
    FreeDevices(DriverList->devices);
    delete DriverList;
    DriverList = next;
  }
  Selected = nullptr;
  AnyDeviceSeen = false;
  ReferenceDeviceSeen = false;
}

INT_PTR UserSelectDevice(HWND owner, BOOL windowed) {
  if (!Selected) return -1;
  UpdateDesktopCompatibility();
  if (Selected->currentDevice) Selected->currentDevice->windowed = windowed;
  auto instance = reinterpret_cast<HINSTANCE>(GetWindowLongPtrA(owner, GWLP_HINSTANCE));
  if (!instance) instance = GetModuleHandleA(nullptr);
  DLGTEMPLATE* dialogTemplate = BuildSelectDialogTemplate();
  if (!dialogTemplate) return -1;
  const INT_PTR result =
      DialogBoxIndirectParamA(instance, dialogTemplate, owner, SelectDialogProc, 0);
  FreeSelectDialogTemplate(dialogTemplate);
  return result;
}

DriverInfo* SelectedDriver() { return Selected; }
void SetSelectedDriver(DriverInfo* driver) { Selected = driver; }
