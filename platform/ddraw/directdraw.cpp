// The DirectDraw object: cooperative levels, display modes, capabilities, and the making of
// clippers and palettes (surfaces: surface_create.cpp).
#include <d3d.h>

#include <cstring>
#include <new>

#include "ddraw/d3d_seam.h"
#include "ddraw/ddraw_internal.h"
#include "display/display.h"

namespace {

bool SameMode(const ProfileMode& m, DWORD width, DWORD height, DWORD bits) {
  return m.width == width && m.height == height && m.bitsPerPixel == bits;
}

// The refresh rate of a mode the profile offers, else the desktop's.
DWORD RefreshOf(DWORD width, DWORD height, DWORD bits) {
  const MachineProfile& machine = CurrentMachine();
  for (const ProfileMode& m : machine.modes)
    if (SameMode(m, width, height, bits)) return m.refreshRate;
  return machine.desktop.refreshRate;
}

// Fills the fields a mode description shares between the two record sizes.
template <class Desc>
void DescribeMode(Desc& desc, DWORD width, DWORD height, DWORD bits, LONG pitch, DWORD refresh) {
  const DWORD size = desc.dwSize;
  std::memset(&desc, 0, sizeof desc);
  desc.dwSize = size;
  desc.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PITCH | DDSD_PIXELFORMAT | DDSD_REFRESHRATE;
  desc.dwWidth = width;
  desc.dwHeight = height;
  desc.lPitch = pitch;
  desc.dwRefreshRate = refresh;
  PixelFormat format;
  if (DisplayFormat(bits, format)) desc.ddpfPixelFormat = format.dd;
  desc.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
}

template <class Desc>
HRESULT CurrentMode(Desc* desc) {
  if (!desc || desc->dwSize != sizeof(Desc)) return DDERR_INVALIDPARAMS;
  const ScreenBuffer& screen = TheDisplay().Screen();
  DescribeMode(*desc, screen.width, screen.height, screen.bitsPerPixel, LONG(screen.pitch),
               RefreshOf(screen.width, screen.height, screen.bitsPerPixel));
  return DD_OK;
}

}  // namespace

DdRegistry& Registry() {
  // Never destroyed: interfaces may still be released from exit routines.
  static DdRegistry* registry = new DdRegistry;
  return *registry;
}

DirectDrawObject* LiveDirectDraw(const void* p) {
  if (!p) return nullptr;
  for (DirectDrawObject* d : Registry().directDraws)
    if (static_cast<const void*>(static_cast<IDirectDraw*>(d)) == p ||
        static_cast<const void*>(static_cast<IDirectDraw4*>(d)) == p)
      return d;
  return nullptr;
}

void LoseVideoSurfaces() {
  for (Surface* s : Registry().surfaces)
    if (s->InVideoMemory()) s->Lose();
}

DirectDrawObject::DirectDrawObject(const ProfileDriver& driver)
    : driverGuid_(driver.guid),
      primaryDriver_(driver.primary),
      hardwareCaps_(driver.hardwareCaps),
      emulationCaps_(driver.emulationCaps) {
  hardwareCaps_.dwSize = emulationCaps_.dwSize = sizeof(DDCAPS);
  Registry().directDraws.push_back(this);
}

DirectDrawObject::~DirectDrawObject() {
  ReturnToDesktop();
  UncoverScreen();
  DdRegistry& registry = Registry();
  if (registry.exclusiveOwner == this) registry.exclusiveOwner = nullptr;
  // The surfaces go with the object that made them; what the program still holds of them
  // answers "lost" until released.
  const std::vector<Surface*> made = std::move(surfaces_);
  surfaces_.clear();
  primary_ = nullptr;
  for (Surface* s : made)
    if (LiveSurface(s)) s->Orphan();
  Forget(registry.directDraws, this);
}

