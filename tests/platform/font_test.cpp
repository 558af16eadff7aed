#include "win32/font.h"

#include "testing/font_hooks.h"

#include <gtest/gtest.h>

#include <unistd.h>

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>

namespace fs = std::filesystem;

namespace {

const char kVelta[] = "\xBA\xA7\xC5\xB8";  // two Hangul syllables
const char kFrameLine[] = " 60.00 fps (640x480x16)";
constexpr int kFrameLineHeight = 16;

struct Ink {
  int pixels = 0;
  int top = INT_MAX, bottom = -1, left = INT_MAX, right = -1;  // inclusive bounds
};

Ink InkOf(const GlyphRun& run) {
  Ink ink;
  for (int y = 0; y < run.height; ++y)
    for (int x = 0; x < run.width; ++x)
      if (run.coverage[size_t(y) * run.width + x] != 0) {
        ++ink.pixels;
        ink.top = std::min(ink.top, y);
        ink.bottom = std::max(ink.bottom, y);
        ink.left = std::min(ink.left, x);
        ink.right = std::max(ink.right, x);
      }
  return ink;
}

GlyphRun Render(std::string_view text, int height) {
  GlyphRun run;
  EXPECT_TRUE(RenderTextRun(text, height, run)) << text;
  EXPECT_EQ(run.coverage.size(), size_t(run.width) * run.height);
  return run;
}

int WidthOf(std::string_view text, int height) {
  int w = -1, h = -1;
  EXPECT_TRUE(MeasureTextRun(text, height, w, h));
  EXPECT_EQ(h, height);
  return w;
}

}  // namespace

TEST(RenderTextRun, LatinAndHangulInk) {
  ASSERT_NE(*TextFontPath(), '\0');
  for (const char* text : {"Velta", kVelta, "Velta \xBA\xA7\xC5\xB8"}) {
    SCOPED_TRACE(text);
    GlyphRun run = Render(text, 24);
    EXPECT_EQ(run.height, 24);
    EXPECT_GT(run.width, 0);
    EXPECT_GT(run.baseline, run.height / 2);
    EXPECT_LT(run.baseline, run.height);
    Ink ink = InkOf(run);
    // Letters stand on the baseline and fill a fair part of their cell.
    EXPECT_GT(ink.pixels, run.width * run.height / 10);
    EXPECT_LT(ink.top, run.baseline - run.height / 3);
    EXPECT_GE(ink.bottom, run.baseline - 2);
    EXPECT_LT(ink.left, run.width / 4);
    EXPECT_GT(ink.right, run.width * 3 / 4);
    EXPECT_EQ(WidthOf(text, 24), run.width);
  }
}

// Two different syllables drawn alike would both be the missing-glyph box.
TEST(RenderTextRun, HangulIsCovered) {
  GlyphRun first = Render("\xBA\xA7", 20);
  GlyphRun second = Render("\xC5\xB8", 20);
  EXPECT_NE(first.coverage, second.coverage);
  // A Hangul syllable is square: about as wide as its cell is high.
  EXPECT_GE(first.width, 14);
  EXPECT_LE(first.width, 24);
}

TEST(RenderTextRun, WidthGrowsWithText) {
  std::string text;
  int previous = 0;
  for (const char* piece : {"6", "0", ".", "0", "0", " ", "f", "p", "s", "\xBA\xA7", "\xC5\xB8"}) {
    text += piece;
    int width = WidthOf(text, kFrameLineHeight);
    EXPECT_GT(width, previous) << text;
    previous = width;
  }
  EXPECT_GT(WidthOf(kFrameLine, 32), WidthOf(kFrameLine, kFrameLineHeight));
}

TEST(RenderTextRun, FrameRateLine) {
  GlyphRun run = Render(kFrameLine, kFrameLineHeight);
  EXPECT_EQ(run.height, kFrameLineHeight);
  // 23 characters of a proportional face, most of them digits about half the cell wide.
  EXPECT_GE(run.width, 120);
  EXPECT_LE(run.width, 220);
  EXPECT_GE(run.baseline, 11);
  EXPECT_LE(run.baseline, 15);
  Ink ink = InkOf(run);
  EXPECT_GE(ink.top, 0);
  EXPECT_LE(ink.top, 4);
  EXPECT_GE(ink.bottom, run.baseline);  // the parentheses and the p reach below
  // The leading space leaves the first columns empty.
  EXPECT_GT(ink.left, 1);
  // Drawn again from the cache, the line is the same.
  EXPECT_EQ(Render(kFrameLine, kFrameLineHeight).coverage, run.coverage);
}

