// Building and tearing down the Framework on the machine profiles: windowed and full-screen
// builds, the depth-format choice, the failure of each step, and the reference-count check.
#include "framework/util.h"
#include "framework_support.h"

using velta_test::CapsOf;
using velta_test::Contains;
using velta_test::FrameworkTest;
using velta_test::Mode;
using velta_test::PrimaryDevice;
using velta_test::SameRect;
using velta_test::Traced;
using velta_test::ZFormat;

namespace {

using Build = FrameworkTest;

TEST_F(Build, ArgumentsAreCheckedBeforeAnythingIsTouched) {
  EXPECT_EQ(fw_.ReleaseAll(), S_OK) << "an empty Framework releases nothing";
  fw_.renderWidth = 7;
  GUID hal = IID_IDirect3DHALDevice;
  EXPECT_EQ(fw_.Build(nullptr, nullptr, &hal, nullptr, FwBackBuffer), E_INVALIDARG);
  EXPECT_EQ(fw_.Build(window_, nullptr, &hal, nullptr, FwFullScreen), E_INVALIDARG);
  EXPECT_EQ(fw_.window, nullptr);
  EXPECT_EQ(fw_.renderWidth, 7u);
  EXPECT_EQ(TestLiveDirectDrawObjects().directDraws, 0);
}

TEST_F(Build, WindowedBuilds) {
  const struct {
    const GUID* device;
    DWORD flags;
    DWORD memory;
  } cases[] = {
      {&IID_IDirect3DHALDevice, FwBackBuffer | FwDepthBuffer, DDSCAPS_VIDEOMEMORY},
      {&IID_IDirect3DRGBDevice, FwBackBuffer | FwDepthBuffer, DDSCAPS_SYSTEMMEMORY},
      {&IID_IDirect3DHALDevice, 0, DDSCAPS_VIDEOMEMORY},
      {&IID_IDirect3DHALDevice, FwBackBuffer, DDSCAPS_VIDEOMEMORY},
      {nullptr, FwBackBuffer | FwDepthBuffer, 0},  // DirectDraw alone
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.flags);
    const POINT origin = ClientOrigin();
    if (c.device) deviceGuid_ = *c.device;
    ASSERT_EQ(fw_.Build(window_, nullptr, c.device ? &deviceGuid_ : nullptr, nullptr, c.flags),
              S_OK);
    const bool back = c.flags & FwBackBuffer;
    EXPECT_EQ(fw_.fullScreen, 0);
    EXPECT_EQ(fw_.renderWidth, 640u);
    EXPECT_EQ(fw_.renderHeight, 480u);
    const RECT screen{origin.x, origin.y, origin.x + 640, origin.y + 480};
    EXPECT_TRUE(SameRect(fw_.screenRect, screen));
    const RECT whole{0, 0, 640, 480};
    EXPECT_TRUE(SameRect(fw_.viewportRect, back ? whole : screen));
    EXPECT_EQ(fw_.RenderSurface(), back ? fw_.backBuffer : fw_.frontBuffer);
    EXPECT_EQ(CapsOf(fw_.frontBuffer).dwCaps & DDSCAPS_3DDEVICE, back ? 0u : DDSCAPS_3DDEVICE);
    if (back) {
      EXPECT_TRUE(CapsOf(fw_.backBuffer).dwCaps & DDSCAPS_OFFSCREENPLAIN);
    }
    IDirectDrawClipper* clipper = nullptr;
    ASSERT_EQ(fw_.frontBuffer->GetClipper(&clipper), DD_OK);
    HWND clipped = nullptr;
    clipper->GetHWnd(&clipped);
    EXPECT_EQ(clipped, window_);
    EXPECT_EQ(clipper->Release(), 1u) << "the primary holds the only other reference";
    if (c.device) {
      EXPECT_EQ(fw_.deviceMemoryType, c.memory);
    }
    EXPECT_EQ(fw_.direct3D != nullptr, c.device != nullptr);
    EXPECT_EQ(fw_.Device() != nullptr, c.device != nullptr);
    if (c.device && (c.flags & FwDepthBuffer)) {
      ASSERT_NE(fw_.depthBuffer, nullptr);
      const DWORD kinds = DDSCAPS_VIDEOMEMORY | DDSCAPS_SYSTEMMEMORY | DDSCAPS_ZBUFFER;
      EXPECT_EQ(CapsOf(fw_.depthBuffer).dwCaps & kinds, c.memory | DDSCAPS_ZBUFFER);
      EXPECT_EQ(fw_.depthFormat.dwZBufferBitDepth, 16u);
      DDSCAPS2 z{DDSCAPS_ZBUFFER, 0, 0, {0}};
      IDirectDrawSurface4* attached = nullptr;
      ASSERT_EQ(fw_.RenderSurface()->GetAttachedSurface(&z, &attached), DD_OK);
      EXPECT_EQ(attached, fw_.depthBuffer);
      attached->Release();
    } else {
      EXPECT_EQ(fw_.depthBuffer, nullptr);
    }
    if (c.device) {
      EXPECT_NE(fw_.deviceDesc.dwFlags, 0u) << "the description of the device's own kind";
      IDirectDrawSurface4* target = nullptr;
      ASSERT_EQ(fw_.Device()->GetRenderTarget(&target), DD_OK);
      EXPECT_EQ(target, fw_.RenderSurface());
      target->Release();
      D3DVIEWPORT2 vp{};
      vp.dwSize = sizeof vp;
      ASSERT_EQ(fw_.Viewport()->GetViewport2(&vp), DD_OK);
      EXPECT_EQ(vp.dwWidth, 640u);
      EXPECT_EQ(vp.dwHeight, 480u);
      EXPECT_EQ(vp.dvClipX, -1.0f);
      EXPECT_EQ(vp.dvClipHeight, 2.0f);
      IDirect3DViewport3* current = nullptr;
      ASSERT_EQ(fw_.Device()->GetCurrentViewport(&current), DD_OK);
      EXPECT_EQ(current, fw_.Viewport());
      current->Release();
    }
    EXPECT_EQ(fw_.ReleaseAll(), S_OK);
    EXPECT_TRUE(NoFramework(fw_));
    EXPECT_EQ(TestLiveDirectDrawObjects().surfaces, 0);
  }
}

