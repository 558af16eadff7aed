// The application callbacks, the open / reopen / close lifecycle of the 3D environment, the
// counted pause and the per-frame cycle the message loop runs when idle.
#include <new>

#include "app/app.h"
#include "app/messages.h"
#include "framework/devices.h"
#include "framework/frame.h"
#include "framework/textures.h"
#include "math/builders.h"
#include "model/ase_loader.h"
#include "scene/mesh_shading.h"
#include "scene/object_list.h"
#include "scene/transform_state.h"

BOOL AppActive = 0;
BOOL AppReady = 0;
BOOL Windowed = 1;
BOOL FrameMoving = 1;
BOOL SingleStep = 0;
BOOL ShowStats = 1;
BOOL UseDepthBuffer = 1;
BOOL UseBackBuffer = 1;
LONG PauseCount = 0;
RECT SavedWindowRect = {0, 0, 0, 0};
Framework* TheFramework = nullptr;

namespace {

constexpr int DefaultModelRow = 3;
// 패스트푸드걸01
const char DefaultObjectName[] = "\xC6\xD0\xBD\xBA\xC6\xAE\xC7\xAA\xB5\xE5\xB0\xC9" "01";
constexpr D3DCOLOR ClearColour = 0x00303030;

}  // namespace

HRESULT SceneSetup(HWND window) {
  SetWindowLongPtrA(window, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(OpenFileFilterProc));
  LoadModel(DefaultModelRow);
  InitLightDirection();
  CreateObject(DefaultModelRow, DefaultObjectName);
  return S_OK;
}

HRESULT CreateDeviceResources(IDirect3DDevice3* device, IDirect3DViewport3* viewport) {
  if (!device || !viewport) return E_INVALIDARG;
  RestoreAllTextures(device);
  device->SetTextureStageState(0, D3DTSS_COLORARG1, D3DTA_TEXTURE);
  device->SetTextureStageState(0, D3DTSS_COLORARG2, D3DTA_DIFFUSE);
  device->SetTextureStageState(0, D3DTSS_COLOROP, D3DTOP_MODULATE);
  device->SetTextureStageState(0, D3DTSS_MINFILTER, D3DTFN_LINEAR);
  device->SetTextureStageState(0, D3DTSS_MAGFILTER, D3DTFG_LINEAR);
  device->SetRenderState(D3DRENDERSTATE_DITHERENABLE, TRUE);
  device->SetRenderState(D3DRENDERSTATE_SPECULARENABLE, FALSE);
  device->SetRenderState(D3DRENDERSTATE_ZENABLE, TRUE);
  ResetWorldMatrix();
  SetCamera(Vector3(0, 50, -100), Vector3(0, 25, 0), Vector3(0, 1, 0));
  SetProjection(3.14159274f / 4, 0.75f, 1.0f, 2000.0f);
  SetScreenRect(0, 0, 640, 480);
  UpdateViewChain();
  return S_OK;
}

HRESULT ReleaseDeviceResources(IDirect3DDevice3*, IDirect3DViewport3*) {
  return InvalidateAllTextures();
}

HRESULT DestroySceneResources(IDirect3DDevice3* device, IDirect3DViewport3* viewport) {
  ReleaseDeviceResources(device, viewport);
  RemoveAllObjects();
  ReleaseModels();
  return S_OK;
}

HRESULT AdvanceFrame(IDirect3DDevice3*, float seconds) {
  Matrix4 world;
  SetRotateYMatrix(world, seconds);
  SetWorldMatrix(world);
  return S_OK;
}

HRESULT DrawFrame(IDirect3DDevice3* device, IDirect3DViewport3* viewport, RECT* clear) {
  CurrentDevice = device;
  if (viewport && clear) {
    D3DRECT rect = {clear->left, clear->top, clear->right, clear->bottom};
    viewport->Clear2(1, &rect, D3DCLEAR_TARGET | D3DCLEAR_ZBUFFER, ClearColour, 1.0f, 0);
  }
  if (device && SUCCEEDED(device->BeginScene())) {
    RenderObjects();
    device->EndScene();
  }
  return S_OK;
}

