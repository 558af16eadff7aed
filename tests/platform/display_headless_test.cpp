// The headless display: its screen and modes, window placement, frame counting with
// VELTA_FRAMES, and snapshots of a window's client area.
#include "window_recorder.h"

#include "display/display.h"
#include "testing/machine_hooks.h"
#include "test_support.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

using velta_test::Log;
using velta_test::ScratchDir;
using velta_test::WindowTest;

namespace {

struct Rgb {
  uint8_t r, g, b;
  bool operator==(const Rgb&) const = default;
};

// A picture that tells every pixel apart: red follows x, green y, blue both.
Rgb Pattern(LONG x, LONG y) { return Rgb{uint8_t(x * 7), uint8_t(y * 5), uint8_t((x + y) * 3)}; }

// Writes the colour at (x, y) of the screen in the screen's format; 8-bit screens take the
// palette index `x & 255`, whose colour is set to the pattern's.
void PutPixel(ScreenBuffer& s, LONG x, LONG y, Rgb c) {
  uint8_t* p = s.pixels.data() + size_t(y) * s.pitch;
  switch (s.bitsPerPixel) {
    case 8: p[x] = uint8_t(x); break;
    case 16: {
      const unsigned v = unsigned(c.r >> 3) << 11 | unsigned(c.g >> 2) << 5 | unsigned(c.b >> 3);
      p[2 * x] = uint8_t(v), p[2 * x + 1] = uint8_t(v >> 8);
      break;
    }
    case 24: p[3 * x] = c.b, p[3 * x + 1] = c.g, p[3 * x + 2] = c.r; break;
    case 32: p[4 * x] = c.b, p[4 * x + 1] = c.g, p[4 * x + 2] = c.r, p[4 * x + 3] = 0xEE; break;
  }
}

// The colour the screen format keeps of `c`.
Rgb AsShown(const ScreenBuffer& s, LONG x, Rgb c) {
  switch (s.bitsPerPixel) {
    case 8: {
      const PALETTEENTRY& e = s.palette[x & 255];
      return Rgb{e.peRed, e.peGreen, e.peBlue};
    }
    case 16: {
      const uint8_t r = c.r >> 3, g = c.g >> 2, b = c.b >> 3;
      return Rgb{uint8_t(r << 3 | r >> 2), uint8_t(g << 2 | g >> 4), uint8_t(b << 3 | b >> 2)};
    }
  }
  return c;
}

struct Bmp {
  bool ok = false;
  LONG width = 0, height = 0;
  WORD bits = 0;
  std::vector<uint8_t> bytes;
  DWORD offset = 0;
  Rgb At(LONG x, LONG y) const {  // y from the top
    const DWORD row = (DWORD(width) * 3 + 3) & ~3u;
    const uint8_t* p = bytes.data() + offset + size_t(height - 1 - y) * row + 3 * size_t(x);
    return Rgb{p[2], p[1], p[0]};
  }
};

Bmp ReadBmp(const std::string& path) {
  Bmp b;
  std::ifstream in(path, std::ios::binary);
  b.bytes.assign(std::istreambuf_iterator<char>(in), {});
  if (b.bytes.size() < 54 || b.bytes[0] != 'B' || b.bytes[1] != 'M') return b;
  BITMAPFILEHEADER f;
  BITMAPINFOHEADER i;
  std::memcpy(&f, b.bytes.data(), sizeof f);
  std::memcpy(&i, b.bytes.data() + sizeof f, sizeof i);
  b.width = i.biWidth, b.height = i.biHeight, b.bits = i.biBitCount, b.offset = f.bfOffBits;
  const DWORD row = (DWORD(b.width) * 3 + 3) & ~3u;
  b.ok = f.bfSize == b.bytes.size() && i.biCompression == BI_RGB &&
         b.bytes.size() >= b.offset + size_t(row) * DWORD(b.height);
  return b;
}

// Fills the window's client area on the screen with the pattern, as a blit would.
void PaintClientArea(HWND w) {
  ScreenBuffer& s = TheDisplay().Screen();
  RECT c;
  GetClientRect(w, &c);
  POINT o{0, 0};
  ClientToScreen(w, &o);
  for (LONG y = 0; y < c.bottom; ++y)
    for (LONG x = 0; x < c.right; ++x) {
      const LONG sx = o.x + x, sy = o.y + y;
      if (sx >= 0 && sy >= 0 && sx < LONG(s.width) && sy < LONG(s.height))
        PutPixel(s, sx, sy, Pattern(x, y));
    }
}

class Headless : public WindowTest {
 protected:
  void TearDown() override {
    unsetenv("VELTA_FRAMES");
    unsetenv("VELTA_SNAPSHOT");
    unsetenv("VELTA_VIDEO");
    WindowTest::TearDown();
  }
  // The display made anew with these settings.
  static void Configure(const char* name, const char* value) {
    setenv(name, value, 1);
    TestResetDisplay();
  }
};

}  // namespace