TEST_F(Build, FullScreenModesAndTheStandardVgaFlag) {
  const struct {
    DWORD width, height, bits;
    DWORD modeFlags;
    HRESULT result;
  } cases[] = {
      {640, 480, 16, 0, S_OK},
      {320, 200, 16, 0, S_OK},
      {800, 600, 32, 0, S_OK},
      // Set with the flag, surfaces made, then refused for its depth and released again.
      {320, 200, 8, DDSDM_STANDARDVGAMODE, FwErrNeedsHighColor},
      {640, 480, 24, 0, FwErrBadMode},  // not offered
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.width * 1000 + c.bits);
    DDSURFACEDESC2 mode = Mode(c.width, c.height, c.bits);
    std::string trace;
    HRESULT hr = 0;
    trace = Traced([&] {
      hr = BuildWith(IID_IDirect3DHALDevice, FwFullScreen | FwBackBuffer | FwDepthBuffer, &mode);
    });
    EXPECT_EQ(hr, c.result);
    EXPECT_EQ(Contains(trace, "Can't set display mode"), c.result == FwErrBadMode);
    if (c.result != FwErrBadMode) {
      EXPECT_EQ(TestLastDisplayModeFlags(), c.modeFlags);
    }
    if (c.result == S_OK) {
      EXPECT_EQ(fw_.fullScreen, 1);
      const RECT whole{0, 0, LONG(c.width), LONG(c.height)};
      EXPECT_TRUE(SameRect(fw_.screenRect, whole));
      EXPECT_TRUE(SameRect(fw_.viewportRect, whole));
      EXPECT_TRUE(CapsOf(fw_.frontBuffer).dwCaps & DDSCAPS_FLIP);
      EXPECT_TRUE(CapsOf(fw_.backBuffer).dwCaps & DDSCAPS_BACKBUFFER);
      EXPECT_EQ(fw_.RenderSurface(), fw_.backBuffer);
      DDSURFACEDESC2 now{};
      now.dwSize = sizeof now;
      fw_.DirectDraw()->GetDisplayMode(&now);
      EXPECT_EQ(now.dwWidth, c.width);
      EXPECT_EQ(now.ddpfPixelFormat.dwRGBBitCount, c.bits);
      EXPECT_EQ(fw_.ReleaseAll(), S_OK);
    }
    EXPECT_EQ(GetDisplayBitDepth(nullptr), 32u) << "back on the desktop";
    EXPECT_TRUE(NoFramework(fw_));
    const DdLiveObjects live = TestLiveDirectDrawObjects();
    EXPECT_EQ(live.surfaces + live.orphans + live.directDraws, 0);
  }
}

