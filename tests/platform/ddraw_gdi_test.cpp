// GDI on surfaces: text in the GUI font and bitmap copies from memory device contexts, on every
// pixel format, and the device-context rules of surfaces.
#include "bmp_builder.h"
#include "ddraw_support.h"

#include "win32/font.h"
#include "win32/gdi_bitmap.h"

using velta_test::DdTest;
using velta_test::FillRaw;
using velta_test::kColorFormats;
using velta_test::kFormatCount;
using velta_test::ReadRaw;

namespace {

// Red, green, blue and white in each format; in P8 the palette below holds them at 10 to 13.
const uint32_t kColors[kFormatCount][4] = {
    {10, 11, 12, 13},
    {0x7C00, 0x03E0, 0x001F, 0x7FFF},
    {0xF800, 0x07E0, 0x001F, 0xFFFF},
    {0xFC00, 0x83E0, 0x801F, 0xFFFF},
    {0xFF00, 0xF0F0, 0xF00F, 0xFFFF},
    {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF},
    {0xFF0000, 0x00FF00, 0x0000FF, 0xFFFFFF},
    {0xFFFF0000, 0xFF00FF00, 0xFF0000FF, 0xFFFFFFFF},
};
enum { kRed, kGreen, kBlue, kWhite };
const RGBQUAD kQuads[4] = {{0, 0, 255, 0}, {0, 255, 0, 0}, {255, 0, 0, 0}, {255, 255, 255, 0}};

class GdiSurfaceTest : public DdTest {
 protected:
  IDirectDrawSurface4* Surface(int format, DWORD width, DWORD height) {
    IDirectDrawSurface4* s = MakeFormat(format, width, height);
    if (format == 0) {
      std::vector<PALETTEENTRY> entries(256, PALETTEENTRY{40, 40, 40, 0});
      for (int i = 0; i < 4; ++i)
        entries[10 + i] = PALETTEENTRY{kQuads[i].rgbRed, kQuads[i].rgbGreen, kQuads[i].rgbBlue, 0};
      IDirectDrawPalette* p = MakePalette(entries.data());
      EXPECT_EQ(s->SetPalette(p), DD_OK);
      p->Release();
    }
    return s;
  }

  // A memory device context holding a 4 x 2 bitmap: red green blue white over white blue green
  // red, 8 bits with a colour table or 24 bits.
  HDC BitmapDC(int bitCount) {
    BmpSpec layout;
    layout.width = 4;
    layout.height = -2;
    layout.bitCount = uint16_t(bitCount);
    const int order[8] = {kRed, kGreen, kBlue, kWhite, kWhite, kBlue, kGreen, kRed};
    if (bitCount == 8) {
      layout.palette.assign(kQuads, kQuads + 4);
      layout.clrUsed = 4;
      for (int i : order) layout.pixels.push_back(uint8_t(i));
    } else {
      for (int row = 0; row < 2; ++row) {
        for (int x = 0; x < 4; ++x) {
          const RGBQUAD& q = kQuads[order[row * 4 + x]];
          layout.pixels.insert(layout.pixels.end(), {q.rgbBlue, q.rgbGreen, q.rgbRed});
        }
      }
    }
    const std::vector<uint8_t> dib = BuildPackedDib(layout);
    const std::string name = "DDGDI" + std::to_string(bitCount);
    HINSTANCE module = GetModuleHandleA(nullptr);
    EXPECT_TRUE(RegisterBitmapResource(module, name.c_str(), dib.data(), DWORD(dib.size())));
    bitmap_ = LoadImageA(module, name.c_str(), IMAGE_BITMAP, 0, 0, 0);
    EXPECT_NE(bitmap_, nullptr);
    HDC dc = CreateCompatibleDC(nullptr);
    SelectObject(dc, bitmap_);
    return dc;
  }
  void DropBitmapDC(HDC dc) {
    DeleteDC(dc);
    DeleteObject(bitmap_);
  }

