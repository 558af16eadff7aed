#include <windows.h>

#include "platform/bmp_builder.h"
#include "win32/gdi_bitmap.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

namespace {

void WriteFile(const fs::path& path, const std::vector<uint8_t>& bytes) {
  std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

BmpSpec Picture(int w, int h, int bitCount) {
  BmpSpec s;
  s.width = w;
  s.height = h;
  s.bitCount = static_cast<uint16_t>(bitCount);
  if (bitCount <= 8) {
    s.palette = TestPalette(1 << bitCount);
    s.clrUsed = static_cast<uint32_t>(s.palette.size());
  }
  s.pixels = PackRows(w, h, bitCount, false, [](int x, int y) { return static_cast<uint32_t>(x + 2 * y); });
  return s;
}

class GdiBitmaps : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("velta-gdi-" + std::to_string(::getpid()));
    fs::create_directories(root_ / "Media");
    WriteFile(root_ / "Media" / "Skin.bmp", BuildBmp(Picture(5, 3, 8)));
    WriteFile(root_ / "Media" / "deep.bmp", BuildBmp(Picture(4, 2, 24)));
    std::vector<uint8_t> bad = BuildBmp(Picture(4, 2, 8));
    bad[0] = 'X';
    WriteFile(root_ / "Media" / "bad.bmp", bad);
    old_ = fs::current_path();
    fs::current_path(root_);
  }
  void TearDown() override {
    fs::current_path(old_);
    fs::remove_all(root_);
  }
  static HBITMAP Load(LPCSTR name) {
    return static_cast<HBITMAP>(LoadImageA(nullptr, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_LOADFROMFILE));
  }
  fs::path root_, old_;
};

TEST_F(GdiBitmaps, LoadsFromAWindowsStyleNameAndDescribesTheBitmap) {
  HBITMAP bmp = Load("MEDIA\\SKIN.BMP");
  ASSERT_NE(bmp, nullptr);
  BITMAP bm{};
  EXPECT_EQ(GetObjectA(bmp, sizeof bm, nullptr), static_cast<int>(sizeof(BITMAP)));
  ASSERT_EQ(GetObjectA(bmp, sizeof bm, &bm), static_cast<int>(sizeof(BITMAP)));
  EXPECT_EQ(bm.bmType, 0);
  EXPECT_EQ(bm.bmWidth, 5);
  EXPECT_EQ(bm.bmHeight, 3);
  EXPECT_EQ(bm.bmWidthBytes, 8);
  EXPECT_EQ(bm.bmPlanes, 1);
  EXPECT_EQ(bm.bmBitsPixel, 8);
  // bmBits is the top row: pixel (x, y) holds x + 2y.
  ASSERT_NE(bm.bmBits, nullptr);
  const auto* bits = static_cast<const uint8_t*>(bm.bmBits);
  EXPECT_EQ(bits[4], 4);
  EXPECT_EQ(bits[8 * 2 + 1], 5);
  const Dib* dib = GdiBitmapDib(bmp);
  ASSERT_NE(dib, nullptr);
  EXPECT_EQ(dib->bits.data(), bits);

  EXPECT_EQ(GetObjectA(bmp, sizeof bm - 1, &bm), 0);
  EXPECT_TRUE(DeleteObject(bmp));
  EXPECT_FALSE(DeleteObject(bmp));
  EXPECT_EQ(GetObjectA(bmp, sizeof bm, &bm), 0);
  EXPECT_EQ(GdiBitmapDib(bmp), nullptr);
}