TEST_F(Build, DepthFormatIsTheFirst16BitMatchElseTheLastMatch) {
  const struct {
    std::vector<DDPIXELFORMAT> offered;
    DWORD flags;
    DWORD bits;  // 0: none matches
    DWORD formatFlags;
  } cases[] = {
      {{ZFormat(24), ZFormat(16), ZFormat(32)}, 0, 16, DDPF_ZBUFFER},
      {{ZFormat(32), ZFormat(24)}, 0, 24, DDPF_ZBUFFER},
      {{ZFormat(32, true), ZFormat(16), ZFormat(16, true)},
       FwStencil,
       16,
       DDPF_ZBUFFER | DDPF_STENCILBUFFER},
      {{ZFormat(16, true), ZFormat(32)}, 0, 32, DDPF_ZBUFFER},
      {{ZFormat(16), ZFormat(32)}, FwStencil, 0, 0},
      {{}, 0, 0, 0},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.offered.size() * 10 + c.flags);
    PrimaryDevice(0).depthFormats = c.offered;
    // A primary surface made before the choice would fail here.
    TestMachine().failures.surfaceOutOfVideoMemory = c.bits ? 0 : 1;
    for (DWORD depth : {0u, DWORD(FwDepthBuffer)}) {
      if (c.bits && depth) continue;  // a 24-bit depth buffer is not made by this platform
      HRESULT hr = 0;
      std::string trace = Traced([&] { hr = BuildHal(FwBackBuffer | depth | c.flags); });
      if (!c.bits) {
        EXPECT_EQ(hr, FwErrNoDepthBuffer);
        EXPECT_TRUE(Contains(trace, "Device doesn't support requested zbuffer format"));
        continue;
      }
      ASSERT_EQ(hr, S_OK);
      EXPECT_EQ(fw_.depthFormat.dwZBufferBitDepth, c.bits);
      EXPECT_EQ(fw_.depthFormat.dwFlags, c.formatFlags);
      EXPECT_EQ(fw_.depthFormat.dwSize, sizeof(DDPIXELFORMAT));
      EXPECT_EQ(fw_.ReleaseAll(), S_OK);
    }
  }
  DDPIXELFORMAT f = ZFormat(16);
  EXPECT_EQ(PickDepthFormat(nullptr, &f), D3DENUMRET_CANCEL);
  EXPECT_EQ(PickDepthFormat(&f, nullptr), D3DENUMRET_CANCEL);
}

TEST_F(Build, ADeviceThatRemovesHiddenSurfacesItselfGetsNoDepthBuffer) {
  PrimaryDevice(0).hardware.dpcTriCaps.dwRasterCaps |= D3DPRASTERCAPS_ZBUFFERLESSHSR;
  ASSERT_EQ(BuildHal(), S_OK);
  EXPECT_EQ(fw_.depthBuffer, nullptr);
  EXPECT_NE(fw_.Device(), nullptr);
  EXPECT_EQ(fw_.ReleaseAll(), S_OK);
}

