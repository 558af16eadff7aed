// Blits between every pair of pixel formats, stretching, colour keys, clipping to a window on
// the primary, fills, and flips of a full-screen chain.
#include "ddraw_support.h"

#include "display/display.h"

using velta_test::DdTest;
using velta_test::FillRaw;
using velta_test::kColorFormats;
using velta_test::kFormatCount;
using velta_test::ReadRaw;
using velta_test::WriteRaw;

namespace {

enum Format { P8, RGB555, RGB565, ARGB1555, ARGB4444, RGB888, XRGB8888, ARGB8888 };

// Black, red, green, blue, yellow, magenta, cyan and white in each format; in P8 the palette
// below holds them at indices 10 to 17.
const uint32_t kCorners[kFormatCount][8] = {
    {10, 11, 12, 13, 14, 15, 16, 17},
    {0x0000, 0x7C00, 0x03E0, 0x001F, 0x7FE0, 0x7C1F, 0x03FF, 0x7FFF},
    {0x0000, 0xF800, 0x07E0, 0x001F, 0xFFE0, 0xF81F, 0x07FF, 0xFFFF},
    {0x8000, 0xFC00, 0x83E0, 0x801F, 0xFFE0, 0xFC1F, 0x83FF, 0xFFFF},
    {0xF000, 0xFF00, 0xF0F0, 0xF00F, 0xFFF0, 0xFF0F, 0xF0FF, 0xFFFF},
    {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0xFFFFFF},
    {0x000000, 0xFF0000, 0x00FF00, 0x0000FF, 0xFFFF00, 0xFF00FF, 0x00FFFF, 0xFFFFFF},
    {0xFF000000, 0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFF00, 0xFFFF00FF, 0xFF00FFFF,
     0xFFFFFFFF},
};

std::vector<PALETTEENTRY> CornerPalette(BYTE flags = 0) {
  std::vector<PALETTEENTRY> p(256, PALETTEENTRY{1, 2, 3, flags});
  for (int i = 0; i < 8; ++i)
    p[10 + i] = PALETTEENTRY{BYTE(i == 1 || i == 4 || i == 5 || i == 7 ? 255 : 0),
                             BYTE(i == 2 || i == 4 || i == 6 || i == 7 ? 255 : 0),
                             BYTE(i == 3 || i == 5 || i == 6 || i == 7 ? 255 : 0), flags};
  return p;
}

class BlitTest : public DdTest {
 protected:
  // An 8 x 1 surface holding the eight corner colours, with the corner palette when 8-bit.
  IDirectDrawSurface4* Corners(int format) {
    IDirectDrawSurface4* s = MakeFormat(format, 8, 1);
    if (format == P8) Attach(s);
    for (int i = 0; i < 8; ++i) WriteRaw(s, i, 0, kCorners[format][i]);
    return s;
  }
  void Attach(IDirectDrawSurface4* s) {
    const std::vector<PALETTEENTRY> entries = CornerPalette();
    IDirectDrawPalette* p = MakePalette(entries.data());
    EXPECT_EQ(s->SetPalette(p), DD_OK);
    p->Release();
  }
};

TEST_F(BlitTest, EveryPairOfFormatsConvertsTheCornerColours) {
  for (int from = 0; from < kFormatCount; ++from) {
    IDirectDrawSurface4* source = Corners(from);
    for (int to = 0; to < kFormatCount; ++to) {
      IDirectDrawSurface4* dest = MakeFormat(to, 8, 1);
      if (to == P8) Attach(dest);
      ASSERT_EQ(dest->Blt(nullptr, source, nullptr, DDBLT_WAIT, nullptr), DD_OK)
          << kColorFormats[from].name << " to " << kColorFormats[to].name;
      for (int i = 0; i < 8; ++i)
        EXPECT_EQ(ReadRaw(dest, i, 0), kCorners[to][i])
            << kColorFormats[from].name << " to " << kColorFormats[to].name << " colour " << i;
      dest->Release();
    }
    source->Release();
  }
}

TEST_F(BlitTest, AlphaIsKeptWhereBothSidesHaveItAndOpaqueWhereTheSourceHasNone) {
  IDirectDrawSurface4* source = MakeFormat(ARGB8888, 2, 1);
  WriteRaw(source, 0, 0, 0x00FF0000);  // transparent red
  WriteRaw(source, 1, 0, 0x80102030);
  const struct {
    Format to;
    uint32_t first, second;
  } cases[] = {
      {ARGB1555, 0x7C00, 0x8000 | 2 << 10 | 4 << 5 | 6},
      {ARGB4444, 0x0F00, 0x8000 | 1 << 8 | 2 << 4 | 3},
      {ARGB8888, 0x00FF0000, 0x80102030},
      {XRGB8888, 0xFF0000, 0x102030},
      {RGB565, 0xF800, 2 << 11 | 8 << 5 | 6},
  };
  for (const auto& c : cases) {
    IDirectDrawSurface4* dest = MakeFormat(c.to, 2, 1);
    ASSERT_EQ(dest->Blt(nullptr, source, nullptr, 0, nullptr), DD_OK);
    EXPECT_EQ(ReadRaw(dest, 0, 0), c.first) << kColorFormats[c.to].name;
    EXPECT_EQ(ReadRaw(dest, 1, 0), c.second) << kColorFormats[c.to].name;
    dest->Release();
  }
  source->Release();
  // Narrow channels widen by repeating their top bits.
  IDirectDrawSurface4* narrow = MakeFormat(RGB565, 1, 1);
  IDirectDrawSurface4* wide = MakeFormat(XRGB8888, 1, 1);
  WriteRaw(narrow, 0, 0, 0x8204);
  ASSERT_EQ(wide->Blt(nullptr, narrow, nullptr, 0, nullptr), DD_OK);
  EXPECT_EQ(ReadRaw(wide, 0, 0), 0x844121u);
  narrow->Release();
  wide->Release();
}

TEST_F(BlitTest, PalettisedSourcesUseThePaletteAndItsAlpha) {
  IDirectDrawSurface4* source = MakeFormat(P8, 2, 1);
  IDirectDrawSurface4* dest = MakeFormat(ARGB8888, 2, 1);
  WriteRaw(source, 0, 0, 11);
  WriteRaw(source, 1, 0, 12);
  // Without a palette an 8-bit source has no colours to give.
  EXPECT_EQ(dest->Blt(nullptr, source, nullptr, 0, nullptr), DDERR_NOPALETTEATTACHED);
  std::vector<PALETTEENTRY> entries = CornerPalette(0xFF);
  entries[11].peFlags = 0;
  for (DWORD caps : {DWORD(DDPCAPS_8BIT), DWORD(DDPCAPS_8BIT | DDPCAPS_ALPHA)}) {
    IDirectDrawPalette* palette = MakePalette(entries.data(), caps);
    ASSERT_EQ(source->SetPalette(palette), DD_OK);
    ASSERT_EQ(dest->Blt(nullptr, source, nullptr, 0, nullptr), DD_OK);
    const bool alpha = caps & DDPCAPS_ALPHA;
    EXPECT_EQ(ReadRaw(dest, 0, 0), alpha ? 0x00FF0000u : 0xFFFF0000u);
    EXPECT_EQ(ReadRaw(dest, 1, 0), 0xFF00FF00u);
    palette->Release();
  }
  EXPECT_EQ(source->SetPalette(nullptr), DD_OK);
  // A palette belongs on 8-bit surfaces only.
  IDirectDrawPalette* palette = MakePalette(entries.data());
  EXPECT_EQ(dest->SetPalette(palette), DDERR_NOTPALETTIZED);
  palette->Release();
  source->Release();
  dest->Release();
}

TEST_F(BlitTest, StretchingSamplesTheSourcePixelUnderEachCentre) {
  IDirectDrawSurface4* small = MakeFormat(RGB565, 2, 2);
  const uint32_t quad[4] = {0xF800, 0x07E0, 0x001F, 0xFFFF};
  for (int i = 0; i < 4; ++i) WriteRaw(small, i % 2, i / 2, quad[i]);
  IDirectDrawSurface4* big = MakeFormat(XRGB8888, 6, 4);
  ASSERT_EQ(big->Blt(nullptr, small, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  const uint32_t wide[4] = {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF};
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(ReadRaw(big, x, y), wide[(y / 2) * 2 + x / 3]) << x << "," << y;

  // Shrinking keeps every second column: the ones under the new pixels' centres.
  IDirectDrawSurface4* row = MakeFormat(XRGB8888, 8, 1);
  for (int x = 0; x < 8; ++x) WriteRaw(row, x, 0, uint32_t(x));
  IDirectDrawSurface4* half = MakeFormat(XRGB8888, 4, 1);
  ASSERT_EQ(half->Blt(nullptr, row, nullptr, 0, nullptr), DD_OK);
  for (int x = 0; x < 4; ++x) EXPECT_EQ(ReadRaw(half, x, 0), uint32_t(2 * x + 1));
  // A part of the source into a part of the destination.
  RECT from{2, 0, 4, 1}, to{1, 0, 3, 1};
  ASSERT_EQ(half->Blt(&to, row, &from, 0, nullptr), DD_OK);
  EXPECT_EQ(ReadRaw(half, 0, 0), 1u);
  EXPECT_EQ(ReadRaw(half, 1, 0), 2u);
  EXPECT_EQ(ReadRaw(half, 2, 0), 3u);
  for (IDirectDrawSurface4* s : {small, big, row, half}) s->Release();
}

TEST_F(BlitTest, SourceColourKeySkipsKeyedPixels) {
  IDirectDrawSurface4* source = MakeFormat(XRGB8888, 3, 1);
  IDirectDrawSurface4* dest = MakeFormat(RGB565, 3, 1);
  for (int x = 0; x < 3; ++x) WriteRaw(source, x, 0, x == 1 ? 0xFF00FF : 0x00FF00);
  ASSERT_EQ(FillRaw(dest, 0x001F), DD_OK);
  EXPECT_EQ(dest->Blt(nullptr, source, nullptr, DDBLT_KEYSRC, nullptr), DDERR_NOCOLORKEY);
  DDCOLORKEY key{0xFF00FF, 0xFF00FF};
  ASSERT_EQ(source->SetColorKey(DDCKEY_SRCBLT, &key), DD_OK);
  ASSERT_EQ(dest->Blt(nullptr, source, nullptr, DDBLT_KEYSRC, nullptr), DD_OK);
  EXPECT_EQ(ReadRaw(dest, 0, 0), 0x07E0u);
  EXPECT_EQ(ReadRaw(dest, 1, 0), 0x001Fu);
  EXPECT_EQ(ReadRaw(dest, 2, 0), 0x07E0u);
  // The override in the effects record keys on green instead.
  ASSERT_EQ(FillRaw(dest, 0x001F), DD_OK);
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.ddckSrcColorkey = {0x00FF00, 0x00FF00};
  ASSERT_EQ(dest->Blt(nullptr, source, nullptr, DDBLT_KEYSRCOVERRIDE, &fx), DD_OK);
  EXPECT_EQ(ReadRaw(dest, 0, 0), 0x001Fu);
  EXPECT_EQ(ReadRaw(dest, 1, 0), 0xF81Fu);
  source->Release();
  dest->Release();
}

TEST_F(BlitTest, OverlappingBlitWithinOneSurfaceReadsTheOldPixels) {
  IDirectDrawSurface4* s = MakeFormat(XRGB8888, 5, 1);
  for (int x = 0; x < 5; ++x) WriteRaw(s, x, 0, uint32_t(x + 1));
  RECT from{0, 0, 4, 1}, to{1, 0, 5, 1};
  ASSERT_EQ(s->Blt(&to, s, &from, 0, nullptr), DD_OK);
  const uint32_t expected[5] = {1, 1, 2, 3, 4};
  for (int x = 0; x < 5; ++x) EXPECT_EQ(ReadRaw(s, x, 0), expected[x]);
  s->Release();
}

TEST_F(BlitTest, RectanglesOutsideAnUnclippedSurfaceAndBadArgumentsAreRefused) {
  IDirectDrawSurface4* a = MakeFormat(XRGB8888, 4, 4);
  IDirectDrawSurface4* b = MakeFormat(XRGB8888, 4, 4);
  RECT outside{2, 2, 5, 4}, empty{1, 1, 1, 3}, negative{-1, 0, 2, 2};
  EXPECT_EQ(a->Blt(&outside, b, nullptr, 0, nullptr), DDERR_INVALIDRECT);
  EXPECT_EQ(a->Blt(&empty, b, nullptr, 0, nullptr), DDERR_INVALIDRECT);
  EXPECT_EQ(a->Blt(nullptr, b, &negative, 0, nullptr), DDERR_INVALIDRECT);
  EXPECT_EQ(a->Blt(nullptr, nullptr, nullptr, 0, nullptr), DDERR_INVALIDPARAMS);
  int notASurface = 0;
  EXPECT_EQ(a->Blt(nullptr, reinterpret_cast<IDirectDrawSurface4*>(&notASurface), nullptr, 0,
                   nullptr),
            DDERR_INVALIDOBJECT);
  EXPECT_EQ(a->Blt(nullptr, b, nullptr, DDBLT_COLORFILL, nullptr), DDERR_INVALIDPARAMS);
  EXPECT_EQ(a->Blt(nullptr, b, nullptr, DDBLT_KEYDEST, nullptr), DDERR_UNSUPPORTED);
  EXPECT_EQ(a->BltFast(2, 2, b, nullptr, 0), DDERR_INVALIDRECT);
  // A locked surface takes no blit.
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  ASSERT_EQ(b->Lock(nullptr, &d, 0, nullptr), DD_OK);
  EXPECT_EQ(a->Blt(nullptr, b, nullptr, 0, nullptr), DDERR_SURFACEBUSY);
  EXPECT_EQ(b->Unlock(nullptr), DD_OK);
  EXPECT_EQ(a->BltFast(0, 0, b, nullptr, DDBLTFAST_WAIT), DD_OK);
  a->Release();
  b->Release();
}

TEST_F(BlitTest, FillsWriteRawValuesAndDepthSurfacesTakeOnlyDepth) {
  IDirectDrawSurface4* colour = MakeFormat(RGB888, 3, 2);
  RECT part{1, 0, 3, 2};
  ASSERT_EQ(FillRaw(colour, 0x123456), DD_OK);
  ASSERT_EQ(FillRaw(colour, 0xABCDEF, &part), DD_OK);
  EXPECT_EQ(ReadRaw(colour, 0, 1), 0x123456u);
  EXPECT_EQ(ReadRaw(colour, 2, 1), 0xABCDEFu);
  const DDPIXELFORMAT z = velta_test::DepthFormat(16, 0xFFFF);
  IDirectDrawSurface4* depth = Make(DDSCAPS_ZBUFFER, 3, 2, &z);
  IDirectDrawSurface4* depth2 = Make(DDSCAPS_ZBUFFER, 3, 2, &z);
  EXPECT_EQ(FillRaw(depth, 0), DDERR_INVALIDPIXELFORMAT);
  DDBLTFX fx{};
  fx.dwSize = sizeof fx;
  fx.dwFillDepth = 0xFFFF;
  ASSERT_EQ(depth->Blt(nullptr, nullptr, nullptr, DDBLT_DEPTHFILL, &fx), DD_OK);
  EXPECT_EQ(ReadRaw(depth, 2, 1), 0xFFFFu);
  EXPECT_EQ(colour->Blt(nullptr, nullptr, nullptr, DDBLT_DEPTHFILL, &fx), DDERR_INVALIDPIXELFORMAT);
  ASSERT_EQ(depth2->Blt(nullptr, depth, nullptr, 0, nullptr), DD_OK);
  EXPECT_EQ(ReadRaw(depth2, 0, 0), 0xFFFFu);
  EXPECT_EQ(colour->Blt(nullptr, depth, nullptr, 0, nullptr), DDERR_UNSUPPORTED);
  for (IDirectDrawSurface4* s : {colour, depth, depth2}) s->Release();
}

// The window's client area on the desktop, as the tests below place it.
bool PlaceAt100(HWND, RECT& out) {
  out = RECT{100, 100, 740, 580};
  return true;
}
bool NoWindow(HWND, RECT&) { return false; }

TEST_F(BlitTest, AClipperKeepsBlitsToThePrimaryInsideTheWindow) {
  TestSetWindowPlacer(PlaceAt100);
  IDirectDrawSurface4* primary = Make(DDSCAPS_PRIMARYSURFACE, 0, 0);
  IDirectDrawSurface4* back = MakeFormat(XRGB8888, 640, 480);
  ASSERT_EQ(FillRaw(back, 0x000011), DD_OK);
  RECT dot{10, 10, 11, 11}, corner{639, 479, 640, 480};
  ASSERT_EQ(FillRaw(back, 0xABCDEF, &dot), DD_OK);
  ASSERT_EQ(FillRaw(back, 0x456789, &corner), DD_OK);
  ASSERT_EQ(FillRaw(primary, 0x777777), DD_OK);
  // Without a clipper a rectangle off the screen is refused.
  RECT offScreen{900, 700, 1540, 1180};
  EXPECT_EQ(primary->Blt(&offScreen, back, nullptr, DDBLT_WAIT, nullptr), DDERR_INVALIDRECT);

  IDirectDrawClipper* clipper = nullptr;
  ASSERT_EQ(dd_->CreateClipper(0, &clipper, nullptr), DD_OK);
  ASSERT_EQ(clipper->SetHWnd(0, kWindow), DD_OK);
  ASSERT_EQ(primary->SetClipper(clipper), DD_OK);
  const uint64_t frames = TheDisplay().PresentedFrames();
  RECT shifted{90, 90, 730, 570};
  ASSERT_EQ(primary->Blt(&shifted, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(TheDisplay().PresentedFrames(), frames + 1);
  EXPECT_EQ(ReadRaw(primary, 95, 95), 0x777777u);    // outside the client area
  EXPECT_EQ(ReadRaw(primary, 100, 100), 0xABCDEFu);  // back (10, 10)
  EXPECT_EQ(ReadRaw(primary, 729, 569), 0x456789u);
  EXPECT_EQ(ReadRaw(primary, 735, 575), 0x777777u);
  // Stretched and clipped: the mapping is the one of the whole rectangle.
  IDirectDrawSurface4* quarter = MakeFormat(XRGB8888, 320, 240);
  RECT pixel{100, 100, 101, 101};
  ASSERT_EQ(FillRaw(quarter, 0x000022), DD_OK);
  ASSERT_EQ(FillRaw(quarter, 0x5A5A5A, &pixel), DD_OK);
  RECT doubled{0, 0, 640, 480};
  ASSERT_EQ(primary->Blt(&doubled, quarter, nullptr, 0, nullptr), DD_OK);
  EXPECT_EQ(ReadRaw(primary, 200, 200), 0x5A5A5Au);
  EXPECT_EQ(ReadRaw(primary, 202, 202), 0x000022u);
  EXPECT_EQ(ReadRaw(primary, 99, 99), 0x777777u);
  // A window that is gone shows nothing.
  ASSERT_EQ(FillRaw(primary, 0x777777), DD_OK);
  TestSetWindowPlacer(NoWindow);
  EXPECT_EQ(primary->Blt(&shifted, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
  EXPECT_EQ(ReadRaw(primary, 100, 100), 0x777777u);
  // The primary holds the clipper.
  EXPECT_EQ(clipper->Release(), 1u);
  for (IDirectDrawSurface4* s : {primary, back, quarter}) s->Release();
}

// Presents of wide rows take their own copy onto the screen: every pixel arrives, whatever the
// destination's alignment, and nothing beside the rectangle changes.
TEST_F(BlitTest, PresentsCopyEveryPixelOfWideRowsAtAnyAlignment) {
  IDirectDrawSurface4* primary = Make(DDSCAPS_PRIMARYSURFACE, 0, 0);
  constexpr int kWidth = 333, kHeight = 3;  // rows of 1332 bytes: a multiple of neither 16 nor 64
  IDirectDrawSurface4* back = MakeFormat(XRGB8888, kWidth, kHeight);
  for (int y = 0; y < kHeight; ++y)
    for (int x = 0; x < kWidth; ++x) WriteRaw(back, x, y, uint32_t(y * 100000 + x * 7 + 1));
  for (int left : {0, 1, 2, 3, 4, 101}) {
    ASSERT_EQ(FillRaw(primary, 0x777777), DD_OK);
    RECT dest{left, 20, left + kWidth, 20 + kHeight};
    ASSERT_EQ(primary->Blt(&dest, back, nullptr, DDBLT_WAIT, nullptr), DD_OK);
    int wrong = 0;
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x)
        wrong += ReadRaw(primary, left + x, 20 + y) != uint32_t(y * 100000 + x * 7 + 1);
    EXPECT_EQ(wrong, 0) << "left " << left;
    if (left > 0) {
      EXPECT_EQ(ReadRaw(primary, left - 1, 20), 0x777777u) << "left " << left;
    }
    EXPECT_EQ(ReadRaw(primary, left + kWidth, 20), 0x777777u) << "left " << left;
    EXPECT_EQ(ReadRaw(primary, left, 19), 0x777777u) << "left " << left;
    EXPECT_EQ(ReadRaw(primary, left, 20 + kHeight), 0x777777u) << "left " << left;
  }
  for (IDirectDrawSurface4* s : {primary, back}) s->Release();
}

TEST_F(BlitTest, TheClipperFollowsARealWindowsClientArea) {
  WNDCLASSA wc{};
  wc.lpfnWndProc = DefWindowProcA;
  wc.lpszClassName = "DdClipTest";
  ASSERT_NE(RegisterClassA(&wc), 0);
  HWND window = CreateWindowExA(0, "DdClipTest", "clip", WS_OVERLAPPEDWINDOW, CW_USEDEFAULT,
                                CW_USEDEFAULT, 200, 150, nullptr, nullptr, nullptr, nullptr);
  ASSERT_NE(window, nullptr);
  RECT client;
  ASSERT_TRUE(GetClientRect(window, &client));
  POINT origin{0, 0};
  ASSERT_TRUE(ClientToScreen(window, &origin));

  IDirectDrawSurface4* primary = Make(DDSCAPS_PRIMARYSURFACE, 0, 0);
  IDirectDrawSurface4* source = MakeFormat(XRGB8888, 400, 300);
  ASSERT_EQ(FillRaw(source, 0x00C0FF), DD_OK);
  ASSERT_EQ(FillRaw(primary, 0), DD_OK);
  IDirectDrawClipper* clipper = nullptr;
  ASSERT_EQ(dd_->CreateClipper(0, &clipper, nullptr), DD_OK);
  ASSERT_EQ(clipper->SetHWnd(0, window), DD_OK);
  ASSERT_EQ(primary->SetClipper(clipper), DD_OK);
  clipper->Release();
  RECT around{origin.x - 50, origin.y - 50, origin.x + 350, origin.y + 250};
  ASSERT_EQ(primary->Blt(&around, source, nullptr, 0, nullptr), DD_OK);
  EXPECT_EQ(ReadRaw(primary, origin.x, origin.y), 0x00C0FFu);
  EXPECT_EQ(ReadRaw(primary, origin.x + client.right - 1, origin.y + client.bottom - 1), 0x00C0FFu);
  EXPECT_EQ(ReadRaw(primary, origin.x - 1, origin.y), 0u);
  EXPECT_EQ(ReadRaw(primary, origin.x, origin.y + client.bottom), 0u);
  // Shown, with a window over part of its client area (a dialog dragged there): the blit
  // leaves that part alone.
  ASSERT_EQ(FillRaw(primary, 0), DD_OK);
  ShowWindow(window, SW_SHOWNA);
  HWND above = CreateWindowExA(0, "DdClipTest", "above", WS_POPUP | WS_VISIBLE, origin.x + 20,
                               origin.y + 20, 40, 30, window, nullptr, nullptr, nullptr);
  ASSERT_EQ(primary->Blt(&around, source, nullptr, 0, nullptr), DD_OK);
  EXPECT_EQ(ReadRaw(primary, origin.x + 30, origin.y + 30), 0u);
  EXPECT_EQ(ReadRaw(primary, origin.x + 10, origin.y + 30), 0x00C0FFu);
  EXPECT_EQ(ReadRaw(primary, origin.x + 70, origin.y + 30), 0x00C0FFu);
  DestroyWindow(above);
  primary->Release();
  source->Release();
  DestroyWindow(window);
}

TEST_F(BlitTest, FlipRotatesTheChainAndPresentsAFrame) {
  ASSERT_EQ(dd_->SetCooperativeLevel(kWindow, DDSCL_FULLSCREEN | DDSCL_EXCLUSIVE), DD_OK);
  ASSERT_EQ(dd_->SetDisplayMode(640, 480, 16, 0, 0), DD_OK);
  for (DWORD count : {1u, 2u}) {
    DDSURFACEDESC2 d = velta_test::SurfaceDesc(DDSCAPS_PRIMARYSURFACE | DDSCAPS_FLIP |
                                               DDSCAPS_COMPLEX | DDSCAPS_3DDEVICE);
    d.dwFlags |= DDSD_BACKBUFFERCOUNT;
    d.dwBackBufferCount = count;
    IDirectDrawSurface4* front = nullptr;
    ASSERT_EQ(dd_->CreateSurface(&d, &front, nullptr), DD_OK);
    DDSCAPS2 caps{DDSCAPS_BACKBUFFER, 0, 0, 0};
    IDirectDrawSurface4* back = nullptr;
    ASSERT_EQ(front->GetAttachedSurface(&caps, &back), DD_OK);
    EXPECT_EQ(back->Flip(nullptr, 0), DDERR_NOTFLIPPABLE);
    std::vector<IDirectDrawSurface4*> chain{front, back};
    if (count == 2) {
      DDSCAPS2 flip{DDSCAPS_FLIP, 0, 0, 0};
      IDirectDrawSurface4* second = nullptr;
      ASSERT_EQ(back->GetAttachedSurface(&flip, &second), DD_OK);
      chain.push_back(second);
    }
    for (size_t i = 0; i < chain.size(); ++i) ASSERT_EQ(FillRaw(chain[i], 0x1000 + i), DD_OK);
    const uint64_t frames = TheDisplay().PresentedFrames();
    ASSERT_EQ(front->Flip(nullptr, DDFLIP_WAIT), DD_OK);
    EXPECT_EQ(TheDisplay().PresentedFrames(), frames + 1);
    // The first back buffer is on screen, each later one moved up, the old front went last.
    for (size_t i = 0; i < chain.size(); ++i)
      EXPECT_EQ(ReadRaw(chain[i], 0, 0), 0x1000 + (i + 1) % chain.size()) << count << " " << i;
    EXPECT_EQ(*reinterpret_cast<const uint16_t*>(TheDisplay().Screen().pixels.data()), 0x1001);
    // The desktop's own buffer comes back for menus and dialogs.
    ASSERT_EQ(dd_->FlipToGDISurface(), DD_OK);
    EXPECT_EQ(ReadRaw(front, 0, 0), 0x1000u);
    // A locked back buffer holds the flip up.
    DDSURFACEDESC2 lock{};
    lock.dwSize = sizeof lock;
    ASSERT_EQ(back->Lock(nullptr, &lock, 0, nullptr), DD_OK);
    EXPECT_EQ(front->Flip(nullptr, DDFLIP_WAIT), DDERR_SURFACEBUSY);
    back->Unlock(nullptr);
    for (size_t i = 1; i < chain.size(); ++i) EXPECT_EQ(chain[i]->Release(), 0u);
    EXPECT_EQ(front->Release(), 0u);
    EXPECT_EQ(TestLiveDirectDrawObjects().surfaces, 0);
  }
  // A windowed primary has nothing to flip to.
  ASSERT_EQ(dd_->SetCooperativeLevel(kWindow, DDSCL_NORMAL), DD_OK);
  IDirectDrawSurface4* primary = Make(DDSCAPS_PRIMARYSURFACE, 0, 0);
  EXPECT_EQ(primary->Flip(nullptr, 0), DDERR_NOTFLIPPABLE);
  primary->Release();
}

TEST_F(BlitTest, AnEightBitDesktopShowsThePrimarysPalette) {
  ASSERT_TRUE(SelectNamedProfile("desktop8"));
  Open();
  IDirectDrawSurface4* primary = Make(DDSCAPS_PRIMARYSURFACE, 0, 0);
  DDPIXELFORMAT format{};
  format.dwSize = sizeof format;
  ASSERT_EQ(primary->GetPixelFormat(&format), DD_OK);
  EXPECT_TRUE(format.dwFlags & DDPF_PALETTEINDEXED8);
  std::vector<PALETTEENTRY> entries = CornerPalette();
  IDirectDrawPalette* palette = MakePalette(entries.data());
  ASSERT_EQ(primary->SetPalette(palette), DD_OK);
  const PALETTEENTRY* screen = TheDisplay().Screen().palette;
  EXPECT_EQ(screen[11].peRed, 255);
  IDirectDrawSurface4* source = MakeFormat(XRGB8888, 2, 1);
  WriteRaw(source, 0, 0, 0xFF0000);
  WriteRaw(source, 1, 0, 0x0000FF);
  RECT place{0, 0, 2, 1};
  ASSERT_EQ(primary->Blt(&place, source, nullptr, 0, nullptr), DD_OK);
  EXPECT_EQ(ReadRaw(primary, 0, 0), 11u);
  EXPECT_EQ(ReadRaw(primary, 1, 0), 13u);
  // Entries set later reach the screen too.
  PALETTEENTRY green{0, 255, 0, 0};
  ASSERT_EQ(palette->SetEntries(0, 11, 1, &green), DD_OK);
  EXPECT_EQ(screen[11].peGreen, 255);
  EXPECT_EQ(palette->Release(), 1u);
  primary->Release();
  source->Release();
}

TEST_F(BlitTest, LockGivesThePitchAndTheAddressOfTheRectangle) {
  IDirectDrawSurface4* s = MakeFormat(RGB565, 100, 60);
  DDSURFACEDESC2 whole{};
  whole.dwSize = sizeof whole;
  ASSERT_EQ(s->Lock(nullptr, &whole, DDLOCK_WAIT, nullptr), DD_OK);
  EXPECT_GE(whole.lPitch, 200);
  EXPECT_TRUE(whole.dwFlags & DDSD_LPSURFACE);
  uint8_t* base = whole.lpSurface;
  ASSERT_NE(base, nullptr);
  for (int y = 0; y < 60; ++y) reinterpret_cast<uint16_t*>(base + y * whole.lPitch)[99] = uint16_t(y);
  EXPECT_EQ(s->Lock(nullptr, &whole, 0, nullptr), DDERR_SURFACEBUSY);
  ASSERT_EQ(s->Unlock(nullptr), DD_OK);
  EXPECT_EQ(static_cast<uint8_t*>(whole.lpSurface), nullptr);  // gone with the lock
  EXPECT_EQ(s->Unlock(nullptr), DDERR_NOTLOCKED);
  EXPECT_EQ(ReadRaw(s, 99, 59), 59u);

  RECT part{10, 20, 30, 40};
  DDSURFACEDESC2 some{};
  some.dwSize = sizeof some;
  ASSERT_EQ(s->Lock(&part, &some, 0, nullptr), DD_OK);
  EXPECT_EQ(static_cast<uint8_t*>(some.lpSurface), base + 20 * some.lPitch + 10 * 2);
  s->Unlock(nullptr);
  RECT bad{90, 0, 101, 1};
  EXPECT_EQ(s->Lock(&bad, &some, 0, nullptr), DDERR_INVALIDRECT);
  some.dwSize = 108;
  EXPECT_EQ(s->Lock(nullptr, &some, 0, nullptr), DDERR_INVALIDPARAMS);
  s->Release();
}

}  // namespace
