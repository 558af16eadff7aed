// Direct3D immediate mode of DirectX 6: the Direct3D object, the device, the viewport and the
// texture interface, with the device GUIDs.
#pragma once

#include "ddraw.h"
#include "d3dtypes.h"
#include "d3dcaps.h"

struct IDirect3D3;
struct IDirect3DDevice3;
struct IDirect3DViewport3;
struct IDirect3DTexture2;
typedef IDirect3D3* LPDIRECT3D3;
typedef IDirect3DDevice3* LPDIRECT3DDEVICE3;
typedef IDirect3DViewport3* LPDIRECT3DVIEWPORT3;
typedef IDirect3DTexture2* LPDIRECT3DTEXTURE2;
typedef const GUID& REFCLSID;

struct _DDPIXELFORMAT;

#define D3DENUMRET_CANCEL 0
#define D3DENUMRET_OK 1

typedef HRESULT(CALLBACK* LPD3DENUMDEVICESCALLBACK)(GUID* guid, LPSTR description, LPSTR name,
                                                     LPD3DDEVICEDESC hardware,
                                                     LPD3DDEVICEDESC software, LPVOID context);
typedef HRESULT(CALLBACK* LPD3DENUMPIXELFORMATSCALLBACK)(_DDPIXELFORMAT* format, LPVOID context);

extern const GUID IID_IDirect3D3;
extern const GUID IID_IDirect3DDevice3;
extern const GUID IID_IDirect3DViewport3;
extern const GUID IID_IDirect3DTexture2;
extern const GUID IID_IDirect3DHALDevice;
extern const GUID IID_IDirect3DRGBDevice;
extern const GUID IID_IDirect3DRefDevice;
extern const GUID IID_IDirect3DNullDevice;

// Direct3D result codes.
#define D3DERR_INVALIDCALL MAKE_DDHRESULT(2140)
#define D3DERR_NOTINBEGIN MAKE_DDHRESULT(702)
#define D3DERR_SCENE_IN_SCENE MAKE_DDHRESULT(732)
#define D3DERR_SCENE_NOT_IN_SCENE MAKE_DDHRESULT(733)
#define D3DERR_ZBUFF_NEEDS_SYSTEMMEMORY MAKE_DDHRESULT(570)
#define D3DERR_ZBUFF_NEEDS_VIDEOMEMORY MAKE_DDHRESULT(571)
#define D3DERR_VIEWPORTHASNODEVICE MAKE_DDHRESULT(760)
#define D3DERR_INVALIDVERTEXFORMAT MAKE_DDHRESULT(2138)

// The Direct3D object: a query of IDirectDraw4.
struct IDirect3D3 : IUnknown {
  virtual HRESULT EnumDevices(LPD3DENUMDEVICESCALLBACK callback, LPVOID context) = 0;
  virtual HRESULT CreateViewport(LPDIRECT3DVIEWPORT3* viewport, LPUNKNOWN outer) = 0;
  virtual HRESULT FindDevice(LPD3DFINDDEVICESEARCH search, LPD3DFINDDEVICERESULT result) = 0;
  virtual HRESULT CreateDevice(REFCLSID device, LPDIRECTDRAWSURFACE4 renderTarget,
                               LPDIRECT3DDEVICE3* out, LPUNKNOWN outer) = 0;
  virtual HRESULT EnumZBufferFormats(REFCLSID device, LPD3DENUMPIXELFORMATSCALLBACK callback,
                                     LPVOID context) = 0;
  virtual HRESULT EvictManagedTextures() = 0;
};

struct IDirect3DDevice3 : IUnknown {
  virtual HRESULT GetCaps(LPD3DDEVICEDESC hardware, LPD3DDEVICEDESC software) = 0;
  virtual HRESULT AddViewport(LPDIRECT3DVIEWPORT3 viewport) = 0;
  virtual HRESULT DeleteViewport(LPDIRECT3DVIEWPORT3 viewport) = 0;
  virtual HRESULT EnumTextureFormats(LPD3DENUMPIXELFORMATSCALLBACK callback, LPVOID context) = 0;
  virtual HRESULT BeginScene() = 0;
  virtual HRESULT EndScene() = 0;
  virtual HRESULT GetDirect3D(LPDIRECT3D3* out) = 0;
  virtual HRESULT SetCurrentViewport(LPDIRECT3DVIEWPORT3 viewport) = 0;
  virtual HRESULT GetCurrentViewport(LPDIRECT3DVIEWPORT3* viewport) = 0;
  virtual HRESULT SetRenderTarget(LPDIRECTDRAWSURFACE4 surface, DWORD flags) = 0;
  virtual HRESULT GetRenderTarget(LPDIRECTDRAWSURFACE4* surface) = 0;
  virtual HRESULT GetRenderState(D3DRENDERSTATETYPE state, LPDWORD value) = 0;
  virtual HRESULT SetRenderState(D3DRENDERSTATETYPE state, DWORD value) = 0;
  virtual HRESULT DrawIndexedPrimitive(D3DPRIMITIVETYPE type, DWORD vertexFormat, LPVOID vertices,
                                       DWORD vertexCount, LPWORD indices, DWORD indexCount,
                                       DWORD flags) = 0;
  virtual HRESULT GetTexture(DWORD stage, LPDIRECT3DTEXTURE2* texture) = 0;
  virtual HRESULT SetTexture(DWORD stage, LPDIRECT3DTEXTURE2 texture) = 0;
  virtual HRESULT GetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state,
                                       LPDWORD value) = 0;
  virtual HRESULT SetTextureStageState(DWORD stage, D3DTEXTURESTAGESTATETYPE state,
                                       DWORD value) = 0;
};

struct IDirect3DViewport3 : IUnknown {
  virtual HRESULT SetViewport2(LPD3DVIEWPORT2 data) = 0;
  virtual HRESULT GetViewport2(LPD3DVIEWPORT2 data) = 0;
  virtual HRESULT Clear2(DWORD count, LPD3DRECT rects, DWORD flags, D3DCOLOR color, D3DVALUE z,
                         DWORD stencil) = 0;
};

// The texture interface of a texture surface; drawing selects it into a stage.
struct IDirect3DTexture2 : IUnknown {
  virtual HRESULT Load(LPDIRECT3DTEXTURE2 source) = 0;
};