TEST_F(GdiBitmaps, LoadRefusals) {
  EXPECT_EQ(Load("media\\missing.bmp"), nullptr);
  EXPECT_EQ(Load("media\\bad.bmp"), nullptr);
  EXPECT_EQ(Load(""), nullptr);
  EXPECT_EQ(Load(nullptr), nullptr);
  EXPECT_EQ(Load(MAKEINTRESOURCEA(5)), nullptr);
  EXPECT_EQ(LoadImageA(nullptr, "media\\skin.bmp", IMAGE_ICON, 0, 0, LR_LOADFROMFILE), nullptr);
  // No scaling: only the image's own size (or 0) is accepted.
  for (const auto& [cx, cy, ok] : {std::tuple{5, 3, true}, {5, 0, true}, {0, 3, true}, {10, 6, false},
                                   {5, 4, false}, {-1, 0, false}}) {
    HANDLE h = LoadImageA(nullptr, "media\\skin.bmp", IMAGE_BITMAP, cx, cy, LR_LOADFROMFILE);
    EXPECT_EQ(h != nullptr, ok) << cx << "x" << cy;
    if (h) {
      EXPECT_TRUE(DeleteObject(h));
    }
  }
}

TEST_F(GdiBitmaps, BitmapResourcesComeFromTheirModuleOnly) {
  const auto module = reinterpret_cast<HINSTANCE>(0x7700);
  const auto other = reinterpret_cast<HINSTANCE>(0x7800);
  EXPECT_EQ(LoadImageA(module, "SKIN", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION), nullptr);
  const std::vector<uint8_t> dib = BuildPackedDib(Picture(3, 2, 4));
  ASSERT_TRUE(RegisterBitmapResource(module, "Skin", dib.data(), static_cast<DWORD>(dib.size())));
  ASSERT_TRUE(RegisterBitmapResource(module, MAKEINTRESOURCEA(101), dib.data(), static_cast<DWORD>(dib.size())));
  EXPECT_FALSE(RegisterBitmapResource(module, "Empty", dib.data(), 0));

  for (LPCSTR name : {static_cast<LPCSTR>("SKIN"), static_cast<LPCSTR>("skin"), static_cast<LPCSTR>(MAKEINTRESOURCEA(101))}) {
    HANDLE h = LoadImageA(module, name, IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION);
    ASSERT_NE(h, nullptr);
    BITMAP bm{};
    ASSERT_EQ(GetObjectA(h, sizeof bm, &bm), static_cast<int>(sizeof bm));
    EXPECT_EQ(bm.bmWidth, 3);
    EXPECT_EQ(bm.bmBitsPixel, 4);
    EXPECT_TRUE(DeleteObject(h));
  }
  EXPECT_EQ(LoadImageA(other, "SKIN", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION), nullptr);
  EXPECT_EQ(LoadImageA(module, MAKEINTRESOURCEA(102), IMAGE_BITMAP, 0, 0, 0), nullptr);
  // A file name is not looked up among resources, nor a resource name on disk.
  EXPECT_EQ(LoadImageA(module, "media\\skin.bmp", IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION), nullptr);
  EXPECT_EQ(LoadImageA(module, "SKIN", IMAGE_BITMAP, 0, 0, LR_LOADFROMFILE), nullptr);
}

