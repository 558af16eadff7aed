#include <gtest/gtest.h>

#include <cstdio>
#include <string>

#include "app_fixture.h"
#include "scene/fake_device.h"

namespace velta_test {
namespace {

class StatsLineTest : public AppTest {
 protected:
  // What the frame-rate line draws, alone, on a black back buffer.
  Picture StatsPicture() {
    FillSurface(TheFramework->RenderSurface(), 0);
    DrawStatsLine();
    return BackBuffer();
  }
  // The same for a given text.
  Picture TextPicture(const std::string& text) {
    FillSurface(TheFramework->RenderSurface(), 0);
    // Answers what the render target's release left, as a count.
    EXPECT_GE(DrawOverlayText(TheFramework->Device(), 0, 0, text.c_str()), 0);
    return BackBuffer();
  }
  // Checks that the line shows `rate` followed by the render target's size and depth.
  void ExpectLine(const char* rate, DWORD width, DWORD height, DWORD bits) {
    const Picture drawn = StatsPicture();
    const std::string text = std::string(rate) + " fps (" + std::to_string(width) + "x" +
                             std::to_string(height) + "x" + std::to_string(bits) + ")";
    EXPECT_GT(drawn.Count(0, 0, 200, 16, [](uint32_t c) { return c != 0; }), 20) << text;
    EXPECT_EQ(drawn.pixels, TextPicture(text).pixels) << text;
  }
  DWORD Width() const { return TheFramework->renderWidth; }
  DWORD Height() const { return TheFramework->renderHeight; }
};

TEST_F(StatsLineTest, RateIsRightAlignedInSevenCharactersWithTheTargetsSize) {
  Start();
  // The comparison sees a one-character difference.
  EXPECT_NE(TextPicture("  60.00 fps").pixels, TextPicture(" 60.00 fps").pixels);

  const struct {
    DWORD framesBefore;
    float lastTime;
    DWORD clockMs;
    const char* rate;
  } rows[] = {
      {89, 50.0f, 51500, "  60.00"},
      {2468, 50.0f, 52000, "1234.50"},
      {49380, 10.0f, 14000, "12345.25"},
      {2, 10.0f, 12000, "   1.50"},
  };
  for (const auto& row : rows) {
    StatsFrameCount = row.framesBefore;
    StatsLastTime = row.lastTime;
    SetClock(row.clockMs);
    ExpectLine(row.rate, Width(), Height(), 32);
  }

  // The line reads the render target: a full-screen 640 x 480 x 16 mode says so.
  Command(CmdToggleFullScreen);
  ASSERT_EQ(Windowed, 0);
  StatsFrameCount = 89;
  StatsLastTime = 50.0f;
  SetClock(51500);
  ExpectLine("  60.00", 640, 480, 16);
}

TEST_F(StatsLineTest, RateShowsZeroUntilAFullSecondHasPassed) {
  Start();
  FrameMoving = 0;  // a stopped picture counts its frames all the same
  auto seconds = [](DWORD ms) { return static_cast<float>(ms) * 0.001f; };
  SetClock(1000000);
  RenderOneFrame();
  EXPECT_FLOAT_EQ(StatsFps, 1.0f / 1000.0f);
  EXPECT_EQ(StatsLastTime, seconds(1000000));
  EXPECT_EQ(StatsFrameCount, 0u);
  for (int i = 0; i < 29; ++i) RenderOneFrame();
  ExpectLine("   0.00", Width(), Height(), 32);  // the 30th frame

  // Exactly one second later is not yet more than one second.
  SetClock(1001000);
  RenderOneFrame();
  EXPECT_EQ(StatsFrameCount, 31u);
  EXPECT_EQ(StatsLastTime, seconds(1000000));

  SetClock(1002000);
  ExpectLine("  16.00", Width(), Height(), 32);  // 32 frames over two seconds
  EXPECT_EQ(StatsLastTime, seconds(1002000));
  EXPECT_EQ(StatsFrameCount, 0u);
}

TEST_F(StatsLineTest, LineIsDrawnOverTheTopLeftOfEveryFrame) {
  Start();
  RenderOneFrame();
  const Picture p = BackBuffer();
  EXPECT_GT(p.Count(0, 0, 200, 16, [](uint32_t c) { return c == 0xFFFFFF; }), 20);
  EXPECT_EQ(p.NotBackground(0, 20, 150, 40), 0) << "one line only";
}

TEST_F(StatsLineTest, ResizedWindowShowsItsNewSize) {
  Start();
  RECT outer, client;
  GetWindowRect(window, &outer);
  GetClientRect(window, &client);
  SetWindowPos(window, nullptr, 0, 0, 800 + (outer.right - outer.left) - client.right,
               600 + (outer.bottom - outer.top) - client.bottom, SWP_NOMOVE | SWP_NOZORDER);
  ASSERT_EQ(Width(), 800u);
  ASSERT_EQ(Height(), 600u);
  StatsFrameCount = 89;
  StatsLastTime = 50.0f;
  SetClock(51500);
  ExpectLine("  60.00", 800, 600, 32);
}

// A device without a render target to draw on.
struct NoTargetDevice : FakeDevice {
  HRESULT GetRenderTarget(LPDIRECTDRAWSURFACE4* out) override {
    *out = nullptr;
    return DDERR_NOTFOUND;
  }
};

TEST(OverlayTextTest, NothingToDrawOnIsReportedNotDrawn) {
  NoTargetDevice device;
  EXPECT_EQ(DrawOverlayText(&device, 0, 0, "x"), DDERR_NOTFOUND);
  EXPECT_EQ(DrawOverlayText(nullptr, 0, 0, "x"), E_INVALIDARG);
}

}  // namespace
}  // namespace velta_test
