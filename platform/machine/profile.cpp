// The built-in machine profiles and the one in force.
#include "machine/profile.h"

#include <initializer_list>

#include <cstdio>
#include <cstdlib>
#include <cstring>

namespace {

constexpr DWORD kVideoMemory = 16u << 20;

DDCAPS DriverCaps(bool windowed) {
  DDCAPS caps{};
  caps.dwSize = sizeof caps;
  caps.dwCaps = DDCAPS_3D | DDCAPS_BLT | DDCAPS_BLTSTRETCH | DDCAPS_BLTCOLORFILL |
                DDCAPS_BLTDEPTHFILL | DDCAPS_COLORKEY | DDCAPS_PALETTE | DDCAPS_CANBLTSYSMEM;
  caps.dwCaps2 = DDCAPS2_WIDESURFACES | DDCAPS2_CANMANAGETEXTURE | DDCAPS2_NOPAGELOCKREQUIRED;
  if (windowed) caps.dwCaps2 |= DDCAPS2_CANRENDERWINDOWED;
  caps.dwCKeyCaps = DDCKEYCAPS_SRCBLT;
  caps.dwPalCaps = DDPCAPS_8BIT | DDPCAPS_PRIMARYSURFACE | DDPCAPS_ALPHA;
  caps.dwZBufferBitDepths = DDBD_16 | DDBD_24 | DDBD_32;
  caps.dwVidMemTotal = kVideoMemory;
  caps.dwVidMemFree = kVideoMemory;
  caps.ddsCaps.dwCaps = DDSCAPS_3DDEVICE | DDSCAPS_BACKBUFFER | DDSCAPS_COMPLEX | DDSCAPS_FLIP |
                        DDSCAPS_FRONTBUFFER | DDSCAPS_OFFSCREENPLAIN | DDSCAPS_PALETTE |
                        DDSCAPS_PRIMARYSURFACE | DDSCAPS_SYSTEMMEMORY | DDSCAPS_TEXTURE |
                        DDSCAPS_VIDEOMEMORY | DDSCAPS_ZBUFFER | DDSCAPS_LOCALVIDMEM;
  caps.ddsOldCaps.dwCaps = caps.ddsCaps.dwCaps;
  return caps;
}

// What the emulation layer does in software: blits, fills and colour keys, no 3D.
DDCAPS EmulationCaps() {
  DDCAPS caps{};
  caps.dwSize = sizeof caps;
  caps.dwCaps = DDCAPS_BLT | DDCAPS_BLTSTRETCH | DDCAPS_BLTCOLORFILL | DDCAPS_COLORKEY |
                DDCAPS_PALETTE | DDCAPS_CANBLTSYSMEM;
  caps.dwCKeyCaps = DDCKEYCAPS_SRCBLT;
  caps.dwPalCaps = DDPCAPS_8BIT | DDPCAPS_PRIMARYSURFACE;
  caps.ddsCaps.dwCaps = DDSCAPS_BACKBUFFER | DDSCAPS_COMPLEX | DDSCAPS_FLIP | DDSCAPS_FRONTBUFFER |
                        DDSCAPS_OFFSCREENPLAIN | DDSCAPS_PALETTE | DDSCAPS_PRIMARYSURFACE |
                        DDSCAPS_SYSTEMMEMORY | DDSCAPS_TEXTURE | DDSCAPS_ZBUFFER;
  caps.ddsOldCaps.dwCaps = caps.ddsCaps.dwCaps;
  return caps;
}

ProfileDriver PrimaryDriver(bool windowed) {
  ProfileDriver d;
  d.primary = true;
  d.description = "Primary Display Driver";
  d.name = "display";
  d.hardwareCaps = DriverCaps(windowed);
  d.emulationCaps = EmulationCaps();
  d.devices = StandardDevices();
  return d;
}

// A second driver with its own identifier: a 3D add-on card, or a second monitor.
ProfileDriver SecondaryDriver(const char* description, const char* name, DWORD enumerateFlag,
                              BYTE last) {
  ProfileDriver d;
  d.primary = false;
  d.guid = {0x5e1a0000, 0x7d2b, 0x11d2, {0x9a, 0x1c, 0x00, 0x60, 0x08, 0x31, 0x6d, last}};
  d.enumerateFlag = enumerateFlag;
  d.description = description;
  d.name = name;
  d.hardwareCaps = DriverCaps(false);
  d.emulationCaps = EmulationCaps();
  d.devices = StandardDevices();
  return d;
}

std::vector<ProfileMode> StandardModes() {
  static const DWORD sizes[][2] = {{320, 200}, {320, 240}, {400, 300}, {512, 384},
                                   {640, 400}, {640, 480}, {800, 600}, {1024, 768},
                                   {1152, 864}, {1280, 1024}};
  std::vector<ProfileMode> modes;
  for (const auto& size : sizes)
    for (DWORD bits : {8u, 16u, 32u}) modes.push_back({size[0], size[1], bits, 60});
  return modes;
}

MachineProfile DefaultProfile() {
  MachineProfile p;
  p.name = "default";
  p.drivers.push_back(PrimaryDriver(true));
  p.modes = StandardModes();
  p.desktop = {1024, 768, 32, 60};
  return p;
}

struct NamedProfile {
  const char* name;
  void (*change)(MachineProfile&);
};

// Each named profile is the default one with one thing changed.
const NamedProfile kProfiles[] = {
    {"default", [](MachineProfile&) {}},
    {"secondary",
     [](MachineProfile& p) {
       p.drivers.push_back(SecondaryDriver("3D Accelerator", "accel", DDENUM_NONDISPLAYDEVICES, 1));
     }},
    {"multimon",
     [](MachineProfile& p) {
       p.drivers.push_back(SecondaryDriver("Second Monitor", "display2",
                                           DDENUM_ATTACHEDSECONDARYDEVICES, 2));
     }},
    {"fullscreen-only", [](MachineProfile& p) { p.drivers[0] = PrimaryDriver(false); }},
    {"desktop8", [](MachineProfile& p) { p.desktop.bitsPerPixel = 8; }},
    {"desktop16", [](MachineProfile& p) { p.desktop.bitsPerPixel = 16; }},
    {"old-ddraw", [](MachineProfile& p) { p.exportsEnumerateEx = false; }},
    {"no-ddraw", [](MachineProfile& p) { p.libraryLoaded = false; }},
    {"out-of-video-memory", [](MachineProfile& p) { p.failures.surfaceOutOfVideoMemory = 1; }},
    {"other-app-fullscreen", [](MachineProfile& p) { p.failures.otherAppFullScreen = true; }},
    {"lost-surfaces", [](MachineProfile& p) { p.failures.loseSurfacesAtPresent = 10; }},
    // The hardware device is listed but cannot be made: the viewer falls back to software.
    {"hal-fails", [](MachineProfile& p) { p.drivers[0].devices[0].failCreate = true; }},
    {"desktop-8bit", [](MachineProfile& p) { p.desktop.bitsPerPixel = 8; }},
    {"pow2-square",
     [](MachineProfile& p) {
       for (ProfileDriver& driver : p.drivers)
         for (ProfileDevice& device : driver.devices)
           for (D3DDEVICEDESC* desc : {&device.hardware, &device.software})
             if (desc->dwFlags)
               desc->dpcTriCaps.dwTextureCaps |= D3DPTEXTURECAPS_POW2 | D3DPTEXTURECAPS_SQUAREONLY;
     }},
    {"no-devices",
     [](MachineProfile& p) {
       for (ProfileDriver& driver : p.drivers) driver.devices.clear();
     }},
};

const NamedProfile* FindProfile(const char* name) {
  if (!name) return nullptr;
  for (const NamedProfile& p : kProfiles)
    if (std::strcmp(p.name, name) == 0) return &p;
  return nullptr;
}

MachineProfile Build(const NamedProfile& named) {
  MachineProfile p = DefaultProfile();
  named.change(p);
  p.name = named.name;
  return p;
}

// Never destroyed: objects released from exit routines still consult it.
MachineProfile* InForce = nullptr;

}  // namespace

MachineProfile& CurrentMachine() {
  if (!InForce) {
    const char* wanted = std::getenv("VELTA_PROFILE");
    const NamedProfile* named = FindProfile(wanted && *wanted ? wanted : "default");
    if (!named) {
      std::fprintf(stderr, "VELTA_PROFILE: no profile named \"%s\"; using \"default\"\n", wanted);
      named = &kProfiles[0];
    }
    InForce = new MachineProfile(Build(*named));
  }
  return *InForce;
}

bool SelectNamedProfile(const char* name) {
  const NamedProfile* named = FindProfile(name);
  if (!named) return false;
  CurrentMachine() = Build(*named);
  return true;
}

std::vector<std::string> NamedProfiles() {
  std::vector<std::string> names;
  for (const NamedProfile& p : kProfiles) names.push_back(p.name);
  return names;
}
