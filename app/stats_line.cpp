// The frame-rate line: frames per second and the render target's size and depth, drawn into
// the back buffer after the scene and before the frame is presented.
#include <cstdio>
#include <cstring>

#include "app/app.h"
#include "framework/frame.h"
#include "framework/util.h"

DWORD StatsFrameCount = 0;
float StatsLastTime = 0.0f;
float StatsFps = 0.0f;

void DrawStatsLine() {
  float time = static_cast<float>(timeGetTime()) * 0.001f;
  ++StatsFrameCount;
  if (time - StatsLastTime > 1.0f) {
    StatsFps = static_cast<float>(StatsFrameCount) / (time - StatsLastTime);
    StatsLastTime = time;
    StatsFrameCount = 0;
  }
  if (!TheFramework || !TheFramework->RenderSurface()) return;
  DDSURFACEDESC2 desc;
  InitSurfaceDesc(desc, 0, 0);
  TheFramework->RenderSurface()->GetSurfaceDesc(&desc);
  char text[80];
  std::snprintf(text, sizeof text, "%7.02f fps (%dx%dx%d)", static_cast<double>(StatsFps),
                static_cast<int>(desc.dwWidth), static_cast<int>(desc.dwHeight),
                static_cast<int>(desc.ddpfPixelFormat.dwRGBBitCount));
  DrawOverlayText(TheFramework->Device(), 0, 0, text);
}

HRESULT DrawOverlayText(IDirect3DDevice3* device, int x, int y, const char* text) {
  if (!device) return E_INVALIDARG;
  IDirectDrawSurface4* target = nullptr;
  HRESULT hr = device->GetRenderTarget(&target);
  if (FAILED(hr) || !target) return FAILED(hr) ? hr : E_FAIL;
  HDC dc = nullptr;
  if (SUCCEEDED(target->GetDC(&dc)) && dc) {
    SetTextColor(dc, RGB(255, 255, 255));
    SetBkMode(dc, TRANSPARENT);
    ExtTextOutA(dc, x, y, 0, nullptr, text, static_cast<UINT>(std::strlen(text)), nullptr);
    target->ReleaseDC(dc);
  }
  return static_cast<HRESULT>(target->Release());
}
