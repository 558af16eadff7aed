// Texture interfaces and the live-object registry of the Direct3D layer.
#include <algorithm>

#include "d3d/d3d_internal.h"
#include "testing/machine_hooks.h"

namespace {

struct D3dRegistry {
  std::vector<const void*> devices, viewports, textures;
};

// Never freed: objects can still go away while statics are being destroyed at exit.
D3dRegistry& Live() {
  static D3dRegistry* registry = new D3dRegistry;
  return *registry;
}

void Remember(std::vector<const void*>& list, const void* p) { list.push_back(p); }

void Drop(std::vector<const void*>& list, const void* p) {
  auto it = std::find(list.begin(), list.end(), p);
  if (it != list.end()) list.erase(it);
}

template <typename T>
T* Find(const std::vector<const void*>& list, const void* p) {
  return p && std::find(list.begin(), list.end(), p) != list.end()
             ? static_cast<T*>(const_cast<void*>(p))
             : nullptr;
}

bool RasterFormatOf(PixelKind kind, RasterFormat& out) {
  switch (kind) {
    case PixelKind::RGB565: out = RasterFormat::Rgb565; return true;
    case PixelKind::RGB555: out = RasterFormat::Rgb555; return true;
    case PixelKind::ARGB1555: out = RasterFormat::Argb1555; return true;
    case PixelKind::ARGB4444: out = RasterFormat::Argb4444; return true;
    case PixelKind::XRGB8888: out = RasterFormat::Xrgb8888; return true;
    case PixelKind::ARGB8888: out = RasterFormat::Argb8888; return true;
    case PixelKind::P8: out = RasterFormat::Pal8; return true;
    default: return false;
  }
}

}  // namespace

// Interfaces are registered by the address the system holds, so a foreign or stale pointer is
// refused rather than followed.
void RegisterD3dObject(int kind, const void* p) {
  Remember(kind == 0 ? Live().devices : kind == 1 ? Live().viewports : Live().textures, p);
}
void ForgetD3dObject(int kind, const void* p) {
  Drop(kind == 0 ? Live().devices : kind == 1 ? Live().viewports : Live().textures, p);
}

D3dLiveObjects TestLiveDirect3DObjects() {
  const D3dRegistry& r = Live();
  return {int(r.devices.size()), int(r.viewports.size()), int(r.textures.size())};
}

Device* LiveDevice(const void* p) {
  return Find<Device>(Live().devices, static_cast<const IDirect3DDevice3*>(p));
}
Viewport* LiveViewport(const void* p) {
  return Find<Viewport>(Live().viewports, static_cast<const IDirect3DViewport3*>(p));
}
TextureObject* LiveTexture(const void* p) {
  return Find<TextureObject>(Live().textures, static_cast<const IDirect3DTexture2*>(p));
}

bool RasterFormatOfKind(PixelKind kind, RasterFormat& out) { return RasterFormatOf(kind, out); }

TextureObject::TextureObject(Surface* surface) : surface_(surface) {
  surface_->AddRef();
  RegisterD3dObject(2, static_cast<IDirect3DTexture2*>(this));
}

TextureObject::~TextureObject() {
  ForgetD3dObject(2, static_cast<IDirect3DTexture2*>(this));
  surface_->Release();
}

HRESULT TextureObject::QueryInterface(REFIID riid, LPVOID* out) {
  if (!out) return E_POINTER;
  *out = nullptr;
  if (riid == IID_IDirect3DTexture2) {
    AddRef();
    *out = static_cast<IDirect3DTexture2*>(this);
    return S_OK;
  }
  return surface_->QueryInterface(riid, out);
}

ULONG TextureObject::AddRef() { return ++refs_; }

ULONG TextureObject::Release() {
  ULONG left = --refs_;
  if (left == 0) delete this;
  return left;
}

HRESULT TextureObject::Load(LPDIRECT3DTEXTURE2 source) {
  TextureObject* from = LiveTexture(source);
  if (!from) return DDERR_INVALIDPARAMS;
  return surface_->Blt(nullptr, from->surface_, nullptr, DDBLT_WAIT, nullptr);
}

const RasterTexture* TextureObject::ForDrawing() {
  Plane plane;
  if (!surface_->GetPlane(plane)) return nullptr;
  RasterTextureSource source;
  source.pixels = plane.bits;
  source.pitch = plane.pitch;
  source.width = static_cast<int32_t>(plane.width);
  source.height = static_cast<int32_t>(plane.height);
  if (!RasterFormatOf(plane.format.kind, source.format)) return nullptr;
  uint32_t palette[256];
  uint64_t version = surface_->Version();
  if (source.format == RasterFormat::Pal8) {
    bool alpha = false;
    const PALETTEENTRY* entries = surface_->Colors(&alpha);
    if (!entries) return nullptr;
    for (int i = 0; i < 256; ++i)
      palette[i] = (uint32_t(alpha ? entries[i].peFlags : 0xFF) << 24) |
                   (uint32_t(entries[i].peRed) << 16) | (uint32_t(entries[i].peGreen) << 8) |
                   entries[i].peBlue;
    source.palette = palette;
    // Palette entries can change without the surface knowing: they take part in the version.
    uint64_t hash = 1469598103934665603ull;
    for (uint32_t c : palette) hash = (hash ^ c) * 1099511628211ull;
    version ^= hash;
  }
  // The version counts every change to the surface's pixels or palette, so the conversion
  // runs once per change rather than once per draw.
  if (FAILED(RasterTextureUpdate(converted_, source, version))) return nullptr;
  return converted_.valid ? &converted_ : nullptr;
}
