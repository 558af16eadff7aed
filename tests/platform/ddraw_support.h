// Shared by the DirectDraw tests: a DirectDraw object per test on the default machine, surfaces
// of a given format, and raw pixel access through Lock.
#pragma once

#include <ddraw.h>

#include "testing/machine_hooks.h"
#include "testing/window_hooks.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <vector>

namespace velta_test {

// The pixel formats a surface can have, as DirectDraw describes them.
struct FormatCase {
  const char* name;
  DWORD flags;
  DWORD bits;
  DWORD r, g, b, a;
};

inline const FormatCase kColorFormats[] = {
    {"P8", DDPF_RGB | DDPF_PALETTEINDEXED8, 8, 0, 0, 0, 0},
    {"RGB555", DDPF_RGB, 16, 0x7C00, 0x03E0, 0x001F, 0},
    {"RGB565", DDPF_RGB, 16, 0xF800, 0x07E0, 0x001F, 0},
    {"ARGB1555", DDPF_RGB | DDPF_ALPHAPIXELS, 16, 0x7C00, 0x03E0, 0x001F, 0x8000},
    {"ARGB4444", DDPF_RGB | DDPF_ALPHAPIXELS, 16, 0x0F00, 0x00F0, 0x000F, 0xF000},
    {"RGB888", DDPF_RGB, 24, 0xFF0000, 0x00FF00, 0x0000FF, 0},
    {"XRGB8888", DDPF_RGB, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0},
    {"ARGB8888", DDPF_RGB | DDPF_ALPHAPIXELS, 32, 0xFF0000, 0x00FF00, 0x0000FF, 0xFF000000},
};
constexpr int kFormatCount = 8;

inline DDPIXELFORMAT PixelFormatOf(const FormatCase& f) {
  DDPIXELFORMAT pf{};
  pf.dwSize = sizeof pf;
  pf.dwFlags = f.flags;
  pf.dwRGBBitCount = f.bits;
  pf.dwRBitMask = f.r;
  pf.dwGBitMask = f.g;
  pf.dwBBitMask = f.b;
  pf.dwRGBAlphaBitMask = f.a;
  return pf;
}

inline DDPIXELFORMAT DepthFormat(DWORD bits, DWORD zMask, DWORD stencilBits = 0,
                                 DWORD stencilMask = 0) {
  DDPIXELFORMAT pf{};
  pf.dwSize = sizeof pf;
  pf.dwFlags = DDPF_ZBUFFER | (stencilBits ? DDPF_STENCILBUFFER : 0);
  pf.dwZBufferBitDepth = bits;
  pf.dwStencilBitDepth = stencilBits;
  pf.dwZBitMask = zMask;
  pf.dwStencilBitMask = stencilMask;
  return pf;
}

inline DDSURFACEDESC2 SurfaceDesc(DWORD caps, DWORD width = 0, DWORD height = 0,
                                  const DDPIXELFORMAT* format = nullptr) {
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  d.dwFlags = DDSD_CAPS | (width ? DDSD_WIDTH | DDSD_HEIGHT : 0) |
              (format ? DDSD_PIXELFORMAT : 0);
  d.ddsCaps.dwCaps = caps;
  d.dwWidth = width;
  d.dwHeight = height;
  if (format) d.ddpfPixelFormat = *format;
  return d;
}

// Each test gets a DirectDraw object at the normal level on a fresh default machine, and must
// leave no DirectDraw object of any kind alive.
class DdTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestResetMachine();
    TestSetWindowPlacer(nullptr);
    TestResetWindows();
    Open();
  }
  // A fresh display made from the machine as it is now, and a DirectDraw object on it.
  void Open() {
    if (dd_) dd_->Release();
    dd_ = nullptr;
    TestResetDisplay();
    IDirectDraw* first = nullptr;
    ASSERT_EQ(DirectDrawCreate(nullptr, &first, nullptr), DD_OK);
    ASSERT_EQ(first->QueryInterface(IID_IDirectDraw4, reinterpret_cast<void**>(&dd_)), DD_OK);
    first->Release();
    ASSERT_EQ(dd_->SetCooperativeLevel(kWindow, DDSCL_NORMAL), DD_OK);
  }
  void TearDown() override {
    if (dd_) {
      EXPECT_EQ(dd_->Release(), 0u);
    }
    const DdLiveObjects live = TestLiveDirectDrawObjects();
    EXPECT_EQ(live.directDraws, 0);
    EXPECT_EQ(live.surfaces, 0);
    EXPECT_EQ(live.clippers, 0);
    EXPECT_EQ(live.palettes, 0);
    EXPECT_EQ(live.orphans, 0);
    TestSetWindowPlacer(nullptr);
    TestResetMachine();
    TestResetDisplay();
  }

  // A made-up window handle: DirectDraw keeps it without looking at it.
  static inline const HWND kWindow = reinterpret_cast<HWND>(uintptr_t(0x1234));

  IDirectDrawSurface4* Make(DWORD caps, DWORD width, DWORD height,
                            const DDPIXELFORMAT* format = nullptr) {
    DDSURFACEDESC2 d = SurfaceDesc(caps, width, height, format);
    IDirectDrawSurface4* s = nullptr;
    EXPECT_EQ(dd_->CreateSurface(&d, &s, nullptr), DD_OK);
    return s;
  }
  IDirectDrawSurface4* MakeFormat(int format, DWORD width, DWORD height,
                                  DWORD caps = DDSCAPS_OFFSCREENPLAIN) {
    const DDPIXELFORMAT pf = PixelFormatOf(kColorFormats[format]);
    return Make(caps, width, height, &pf);
  }
  IDirectDrawPalette* MakePalette(const PALETTEENTRY* entries, DWORD caps = DDPCAPS_8BIT) {
    IDirectDrawPalette* p = nullptr;
    EXPECT_EQ(dd_->CreatePalette(caps, const_cast<PALETTEENTRY*>(entries), &p, nullptr), DD_OK);
    return p;
  }

  IDirectDraw4* dd_ = nullptr;
};

// Raw pixel values of a surface, read and written through Lock.
inline uint32_t ReadRaw(IDirectDrawSurface4* s, int x, int y) {
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  if (s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr) != DD_OK) return 0xDEADBEEF;
  const int bytes = int(d.ddpfPixelFormat.dwRGBBitCount / 8);
  const uint8_t* p = static_cast<const uint8_t*>(d.lpSurface) + y * d.lPitch + x * bytes;
  uint32_t v = 0;
  std::memcpy(&v, p, size_t(bytes));
  s->Unlock(nullptr);
  return v;
}

inline void WriteRaw(IDirectDrawSurface4* s, int x, int y, uint32_t v) {
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  ASSERT_EQ(s->Lock(nullptr, &d, DDLOCK_WAIT, nullptr), DD_OK);
  const int bytes = int(d.ddpfPixelFormat.dwRGBBitCount / 8);
  std::memcpy(static_cast<uint8_t*>(d.lpSurface) + y * d.lPitch + x * bytes, &v, size_t(bytes));
  s->Unlock(nullptr);
}

inline HRESULT FillRaw(IDirectDrawSurface4* s, uint32_t value, RECT* rect = nullptr) {
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwFillColor = value;
  return s->Blt(rect, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx);
}

}  // namespace velta_test