HRESULT SurfacesRestored() { return S_OK; }

HRESULT AcceptAllDevices(DDCAPS*, D3DDEVICEDESC*) { return S_OK; }

HRESULT StartApplication(HWND window) {
  if (FAILED(SceneSetup(window))) return E_FAIL;
  TheFramework = new (std::nothrow) Framework;
  if (!TheFramework) return E_OUTOFMEMORY;
  return Open3D(window);
}

HRESULT Open3D(HWND window) {
  for (;;) {
    DriverInfo* driver = nullptr;
    DeviceInfo* device = nullptr;
    if (FAILED(GetSelectedDriverAndDevice(&driver, &device)) || !device) return EnumErrFailed;
    DWORD flags = 0;
    if (!Windowed) flags |= FwFullScreen;
    if (UseDepthBuffer) flags |= FwDepthBuffer;
    if (UseBackBuffer) flags |= FwBackBuffer;
    DDSURFACEDESC2* mode = device->currentMode ? &device->currentMode->surfaceDesc : nullptr;
    HRESULT hr = TheFramework->Build(window, &driver->guid, &device->guid, mode, flags);
    if (SUCCEEDED(hr)) {
      hr = CreateDeviceResources(TheFramework->Device(), TheFramework->Viewport());
      if (SUCCEEDED(hr)) return S_OK;
      ReleaseDeviceResources(TheFramework->Device(), TheFramework->Viewport());
      TheFramework->ReleaseAll();
    }
    if (!device->isHardware) return hr;
    // A hardware device that fails is reported once; the software rasterizer takes over.
    ShowFrameworkError(hr, FallBackToSoftware);
    if (FAILED(SelectDefaultDevice(SelectNoHardware))) return hr;
  }
}

HRESULT Reopen3D(HWND window) {
  ReleaseDeviceResources(TheFramework->Device(), TheFramework->Viewport());
  HRESULT hr = TheFramework->ReleaseAll();
  if (FAILED(hr)) {
    ShowFrameworkError(hr, MustExit);
    DestroyWindow(window);
    return hr;
  }
  if (Windowed)
    SetWindowPos(window, HWND_NOTOPMOST, SavedWindowRect.left, SavedWindowRect.top,
                 SavedWindowRect.right - SavedWindowRect.left,
                 SavedWindowRect.bottom - SavedWindowRect.top, SWP_SHOWWINDOW);
  hr = Open3D(window);
  if (FAILED(hr)) {
    ShowFrameworkError(hr, MustExit);
    DestroyWindow(window);
    return hr;
  }
  SingleStep = 1;
  return S_OK;
}

HRESULT Close3D() {
  if (TheFramework) {
    DestroySceneResources(TheFramework->Device(), TheFramework->Viewport());
    delete TheFramework;
    TheFramework = nullptr;
  }
  AppActive = 0;
  AppReady = 0;
  return S_OK;
}

HRESULT RenderOneFrame() {
  if (!TheFramework || !TheFramework->DirectDraw()) return S_OK;
  if (FAILED(TheFramework->DirectDraw()->TestCooperativeLevel())) return S_OK;
  float seconds = static_cast<float>(timeGetTime()) * 0.001f;
  IDirect3DDevice3* device = TheFramework->Device();
  if (FrameMoving || SingleStep) {
    if (FAILED(AdvanceFrame(device, seconds))) return E_FAIL;
    SingleStep = 0;
  }
  if (FAILED(DrawFrame(device, TheFramework->Viewport(), TheFramework->ViewportRect())))
    return E_FAIL;
  if (ShowStats) DrawStatsLine();
  if (TheFramework->PresentFrame() == DDERR_SURFACELOST) {
    TheFramework->RestoreLostSurfaces();
    SurfacesRestored();
  }
  return S_OK;
}

void SetPaused(bool pause) {
  if (pause && PauseCount == 0 && TheFramework) TheFramework->ReturnToDesktopSurface(true);
  PauseCount += pause ? 1 : -1;
  AppReady = PauseCount == 0;
}
