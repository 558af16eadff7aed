// Building and tearing down the Framework, step by step; every failing step writes one trace
// line and returns its code.
#include "framework/frame.h"

#include <cstring>
#include <initializer_list>

#include "app/result_codes.h"
#include "framework/util.h"

namespace {

const char TraceSource[] = "frame";

HRESULT Trace(LONG line, const char* message) { return DebugTrace(TraceSource, line, 0, message); }

template <typename T>
ULONG ReleaseField(T*& field) {
  ULONG left = field ? field->Release() : 0;
  field = nullptr;
  return left;
}

}  // namespace

Framework::Framework()
    : window(nullptr), fullScreen(0), renderWidth(0), renderHeight(0), screenRect{},
      viewportRect{}, frontBuffer(nullptr), backBuffer(nullptr), renderTarget(nullptr),
      depthBuffer(nullptr), device(nullptr), viewport(nullptr), directDraw(nullptr),
      direct3D(nullptr), deviceDesc{}, deviceMemoryType(0), depthFormat{} {}

Framework::~Framework() { ReleaseAll(); }

HRESULT Framework::Build(HWND wnd, GUID* driver, GUID* deviceGuid, DDSURFACEDESC2* mode,
                         DWORD flags) {
  if (!wnd || ((flags & FwFullScreen) && !mode)) return E_INVALIDARG;
  window = wnd;
  fullScreen = (flags & FwFullScreen) ? 1 : 0;
  HRESULT hr = CreateDisplayObject(driver, flags);
  if (SUCCEEDED(hr) && deviceGuid) hr = CreateRenderer(deviceGuid, flags);
  if (SUCCEEDED(hr)) hr = CreateSurfaces(mode, flags);
  if (SUCCEEDED(hr) && deviceGuid) {
    if (flags & FwDepthBuffer) hr = CreateDepthBuffer();
    if (SUCCEEDED(hr)) hr = OpenDevice(deviceGuid);
    if (SUCCEEDED(hr)) hr = SetUpViewport();
  }
  if (FAILED(hr)) {
    ReleaseAll();
    return hr == E_FAIL ? FwErrGeneric : hr;
  }
  return S_OK;
}

HRESULT Framework::CreateDisplayObject(GUID* driver, DWORD flags) {
  IDirectDraw* first = nullptr;
  if (FAILED(DirectDrawCreate(driver, &first, nullptr))) {
    Trace(__LINE__, "Could not create DirectDraw");
    return FwErrNoDirectDraw;
  }
  HRESULT hr = first->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&directDraw));
  first->Release();
  if (FAILED(hr)) {
    directDraw = nullptr;
    Trace(__LINE__, "Couldn't query for DirectDraw4");
    return FwErrNoDirectDraw;
  }
  DWORD level = fullScreen ? (DDSCL_FULLSCREEN | DDSCL_ALLOWREBOOT | DDSCL_EXCLUSIVE) : DDSCL_NORMAL;
  if (!(flags & FwNoFpuSetup)) level |= DDSCL_FPUSETUP;
  if (FAILED(directDraw->SetCooperativeLevel(window, level))) {
    Trace(__LINE__, "Couldn't set coop level");
    return FwErrCoopLevel;
  }
  return S_OK;
}

HRESULT WINAPI PickDepthFormat(DDPIXELFORMAT* offered, void* context) {
  auto* wanted = static_cast<DDPIXELFORMAT*>(context);
  if (!offered || !wanted) return D3DENUMRET_CANCEL;
  if (offered->dwFlags == wanted->dwFlags) {
    *wanted = *offered;
    if (offered->dwZBufferBitDepth == 16) return D3DENUMRET_CANCEL;
  }
  return D3DENUMRET_OK;
}