TEST_F(GdiBitmaps, MemoryDcSelectionAndColourTable) {
  HBITMAP pal = Load("media\\skin.bmp");
  HBITMAP deep = Load("media\\deep.bmp");
  ASSERT_NE(pal, nullptr);
  ASSERT_NE(deep, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  ASSERT_NE(dc, nullptr);

  // A new DC holds the stock 1 x 1 monochrome bitmap, which is no DIB section.
  HGDIOBJ stock = SelectObject(dc, pal);
  ASSERT_NE(stock, nullptr);
  BITMAP bm{};
  ASSERT_EQ(GetObjectA(stock, sizeof bm, &bm), static_cast<int>(sizeof bm));
  EXPECT_EQ(bm.bmWidth, 1);
  EXPECT_EQ(bm.bmBitsPixel, 1);
  EXPECT_EQ(bm.bmBits, nullptr);
  EXPECT_EQ(GdiSelectedBitmap(dc), pal);

  RGBQUAD table[300];
  const std::vector<RGBQUAD> expected = TestPalette(256);
  EXPECT_EQ(GetDIBColorTable(dc, 0, 300, table), 256u);
  for (int i = 0; i < 256; ++i) EXPECT_EQ(table[i].rgbRed, expected[i].rgbRed) << i;
  EXPECT_EQ(GetDIBColorTable(dc, 250, 10, table), 6u);
  EXPECT_EQ(table[0].rgbGreen, expected[250].rgbGreen);
  EXPECT_EQ(GetDIBColorTable(dc, 256, 1, table), 0u);
  EXPECT_EQ(GetDIBColorTable(dc, 0xFFFFFFFF, 0xFFFFFFFF, table), 0u);
  EXPECT_EQ(GetDIBColorTable(dc, 0, 4, nullptr), 0u);

  // A bitmap lives in one DC at a time and cannot be deleted while it is there.
  HDC second = CreateCompatibleDC(dc);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(SelectObject(second, pal), nullptr);
  EXPECT_FALSE(DeleteObject(pal));
  EXPECT_EQ(SelectObject(dc, pal), pal);

  EXPECT_EQ(SelectObject(dc, deep), pal);
  EXPECT_EQ(GetDIBColorTable(dc, 0, 256, table), 0u);
  EXPECT_EQ(SelectObject(second, pal), stock);
  EXPECT_EQ(GetDIBColorTable(second, 0, 2, table), 2u);

  EXPECT_TRUE(DeleteDC(dc));
  EXPECT_FALSE(DeleteDC(dc));
  EXPECT_TRUE(DeleteObject(deep));
  EXPECT_EQ(SelectObject(second, stock), pal);
  EXPECT_TRUE(DeleteObject(pal));
  EXPECT_TRUE(DeleteObject(stock));  // stock objects stay
  EXPECT_EQ(GetObjectA(stock, sizeof bm, &bm), static_cast<int>(sizeof bm));
  EXPECT_EQ(GetDIBColorTable(second, 0, 2, table), 0u);
  EXPECT_TRUE(DeleteDC(second));
}

TEST_F(GdiBitmaps, MadeUpAndMismatchedHandlesFailCleanly) {
  HBITMAP bmp = Load("media\\skin.bmp");
  ASSERT_NE(bmp, nullptr);
  HDC dc = CreateCompatibleDC(nullptr);
  int local = 0;
  const void* bogus[] = {nullptr, &local, reinterpret_cast<void*>(0x1), reinterpret_cast<void*>(~uintptr_t{0}),
                         reinterpret_cast<char*>(bmp) + 1};
  RGBQUAD q[2];
  BITMAP bm;
  for (const void* h : bogus) {
    HGDIOBJ obj = const_cast<void*>(h);
    EXPECT_EQ(GetObjectA(obj, sizeof bm, &bm), 0);
    EXPECT_FALSE(DeleteObject(obj));
    EXPECT_FALSE(DeleteDC(static_cast<HDC>(obj)));
    EXPECT_EQ(SelectObject(static_cast<HDC>(obj), bmp), nullptr);
    EXPECT_EQ(SelectObject(dc, obj), nullptr);
    EXPECT_EQ(GetDIBColorTable(static_cast<HDC>(obj), 0, 2, q), 0u);
    EXPECT_EQ(GdiSelectedBitmap(static_cast<HDC>(obj)), nullptr);
    if (h) {
      EXPECT_EQ(CreateCompatibleDC(static_cast<HDC>(obj)), nullptr);
    }
  }
  // A DC is not a bitmap and a bitmap is not a DC.
  EXPECT_EQ(GetObjectA(dc, sizeof bm, &bm), 0);
  EXPECT_FALSE(DeleteObject(dc));
  EXPECT_EQ(SelectObject(dc, dc), nullptr);
  EXPECT_FALSE(DeleteDC(reinterpret_cast<HDC>(bmp)));
  EXPECT_EQ(CreateCompatibleDC(reinterpret_cast<HDC>(bmp)), nullptr);
  EXPECT_EQ(GdiBitmapDib(dc), nullptr);
  // Deleted handles are never handed out again.
  EXPECT_TRUE(DeleteDC(dc));
  HDC again = CreateCompatibleDC(nullptr);
  EXPECT_NE(again, dc);
  EXPECT_EQ(SelectObject(dc, bmp), nullptr);
  EXPECT_TRUE(DeleteDC(again));
  EXPECT_TRUE(DeleteObject(bmp));
}

}  // namespace