TEST_F(Headless, StartsOnTheDesktopAndChangesModes) {
  Display& d = TheDisplay();
  EXPECT_STREQ(d.Name(), "headless");
  DWORD w, h, bpp;
  d.DesktopMode(w, h, bpp);
  EXPECT_EQ(w, 1024u);
  EXPECT_EQ(h, 768u);
  EXPECT_EQ(bpp, 32u);
  EXPECT_EQ(d.Screen().pitch, 4096u);
  EXPECT_EQ(d.Screen().pixels.size(), 4096u * 768);

  const struct {
    DWORD w, h, bpp;
    bool ok;
    DWORD pitch;
  } modes[] = {
      {640, 480, 16, true, 1280}, {320, 200, 8, true, 320},   {641, 480, 24, true, 1924},
      {800, 600, 15, false, 0},   {0, 480, 32, false, 0},     {640, 0, 32, false, 0},
      {5000, 480, 32, false, 0},  {1280, 1024, 32, true, 5120},
  };
  for (const auto& m : modes) {
    const ScreenBuffer before = d.Screen();
    EXPECT_EQ(d.SetMode(m.w, m.h, m.bpp), m.ok) << m.w << "x" << m.h << "x" << m.bpp;
    const ScreenBuffer& s = d.Screen();
    if (m.ok) {
      EXPECT_EQ(s.width, m.w);
      EXPECT_EQ(s.bitsPerPixel, m.bpp);
      EXPECT_EQ(s.pitch, m.pitch);
      EXPECT_EQ(s.pixels.size(), size_t(m.pitch) * m.h);
      EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), int(m.w));
      EXPECT_EQ(GetSystemMetrics(SM_CYSCREEN), int(m.h));
    } else {
      EXPECT_EQ(s.width, before.width);  // a refused mode changes nothing
      EXPECT_EQ(s.pixels.size(), before.pixels.size());
    }
  }
  d.RestoreDesktopMode();
  EXPECT_EQ(d.Screen().width, 1024u);
  EXPECT_EQ(d.Screen().bitsPerPixel, 32u);
}

TEST_F(Headless, TheDesktopComesFromTheMachine) {
  TestMachine().desktop = ProfileMode{800, 600, 16, 60};
  TestResetDisplay();
  EXPECT_EQ(TheDisplay().Screen().width, 800u);
  EXPECT_EQ(TheDisplay().Screen().bitsPerPixel, 16u);
  EXPECT_EQ(GetSystemMetrics(SM_CXSCREEN), 800);
  // A desktop no screen can show leaves the display on a sensible one.
  TestMachine().desktop = ProfileMode{800, 600, 15, 60};
  TestResetDisplay();
  EXPECT_EQ(TheDisplay().Screen().width, 1024u);
  EXPECT_EQ(TheDisplay().Screen().bitsPerPixel, 32u);
  TestResetMachine();
}

TEST_F(Headless, AModeChangeAsksWindowsToPaintAgain) {
  HWND w = CreateShownWindow();
  ValidateRect(w, nullptr);
  TheDisplay().SetMode(640, 480, 16);
  MSG msg;
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(msg.message, UINT(WM_PAINT));
}

TEST_F(Headless, AnUnknownVideoSettingFallsBackToHeadless) {
  Configure("VELTA_VIDEO", "no-such-display");
  EXPECT_STREQ(TheDisplay().Name(), "headless");
}

TEST_F(Headless, WaitingForInputReturns) {
  const auto start = std::chrono::steady_clock::now();
  TheDisplay().PumpEvents(true);
  TheDisplay().PumpEvents(false);
  EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
}

TEST_F(Headless, FramesCloseTheMainWindowAfterTheCount) {
  Configure("VELTA_FRAMES", "3");
  HWND w = CreateShownWindow();
  ValidateRect(w, nullptr);
  Display& d = TheDisplay();
  MSG msg;
  d.FramePresented();
  d.FramePresented();
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  d.FramePresented();
  ASSERT_TRUE(PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE));
  EXPECT_EQ(msg.message, UINT(WM_CLOSE));
  EXPECT_EQ(msg.hwnd, w);
  d.FramePresented();  // once only
  EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE));
  EXPECT_EQ(d.PresentedFrames(), 4u);
}

TEST_F(Headless, FrameCountsThatAreNotCountsAreIgnored) {
  for (const char* bad : {"0", "-2", "three", "3x", "99999999999999999999999"}) {
    Configure("VELTA_FRAMES", bad);
    HWND w = CreateShownWindow();
    ValidateRect(w, nullptr);
    for (int i = 0; i < 5; ++i) TheDisplay().FramePresented();
    MSG msg;
    EXPECT_FALSE(PeekMessageA(&msg, nullptr, 0, 0, PM_NOREMOVE)) << bad;
    DestroyWindow(w);
  }
}