HRESULT Framework::CreateRenderer(GUID* deviceGuid, DWORD flags) {
  if (FAILED(directDraw->QueryInterface(IID_IDirect3D3, reinterpret_cast<void**>(&direct3D)))) {
    direct3D = nullptr;
    Trace(__LINE__, "Couldn't query the Direct3D interface");
    return FwErrNoDirect3D;
  }
  D3DFINDDEVICESEARCH search;
  std::memset(&search, 0, sizeof search);
  search.dwSize = sizeof search;
  search.dwFlags = D3DFDS_GUID;
  search.guid = *deviceGuid;
  D3DFINDDEVICERESULT found;
  std::memset(&found, 0, sizeof found);
  found.dwSize = sizeof found;
  if (FAILED(direct3D->FindDevice(&search, &found))) {
    Trace(__LINE__, "Couldn't find the specified device");
    return FwErrNoDirect3D;
  }
  if (found.ddHwDesc.dwFlags == 0) {
    deviceMemoryType = DDSCAPS_SYSTEMMEMORY;
    deviceDesc = found.ddSwDesc;
  } else {
    deviceMemoryType = DDSCAPS_VIDEOMEMORY;
    deviceDesc = found.ddHwDesc;
  }
  std::memset(&depthFormat, 0, sizeof depthFormat);
  depthFormat.dwFlags = (flags & FwStencil) ? (DDPF_ZBUFFER | DDPF_STENCILBUFFER) : DDPF_ZBUFFER;
  direct3D->EnumZBufferFormats(*deviceGuid, PickDepthFormat, &depthFormat);
  if (depthFormat.dwSize != sizeof(DDPIXELFORMAT)) {
    Trace(__LINE__, "Device doesn't support requested zbuffer format");
    return FwErrNoDepthBuffer;
  }
  return S_OK;
}

HRESULT Framework::CreateSurfaces(DDSURFACEDESC2* mode, DWORD flags) {
  bool withBackBuffer = flags & FwBackBuffer;
  DDSURFACEDESC2 desc;
  if (fullScreen) {
    viewportRect = {0, 0, static_cast<LONG>(mode->dwWidth), static_cast<LONG>(mode->dwHeight)};
    screenRect = viewportRect;
    renderWidth = mode->dwWidth;
    renderHeight = mode->dwHeight;
    DWORD bits = mode->ddpfPixelFormat.dwRGBBitCount;
    DWORD modeFlags =
        (mode->dwWidth == 320 && mode->dwHeight == 200 && bits == 8) ? DDSDM_STANDARDVGAMODE : 0;
    if (FAILED(directDraw->SetDisplayMode(mode->dwWidth, mode->dwHeight, bits,
                                          mode->dwRefreshRate, modeFlags))) {
      Trace(__LINE__, "Can't set display mode");
      return FwErrBadMode;
    }
    InitSurfaceDesc(desc, DDSD_CAPS, DDSCAPS_PRIMARYSURFACE | DDSCAPS_3DDEVICE);
    if (withBackBuffer) {
      desc.dwFlags |= DDSD_BACKBUFFERCOUNT;
      desc.ddsCaps.dwCaps |= DDSCAPS_FLIP | DDSCAPS_COMPLEX;
      desc.dwBackBufferCount = 1;
    }
  } else {
    GetClientRect(window, &viewportRect);
    POINT topLeft = {viewportRect.left, viewportRect.top};
    POINT bottomRight = {viewportRect.right, viewportRect.bottom};
    ClientToScreen(window, &topLeft);
    ClientToScreen(window, &bottomRight);
    screenRect = {topLeft.x, topLeft.y, bottomRight.x, bottomRight.y};
    renderWidth = static_cast<DWORD>(viewportRect.right - viewportRect.left);
    renderHeight = static_cast<DWORD>(viewportRect.bottom - viewportRect.top);
    InitSurfaceDesc(desc, DDSD_CAPS,
                    DDSCAPS_PRIMARYSURFACE | (withBackBuffer ? 0 : DDSCAPS_3DDEVICE));
  }
  HRESULT hr = directDraw->CreateSurface(&desc, &frontBuffer, nullptr);
  if (FAILED(hr)) {
    frontBuffer = nullptr;
    Trace(__LINE__, "Error: Can't create primary surface");
    if (hr == DDERR_OUTOFVIDEOMEMORY) {
      Trace(__LINE__, "Error: Out of video memory");
      return DDERR_OUTOFVIDEOMEMORY;
    }
    return FwErrNoPrimary;
  }

  if (fullScreen) {
    if (withBackBuffer) {
      DDSCAPS2 caps = {DDSCAPS_BACKBUFFER, 0, 0, {0}};
      hr = frontBuffer->GetAttachedSurface(&caps, &backBuffer);
      if (FAILED(hr)) {
        backBuffer = nullptr;
        Trace(__LINE__, "Error: Can't get/create the backbuffer");
        if (hr == DDERR_OUTOFVIDEOMEMORY) {
          Trace(__LINE__, "Error: Out of video memory");
          return DDERR_OUTOFVIDEOMEMORY;
        }
        return FwErrNoBackBuffer;
      }
    }
  } else {
    IDirectDrawClipper* clipper = nullptr;
    if (FAILED(directDraw->CreateClipper(0, &clipper, nullptr))) {
      Trace(__LINE__, "Error: Couldn't create clipper");
      return FwErrNoClipper;
    }
    clipper->SetHWnd(0, window);
    frontBuffer->SetClipper(clipper);
    clipper->Release();
    if (withBackBuffer) {
      InitSurfaceDesc(desc, DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT,
                      DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE);
      desc.dwWidth = renderWidth;
      desc.dwHeight = renderHeight;
      hr = directDraw->CreateSurface(&desc, &backBuffer, nullptr);
      if (FAILED(hr)) {
        backBuffer = nullptr;
        Trace(__LINE__, "Error: Couldn't create the backbuffer");
        if (hr == DDERR_OUTOFVIDEOMEMORY) {
          Trace(__LINE__, "Error: Out of video memory");
          return DDERR_OUTOFVIDEOMEMORY;
        }
        return FwErrNoBackBuffer;
      }
    } else {
      viewportRect = screenRect;
    }
  }
  renderTarget = withBackBuffer ? backBuffer : frontBuffer;
  renderTarget->AddRef();
  return S_OK;
}

