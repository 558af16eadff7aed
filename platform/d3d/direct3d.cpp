// The Direct3D object: the devices of its driver, depth formats, device and viewport creation.
#include <algorithm>
#include <cstring>

#include "d3d/d3d_internal.h"
#include "ddraw/d3d_seam.h"
#include "win32/nothrow.h"

namespace {

// The profile's description of a DirectDraw object's driver, or null.
const ProfileDriver* DriverOf(const DirectDrawObject* dd) {
  for (const ProfileDriver& d : CurrentMachine().drivers)
    if (dd->PrimaryDriver() ? d.primary : (!d.primary && d.guid == dd->DriverGuid())) return &d;
  return nullptr;
}

}  // namespace

Direct3DObject::Direct3DObject(DirectDrawObject* owner) : owner_(owner) { owner_->AddRef(); }

Direct3DObject::~Direct3DObject() { owner_->Interface4()->Release(); }

HRESULT Direct3DObject::QueryInterface(REFIID riid, LPVOID* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (riid == IID_IDirect3D3) {
    AddRef();
    *out = static_cast<IDirect3D3*>(this);
    return S_OK;
  }
  // The Direct3D object answers for the DirectDraw object it belongs to.
  return owner_->QueryInterface(riid, out);
}

ULONG Direct3DObject::AddRef() { return ++refs_; }

ULONG Direct3DObject::Release() {
  ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

const ProfileDevice* Direct3DObject::FindProfileDevice(const GUID& guid) const {
  const ProfileDriver* driver = DriverOf(owner_);
  if (!driver) return nullptr;
  for (const ProfileDevice& d : driver->devices)
    if (d.guid == guid) return &d;
  return nullptr;
}

HRESULT Direct3DObject::EnumDevices(LPD3DENUMDEVICESCALLBACK callback, LPVOID context) {
  if (!callback) return DDERR_INVALIDPARAMS;
  const ProfileDriver* driver = DriverOf(owner_);
  if (!driver) return DD_OK;
  // A copy: the callback may change the profile (tests do) without pulling it from under us.
  const std::vector<ProfileDevice> devices = driver->devices;
  for (const ProfileDevice& d : devices) {
    GUID guid = d.guid;
    D3DDEVICEDESC hardware = d.hardware, software = d.software;
    std::string description = d.description, name = d.name;
    if (callback(&guid, description.data(), name.data(), &hardware, &software, context) ==
        D3DENUMRET_CANCEL)
      break;
  }
  return DD_OK;
}

HRESULT Direct3DObject::FindDevice(LPD3DFINDDEVICESEARCH search, LPD3DFINDDEVICERESULT result) {
  if (!search || !result || search->dwSize != sizeof(D3DFINDDEVICESEARCH) ||
      result->dwSize != sizeof(D3DFINDDEVICERESULT))
    return DDERR_INVALIDPARAMS;
  const ProfileDriver* driver = DriverOf(owner_);
  if (!driver) return DDERR_NOTFOUND;
  for (const ProfileDevice& d : driver->devices) {
    if ((search->dwFlags & D3DFDS_GUID) && !(d.guid == search->guid)) continue;
    if ((search->dwFlags & D3DFDS_HARDWARE) && (d.hardware.dwFlags != 0) != (search->bHardware != 0))
      continue;
    if ((search->dwFlags & D3DFDS_COLORMODEL)) {
      const D3DDEVICEDESC& kept = d.hardware.dwFlags ? d.hardware : d.software;
      if (!(kept.dcmColorModel & search->dcmColorModel)) continue;
    }
    result->guid = d.guid;
    result->ddHwDesc = d.hardware;
    result->ddSwDesc = d.software;
    return DD_OK;
  }
  return DDERR_NOTFOUND;
}

HRESULT Direct3DObject::CreateDevice(REFCLSID guid, LPDIRECTDRAWSURFACE4 renderTarget,
                                     LPDIRECT3DDEVICE3* out, LPUNKNOWN outer) {
  if (!out || outer) return DDERR_INVALIDPARAMS;
  *out = nullptr;
  const ProfileDevice* profile = FindProfileDevice(guid);
  if (!profile) return DDERR_INVALIDPARAMS;
  if (profile->failCreate) return E_FAIL;
  Surface* target = LiveSurface(renderTarget);
  if (!target) return DDERR_INVALIDOBJECT;
  DDSCAPS2 caps{};
  target->GetCaps(&caps);
  if (!(caps.dwCaps & DDSCAPS_3DDEVICE)) return DDERR_INVALIDCAPS;
  const D3DDEVICEDESC& desc = profile->hardware.dwFlags ? profile->hardware : profile->software;
  PixelKind kind = target->Format().kind;
  bool drawable = ((kind == PixelKind::RGB565 || kind == PixelKind::RGB555) &&
                   (desc.dwDeviceRenderBitDepth & DDBD_16)) ||
                  ((kind == PixelKind::XRGB8888 || kind == PixelKind::ARGB8888) &&
                   (desc.dwDeviceRenderBitDepth & DDBD_32));
  if (!drawable) return DDERR_INVALIDPIXELFORMAT;
  *out = NewOrNull<Device>(this, *profile, target);
  return *out ? DD_OK : DDERR_OUTOFMEMORY;
}

HRESULT Direct3DObject::CreateViewport(LPDIRECT3DVIEWPORT3* viewport, LPUNKNOWN outer) {
  if (!viewport || outer) return DDERR_INVALIDPARAMS;
  *viewport = NewOrNull<Viewport>();
  return *viewport ? DD_OK : DDERR_OUTOFMEMORY;
}

HRESULT Direct3DObject::EnumZBufferFormats(REFCLSID guid, LPD3DENUMPIXELFORMATSCALLBACK callback,
                                           LPVOID context) {
  if (!callback) return DDERR_INVALIDPARAMS;
  const ProfileDevice* profile = FindProfileDevice(guid);
  if (!profile) return DDERR_INVALIDPARAMS;
  const std::vector<DDPIXELFORMAT> formats = profile->depthFormats;
  for (DDPIXELFORMAT f : formats)
    if (callback(&f, context) == D3DENUMRET_CANCEL) break;
  return DD_OK;
}

HRESULT Direct3DObject::EvictManagedTextures() { return DD_OK; }

HRESULT DdCreateDirect3D(IDirectDraw4* owner, void** out) {
  if (!out) return E_POINTER;
  DirectDrawObject* dd = LiveDirectDraw(owner);
  *out = nullptr;
  if (!dd) return E_NOINTERFACE;
  *out = static_cast<IDirect3D3*>(NewOrNull<Direct3DObject>(dd));
  return *out ? S_OK : E_OUTOFMEMORY;
}

DWORD DdLargestTextureSide() { return DWORD(kRasterMaxTextureSide); }

HRESULT DdCreateTexture(IDirectDrawSurface4* surface, void** out) {
  if (!out) return E_POINTER;
  Surface* s = LiveSurface(surface);
  *out = nullptr;
  if (!s) return E_NOINTERFACE;
  *out = static_cast<IDirect3DTexture2*>(NewOrNull<TextureObject>(s));
  return *out ? S_OK : E_OUTOFMEMORY;
}
