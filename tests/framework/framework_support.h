// Shared by the framework tests: a fresh default machine, display and device lists per test, a
// real 640 x 480 window, and a check that no DirectDraw or Direct3D object is left alive.
#pragma once

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <string>

#include "app/result_codes.h"
#include "framework/devices.h"
#include "framework/frame.h"
#include "testing/machine_hooks.h"
#include "testing/window_hooks.h"

namespace velta_test {

inline DDPIXELFORMAT ZFormat(DWORD bits, bool stencil = false) {
  DDPIXELFORMAT f{};
  f.dwSize = sizeof f;
  f.dwFlags = DDPF_ZBUFFER | (stencil ? DDPF_STENCILBUFFER : 0);
  f.dwZBufferBitDepth = bits;
  f.dwZBitMask = bits >= 32 ? 0x00FFFFFF : (1u << bits) - 1;
  f.dwStencilBitMask = stencil ? 0xFF000000 : 0;
  return f;
}

// A full-screen mode as the enumeration hands it over.
inline DDSURFACEDESC2 Mode(DWORD width, DWORD height, DWORD bits) {
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  d.dwFlags = DDSD_WIDTH | DDSD_HEIGHT | DDSD_PIXELFORMAT;
  d.dwWidth = width;
  d.dwHeight = height;
  d.ddpfPixelFormat.dwSize = sizeof(DDPIXELFORMAT);
  d.ddpfPixelFormat.dwFlags = DDPF_RGB | (bits == 8 ? DDPF_PALETTEINDEXED8 : 0);
  d.ddpfPixelFormat.dwRGBBitCount = bits;
  return d;
}

// Device `index` of the primary driver in the profile: 0 HAL, 1 RGB, 2 reference, 3 null.
inline ProfileDevice& PrimaryDevice(int index) {
  return TestMachine().drivers[0].devices[index];
}

class FrameworkTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestResetMachine();
    TestSetWindowPlacer(nullptr);
    TestResetWindows();
    TestResetDisplay();
    FreeDeviceLists();
    WNDCLASSA wc{};
    wc.lpfnWndProc = DefWindowProcA;
    wc.lpszClassName = "FwTestWindow";
    ASSERT_NE(RegisterClassA(&wc), 0);
    RECT r{0, 0, 640, 480};
    AdjustWindowRect(&r, WS_OVERLAPPEDWINDOW, FALSE);
    window_ =
        CreateWindowExA(0, "FwTestWindow", "fw", WS_OVERLAPPEDWINDOW, 40, 30, r.right - r.left,
                        r.bottom - r.top, nullptr, nullptr, nullptr, nullptr);
    ASSERT_NE(window_, nullptr);
  }
  void TearDown() override {
    EXPECT_EQ(fw_.ReleaseAll(), S_OK);
    FreeDeviceLists();
    const DdLiveObjects live = TestLiveDirectDrawObjects();
    EXPECT_EQ(live.directDraws, 0);
    EXPECT_EQ(live.surfaces, 0);
    EXPECT_EQ(live.clippers, 0);
    EXPECT_EQ(live.palettes, 0);
    EXPECT_EQ(live.orphans, 0);
    const D3dLiveObjects d3d = TestLiveDirect3DObjects();
    EXPECT_EQ(d3d.devices + d3d.viewports + d3d.textures, 0);
    TestResetWindows();
    TestResetMachine();
    TestResetDisplay();
  }

  // Builds on the primary driver with the given device; a display change made by the test to
  // the machine takes effect first.
  HRESULT BuildWith(const GUID& device, DWORD flags, DDSURFACEDESC2* mode = nullptr) {
    deviceGuid_ = device;
    return fw_.Build(window_, nullptr, &deviceGuid_, mode, flags);
  }
  HRESULT BuildHal(DWORD flags = FwBackBuffer | FwDepthBuffer) {
    return BuildWith(IID_IDirect3DHALDevice, flags);
  }
  static bool NoFramework(const Framework& f) {
    return !f.frontBuffer && !f.backBuffer && !f.renderTarget && !f.depthBuffer && !f.device &&
           !f.viewport && !f.directDraw && !f.direct3D;
  }
  // The window's client origin on the screen.
  POINT ClientOrigin() const {
    POINT p{0, 0};
    ClientToScreen(window_, &p);
    return p;
  }

  HWND window_ = nullptr;
  GUID deviceGuid_{};
  Framework fw_;
};

// Runs `body` with standard error captured and returns what it wrote: the trace lines.
template <class F>
std::string Traced(F body) {
  ::testing::internal::CaptureStderr();
  body();
  return ::testing::internal::GetCapturedStderr();
}

// One raw pixel value through Lock, or 0xDEADBEEF when the surface cannot be locked.
inline uint32_t ReadPixel(IDirectDrawSurface4* s, int x, int y) {
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  if (s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr) != DD_OK) return 0xDEADBEEF;
  const size_t bytes = d.ddpfPixelFormat.dwRGBBitCount / 8;
  uint32_t v = 0;
  std::memcpy(&v, static_cast<const uint8_t*>(d.lpSurface) + y * d.lPitch + x * bytes, bytes);
  s->Unlock(nullptr);
  return v;
}

inline HRESULT FillSurface(IDirectDrawSurface4* s, DWORD value) {
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwFillColor = value;
  return s->Blt(nullptr, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

inline DDSCAPS2 CapsOf(IDirectDrawSurface4* s) {
  DDSCAPS2 caps{};
  s->GetCaps(&caps);
  return caps;
}

inline bool SameRect(const RECT& a, const RECT& b) {
  return a.left == b.left && a.top == b.top && a.right == b.right && a.bottom == b.bottom;
}

inline bool Contains(const std::string& text, const char* part) {
  return text.find(part) != std::string::npos;
}

}  // namespace velta_test