HRESULT Framework::CreateDepthBuffer() {
  if (deviceDesc.dpcTriCaps.dwRasterCaps & D3DPRASTERCAPS_ZBUFFERLESSHSR) return S_OK;
  DDSURFACEDESC2 desc;
  InitSurfaceDesc(desc, DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT,
                  deviceMemoryType | DDSCAPS_ZBUFFER);
  desc.dwWidth = renderWidth;
  desc.dwHeight = renderHeight;
  desc.ddpfPixelFormat = depthFormat;
  HRESULT hr = directDraw->CreateSurface(&desc, &depthBuffer, nullptr);
  if (FAILED(hr)) {
    depthBuffer = nullptr;
    Trace(__LINE__, "Error: Couldn't create a ZBuffer surface");
    if (hr == DDERR_OUTOFVIDEOMEMORY) {
      Trace(__LINE__, "Error: Out of video memory");
      return DDERR_OUTOFVIDEOMEMORY;
    }
    return FwErrNoDepthBuffer;
  }
  if (FAILED(renderTarget->AddAttachedSurface(depthBuffer))) {
    Trace(__LINE__, "Error: Couldn't attach zbuffer to render surface");
    return FwErrNoDepthBuffer;
  }
  return S_OK;
}

HRESULT Framework::OpenDevice(GUID* deviceGuid) {
  DDSURFACEDESC2 current;
  std::memset(&current, 0, sizeof current);
  current.dwSize = sizeof current;
  directDraw->GetDisplayMode(&current);
  if (current.ddpfPixelFormat.dwRGBBitCount <= 8) return FwErrNeedsHighColor;
  if (FAILED(direct3D->CreateDevice(*deviceGuid, renderTarget, &device, nullptr))) {
    device = nullptr;
    Trace(__LINE__, "Couldn't create the D3DDevice");
    return FwErrNoDevice;
  }
  return S_OK;
}