TEST(RenderTextRun, EmptyText) {
  GlyphRun run;
  run.width = 5;
  run.coverage.assign(10, 1);
  ASSERT_TRUE(RenderTextRun("", 16, run));
  EXPECT_EQ(run.width, 0);
  EXPECT_EQ(run.height, 16);
  EXPECT_TRUE(run.coverage.empty());
  EXPECT_EQ(WidthOf("", 16), 0);
}

// Bytes that are not code page 949 are drawn as replacement characters, never skipped.
TEST(RenderTextRun, InvalidCodePageBytes) {
  for (std::string_view text :
       {std::string_view("\x80"), std::string_view("\xFF\xFF"), std::string_view("\xBA"),
        std::string_view("A\xBA"), std::string_view("\xBA\x20"), std::string_view("a\0b", 3),
        std::string_view("\xC9\xA1\xFE\xFE")}) {
    GlyphRun run = Render(text, 16);
    EXPECT_GT(run.width, 0) << testing::PrintToString(std::string(text));
  }
}

TEST(RenderTextRun, RefusedHeights) {
  for (int height : {0, -1, -16, kMaxTextPixelHeight + 1, INT_MAX, INT_MIN}) {
    GlyphRun run;
    run.width = run.height = run.baseline = 3;
    run.coverage.assign(9, 1);
    EXPECT_FALSE(RenderTextRun("Velta", height, run)) << height;
    EXPECT_EQ(run.width, 0);
    EXPECT_EQ(run.height, 0);
    EXPECT_EQ(run.baseline, 0);
    EXPECT_TRUE(run.coverage.empty());
    int w = 7, h = 7;
    EXPECT_FALSE(MeasureTextRun("Velta", height, w, h));
    EXPECT_EQ(w, 0);
    EXPECT_EQ(h, 0);
  }
  GlyphRun tallest = Render(kVelta, kMaxTextPixelHeight);
  EXPECT_EQ(tallest.height, kMaxTextPixelHeight);
  EXPECT_GT(InkOf(tallest).pixels, 0);
}

TEST(RenderTextRun, LongLinesAreCut) {
  for (const std::string& text : {std::string(100000, 'W'), [] {
                                    std::string s;
                                    for (int i = 0; i < 100000; ++i) s += kVelta;
                                    return s;
                                  }()}) {
    GlyphRun run = Render(text, 64);
    EXPECT_EQ(run.width, kMaxTextRunWidth);
    EXPECT_EQ(WidthOf(text, 64), kMaxTextRunWidth);
    // The cut glyph is drawn up to the edge.
    EXPECT_GT(InkOf(run).right, kMaxTextRunWidth - 64);
  }
  // Characters without advance end at the byte limit rather than running on.
  std::string zeros(1 << 20, '\0');
  GlyphRun run = Render(zeros, 8);
  EXPECT_LE(run.width, kMaxTextRunWidth);
}

// Tiny cells and glyphs that reach past the pen on either side are clipped to the run.
TEST(RenderTextRun, OverhangingGlyphsAreClipped) {
  for (int height : {1, 2, 3, 5, 9}) {
    for (const char* text : {"j", "f", "_", "|", "W", "Q", "\xBA\xA7", "()"}) {
      GlyphRun run = Render(text, height);
      EXPECT_EQ(run.height, height);
      EXPECT_LE(run.baseline, run.height);
    }
  }
}

// Filling the glyph cache past its bound starts it over without changing what is drawn.
TEST(RenderTextRun, CacheBoundKeepsPictures) {
  GlyphRun before = Render(kFrameLine, kFrameLineHeight);
  for (int height = 1; height <= 400; ++height) {
    GlyphRun run;
    ASSERT_TRUE(RenderTextRun("0123456789.fps", height, run));
  }
  EXPECT_EQ(Render(kFrameLine, kFrameLineHeight).coverage, before.coverage);
}

