// The Framework: the one object that owns what the program renders with (DirectDraw, Direct3D,
// the display surfaces, the depth buffer, the device and its viewport), built in a fixed order
// and torn down in a fixed order with a check that nobody else still holds the device.
#pragma once

#include <d3d.h>

enum FrameworkFlags : DWORD {
  FwFullScreen = 0x01,
  FwBackBuffer = 0x02,
  FwDepthBuffer = 0x04,
  FwStencil = 0x08,
  FwNoFpuSetup = 0x10,
};

class Framework {
 public:
  Framework();
  ~Framework();  // runs ReleaseAll
  Framework(const Framework&) = delete;
  Framework& operator=(const Framework&) = delete;

  HRESULT Build(HWND window, GUID* driver, GUID* device, DDSURFACEDESC2* mode, DWORD flags);
  HRESULT ReleaseAll();

  IDirect3DDevice3* Device() const { return device; }
  IDirect3DViewport3* Viewport() const { return viewport; }
  IDirectDraw4* DirectDraw() const { return directDraw; }
  IDirectDrawSurface4* RenderSurface() const { return renderTarget; }
  RECT* ViewportRect() { return &viewportRect; }

  // Presentation, restore and render-target change.
  HRESULT PresentFrame();
  HRESULT ReturnToDesktopSurface(bool redraw);
  HRESULT RestoreLostSurfaces();
  void MoveTo(LONG x, LONG y);
  HRESULT ChangeRenderTarget(IDirectDrawSurface4* surface);

  // Fields in their fixed order; public so that tests and the frame-rate line can read them.
  HWND window;
  BOOL fullScreen;
  DWORD renderWidth;
  DWORD renderHeight;
  RECT screenRect;
  RECT viewportRect;
  IDirectDrawSurface4* frontBuffer;
  IDirectDrawSurface4* backBuffer;
  IDirectDrawSurface4* renderTarget;
  IDirectDrawSurface4* depthBuffer;
  IDirect3DDevice3* device;
  IDirect3DViewport3* viewport;
  IDirectDraw4* directDraw;
  IDirect3D3* direct3D;
  D3DDEVICEDESC deviceDesc;
  DWORD deviceMemoryType;
  DDPIXELFORMAT depthFormat;

 private:
  HRESULT CreateDisplayObject(GUID* driver, DWORD flags);
  HRESULT CreateRenderer(GUID* device, DWORD flags);
  HRESULT CreateSurfaces(DDSURFACEDESC2* mode, DWORD flags);
  HRESULT CreateDepthBuffer();
  HRESULT OpenDevice(GUID* device);
  HRESULT SetUpViewport();
};

// Depth-format enumeration callback: takes the first 16-bit format whose flags match the
// context's exactly, else the last matching one offered.
HRESULT WINAPI PickDepthFormat(DDPIXELFORMAT* offered, void* context);