  HANDLE bitmap_ = nullptr;
};

bool HaveFont() { return TextFontPath()[0] != '\0'; }

TEST_F(GdiSurfaceTest, TextIsDrawnInTheTextColourOnEveryFormat) {
  if (!HaveFont()) GTEST_SKIP() << "no usable font";
  for (int f = 0; f < kFormatCount; ++f) {
    IDirectDrawSurface4* s = Surface(f, 80, 24);
    ASSERT_EQ(FillRaw(s, kColors[f][kBlue]), DD_OK);
    HDC dc = nullptr;
    ASSERT_EQ(s->GetDC(&dc), DD_OK);
    EXPECT_EQ(SetTextColor(dc, RGB(255, 255, 255)), 0u);
    EXPECT_EQ(SetBkMode(dc, TRANSPARENT), OPAQUE);
    ASSERT_TRUE(ExtTextOutA(dc, 2, 3, 0, nullptr, "Hg", 2, nullptr));
    SIZE extent{};
    ASSERT_TRUE(GetTextExtentPoint32A(dc, "Hg", 2, &extent));
    ASSERT_EQ(s->ReleaseDC(dc), DD_OK);
    EXPECT_EQ(extent.cy, 16) << kColorFormats[f].name;
    int ink = 0, full = 0, untouchedOutside = 0, outside = 0;
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 80; ++x) {
        const uint32_t v = ReadRaw(s, x, y);
        const bool inCell = x >= 2 && x < 2 + extent.cx && y >= 3 && y < 3 + extent.cy;
        if (!inCell) {
          ++outside;
          untouchedOutside += v == kColors[f][kBlue];
        } else {
          ink += v != kColors[f][kBlue];
          full += v == kColors[f][kWhite];
        }
      }
    EXPECT_GT(ink, 30) << kColorFormats[f].name;
    EXPECT_GT(full, 0) << kColorFormats[f].name;
    EXPECT_EQ(untouchedOutside, outside) << kColorFormats[f].name;
    s->Release();
  }
}

TEST_F(GdiSurfaceTest, AnOpaqueBackgroundFillsTheCell) {
  if (!HaveFont()) GTEST_SKIP() << "no usable font";
  for (int f : {0, 2, 6}) {
    IDirectDrawSurface4* s = Surface(f, 80, 24);
    ASSERT_EQ(FillRaw(s, kColors[f][kBlue]), DD_OK);
    HDC dc = nullptr;
    ASSERT_EQ(s->GetDC(&dc), DD_OK);
    SetTextColor(dc, RGB(255, 255, 255));
    EXPECT_EQ(SetBkColor(dc, RGB(0, 255, 0)), RGB(255, 255, 255));  // white at first
    ASSERT_TRUE(ExtTextOutA(dc, 0, 0, 0, nullptr, "\xC7\xD1 i", 4, nullptr));  // Hangul too
    SIZE extent{};
    ASSERT_TRUE(GetTextExtentPoint32A(dc, "\xC7\xD1 i", 4, &extent));
    s->ReleaseDC(dc);
    int blue = 0, green = 0, white = 0;
    for (int y = 0; y < extent.cy; ++y)
      for (int x = 0; x < std::min<int>(extent.cx, 80); ++x) {
        const uint32_t v = ReadRaw(s, x, y);
        blue += v == kColors[f][kBlue];
        green += v == kColors[f][kGreen];
        white += v == kColors[f][kWhite];
      }
    EXPECT_EQ(blue, 0) << kColorFormats[f].name;
    EXPECT_GT(green, 50) << kColorFormats[f].name;
    EXPECT_GT(white, 5) << kColorFormats[f].name;
    EXPECT_EQ(ReadRaw(s, 79, 23), kColors[f][kBlue]);
    s->Release();
  }
}

TEST_F(GdiSurfaceTest, BitmapsAreConvertedOrMatchedOnEveryFormat) {
  const int order[8] = {kRed, kGreen, kBlue, kWhite, kWhite, kBlue, kGreen, kRed};
  for (int bits : {8, 24}) {
    HDC memory = BitmapDC(bits);
    for (int f = 0; f < kFormatCount; ++f) {
      IDirectDrawSurface4* s = Surface(f, 4, 2);
      HDC dc = nullptr;
      ASSERT_EQ(s->GetDC(&dc), DD_OK);
      ASSERT_TRUE(BitBlt(dc, 0, 0, 4, 2, memory, 0, 0, SRCCOPY));
      s->ReleaseDC(dc);
      for (int i = 0; i < 8; ++i)
        EXPECT_EQ(ReadRaw(s, i % 4, i / 4), kColors[f][order[i]])
            << bits << " bits to " << kColorFormats[f].name << " pixel " << i;
      s->Release();
    }
    DropBitmapDC(memory);
  }
}

