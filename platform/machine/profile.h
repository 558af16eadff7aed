// The machine the platform layer pretends to be: its DirectDraw drivers, their capabilities
// and 3D devices, the display modes, the desktop, and failures to inject. Tests change it
// through platform/testing/machine_hooks.h; VELTA_PROFILE=NAME picks a named one at start.
#pragma once

#include <ddraw.h>
#include <d3d.h>

#include <string>
#include <vector>

// One display mode as the display hardware offers it.
struct ProfileMode {
  DWORD width;
  DWORD height;
  DWORD bitsPerPixel;  // 8 (palettised), 16 (RGB 565), 24 (RGB 888) or 32 (XRGB 8888)
  DWORD refreshRate;
};

// One Direct3D device of a driver (filled in by the Direct3D layer).
struct ProfileDevice {
  GUID guid;
  std::string description;
  std::string name;
  D3DDEVICEDESC hardware;  // dwFlags 0 for a software device
  D3DDEVICEDESC software;
  std::vector<DDPIXELFORMAT> depthFormats;    // in the order EnumZBufferFormats offers them
  std::vector<DDPIXELFORMAT> textureFormats;  // in the order EnumTextureFormats offers them
  bool failCreate = false;                    // CreateDevice fails
};

// One DirectDraw driver.
struct ProfileDriver {
  bool primary = true;  // the primary display driver is enumerated without a GUID
  GUID guid{};
  // 0: listed by both enumeration calls. Otherwise the DDENUM_ flag DirectDrawEnumerateExA
  // needs to list it; the older call lists only non-display devices among those.
  DWORD enumerateFlag = 0;
  std::string description;
  std::string name;
  DDCAPS hardwareCaps{};  // dwSize 380; dwCaps2 may hold DDCAPS2_CANRENDERWINDOWED
  DDCAPS emulationCaps{};
  std::vector<ProfileDevice> devices;
};

// Failures to inject; each counts down and fires when it reaches 1 (0 = never).
struct ProfileFailures {
  int surfaceOutOfVideoMemory = 0;   // the n-th CreateSurface of video memory fails
  bool textureOutOfVideoMemory = false;  // texture surfaces fail with DDERR_OUTOFVIDEOMEMORY
  bool otherAppFullScreen = false;   // TestCooperativeLevel and exclusive levels are refused
  int loseSurfacesAtPresent = 0;     // the n-th presentation finds every surface lost
  int lockStillDrawing = 0;  // so many Locks without DDLOCK_WAIT report DDERR_WASSTILLDRAWING
};

struct MachineProfile {
  std::string name;
  std::vector<ProfileDriver> drivers;        // primary driver first
  std::vector<ProfileMode> modes;            // in the order EnumDisplayModes offers them
  ProfileMode desktop;                       // the desktop the program starts on
  bool exportsEnumerateEx = true;            // DDRAW.DLL exports DirectDrawEnumerateExA
  bool libraryLoaded = true;                 // DDRAW.DLL is present at all
  ProfileFailures failures;
};

// The profile in force. The first use picks VELTA_PROFILE (default "default").
MachineProfile& CurrentMachine();
// Replaces the profile in force with the named one; false for an unknown name.
bool SelectNamedProfile(const char* name);
// The names of the built-in profiles.
std::vector<std::string> NamedProfiles();

// The four devices every driver of the standard machine offers: hardware, RGB emulation,
// reference rasterizer and null device, with their depth and texture formats in order.
std::vector<ProfileDevice> StandardDevices();