HRESULT DirectDrawObject::QueryInterface(REFIID riid, LPVOID* out) {
  if (!out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (riid == IID_IUnknown || riid == IID_IDirectDraw) {
    *out = static_cast<IDirectDraw*>(this);
  } else if (riid == IID_IDirectDraw4) {
    *out = static_cast<IDirectDraw4*>(this);
  } else if (riid == IID_IDirect3D3) {
    return DdCreateDirect3D(this, out);
  } else {
    return E_NOINTERFACE;
  }
  AddRef();
  return DD_OK;
}

ULONG DirectDrawObject::AddRef() { return ++refs_; }

ULONG DirectDrawObject::Release() {
  if (--refs_ > 0) return refs_;
  delete this;
  return 0;
}

bool DirectDrawObject::Exclusive() const { return level_ & DDSCL_EXCLUSIVE; }

void DirectDrawObject::SurfaceGone(Surface* surface) {
  Forget(surfaces_, surface);
  if (primary_ == surface) primary_ = nullptr;
}

HRESULT DirectDrawObject::GetCaps(LPDDCAPS driver, LPDDCAPS emulation) {
  if ((!driver && !emulation) || (driver && driver->dwSize != sizeof(DDCAPS)) ||
      (emulation && emulation->dwSize != sizeof(DDCAPS)))
    return DDERR_INVALIDPARAMS;
  if (driver) *driver = hardwareCaps_;
  if (emulation) *emulation = emulationCaps_;
  return DD_OK;
}

HRESULT DirectDrawObject::GetDisplayMode(LPDDSURFACEDESC mode) { return CurrentMode(mode); }
HRESULT DirectDrawObject::GetDisplayMode(LPDDSURFACEDESC2 mode) { return CurrentMode(mode); }

HRESULT DirectDrawObject::SetCooperativeLevel(HWND window, DWORD flags) {
  const bool exclusive = flags & DDSCL_EXCLUSIVE;
  const bool fullScreen = flags & DDSCL_FULLSCREEN;
  const bool normal = flags & DDSCL_NORMAL;
  if (exclusive != fullScreen || exclusive == normal) return DDERR_INVALIDPARAMS;
  DdRegistry& registry = Registry();
  if (exclusive) {
    if (!window) return DDERR_INVALIDPARAMS;
    if (CurrentMachine().failures.otherAppFullScreen) return DDERR_EXCLUSIVEMODEALREADYSET;
    if (registry.exclusiveOwner && registry.exclusiveOwner != this)
      return DDERR_EXCLUSIVEMODEALREADYSET;
    registry.exclusiveOwner = this;
  } else if (registry.exclusiveOwner == this) {
    ReturnToDesktop();
    registry.exclusiveOwner = nullptr;
  }
  if (!exclusive || covered_ != window) UncoverScreen();
  level_ = flags;
  window_ = window;
  if (exclusive) CoverScreen();
  return DD_OK;
}

void DirectDrawObject::CoverScreen() {
  if (!IsWindow(window_)) return;
  if (!covered_) {
    covered_ = window_;
    coveredStyle_ = GetWindowLongPtrA(window_, GWL_STYLE);
    coveredExStyle_ = GetWindowLongPtrA(window_, GWL_EXSTYLE);
  }
  const LONG_PTR style =
      (coveredStyle_ | WS_POPUP | WS_SYSMENU) & ~LONG_PTR(WS_CAPTION | WS_THICKFRAME);
  const LONG_PTR exStyle = coveredExStyle_ & ~LONG_PTR(WS_EX_WINDOWEDGE | WS_EX_CLIENTEDGE);
  SetWindowLongPtrA(window_, GWL_STYLE, style);
  SetWindowLongPtrA(window_, GWL_EXSTYLE, exStyle);
  const ScreenBuffer& screen = TheDisplay().Screen();
  SetWindowPos(window_, HWND_TOPMOST, 0, 0, int(screen.width), int(screen.height),
               SWP_FRAMECHANGED | SWP_SHOWWINDOW | SWP_NOACTIVATE);
}

void DirectDrawObject::UncoverScreen() {
  const HWND window = covered_;
  covered_ = nullptr;
  if (!window || !IsWindow(window)) return;
  SetWindowLongPtrA(window, GWL_STYLE, coveredStyle_);
  SetWindowLongPtrA(window, GWL_EXSTYLE, coveredExStyle_);
  SetWindowPos(window, (coveredExStyle_ & WS_EX_TOPMOST) ? HWND_TOPMOST : HWND_NOTOPMOST, 0, 0, 0,
               0, SWP_FRAMECHANGED | SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
}

HRESULT DirectDrawObject::SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel) {
  return ChangeMode(width, height, bitsPerPixel, 0, 0);
}

HRESULT DirectDrawObject::SetDisplayMode(DWORD width, DWORD height, DWORD bitsPerPixel,
                                         DWORD refreshRate, DWORD flags) {
  return ChangeMode(width, height, bitsPerPixel, refreshRate, flags);
}

HRESULT DirectDrawObject::ChangeMode(DWORD width, DWORD height, DWORD bits, DWORD refresh,
                                     DWORD flags) {
  if (flags & ~DWORD(DDSDM_STANDARDVGAMODE)) return DDERR_INVALIDPARAMS;
  // Mode 13h is the one 320 x 200 x 8 mode; no other mode may ask for it.
  if ((flags & DDSDM_STANDARDVGAMODE) && !(width == 320 && height == 200 && bits == 8))
    return DDERR_INVALIDPARAMS;
  if (!Exclusive()) return DDERR_NOEXCLUSIVEMODE;
  bool offered = false;
  for (const ProfileMode& m : CurrentMachine().modes)
    if (SameMode(m, width, height, bits) && (refresh == 0 || refresh == m.refreshRate))
      offered = true;
  if (!offered || !TheDisplay().SetMode(width, height, bits)) return DDERR_INVALIDMODE;
  LoseVideoSurfaces();
  changedMode_ = true;
  Registry().lastModeFlags = flags;
  CoverScreen();
  return DD_OK;
}

void DirectDrawObject::ReturnToDesktop() {
  if (!changedMode_) return;
  changedMode_ = false;
  TheDisplay().RestoreDesktopMode();
  LoseVideoSurfaces();
}

HRESULT DirectDrawObject::RestoreDisplayMode() {
  ReturnToDesktop();
  return DD_OK;
}

HRESULT DirectDrawObject::CreateClipper(DWORD flags, LPDIRECTDRAWCLIPPER* out, IUnknown* outer) {
  if (!out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  if (flags) return DDERR_INVALIDPARAMS;
  Clipper* clipper = Clipper::Make();
  if (!clipper) return DDERR_OUTOFMEMORY;
  *out = clipper;
  return DD_OK;
}

HRESULT DirectDrawObject::CreatePalette(DWORD flags, LPPALETTEENTRY entries,
                                        LPDIRECTDRAWPALETTE* out, IUnknown* outer) {
  if (!out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  constexpr DWORD known = DDPCAPS_8BIT | DDPCAPS_ALLOW256 | DDPCAPS_ALPHA | DDPCAPS_INITIALIZE |
                          DDPCAPS_PRIMARYSURFACE | DDPCAPS_VSYNC;
  if (!entries || (flags & ~known)) return DDERR_INVALIDPARAMS;
  // Only 8-bit surfaces exist, so only 256-entry palettes are of use.
  if (!(flags & DDPCAPS_8BIT)) return DDERR_UNSUPPORTED;
  Palette* palette = Palette::Make(flags, entries);
  if (!palette) return DDERR_OUTOFMEMORY;
  *out = palette;
  return DD_OK;
}

HRESULT DirectDrawObject::EnumDisplayModes(DWORD flags, LPDDSURFACEDESC2 filter, LPVOID context,
                                           LPDDENUMMODESCALLBACK2 callback) {
  if (!callback || (filter && filter->dwSize != sizeof(DDSURFACEDESC2)) ||
      (flags & ~DWORD(DDEDM_REFRESHRATES | DDEDM_STANDARDVGAMODES)))
    return DDERR_INVALIDPARAMS;
  // A copy: the callback may change the machine.
  const std::vector<ProfileMode> modes = CurrentMachine().modes;
  for (const ProfileMode& m : modes) {
    if (filter) {
      if ((filter->dwFlags & DDSD_WIDTH) && filter->dwWidth != m.width) continue;
      if ((filter->dwFlags & DDSD_HEIGHT) && filter->dwHeight != m.height) continue;
      if ((filter->dwFlags & DDSD_PIXELFORMAT) &&
          filter->ddpfPixelFormat.dwRGBBitCount != m.bitsPerPixel)
        continue;
      if ((filter->dwFlags & DDSD_REFRESHRATE) && filter->dwRefreshRate != m.refreshRate) continue;
    }
    DDSURFACEDESC2 desc;
    desc.dwSize = sizeof desc;
    const LONG pitch = LONG((m.width * ((m.bitsPerPixel + 7) / 8) + 3) & ~3u);
    DescribeMode(desc, m.width, m.height, m.bitsPerPixel, pitch,
                 flags & DDEDM_REFRESHRATES ? m.refreshRate : 0);
    if (callback(&desc, context) == DDENUMRET_CANCEL) break;
  }
  return DD_OK;
}

HRESULT DirectDrawObject::FlipToGDISurface() {
  if (primary_) primary_->ShowGdiBuffer();
  return DD_OK;
}

HRESULT DirectDrawObject::GetGDISurface(LPDIRECTDRAWSURFACE4* out) {
  if (!out) return DDERR_INVALIDPARAMS;
  *out = primary_;
  if (!primary_) return DDERR_NOTFOUND;
  primary_->AddRef();
  return DD_OK;
}

HRESULT DirectDrawObject::GetAvailableVidMem(LPDDSCAPS2 caps, LPDWORD total, LPDWORD free) {
  if (!caps || (!total && !free)) return DDERR_INVALIDPARAMS;
  if (total) *total = hardwareCaps_.dwVidMemTotal;
  if (free) *free = hardwareCaps_.dwVidMemFree;
  return DD_OK;
}

HRESULT DirectDrawObject::RestoreAllSurfaces() {
  const std::vector<Surface*> made = surfaces_;
  for (Surface* s : made)
    if (LiveSurface(s) && s->IsLost() != DD_OK) s->Restore();
  return DD_OK;
}

HRESULT DirectDrawObject::TestCooperativeLevel() {
  const DirectDrawObject* holder = Registry().exclusiveOwner;
  if (CurrentMachine().failures.otherAppFullScreen)
    return Exclusive() ? DDERR_NOEXCLUSIVEMODE : DDERR_EXCLUSIVEMODEALREADYSET;
  if (holder && holder != this) return DDERR_EXCLUSIVEMODEALREADYSET;
  return DD_OK;
}

// ---------------------------------------------------------------------------------------------
// The library's exports.

namespace {

bool IsZeroGuid(const GUID& g) { return g == GUID{}; }

// The driver a DirectDrawCreate identifier names, or null.
const ProfileDriver* FindDriver(const GUID* guid, HRESULT& error) {
  const MachineProfile& machine = CurrentMachine();
  error = DDERR_NODIRECTDRAWSUPPORT;
  if (!machine.libraryLoaded || machine.drivers.empty()) return nullptr;
  const bool primary = !guid || guid == DDCREATE_HARDWAREONLY || guid == DDCREATE_EMULATIONONLY ||
                       IsZeroGuid(*guid);
  for (const ProfileDriver& d : machine.drivers)
    if (primary ? d.primary : (!d.primary && d.guid == *guid)) return &d;
  error = DDERR_INVALIDDIRECTDRAWGUID;
  return nullptr;
}

// Calls back once per driver the enumeration lists, in the profile's order, until told to stop.
template <class Call>
void ForEachDriver(bool newer, DWORD flags, Call call) {
  const std::vector<ProfileDriver> drivers = CurrentMachine().drivers;
  for (size_t i = 0; i < drivers.size(); ++i) {
    const ProfileDriver& d = drivers[i];
    const bool listed = newer ? d.enumerateFlag == 0 || (d.enumerateFlag & flags)
                              : d.enumerateFlag == 0 || d.enumerateFlag == DDENUM_NONDISPLAYDEVICES;
    if (!listed) continue;
    GUID guid = d.guid;
    char description[256] = {}, name[256] = {};
    std::strncpy(description, d.description.c_str(), sizeof description - 1);
    std::strncpy(name, d.name.c_str(), sizeof name - 1);
    // Only a second monitor has a monitor of its own; the primary's is the desktop (null).
    const HMONITOR monitor = d.enumerateFlag == DDENUM_ATTACHEDSECONDARYDEVICES
                                 ? reinterpret_cast<HMONITOR>(uintptr_t(0x00C10000 + i * 8))
                                 : nullptr;
    if (!call(d.primary ? nullptr : &guid, description, name, monitor)) break;
  }
}

}  // namespace

HRESULT WINAPI DirectDrawCreate(GUID* driver, LPDIRECTDRAW* out, IUnknown* outer) {
  if (!out) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  if (outer) return CLASS_E_NOAGGREGATION;
  HRESULT error;
  const ProfileDriver* d = FindDriver(driver, error);
  if (!d) return error;
  auto* object = NewOrNull<DirectDrawObject>(*d);
  if (!object) return DDERR_OUTOFMEMORY;
  *out = object;
  return DD_OK;
}

HRESULT WINAPI DirectDrawEnumerateA(LPDDENUMCALLBACKA callback, LPVOID context) {
  if (!callback) return DDERR_INVALIDPARAMS;
  ForEachDriver(false, 0, [&](GUID* guid, char* description, char* name, HMONITOR) {
    return callback(guid, description, name, context) != FALSE;
  });
  return DD_OK;
}

HRESULT WINAPI DirectDrawEnumerateExA(LPDDENUMCALLBACKEXA callback, LPVOID context, DWORD flags) {
  constexpr DWORD known = DDENUM_ATTACHEDSECONDARYDEVICES | DDENUM_DETACHEDSECONDARYDEVICES |
                          DDENUM_NONDISPLAYDEVICES;
  if (!callback || (flags & ~known)) return DDERR_INVALIDPARAMS;
  ForEachDriver(true, flags, [&](GUID* guid, char* description, char* name, HMONITOR monitor) {
    return callback(guid, description, name, context, monitor) != FALSE;
  });
  return DD_OK;
}