class FontSearch : public testing::Test {
 protected:
  void SetUp() override {
    dir_ = fs::temp_directory_path() / ("velta-font-" + std::to_string(::getpid()));
    fs::create_directories(dir_);
  }
  void TearDown() override {
    ::unsetenv("VELTA_FONT");
    ::unsetenv("FONTCONFIG_FILE");
    testing::internal::CaptureStderr();
    TestReloadTextFont();
    testing::internal::GetCapturedStderr();
    std::error_code ec;
    fs::remove_all(dir_, ec);
  }

  // A fontconfig configuration that knows only the fonts in `fonts`.
  void UseFontFolder(const fs::path& fonts) {
    fs::path conf = dir_ / "fonts.conf";
    std::ofstream(conf) << "<?xml version=\"1.0\"?>\n<fontconfig><dir>" << fonts.string()
                        << "</dir><cachedir>" << (dir_ / "cache").string()
                        << "</cachedir></fontconfig>\n";
    ::setenv("FONTCONFIG_FILE", conf.c_str(), 1);
  }

  std::string Reload() {
    testing::internal::CaptureStderr();
    TestReloadTextFont();
    return testing::internal::GetCapturedStderr();
  }

  fs::path dir_;
};

TEST_F(FontSearch, MissingOverrideFallsBack) {
  std::string found = TextFontPath();
  ::setenv("VELTA_FONT", (dir_ / "missing.ttf").c_str(), 1);
  std::string warning = Reload();
  EXPECT_NE(warning.find("missing.ttf"), std::string::npos) << warning;
  EXPECT_EQ(std::count(warning.begin(), warning.end(), '\n'), 1) << warning;
  EXPECT_EQ(std::string(TextFontPath()), found);
  EXPECT_GT(InkOf(Render(kVelta, 16)).pixels, 0);
}

TEST_F(FontSearch, OverrideIsUsed) {
  const char* path = "/usr/share/fonts/truetype/nanum/NanumMyeongjo.ttf";
  if (!fs::exists(path)) GTEST_SKIP() << path << " is not installed";
  GlyphRun usual = Render(kVelta, 24);
  ::setenv("VELTA_FONT", path, 1);
  EXPECT_EQ(Reload(), "");
  EXPECT_STREQ(TextFontPath(), path);
  EXPECT_NE(Render(kVelta, 24).coverage, usual.coverage);
}

const char kLatinOnlyFont[] = "/usr/share/fonts/truetype/dejavu/DejaVuSans.ttf";

TEST_F(FontSearch, FontWithoutHangulWithWarning) {
  if (!fs::exists(kLatinOnlyFont)) GTEST_SKIP() << kLatinOnlyFont << " is not installed";
  fs::path fonts = dir_ / "fonts";
  fs::create_directories(fonts);
  fs::copy_file(kLatinOnlyFont, fonts / "latin.ttf");
  UseFontFolder(fonts);
  std::string warning = Reload();
  EXPECT_NE(warning.find("Hangul"), std::string::npos) << warning;
  EXPECT_EQ(std::count(warning.begin(), warning.end(), '\n'), 1) << warning;
  EXPECT_EQ(fs::path(TextFontPath()).filename(), "latin.ttf");
  // Latin text is drawn; Korean text still takes room, as boxes.
  EXPECT_GT(InkOf(Render("Velta", 16)).pixels, 0);
  EXPECT_GT(Render(kVelta, 16).width, 0);
}

TEST_F(FontSearch, NoFontAtAll) {
  fs::path empty = dir_ / "empty";
  fs::create_directories(empty);
  std::ofstream(empty / "not-a-font.ttf") << "plain text";
  UseFontFolder(empty);
  ::setenv("VELTA_FONT", (empty / "not-a-font.ttf").c_str(), 1);
  std::string warning = Reload();
  EXPECT_NE(warning.find("no usable font"), std::string::npos) << warning;
  EXPECT_STREQ(TextFontPath(), "");
  GlyphRun run;
  EXPECT_FALSE(RenderTextRun("Velta", 16, run));
  EXPECT_EQ(run.width, 0);
  EXPECT_EQ(run.height, 0);
  EXPECT_TRUE(run.coverage.empty());
  int w = 1, h = 1;
  EXPECT_FALSE(MeasureTextRun("Velta", 16, w, h));
}
