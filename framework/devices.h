// Device enumeration: the DirectDraw drivers of the machine, each driver's Direct3D devices and
// each device's display modes, listed once at start-up, with the default choice and the
// selection the rest of the program reads.
#pragma once

#include <d3d.h>

constexpr int DeviceTextSize = 40;  // 39 characters and a terminator

struct ModeInfo {
  DDSURFACEDESC2 surfaceDesc;  // first, so a ModeInfo reference is the mode's description
  char name[DeviceTextSize];   // "640 x 480 x 16"
  ModeInfo* next;
};

struct DeviceInfo {
  GUID guid;  // first, so a DeviceInfo reference is the device's identifier
  GUID* guidRef;
  char name[DeviceTextSize];
  D3DDEVICEDESC desc;  // the hardware description of a hardware device, else the software one
  BOOL isHardware;
  BOOL desktopCompatible;
  BOOL windowed;
  ModeInfo* currentMode;
  ModeInfo* modes;
  DeviceInfo* next;
};

struct DriverInfo {
  GUID guid;  // first, so a DriverInfo reference is the driver's identifier; zero for the primary
  GUID* guidRef;  // null for the primary display driver
  char description[DeviceTextSize];
  char name[DeviceTextSize];
  DDCAPS hardwareCaps;
  DDCAPS emulationCaps;
  HMONITOR monitor;
  DeviceInfo* currentDevice;
  DeviceInfo* devices;
  DriverInfo* next;
};

// Rejects a device with a negative result.
typedef HRESULT (*ConfirmDeviceCallback)(DDCAPS* driverCaps, D3DDEVICEDESC* deviceDesc);

enum SelectFlags : DWORD {
  SelectNoHardware = 0x1,
  SelectNoWindowed = 0x2,
  SelectRgbDevice = 0x4,
  SelectReferenceDevice = 0x8,
  SelectFirstDriverDevice = 0x10,
  SelectLaterDriverDevice = 0x20,
};

HRESULT EnumerateDevices(ConfirmDeviceCallback confirm);
HRESULT SelectDefaultDevice(DWORD flags);
void UpdateDesktopCompatibility();
HRESULT GetSelectedDeviceGuids(GUID** driver, GUID** device, DDSURFACEDESC2** mode = nullptr,
                               BOOL* windowed = nullptr, BOOL* hardware = nullptr);
HRESULT GetSelectedDriverAndDevice(DriverInfo** driver, DeviceInfo** device);
DriverInfo* GetDriverList();
void FreeDeviceLists();

// Runs the selection dialog over the owner window, after storing `windowed` in the selected
// device: 1 when a new choice was stored, 2 when cancelled or unchanged, -1 when nothing is
// selected or the dialog cannot be built or shown.
INT_PTR UserSelectDevice(HWND owner, BOOL windowed);

// The selected driver (null until a selection is made); the dialog reads and changes it.
DriverInfo* SelectedDriver();
void SetSelectedDriver(DriverInfo* driver);