TEST_F(Headless, SnapshotConvertsEachScreenFormat) {
  ScratchDir dir;
  HWND w = CreateShownWindow();
  for (DWORD bpp : {32u, 24u, 16u, 8u}) {
    ASSERT_TRUE(TheDisplay().SetMode(1024, 768, bpp));
    ScreenBuffer& s = TheDisplay().Screen();
    if (bpp == 8)
      for (int i = 0; i < 256; ++i)
        s.palette[i] = PALETTEENTRY{BYTE(i), BYTE(255 - i), BYTE(i / 2), 0};
    PaintClientArea(w);
    const std::string path = dir.File("shot" + std::to_string(bpp) + ".bmp");
    ASSERT_TRUE(TheDisplay().SaveSnapshot(w, path.c_str()));
    Bmp b = ReadBmp(path);
    ASSERT_TRUE(b.ok) << bpp;
    // In a display mode the picture is the whole screen, at the mode's size.
    EXPECT_EQ(b.width, 1024);
    EXPECT_EQ(b.height, 768);
    EXPECT_EQ(b.bits, 24);
    POINT o{0, 0};
    ClientToScreen(w, &o);
    int wrong = 0;
    for (LONG y = 0; y < 480; y += 7)
      for (LONG x = 0; x < 640; x += 3)
        wrong += !(b.At(o.x + x, o.y + y) == AsShown(s, o.x + x, Pattern(x, y)));
    EXPECT_EQ(wrong, 0) << bpp << " bits per pixel";
  }
}

TEST_F(Headless, SnapshotOfAWindowPartlyOffTheScreen) {
  ScratchDir dir;
  HWND w = CreateShownWindow();
  SetWindowPos(w, nullptr, 1024 - 100, -200, 0, 0, SWP_NOSIZE | SWP_NOZORDER);
  PaintClientArea(w);
  const std::string path = dir.File("edge.bmp");
  ASSERT_TRUE(TheDisplay().SaveSnapshot(w, path.c_str()));
  Bmp b = ReadBmp(path);
  ASSERT_TRUE(b.ok);
  POINT o{0, 0};
  ClientToScreen(w, &o);
  const LONG visibleWidth = 1024 - o.x, firstVisibleRow = -o.y;
  EXPECT_EQ(b.At(0, firstVisibleRow), Pattern(0, firstVisibleRow));
  EXPECT_EQ(b.At(visibleWidth - 1, 479), Pattern(visibleWidth - 1, 479));
  EXPECT_EQ(b.At(visibleWidth, 479), (Rgb{0, 0, 0}));
  EXPECT_EQ(b.At(0, firstVisibleRow - 1), (Rgb{0, 0, 0}));
}

TEST_F(Headless, SnapshotRefusals) {
  ScratchDir dir;
  HWND w = CreateShownWindow();
  Display& d = TheDisplay();
  EXPECT_FALSE(d.SaveSnapshot(nullptr, dir.File("a.bmp").c_str()));
  EXPECT_FALSE(d.SaveSnapshot(w, nullptr));
  EXPECT_FALSE(d.SaveSnapshot(w, ""));
  EXPECT_FALSE(d.SaveSnapshot(w, dir.File("no/such/folder/a.bmp").c_str()));
  ShowWindow(w, SW_MINIMIZE);  // no client area to show
  EXPECT_FALSE(d.SaveSnapshot(w, dir.File("min.bmp").c_str()));
}

TEST_F(Headless, TheSnapshotIsSavedWhenTheMainWindowGoes) {
  ScratchDir dir;
  const std::string path = dir.File("end.bmp");
  Configure("VELTA_SNAPSHOT", path.c_str());
  HWND w = CreateShownWindow();
  // A second top-level window owned by the first goes first, and is not the one saved.
  HWND owned = CreateWindowExA(0, velta_test::kClassName, "", WS_POPUP | WS_VISIBLE, 0, 0, 50, 50,
                               w, nullptr, nullptr, nullptr);
  ASSERT_NE(owned, nullptr);
  DestroyWindow(owned);
  EXPECT_FALSE(std::ifstream(path).good());
  PaintClientArea(w);
  SendMessageA(w, WM_CLOSE, 0, 0);
  ASSERT_FALSE(IsWindow(w));
  Bmp b = ReadBmp(path);
  ASSERT_TRUE(b.ok);
  EXPECT_EQ(b.width, 640);
  EXPECT_EQ(b.height, 480);
  EXPECT_EQ(b.At(123, 321), Pattern(123, 321));
}

TEST_F(Headless, TheSnapshotIsSavedAtExitWhenTheWindowStaysOpen) {
  ScratchDir dir;
  const std::string path = dir.File("exit.bmp");
  Configure("VELTA_SNAPSHOT", path.c_str());
  EXPECT_EXIT(
      {
        HWND w = CreateShownWindow();
        PaintClientArea(w);
        std::exit(0);
      },
      ::testing::ExitedWithCode(0), "");
  Bmp b = ReadBmp(path);
  ASSERT_TRUE(b.ok);
  EXPECT_EQ(b.width, 640);
  EXPECT_EQ(b.At(200, 100), Pattern(200, 100));
}