HRESULT Framework::SetUpViewport() {
  D3DVIEWPORT2 data;
  InitViewportData(data, renderWidth, renderHeight);
  if (FAILED(direct3D->CreateViewport(&viewport, nullptr))) {
    viewport = nullptr;
    Trace(__LINE__, "Error: Couldn't create a viewport");
    return FwErrNoViewport;
  }
  if (FAILED(device->AddViewport(viewport))) {
    Trace(__LINE__, "Error: Couldn't add the viewport");
    return FwErrNoViewport;
  }
  if (FAILED(viewport->SetViewport2(&data))) {
    Trace(__LINE__, "Error: Couldn't set the viewport data");
    return FwErrNoViewport;
  }
  if (FAILED(device->SetCurrentViewport(viewport))) {
    Trace(__LINE__, "Error: Couldn't set current viewport to device");
    return FwErrNoViewport;
  }
  return S_OK;
}

HRESULT Framework::ReleaseAll() {
  bool stillReferenced = false;
  ReleaseField(viewport);
  if (device && ReleaseField(device) > 0) {
    Trace(__LINE__, "Error: D3DDevice object is still referenced!");
    stillReferenced = true;
  }
  // In full screen the back buffer belongs to the primary's flip chain and goes with it, but
  // the reference GetAttachedSurface gave is still ours: held, it would outlive the chain.
  ReleaseField(backBuffer);
  ReleaseField(renderTarget);
  ReleaseField(depthBuffer);
  ReleaseField(frontBuffer);
  ReleaseField(direct3D);
  if (directDraw) {
    directDraw->SetCooperativeLevel(window, DDSCL_NORMAL);
    if (ReleaseField(directDraw) > 0) {
      Trace(__LINE__, "Error: DDraw object is still referenced!");
      stillReferenced = true;
    }
  }
  return stillReferenced ? FwErrStillReferenced : S_OK;
}

HRESULT Framework::PresentFrame() {
  if (!frontBuffer) return FwErrNotBuilt;
  if (!backBuffer) return frontBuffer->IsLost();
  if (fullScreen) return frontBuffer->Flip(nullptr, DDFLIP_WAIT);
  return frontBuffer->Blt(&screenRect, backBuffer, &viewportRect, DDBLT_WAIT, nullptr);
}

HRESULT Framework::ReturnToDesktopSurface(bool redraw) {
  if (directDraw && fullScreen) {
    directDraw->FlipToGDISurface();
    if (redraw) {
      DrawMenuBar(window);
      RedrawWindow(window, nullptr, nullptr, RDW_FRAME);
    }
  }
  return S_OK;
}

HRESULT Framework::RestoreLostSurfaces() {
  for (IDirectDrawSurface4* surface : {frontBuffer, backBuffer, depthBuffer})
    if (surface && surface->IsLost() != DD_OK) surface->Restore();
  return S_OK;
}

void Framework::MoveTo(LONG x, LONG y) {
  if (fullScreen) return;
  screenRect = {x, y, x + static_cast<LONG>(renderWidth), y + static_cast<LONG>(renderHeight)};
  if (!backBuffer) viewportRect = screenRect;
}

HRESULT Framework::ChangeRenderTarget(IDirectDrawSurface4* surface) {
  if (!surface) return E_INVALIDARG;
  DDSURFACEDESC2 desc;
  InitSurfaceDesc(desc, 0, 0);
  surface->GetSurfaceDesc(&desc);
  renderWidth = desc.dwWidth;
  renderHeight = desc.dwHeight;
  if (depthBuffer) {
    if (renderTarget) renderTarget->DeleteAttachedSurface(0, depthBuffer);
    ReleaseField(depthBuffer);
    ReleaseField(renderTarget);
    renderTarget = surface;
    renderTarget->AddRef();
    if (FAILED(CreateDepthBuffer())) {
      DebugTrace(TraceSource, __LINE__, 0, "ChangeRenderTarget() - zbuffer create failed");
      return FwErrNoDepthBuffer;
    }
  } else {
    ReleaseField(renderTarget);
    renderTarget = surface;
    renderTarget->AddRef();
  }
  if (!device || FAILED(device->SetRenderTarget(renderTarget, 0))) return FwErrNoRenderTarget;
  return S_OK;
}