TEST_F(GdiSurfaceTest, BitBltClipsToBothPicturesAndRefusesWhatItCannotDo) {
  HDC memory = BitmapDC(8);
  IDirectDrawSurface4* s = Surface(6, 4, 2);
  ASSERT_EQ(FillRaw(s, 0x123456), DD_OK);
  HDC dc = nullptr;
  ASSERT_EQ(s->GetDC(&dc), DD_OK);
  ASSERT_TRUE(BitBlt(dc, -1, 0, 4, 1, memory, 0, 0, SRCCOPY));  // one column off the left
  ASSERT_TRUE(BitBlt(dc, 3, 1, 4, 4, memory, 0, 0, SRCCOPY));   // mostly off the right
  EXPECT_FALSE(BitBlt(dc, 0, 0, 4, 2, memory, 0, 0, 0x00EE0086));  // SRCPAINT
  EXPECT_FALSE(BitBlt(dc, 0, 0, -4, 2, memory, 0, 0, SRCCOPY));
  EXPECT_FALSE(BitBlt(memory, 0, 0, 4, 2, dc, 0, 0, SRCCOPY));  // into a bitmap
  HDC empty = CreateCompatibleDC(nullptr);  // holds the stock bitmap only
  EXPECT_FALSE(BitBlt(dc, 0, 0, 4, 2, empty, 0, 0, SRCCOPY));
  DeleteDC(empty);
  s->ReleaseDC(dc);
  EXPECT_EQ(ReadRaw(s, 0, 0), 0x00FF00u);  // source (1, 0)
  EXPECT_EQ(ReadRaw(s, 2, 0), 0xFFFFFFu);  // source (3, 0)
  EXPECT_EQ(ReadRaw(s, 3, 0), 0x123456u);
  EXPECT_EQ(ReadRaw(s, 3, 1), 0xFF0000u);  // source (0, 0)
  EXPECT_EQ(ReadRaw(s, 2, 1), 0x123456u);
  s->Release();
  DropBitmapDC(memory);
}

TEST_F(GdiSurfaceTest, ColoursMatchThePaletteWhateverItsOrder) {
  HDC memory = BitmapDC(24);
  IDirectDrawSurface4* s = MakeFormat(0, 4, 2);
  std::vector<PALETTEENTRY> entries(256, PALETTEENTRY{0, 0, 0, 0});
  entries[200] = {250, 10, 10, 0};   // nearest to red
  entries[7] = {255, 255, 255, 0};   // white
  entries[99] = {0, 0, 200, 0};      // nearest to blue
  entries[100] = {0, 250, 0, 0};     // green
  IDirectDrawPalette* p = MakePalette(entries.data());
  ASSERT_EQ(s->SetPalette(p), DD_OK);
  p->Release();
  HDC dc = nullptr;
  ASSERT_EQ(s->GetDC(&dc), DD_OK);
  ASSERT_TRUE(BitBlt(dc, 0, 0, 4, 2, memory, 0, 0, SRCCOPY));
  s->ReleaseDC(dc);
  EXPECT_EQ(ReadRaw(s, 0, 0), 200u);
  EXPECT_EQ(ReadRaw(s, 1, 0), 100u);
  EXPECT_EQ(ReadRaw(s, 2, 0), 99u);
  EXPECT_EQ(ReadRaw(s, 3, 0), 7u);
  s->Release();
  DropBitmapDC(memory);
}

TEST_F(GdiSurfaceTest, DeviceContextRules) {
  IDirectDrawSurface4* s = MakeFormat(2, 8, 8);
  HDC dc = nullptr, second = nullptr;
  EXPECT_EQ(s->ReleaseDC(nullptr), DDERR_NODC);
  ASSERT_EQ(s->GetDC(&dc), DD_OK);
  EXPECT_EQ(s->GetDC(&second), DDERR_DCALREADYCREATED);
  DDSURFACEDESC2 d{};
  d.dwSize = sizeof d;
  EXPECT_EQ(s->Lock(nullptr, &d, 0, nullptr), DDERR_SURFACEBUSY);
  EXPECT_EQ(s->ReleaseDC(reinterpret_cast<HDC>(uintptr_t(0x42))), DDERR_INVALIDPARAMS);
  EXPECT_FALSE(DeleteDC(dc));  // a surface's context goes back through ReleaseDC
  EXPECT_EQ(s->ReleaseDC(dc), DD_OK);
  EXPECT_EQ(SetTextColor(dc, 0), CLR_INVALID);
  // A surface released with its context out takes the context along.
  ASSERT_EQ(s->GetDC(&dc), DD_OK);
  s->Release();
  EXPECT_EQ(SetBkMode(dc, OPAQUE), 0);
  EXPECT_FALSE(ExtTextOutA(dc, 0, 0, 0, nullptr, "x", 1, nullptr));
  const DDPIXELFORMAT z = velta_test::DepthFormat(16, 0xFFFF);
  IDirectDrawSurface4* depth = Make(DDSCAPS_ZBUFFER, 8, 8, &z);
  EXPECT_EQ(depth->GetDC(&dc), DDERR_CANTCREATEDC);
  depth->Release();
}

}  // namespace