TEST_F(Build, EachFailingStepLeavesNothingBehind) {
  static GUID unknown = {1, 2, 3, {4, 5, 6, 7, 8, 9, 10, 11}};
  DDSURFACEDESC2 mode = Mode(640, 480, 16);
  const struct {
    const char* trace;
    void (*change)(MachineProfile&);
    HRESULT result;
    GUID* driver = nullptr;
    const GUID* device = &IID_IDirect3DHALDevice;
    DWORD flags = FwBackBuffer | FwDepthBuffer;
  } cases[] = {
      {"Error: Can't create primary surface",
       [](MachineProfile& m) { m.failures.surfaceOutOfVideoMemory = 1; }, DDERR_OUTOFVIDEOMEMORY},
      {"Error: Couldn't create the backbuffer",
       [](MachineProfile& m) { m.failures.surfaceOutOfVideoMemory = 2; }, DDERR_OUTOFVIDEOMEMORY},
      {"Error: Couldn't create a ZBuffer surface",
       [](MachineProfile& m) { m.failures.surfaceOutOfVideoMemory = 3; }, DDERR_OUTOFVIDEOMEMORY},
      {"Couldn't create the D3DDevice",
       [](MachineProfile& m) { m.drivers[0].devices[0].failCreate = true; }, FwErrNoDevice},
      {"Couldn't set coop level", [](MachineProfile& m) { m.failures.otherAppFullScreen = true; },
       FwErrCoopLevel, nullptr, &IID_IDirect3DHALDevice,
       FwFullScreen | FwBackBuffer | FwDepthBuffer},
      {"Could not create DirectDraw", [](MachineProfile&) {}, FwErrNoDirectDraw, &unknown},
      {"Could not create DirectDraw", [](MachineProfile& m) { m.libraryLoaded = false; },
       FwErrNoDirectDraw},
      {"Couldn't find the specified device", [](MachineProfile&) {}, FwErrNoDirect3D, nullptr,
       &unknown},
      {"", [](MachineProfile& m) { m.desktop.bitsPerPixel = 8; }, FwErrNeedsHighColor},
      // Straight into the desktop-sized primary: a client-sized depth buffer does not fit it.
      {"Error: Couldn't attach zbuffer to render surface", [](MachineProfile&) {},
       FwErrNoDepthBuffer, nullptr, &IID_IDirect3DHALDevice, FwDepthBuffer},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.trace);
    TestResetMachine();
    c.change(TestMachine());
    TestResetDisplay();
    deviceGuid_ = *c.device;
    HRESULT hr = 0;
    std::string trace =
        Traced([&] { hr = fw_.Build(window_, c.driver, &deviceGuid_, &mode, c.flags); });
    EXPECT_EQ(hr, c.result);
    EXPECT_TRUE(Contains(trace, c.trace));
    EXPECT_EQ(Contains(trace, "Error: Out of video memory"), c.result == DDERR_OUTOFVIDEOMEMORY);
    EXPECT_TRUE(NoFramework(fw_));
    const DdLiveObjects live = TestLiveDirectDrawObjects();
    EXPECT_EQ(live.directDraws + live.surfaces + live.clippers + live.orphans, 0);
    const D3dLiveObjects d3d = TestLiveDirect3DObjects();
    EXPECT_EQ(d3d.devices + d3d.viewports, 0);
  }
  TestResetMachine();
  TestResetDisplay();
  EXPECT_EQ(BuildHal(), S_OK) << "the same object builds again";
}

TEST_F(Build, ReleaseAllReportsWhatOthersStillHold) {
  ASSERT_EQ(BuildHal(), S_OK);
  IDirect3DDevice3* device = fw_.Device();
  device->AddRef();
  std::string trace = Traced([&] { EXPECT_EQ(fw_.ReleaseAll(), FwErrStillReferenced); });
  EXPECT_TRUE(Contains(trace, "Error: D3DDevice object is still referenced!"));
  // The device keeps its DirectDraw object alive.
  EXPECT_TRUE(Contains(trace, "Error: DDraw object is still referenced!"));
  EXPECT_TRUE(NoFramework(fw_));
  EXPECT_EQ(device->Release(), 0u);

  ASSERT_EQ(BuildHal(), S_OK);
  IDirectDraw4* dd = fw_.DirectDraw();
  dd->AddRef();
  trace = Traced([&] { EXPECT_EQ(fw_.ReleaseAll(), FwErrStillReferenced); });
  EXPECT_FALSE(Contains(trace, "D3DDevice"));
  EXPECT_TRUE(Contains(trace, "Error: DDraw object is still referenced!"));
  EXPECT_EQ(dd->Release(), 0u);
}

}  // namespace
