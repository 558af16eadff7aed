// The built Framework at work: presentation by blit and by flip, window moves, lost surfaces,
// the desktop surface in full screen and the change of render target.
#include "display/display.h"
#include "framework_support.h"

using velta_test::Contains;
using velta_test::FillSurface;
using velta_test::FrameworkTest;
using velta_test::Mode;
using velta_test::ReadPixel;
using velta_test::SameRect;
using velta_test::Traced;

namespace {

using Present = FrameworkTest;

IDirectDrawSurface4* MakeSurface(IDirectDraw4* dd, DWORD caps, DWORD width, DWORD height) {
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  d.dwFlags = DDSD_CAPS | DDSD_WIDTH | DDSD_HEIGHT;
  d.ddsCaps.dwCaps = caps;
  d.dwWidth = width;
  d.dwHeight = height;
  IDirectDrawSurface4* s = nullptr;
  EXPECT_EQ(dd->CreateSurface(&d, &s, nullptr), DD_OK);
  return s;
}

TEST_F(Present, AnEmptyFrameworkPresentsNothing) {
  EXPECT_EQ(fw_.PresentFrame(), FwErrNotBuilt);
  EXPECT_EQ(fw_.ReturnToDesktopSurface(true), S_OK);
  EXPECT_EQ(fw_.RestoreLostSurfaces(), S_OK);
  EXPECT_EQ(TestLiveDirectDrawObjects().directDraws, 0);
}

TEST_F(Present, TheBlitLandsAtTheClientAreaAfterTheWindowMoves) {
  ASSERT_EQ(BuildHal(), S_OK);
  RECT corner{0, 0, 1, 1};
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwFillColor = 0xABCDEF;
  for (POINT place : {POINT{40, 30}, POINT{200, 150}}) {
    RECT outer;
    GetWindowRect(window_, &outer);
    MoveWindow(window_, place.x, place.y, outer.right - outer.left, outer.bottom - outer.top, TRUE);
    const POINT origin = ClientOrigin();
    fw_.MoveTo(origin.x, origin.y);
    EXPECT_TRUE(SameRect(fw_.screenRect, {origin.x, origin.y, origin.x + 640, origin.y + 480}));
    EXPECT_TRUE(SameRect(fw_.viewportRect, {0, 0, 640, 480}));
    ASSERT_EQ(FillSurface(fw_.backBuffer, 0x111111), DD_OK);
    ASSERT_EQ(fw_.backBuffer->Blt(&corner, nullptr, nullptr, DDBLT_COLORFILL | DDBLT_WAIT, &fx),
              DD_OK);
    ASSERT_EQ(fw_.PresentFrame(), DD_OK);
    EXPECT_EQ(ReadPixel(fw_.frontBuffer, origin.x, origin.y), 0xABCDEFu);
    EXPECT_EQ(ReadPixel(fw_.frontBuffer, origin.x + 639, origin.y + 479), 0x111111u);
  }
}

TEST_F(Present, WithoutABackBufferPresentingOnlyReportsALostPrimary) {
  ASSERT_EQ(BuildHal(0), S_OK);
  fw_.MoveTo(100, 50);
  EXPECT_TRUE(SameRect(fw_.screenRect, {100, 50, 740, 530}));
  EXPECT_TRUE(SameRect(fw_.viewportRect, {100, 50, 740, 530}));
  const uint64_t frames = TheDisplay().PresentedFrames();
  EXPECT_EQ(fw_.PresentFrame(), DD_OK);
  EXPECT_EQ(TheDisplay().PresentedFrames(), frames);
  // Something else presents onto the primary and finds the surfaces taken away.
  IDirectDrawSurface4* other =
      MakeSurface(fw_.DirectDraw(), DDSCAPS_OFFSCREENPLAIN | DDSCAPS_SYSTEMMEMORY, 8, 8);
  TestMachine().failures.loseSurfacesAtPresent = 1;
  RECT place{100, 50, 108, 58};
  EXPECT_EQ(fw_.frontBuffer->Blt(&place, other, nullptr, DDBLT_WAIT, nullptr), DDERR_SURFACELOST);
  EXPECT_EQ(fw_.PresentFrame(), DDERR_SURFACELOST);
  EXPECT_EQ(fw_.RestoreLostSurfaces(), S_OK);
  EXPECT_EQ(fw_.PresentFrame(), DD_OK);
  other->Release();
}

TEST_F(Present, LostSurfacesAreRestored) {
  DDSURFACEDESC2 mode = Mode(640, 480, 16);
  for (DWORD screen : {0u, DWORD(FwFullScreen)}) {
    SCOPED_TRACE(screen);
    ASSERT_EQ(BuildWith(IID_IDirect3DHALDevice, screen | FwBackBuffer | FwDepthBuffer, &mode),
              S_OK);
    TestMachine().failures.loseSurfacesAtPresent = 1;
    EXPECT_EQ(fw_.PresentFrame(), DDERR_SURFACELOST);
    for (IDirectDrawSurface4* s : {fw_.frontBuffer, fw_.backBuffer, fw_.depthBuffer})
      EXPECT_EQ(s->IsLost(), DDERR_SURFACELOST);
    EXPECT_EQ(fw_.RestoreLostSurfaces(), S_OK);
    for (IDirectDrawSurface4* s : {fw_.frontBuffer, fw_.backBuffer, fw_.depthBuffer})
      EXPECT_EQ(s->IsLost(), DD_OK);
    EXPECT_EQ(fw_.PresentFrame(), DD_OK);
    EXPECT_EQ(fw_.ReleaseAll(), S_OK);
  }
}

TEST_F(Present, FullScreenFlipsAndHandsTheScreenBackToTheDesktopSurface) {
  DDSURFACEDESC2 mode = Mode(640, 480, 16);
  ASSERT_EQ(BuildWith(IID_IDirect3DHALDevice, FwFullScreen | FwBackBuffer | FwDepthBuffer, &mode),
            S_OK);
  const uint32_t desktop = ReadPixel(fw_.frontBuffer, 0, 0);
  ASSERT_EQ(FillSurface(fw_.backBuffer, 0xF800), DD_OK);
  const uint64_t frames = TheDisplay().PresentedFrames();
  ASSERT_EQ(fw_.PresentFrame(), DD_OK);
  EXPECT_EQ(TheDisplay().PresentedFrames(), frames + 1);
  EXPECT_EQ(ReadPixel(fw_.frontBuffer, 0, 0), 0xF800u);
  fw_.MoveTo(10, 10);
  EXPECT_TRUE(SameRect(fw_.screenRect, {0, 0, 640, 480})) << "no moves in full screen";
  EXPECT_EQ(fw_.ReturnToDesktopSurface(true), S_OK);
  EXPECT_EQ(ReadPixel(fw_.frontBuffer, 0, 0), desktop);
  EXPECT_EQ(fw_.ReleaseAll(), S_OK);

  // In a window the same call changes nothing.
  ASSERT_EQ(BuildHal(), S_OK);
  ASSERT_EQ(FillSurface(fw_.backBuffer, 0x00FF00), DD_OK);
  ASSERT_EQ(fw_.PresentFrame(), DD_OK);
  const POINT origin = ClientOrigin();
  EXPECT_EQ(fw_.ReturnToDesktopSurface(true), S_OK);
  EXPECT_EQ(ReadPixel(fw_.frontBuffer, origin.x, origin.y), 0x00FF00u);
}

TEST_F(Present, ChangeRenderTargetMovesTheDepthBufferAlong) {
  ASSERT_EQ(BuildHal(), S_OK);
  IDirectDrawSurface4* oldTarget = fw_.RenderSurface();
  EXPECT_EQ(fw_.ChangeRenderTarget(nullptr), E_INVALIDARG);
  EXPECT_EQ(fw_.RenderSurface(), oldTarget);
  EXPECT_EQ(fw_.renderWidth, 640u);

  IDirectDrawSurface4* target =
      MakeSurface(fw_.DirectDraw(), DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, 320, 240);
  ASSERT_EQ(fw_.ChangeRenderTarget(target), S_OK);
  EXPECT_EQ(fw_.RenderSurface(), target);
  EXPECT_EQ(fw_.renderWidth, 320u);
  EXPECT_EQ(fw_.renderHeight, 240u);
  EXPECT_TRUE(SameRect(fw_.viewportRect, {0, 0, 640, 480})) << "rectangles stay";
  DDSCAPS2 z{DDSCAPS_ZBUFFER, 0, 0, {0}};
  IDirectDrawSurface4* attached = nullptr;
  ASSERT_EQ(target->GetAttachedSurface(&z, &attached), DD_OK);
  EXPECT_EQ(attached, fw_.depthBuffer);
  attached->Release();
  EXPECT_EQ(oldTarget->GetAttachedSurface(&z, &attached), DDERR_NOTFOUND);
  IDirectDrawSurface4* drawn = nullptr;
  ASSERT_EQ(fw_.Device()->GetRenderTarget(&drawn), DD_OK);
  EXPECT_EQ(drawn, target);
  drawn->Release();
  EXPECT_GT(target->Release(), 0u) << "the Framework holds its own reference";

  // The device refuses a surface it cannot draw into.
  IDirectDrawSurface4* plain = MakeSurface(fw_.DirectDraw(), DDSCAPS_OFFSCREENPLAIN, 320, 240);
  EXPECT_EQ(fw_.ChangeRenderTarget(plain), FwErrNoRenderTarget);
  plain->Release();
  IDirectDrawSurface4* another =
      MakeSurface(fw_.DirectDraw(), DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, 64, 64);
  TestMachine().failures.surfaceOutOfVideoMemory = 1;
  std::string trace =
      Traced([&] { EXPECT_EQ(fw_.ChangeRenderTarget(another), FwErrNoDepthBuffer); });
  EXPECT_TRUE(Contains(trace, "ChangeRenderTarget() - zbuffer create failed"));
  another->Release();
  EXPECT_EQ(fw_.ReleaseAll(), S_OK);

  // Without a depth buffer only the target changes.
  ASSERT_EQ(BuildHal(FwBackBuffer), S_OK);
  another = MakeSurface(fw_.DirectDraw(), DDSCAPS_OFFSCREENPLAIN | DDSCAPS_3DDEVICE, 64, 64);
  EXPECT_EQ(fw_.ChangeRenderTarget(another), S_OK);
  EXPECT_EQ(fw_.depthBuffer, nullptr);
  EXPECT_EQ(fw_.RenderSurface(), another);
  another->Release();
}

}  // namespace
