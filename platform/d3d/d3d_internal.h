// Inside Direct3D: the objects behind IDirect3D3, IDirect3DDevice3, IDirect3DViewport3 and
// IDirect3DTexture2. The device draws with the software rasterizer straight into the pixels of
// its DirectDraw render target and that target's attached depth buffer.
#pragma once

#include <d3d.h>

#include <cstdint>
#include <vector>

#include "ddraw/ddraw_internal.h"
#include "machine/profile.h"
#include "raster/raster.h"

class Device;

// The Direct3D object of one DirectDraw object (a query of its IDirectDraw4).
class Direct3DObject final : public IDirect3D3 {
 public:
  explicit Direct3DObject(DirectDrawObject* owner);

  HRESULT QueryInterface(REFIID riid, LPVOID* out) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT EnumDevices(LPD3DENUMDEVICESCALLBACK callback, LPVOID context) override;
  HRESULT CreateViewport(LPDIRECT3DVIEWPORT3* viewport, LPUNKNOWN outer) override;
  HRESULT FindDevice(LPD3DFINDDEVICESEARCH search, LPD3DFINDDEVICERESULT result) override;
  HRESULT CreateDevice(REFCLSID device, LPDIRECTDRAWSURFACE4 renderTarget, LPDIRECT3DDEVICE3* out,
                       LPUNKNOWN outer) override;
  HRESULT EnumZBufferFormats(REFCLSID device, LPD3DENUMPIXELFORMATSCALLBACK callback,
                             LPVOID context) override;
  HRESULT EvictManagedTextures() override;

  DirectDrawObject* Owner() const { return owner_; }

 private:
  ~Direct3DObject();
  // The profile's description of a device of this object's driver, or null.
  const ProfileDevice* FindProfileDevice(const GUID& guid) const;

  ULONG refs_ = 1;
  DirectDrawObject* owner_;  // one reference
};

// A texture interface: the texture surface it belongs to and the texels converted for drawing.
class TextureObject final : public IDirect3DTexture2 {
 public:
  explicit TextureObject(Surface* surface);
  HRESULT QueryInterface(REFIID riid, LPVOID* out) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT Load(LPDIRECT3DTEXTURE2 source) override;

  // The texels for drawing, brought up to date with the surface; null when it cannot be read.
  const RasterTexture* ForDrawing();

 private:
  ~TextureObject();
  ULONG refs_ = 1;
  Surface* surface_;  // one reference
  RasterTexture converted_;
};

class Viewport final : public IDirect3DViewport3 {
 public:
  Viewport();
  HRESULT QueryInterface(REFIID riid, LPVOID* out) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT SetViewport2(LPD3DVIEWPORT2 data) override;
  HRESULT GetViewport2(LPD3DVIEWPORT2 data) override;
  HRESULT Clear2(DWORD count, LPD3DRECT rects, DWORD flags, D3DCOLOR color, D3DVALUE z,
                 DWORD stencil) override;

  // The device it was added to (not owned), or null.
  void Attach(Device* device) { device_ = device; }
  Device* AttachedDevice() const { return device_; }
  // The pixel rectangle of the viewport.
  RasterRect Rect() const;

 private:
  ~Viewport();
  ULONG refs_ = 1;
  Device* device_ = nullptr;
  D3DVIEWPORT2 data_{};
  bool set_ = false;
};

class Device final : public IDirect3DDevice3 {
 public:
  Device(Direct3DObject* d3d, const ProfileDevice& profile, Surface* target);

  HRESULT QueryInterface(REFIID riid, LPVOID* out) override;
  ULONG AddRef() override;
  ULONG Release() override;
  HRESULT GetCaps(LPD3DDEVICEDESC hardware, LPD3DDEVICEDESC software) override;
  HRESULT AddViewport(LPDIRECT3DVIEWPORT3 viewport) override;
  HRESULT DeleteViewport(LPDIRECT3DVIEWPORT3 viewport) override;
  HRESULT EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, LPVOID context) override;
  HRESULT BeginScene() override;
  HRESULT EndScene() override;
  HRESULT GetDirect3D(LPDIRECT3D3* out) override;
  HRESULT SetCurrentViewport(LPDIRECT3DVIEWPORT3 viewport) override;
  HRESULT GetCurrentViewport(LPDIRECT3DVIEWPORT3* viewport) override;
  HRESULT SetRenderTarget(LPDIRECTDRAWSURFACE4 surface, DWORD flags) override;
  HRESULT GetRenderTarget(LPDIRECTDRAWSURFACE4* surface) override;
  HRESULT GetRenderState(D3DRENDERSTATETYPE state, LPDWORD value) override;
  HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) override;
  HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, DWORD vertexFormat, LPVOID vertices,
                               DWORD vertexCount, LPWORD indices, DWORD indexCount,
                               DWORD flags) override;
  HRESULT GetTexture(DWORD stage, LPDIRECT3DTEXTURE2* texture) override;
  HRESULT SetTexture(DWORD stage, LPDIRECT3DTEXTURE2 texture) override;
  HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state,
                               LPDWORD value) override;
  HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state, DWORD value) override;

  // The render target and its depth buffer as the rasterizer sees them, clipped to `rect`;
  // false when the target cannot be drawn to (lost, or a format the rasterizer lacks).
  bool Target(const RasterRect& rect, RasterTarget& out);
  // Pixels drawn since the device was made, for tests and benchmarks.
  const RasterStats& Stats() const { return stats_; }

 private:
  ~Device();
  RasterState State() const;

  ULONG refs_ = 1;
  Direct3DObject* d3d_;  // one reference
  ProfileDevice profile_;
  Surface* target_;      // one reference
  std::vector<Viewport*> viewports_;  // one reference each
  Viewport* current_ = nullptr;       // one of viewports_
  TextureObject* texture_ = nullptr;  // stage 0, one reference
  bool inScene_ = false;
  std::vector<DWORD> renderStates_;
  DWORD stageStates_[D3DTSS_MIPFILTER + 1] = {};
  RasterStats stats_;
};

// Our objects behind foreign-looking pointers, or null.
Device* LiveDevice(const void* p);
Viewport* LiveViewport(const void* p);
TextureObject* LiveTexture(const void* p);
