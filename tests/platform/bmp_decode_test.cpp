#include "win32/bmp_decode.h"

#include "platform/bmp_builder.h"

#include <gtest/gtest.h>

#include <climits>
#include <random>
#include <string>

namespace {

BmpResult DecodeFile(const std::vector<uint8_t>& file, Dib& dib) {
  return DecodeBmpFile(file.data(), file.size(), dib);
}

// 0xRRGGBB of a pixel, or ~0 when DibPixelRGB refuses it.
uint32_t ColorAt(const Dib& dib, int x, int y) {
  RGBQUAD q;
  if (!DibPixelRGB(dib, x, y, q)) return ~0u;
  return static_cast<uint32_t>(q.rgbRed) << 16 | q.rgbGreen << 8 | q.rgbBlue;
}

uint32_t Hex(const RGBQUAD& q) { return static_cast<uint32_t>(q.rgbRed) << 16 | q.rgbGreen << 8 | q.rgbBlue; }

// The colour-table index stored for a pixel of a 4- or 8-bit image.
int IndexAt(const Dib& dib, int x, int y) {
  const uint8_t* row = DibRow(dib, y);
  if (dib.bitCount == 8) return row[x];
  return (row[x >> 1] >> ((x & 1) ? 0 : 4)) & 15;
}

BmpSpec Paletted8(int w, int h) {
  BmpSpec s;
  s.width = w;
  s.height = h;
  s.bitCount = 8;
  s.palette = TestPalette(256);
  s.pixels = PackRows(w, h, 8, false, [w](int x, int y) { return (x + w * y) * 3 % 256; });
  return s;
}

class HeaderKinds : public ::testing::TestWithParam<uint32_t> {};

TEST_P(HeaderKinds, EightBitPictureReadsTheSameFromFileAndPackedDib) {
  BmpSpec s = Paletted8(5, 3);
  s.headerSize = GetParam();
  const std::vector<RGBQUAD> pal = s.palette;
  for (const bool packed : {false, true}) {
    SCOPED_TRACE(packed ? "packed" : "file");
    Dib dib;
    const std::vector<uint8_t> bytes = packed ? BuildPackedDib(s) : BuildBmp(s);
    ASSERT_EQ(packed ? DecodePackedDib(bytes.data(), bytes.size(), dib) : DecodeFile(bytes, dib),
              BmpResult::Ok);
    EXPECT_EQ(dib.width, 5);
    EXPECT_EQ(dib.height, 3);
    EXPECT_EQ(dib.bitCount, 8);
    EXPECT_EQ(dib.stride, 8u);
    EXPECT_EQ(dib.colorCount, 256u);
    EXPECT_FALSE(dib.truncated);
    for (int y = 0; y < 3; ++y)
      for (int x = 0; x < 5; ++x) EXPECT_EQ(ColorAt(dib, x, y), Hex(pal[(x + 5 * y) * 3 % 256])) << x << "," << y;
  }
}

INSTANTIATE_TEST_SUITE_P(AllSizes, HeaderKinds, ::testing::Values(12u, 16u, 40u, 52u, 56u, 64u, 108u, 124u));

struct DepthCase {
  int bitCount;
  std::vector<RGBQUAD> palette;
  uint32_t (*value)(int x, int y);
  uint32_t (*expected)(const std::vector<RGBQUAD>& pal, uint32_t value);
};

uint32_t FromTable(const std::vector<RGBQUAD>& pal, uint32_t v) { return Hex(pal[v]); }
uint32_t From555(const std::vector<RGBQUAD>&, uint32_t v) {
  auto s = [](uint32_t c) { return (c * 255 + 15) / 31; };
  return s(v >> 10 & 31) << 16 | s(v >> 5 & 31) << 8 | s(v & 31);
}
uint32_t FromXrgb(const std::vector<RGBQUAD>&, uint32_t v) { return v & 0xFFFFFF; }

class Depths : public ::testing::TestWithParam<bool> {};

TEST_P(Depths, EveryDepthDecodesToItsColoursInBothRowOrders) {
  const bool topDown = GetParam();
  const DepthCase cases[] = {
      {1, {Rgb(10, 20, 30), Rgb(200, 100, 50)}, [](int x, int y) -> uint32_t { return (x + y) & 1; }, FromTable},
      {4, TestPalette(16), [](int x, int y) -> uint32_t { return (x * 3 + y) % 16; }, FromTable},
      {8, TestPalette(256), [](int x, int y) -> uint32_t { return (x * 37 + y * 11) % 256; }, FromTable},
      {16, {}, [](int x, int y) -> uint32_t { return (x * 2497u + y * 131u) & 0x7FFF; }, From555},
      {24, {}, [](int x, int y) -> uint32_t { return (x * 0x10305u + y * 0x70B0Du) & 0xFFFFFF; }, FromXrgb},
      // The top byte of a BI_RGB 32-bit pixel is unused, whatever it holds.
      {32, {}, [](int x, int y) -> uint32_t { return x * 0x1020304u + y * 0x9080706u; }, FromXrgb},
  };
  const int w = 13, h = 7;
  for (const DepthCase& c : cases) {
    SCOPED_TRACE(c.bitCount);
    BmpSpec s;
    s.width = w;
    s.height = topDown ? -h : h;
    s.bitCount = static_cast<uint16_t>(c.bitCount);
    s.palette = c.palette;
    s.clrUsed = static_cast<uint32_t>(c.palette.size());
    s.pixels = PackRows(w, h, c.bitCount, topDown, c.value);
    Dib dib;
    ASSERT_EQ(DecodeFile(BuildBmp(s), dib), BmpResult::Ok);
    EXPECT_EQ(dib.height, h);
    EXPECT_EQ(dib.stride % 4, 0u);
    EXPECT_EQ(dib.colorCount, c.bitCount <= 8 ? 1u << c.bitCount : 0u);
    for (int y = 0; y < h; ++y)
      for (int x = 0; x < w; ++x) ASSERT_EQ(ColorAt(dib, x, y), c.expected(c.palette, c.value(x, y))) << x << "," << y;
    RGBQUAD q;
    ASSERT_TRUE(DibPixelRGB(dib, 0, 0, q));
    EXPECT_EQ(q.rgbReserved, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(BottomUpAndTopDown, Depths, ::testing::Bool());

struct FieldsCase {
  const char* name;
  uint32_t headerSize;
  uint32_t compression;
  uint16_t bitCount;
  uint32_t masks[4];
  uint32_t pixel;
  uint32_t rgb;  // expected 0xRRGGBB
  uint8_t alpha;
};

TEST(BmpDecode, ChannelMasksFromEveryPlaceTheyCanBe) {
  const FieldsCase cases[] = {
      {"565 after a 40-byte header", 40, BI_BITFIELDS, 16, {0xF800, 0x07E0, 0x001F, 0}, 0xFFFF, 0xFFFFFF, 0},
      {"565 mid grey", 40, BI_BITFIELDS, 16, {0xF800, 0x07E0, 0x001F, 0}, 0x8410, 0x848284, 0},
      {"32-bit in an unusual order", 40, BI_BITFIELDS, 32, {0x000000FF, 0x0000FF00, 0x00FF0000, 0}, 0x00332211, 0x112233, 0},
      {"10-10-10 in a 52-byte header", 52, BI_BITFIELDS, 32, {0x3FF00000, 0x000FFC00, 0x000003FF, 0}, 0x3FF00000, 0xFF0000, 0},
      {"alpha in a 56-byte header", 56, BI_BITFIELDS, 32, {0x00FF0000, 0x0000FF00, 0x000000FF, 0xFF000000}, 0x80102030, 0x102030, 0x80},
      {"4444 in a V5 header", 124, BI_BITFIELDS, 16, {0x0F00, 0x00F0, 0x000F, 0xF000}, 0xF5A0, 0x55AA00, 0xFF},
      {"alpha bit fields after a 40-byte header", 40, BI_ALPHABITFIELDS, 32, {0x0000FF00, 0x00FF0000, 0xFF000000, 0x000000FF}, 0x11223344, 0x332211, 0x44},
      {"V4 header with bit fields, no alpha", 108, BI_BITFIELDS, 16, {0x7C00, 0x03E0, 0x001F, 0}, 0x7C00, 0xFF0000, 0},
      {"BI_RGB ignores the header's masks", 124, BI_RGB, 32, {0x000000FF, 0x0000FF00, 0x00FF0000, 0xFF000000}, 0xAA112233, 0x112233, 0},
      {"a channel may be absent", 40, BI_BITFIELDS, 16, {0xFF00, 0x00FF, 0, 0}, 0x80FF, 0x80FF00, 0},
  };
  for (const FieldsCase& c : cases) {
    SCOPED_TRACE(c.name);
    BmpSpec s;
    s.headerSize = c.headerSize;
    s.width = 3;
    s.height = 2;
    s.bitCount = c.bitCount;
    s.compression = c.compression;
    std::copy(c.masks, c.masks + 4, s.masks);
    s.pixels = PackRows(3, 2, c.bitCount, false, [&](int, int) { return c.pixel; });
    Dib dib;
    ASSERT_EQ(DecodeFile(BuildBmp(s), dib), BmpResult::Ok);
    RGBQUAD q;
    ASSERT_TRUE(DibPixelRGB(dib, 2, 1, q));
    EXPECT_EQ(Hex(q), c.rgb);
    EXPECT_EQ(q.rgbReserved, c.alpha);
  }
}

TEST(BmpDecode, ChannelScalingReachesFullWhite) {
  const struct { uint32_t value; uint8_t bits, expected; } cases[] = {
      {31, 5, 255}, {0, 5, 0}, {16, 5, 132}, {1, 1, 255}, {1, 2, 85}, {0x3FF, 10, 255},
      {0x200, 10, 128}, {0xFFFFFFFF, 32, 255}, {200, 8, 200}, {5, 0, 0},
  };
  for (const auto& c : cases) EXPECT_EQ(DibScaleChannel(c.value, c.bits), c.expected) << c.value << "/" << int(c.bits);
}

BmpSpec Rle(uint32_t compression, int w, int h, std::vector<uint8_t> stream) {
  BmpSpec s;
  s.width = w;
  s.height = h;
  s.compression = compression;
  s.bitCount = compression == BI_RLE8 ? 8 : 4;
  s.palette = TestPalette(compression == BI_RLE8 ? 256 : 16);
  s.pixels = std::move(stream);
  return s;
}

std::vector<std::vector<int>> Indices(const Dib& dib) {
  std::vector<std::vector<int>> rows(dib.height);
  for (int y = 0; y < dib.height; ++y)
    for (int x = 0; x < dib.width; ++x) rows[y].push_back(IndexAt(dib, x, y));
  return rows;
}

TEST(BmpDecode, Rle8RunsAbsoluteRunsDeltasAndEndMarkers) {
  const BmpSpec s = Rle(BI_RLE8, 6, 4,
                        {3, 5, 0, 3, 1, 2, 3, 0, 0, 0,  // bottom row: run, odd absolute run with pad
                         2, 7, 0, 2, 2, 0, 2, 9, 0, 0,  // run, delta two right, run
                         0, 2, 1, 1,                    // delta one right and one up
                         2, 4, 0, 1});                  // run on the top row, end of bitmap
  Dib dib;
  ASSERT_EQ(DecodeFile(BuildBmp(s), dib), BmpResult::Ok);
  EXPECT_EQ(dib.bitCount, 8);
  EXPECT_FALSE(dib.truncated);
  const std::vector<std::vector<int>> expected = {
      {0, 4, 4, 0, 0, 0}, {0, 0, 0, 0, 0, 0}, {7, 7, 0, 0, 9, 9}, {5, 5, 5, 1, 2, 3}};
  EXPECT_EQ(Indices(dib), expected);
  EXPECT_EQ(ColorAt(dib, 1, 0), Hex(s.palette[4]));
}

TEST(BmpDecode, Rle4AlternatesNibblesAndCutsRunsAtTheRowEnd) {
  const BmpSpec s = Rle(BI_RLE4, 7, 2,
                        {5, 0x1A, 0, 3, 0x23, 0x40, 0, 0,  // 1 A 1 A 1, then 2 3 (the 4 is past the row)
                         0, 5, 0x12, 0x34, 0x50, 0,        // absolute 1 2 3 4 5, padded
                         2, 0xF0, 0, 1});
  Dib dib;
  ASSERT_EQ(DecodeFile(BuildBmp(s), dib), BmpResult::Ok);
  EXPECT_EQ(dib.bitCount, 4);
  const std::vector<std::vector<int>> expected = {{1, 2, 3, 4, 5, 15, 0}, {1, 10, 1, 10, 1, 2, 3}};
  EXPECT_EQ(Indices(dib), expected);
}

struct RleCase {
  const char* name;
  uint32_t compression;
  int width, height;
  std::vector<uint8_t> stream;
  std::vector<std::vector<int>> expected;
  bool truncated;
};

TEST(BmpDecode, RleStreamsThatLieAreClippedToTheImage) {
  const RleCase cases[] = {
      {"run past the row", BI_RLE8, 4, 2, {255, 7, 0, 0, 255, 8, 0, 1}, {{8, 8, 8, 8}, {7, 7, 7, 7}}, false},
      {"run past the row, no end of line", BI_RLE8, 3, 2, {255, 7, 2, 9, 0, 1}, {{0, 0, 0}, {7, 7, 7}}, false},
      {"delta past the image", BI_RLE8, 4, 2, {1, 3, 0, 2, 255, 255, 1, 9}, {{0, 0, 0, 0}, {3, 0, 0, 0}}, false},
      {"delta past the row", BI_RLE8, 4, 2, {0, 2, 200, 0, 3, 5, 0, 0, 1, 6, 0, 1}, {{6, 0, 0, 0}, {0, 0, 0, 0}}, false},
      {"absolute run past the row", BI_RLE8, 3, 1, {0, 5, 1, 2, 3, 4, 5, 0, 0, 1}, {{1, 2, 3}}, false},
      {"end of line past the last row", BI_RLE8, 2, 1, {1, 4, 0, 0, 0, 0, 3, 1}, {{4, 0}}, false},
      {"absolute run past the data", BI_RLE8, 4, 1, {0, 16, 1, 2}, {{1, 2, 0, 0}}, true},
      {"no end of bitmap", BI_RLE8, 2, 2, {2, 1, 0, 0}, {{0, 0}, {1, 1}}, true},
      {"odd byte at the end", BI_RLE8, 2, 1, {1, 3, 1}, {{3, 0}}, true},
      {"delta cut short", BI_RLE8, 2, 1, {0, 2, 1}, {{0, 0}}, true},
      {"4-bit run past the row", BI_RLE4, 3, 1, {255, 0x12, 0, 1}, {{1, 2, 1}}, false},
      {"4-bit absolute run past the data", BI_RLE4, 6, 1, {0, 9, 0x12, 0x34}, {{1, 2, 3, 4, 0, 0}}, true},
      {"4-bit delta past the image", BI_RLE4, 2, 1, {0, 2, 0, 9, 1, 0xFF}, {{0, 0}}, false},
  };
  for (const RleCase& c : cases) {
    SCOPED_TRACE(c.name);
    Dib dib;
    ASSERT_EQ(DecodeFile(BuildBmp(Rle(c.compression, c.width, c.height, c.stream)), dib), BmpResult::Ok);
    EXPECT_EQ(Indices(dib), c.expected);
    EXPECT_EQ(dib.truncated, c.truncated);
  }
}

TEST(BmpDecode, EndlessLookingRleFinishesWithTheData) {
  std::vector<uint8_t> stream;
  for (int i = 0; i < 5000; ++i) stream.insert(stream.end(), {0, 2, 0, 0});  // zero-length deltas
  Dib dib;
  ASSERT_EQ(DecodeFile(BuildBmp(Rle(BI_RLE8, 4096, 4096, stream)), dib), BmpResult::Ok);
  EXPECT_TRUE(dib.truncated);
}

TEST(BmpDecode, ShortColourTablesLeaveMissingEntriesBlack) {
  BmpSpec s;
  s.width = 6;
  s.height = 1;
  s.bitCount = 8;
  s.palette = {Rgb(255, 0, 0), Rgb(0, 255, 0), Rgb(0, 0, 255)};
  s.clrUsed = 3;
  s.pixels = PackRows(6, 1, 8, false, [](int x, int) { return static_cast<uint32_t>(x == 5 ? 255 : x); });
  Dib dib;
  ASSERT_EQ(DecodeFile(BuildBmp(s), dib), BmpResult::Ok);
  EXPECT_EQ(dib.colorCount, 256u);
  const uint32_t expected[] = {0xFF0000, 0x00FF00, 0x0000FF, 0, 0, 0};
  for (int x = 0; x < 6; ++x) EXPECT_EQ(ColorAt(dib, x, 0), expected[x]) << x;

  // The same table as a resource: the pixels follow the three entries.
  const std::vector<uint8_t> packed = BuildPackedDib(s);
  ASSERT_EQ(DecodePackedDib(packed.data(), packed.size(), dib), BmpResult::Ok);
  for (int x = 0; x < 6; ++x) EXPECT_EQ(ColorAt(dib, x, 0), expected[x]) << x;
}

TEST(BmpDecode, ColourTableSizesFromTheHeaderAndTheDataOffset) {
  struct Case {
    const char* name;
    uint32_t headerSize;
    uint16_t bitCount;
    int entries;       // entries written to the file
    uint32_t clrUsed;
    int offsetEntries;  // bfOffBits leaves room for this many (-1: right after the table)
    int expectRead;
  } cases[] = {
      {"core header with a short table", 12, 8, 5, 0, -1, 5},
      {"info header claims 256, offset allows 10", 40, 8, 10, 256, 10, 10},
      {"300 entries for 8 bits", 40, 8, 300, 300, -1, 256},
      {"absurd count, honest offset", 40, 8, 16, 0xFFFFFFFF, -1, 16},
      {"one entry for 1 bit", 40, 1, 1, 1, -1, 1},
      {"gap between table and pixels", 40, 4, 16, 0, 40, 16},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    BmpSpec s;
    s.headerSize = c.headerSize;
    s.width = 2;
    s.height = 1;
    s.bitCount = c.bitCount;
    s.clrUsed = c.clrUsed;
    for (int i = 0; i < c.entries; ++i) s.palette.push_back(Rgb(static_cast<uint8_t>(i + 1), 9, 9));
    const uint32_t entrySize = c.headerSize == 12 ? 3 : 4;
    if (c.offsetEntries >= 0) s.offBits = 14 + c.headerSize + entrySize * c.offsetEntries;
    s.pixels.assign(4, 0);
    if (c.offsetEntries > c.entries) s.pixels.insert(s.pixels.begin(), (c.offsetEntries - c.entries) * entrySize, 0xEE);
    Dib dib;
    ASSERT_EQ(DecodeFile(BuildBmp(s), dib), BmpResult::Ok);
    EXPECT_EQ(dib.colorCount, 1u << c.bitCount);
    for (uint32_t i = 0; i < dib.colorCount; ++i)
      EXPECT_EQ(int{dib.colors[i].rgbRed}, static_cast<int>(i) < c.expectRead ? static_cast<int>((i + 1) & 0xFF) : 0) << i;
    EXPECT_EQ(ColorAt(dib, 0, 0), Hex(dib.colors[0]));
  }
}

TEST(BmpDecode, DeepImagesSkipTheirOptionalColourTable) {
  BmpSpec s;
  s.width = 2;
  s.height = 1;
  s.bitCount = 24;
  s.clrUsed = 3;
  s.palette = TestPalette(3);
  s.pixels = PackRows(2, 1, 24, false, [](int x, int) { return x ? 0x123456u : 0xABCDEFu; });
  const std::vector<uint8_t> packed = BuildPackedDib(s);
  Dib fromFile, fromPacked;
  ASSERT_EQ(DecodeFile(BuildBmp(s), fromFile), BmpResult::Ok);
  ASSERT_EQ(DecodePackedDib(packed.data(), packed.size(), fromPacked), BmpResult::Ok);
  for (const Dib& dib : {fromFile, fromPacked}) {
    EXPECT_EQ(dib.colorCount, 0u);
    EXPECT_EQ(ColorAt(dib, 0, 0), 0xABCDEFu);
    EXPECT_EQ(ColorAt(dib, 1, 0), 0x123456u);
  }
}

TEST(BmpDecode, TruncatedPixelDataKeepsWhatIsThereAndLeavesTheRestBlack) {
  for (const bool topDown : {false, true}) {
    SCOPED_TRACE(topDown ? "top-down" : "bottom-up");
    BmpSpec s;
    s.width = 4;
    s.height = topDown ? -4 : 4;
    s.bitCount = 24;
    s.pixels = PackRows(4, 4, 24, topDown, [](int x, int y) { return 0x0F0F0Fu * (y * 4 + x + 1); });
    s.pixels.resize(12 * 2 + 3);  // two whole rows and one pixel
    Dib dib;
    ASSERT_EQ(DecodeFile(BuildBmp(s), dib), BmpResult::Ok);
    EXPECT_TRUE(dib.truncated);
    for (int y = 0; y < 4; ++y) {
      const int fileRow = topDown ? y : 3 - y;
      for (int x = 0; x < 4; ++x) {
        const bool present = fileRow < 2 || (fileRow == 2 && x == 0);
        EXPECT_EQ(ColorAt(dib, x, y), present ? 0x0F0F0Fu * (y * 4 + x + 1) : 0u) << x << "," << y;
      }
    }
  }
}

TEST(BmpDecode, PixelReadsOutsideTheImageFail) {
  Dib dib;
  ASSERT_EQ(DecodeFile(BuildBmp(Paletted8(3, 2)), dib), BmpResult::Ok);
  RGBQUAD q;
  for (const auto& [x, y] : {std::pair{-1, 0}, {3, 0}, {0, -1}, {0, 2}, {INT_MIN, INT_MIN}})
    EXPECT_FALSE(DibPixelRGB(dib, x, y, q)) << x << "," << y;
  EXPECT_FALSE(DibPixelRGB(Dib{}, 0, 0, q));
  EXPECT_EQ(DibRow(dib, 2), nullptr);
}

struct RefusalCase {
  const char* name;
  BmpResult expected;
  void (*mutate)(BmpSpec&);
  void (*patch)(std::vector<uint8_t>&);
};

TEST(BmpDecode, FilesThatLieAreRefused) {
  const RefusalCase cases[] = {
      {"no signature", BmpResult::NotBmp, nullptr, [](std::vector<uint8_t>& f) { f[1] = 'A'; }},
      {"file header cut", BmpResult::ShortHeader, nullptr, [](std::vector<uint8_t>& f) { f.resize(12); }},
      {"info header cut", BmpResult::ShortHeader, nullptr, [](std::vector<uint8_t>& f) { f.resize(30); }},
      {"header size 66", BmpResult::BadHeaderSize, nullptr, [](std::vector<uint8_t>& f) { f[14] = 66; }},
      {"header size 0", BmpResult::BadHeaderSize, nullptr, [](std::vector<uint8_t>& f) { f[14] = 0; }},
      {"two planes", BmpResult::BadPlanes, [](BmpSpec& s) { s.planes = 2; }, nullptr},
      {"2 bits", BmpResult::BadBitCount, [](BmpSpec& s) { s.bitCount = 2; }, nullptr},
      {"64 bits", BmpResult::BadBitCount, [](BmpSpec& s) { s.bitCount = 64; }, nullptr},
      {"0 bits", BmpResult::BadBitCount, [](BmpSpec& s) { s.bitCount = 0; }, nullptr},
      {"JPEG", BmpResult::Unsupported, [](BmpSpec& s) { s.compression = BI_JPEG; }, nullptr},
      {"PNG", BmpResult::Unsupported, [](BmpSpec& s) { s.compression = BI_PNG; }, nullptr},
      {"compression 0xFFFFFFFF", BmpResult::Unsupported, [](BmpSpec& s) { s.compression = 0xFFFFFFFF; }, nullptr},
      {"OS/2 Huffman", BmpResult::Unsupported, [](BmpSpec& s) { s.headerSize = 64; s.bitCount = 1; s.compression = 3; }, nullptr},
      {"OS/2 RLE24", BmpResult::Unsupported, [](BmpSpec& s) { s.headerSize = 64; s.bitCount = 24; s.compression = 4; }, nullptr},
      {"RLE8 at 4 bits", BmpResult::BadBitCount, [](BmpSpec& s) { s.compression = BI_RLE8; s.bitCount = 4; }, nullptr},
      {"RLE4 at 8 bits", BmpResult::BadBitCount, [](BmpSpec& s) { s.compression = BI_RLE4; }, nullptr},
      {"bit fields at 24 bits", BmpResult::BadBitCount, [](BmpSpec& s) { s.compression = BI_BITFIELDS; s.bitCount = 24; }, nullptr},
      {"bit fields at 8 bits", BmpResult::BadBitCount, [](BmpSpec& s) { s.compression = BI_BITFIELDS; }, nullptr},
      {"zero width", BmpResult::BadDimensions, [](BmpSpec& s) { s.width = 0; }, nullptr},
      {"negative width", BmpResult::BadDimensions, [](BmpSpec& s) { s.width = -5; }, nullptr},
      {"zero height", BmpResult::BadDimensions, [](BmpSpec& s) { s.height = 0; }, nullptr},
      {"top-down RLE", BmpResult::BadDimensions, [](BmpSpec& s) { s.compression = BI_RLE8; s.height = -2; }, nullptr},
      {"most negative height", BmpResult::TooLarge, [](BmpSpec& s) { s.height = INT_MIN; }, nullptr},
      {"width over 16384", BmpResult::TooLarge, [](BmpSpec& s) { s.width = 16385; }, nullptr},
      {"top-down height over 16384", BmpResult::TooLarge, [](BmpSpec& s) { s.height = -16385; }, nullptr},
      {"largest width", BmpResult::TooLarge, [](BmpSpec& s) { s.width = INT_MAX; }, nullptr},
      {"over 256 MiB of pixels", BmpResult::TooLarge, [](BmpSpec& s) { s.width = s.height = 16384; s.bitCount = 32; }, nullptr},
      {"overlapping masks", BmpResult::BadMasks, [](BmpSpec& s) { s.bitCount = 16; s.compression = BI_BITFIELDS; s.masks[0] = 0xF800; s.masks[1] = 0x0FE0; s.masks[2] = 0x1F; }, nullptr},
      {"mask with a hole", BmpResult::BadMasks, [](BmpSpec& s) { s.bitCount = 16; s.compression = BI_BITFIELDS; s.masks[0] = 0xF00F; s.masks[1] = 0x0F00; s.masks[2] = 0xF0; }, nullptr},
      {"mask wider than 16 bits", BmpResult::BadMasks, [](BmpSpec& s) { s.bitCount = 16; s.compression = BI_BITFIELDS; s.masks[0] = 0x1F0000; s.masks[1] = 0x3E0; s.masks[2] = 0x1F; }, nullptr},
      {"all masks zero", BmpResult::BadMasks, [](BmpSpec& s) { s.bitCount = 32; s.compression = BI_BITFIELDS; }, nullptr},
      {"alpha over a colour", BmpResult::BadMasks, [](BmpSpec& s) { s.headerSize = 56; s.bitCount = 32; s.compression = BI_BITFIELDS; s.masks[0] = 0xFF0000; s.masks[1] = 0xFF00; s.masks[2] = 0xFF; s.masks[3] = 0xFF800000; }, nullptr},
      {"masks cut", BmpResult::ShortHeader, [](BmpSpec& s) { s.bitCount = 32; s.compression = BI_BITFIELDS; s.palette.clear(); s.pixels.clear(); }, [](std::vector<uint8_t>& f) { f.resize(14 + 40 + 8); }},
      {"offset 0", BmpResult::BadOffset, [](BmpSpec& s) { s.offBits = 0; }, nullptr},
      {"offset inside the header", BmpResult::BadOffset, [](BmpSpec& s) { s.offBits = 30; }, nullptr},
      {"offset at the end of the file", BmpResult::BadOffset, nullptr, [](std::vector<uint8_t>& f) { Put32(f, 10, static_cast<uint32_t>(f.size())); }},
      {"offset far past the end", BmpResult::BadOffset, [](BmpSpec& s) { s.offBits = 0xFFFFFFF0; }, nullptr},
  };
  for (const RefusalCase& c : cases) {
    SCOPED_TRACE(c.name);
    BmpSpec s = Paletted8(4, 2);
    if (c.mutate) c.mutate(s);
    std::vector<uint8_t> file = BuildBmp(s);
    if (c.patch) c.patch(file);
    Dib dib;
    EXPECT_EQ(DecodeFile(file, dib), c.expected);
    EXPECT_TRUE(dib.bits.empty());
    EXPECT_EQ(dib.width, 0);
  }
  Dib dib;
  EXPECT_EQ(DecodeBmpFile(nullptr, 0, dib), BmpResult::NotBmp);
  EXPECT_EQ(DecodePackedDib(nullptr, 0, dib), BmpResult::ShortHeader);
}

// Random byte changes to every field but the dimensions (whose limits the table above covers,
// and which would only make this test allocate more): decoding must stay in bounds, and what
// it accepts must be a whole, readable bitmap.
TEST(BmpDecode, MutatedFilesDecodeSafely) {
  BmpSpec v5 = Paletted8(9, 5);
  v5.headerSize = 124;
  v5.bitCount = 16;
  v5.compression = BI_BITFIELDS;
  v5.palette.clear();
  v5.masks[0] = 0xF800, v5.masks[1] = 0x07E0, v5.masks[2] = 0x1F;
  v5.pixels = PackRows(9, 5, 16, false, [](int x, int y) { return static_cast<uint32_t>(x * 999 + y); });
  BmpSpec core = Paletted8(7, 3);
  core.headerSize = 12;
  const std::vector<std::vector<uint8_t>> bases = {
      BuildBmp(Rle(BI_RLE8, 6, 4, {3, 5, 0, 3, 1, 2, 3, 0, 0, 0, 2, 7, 0, 2, 2, 0, 2, 9, 0, 0, 0, 1})),
      BuildBmp(Rle(BI_RLE4, 7, 2, {5, 0x1A, 0, 3, 0x23, 0x40, 0, 0, 0, 5, 0x12, 0x34, 0x50, 0, 0, 1})),
      BuildBmp(v5), BuildBmp(core)};
  std::mt19937 rng(1234);
  int accepted = 0;
  for (const std::vector<uint8_t>& base : bases) {
    for (int round = 0; round < 1500; ++round) {
      std::vector<uint8_t> f = base;
      for (int n = 1 + rng() % 4; n > 0; --n) {
        size_t at = rng() % f.size();
        if (at >= 18 && at < 26) continue;
        f[at] = static_cast<uint8_t>(rng());
      }
      if (rng() % 4 == 0) f.resize(rng() % f.size());
      Dib dib;
      if (DecodeFile(f, dib) != BmpResult::Ok) continue;
      ++accepted;
      ASSERT_EQ(dib.bits.size(), static_cast<size_t>(dib.stride) * dib.height);
      RGBQUAD q;
      for (int y = 0; y < dib.height; ++y)
        for (int x = 0; x < dib.width; ++x) ASSERT_TRUE(DibPixelRGB(dib, x, y, q));
    }
  }
  EXPECT_GT(accepted, 1000);
}

TEST(BmpDecode, PackedDibWhoseTableRunsPastTheDataIsRefused) {
  BmpSpec s = Paletted8(2, 2);
  s.clrUsed = 0xFFFFFFFF;
  s.palette.resize(4);
  const std::vector<uint8_t> packed = BuildPackedDib(s);
  Dib dib;
  EXPECT_EQ(DecodePackedDib(packed.data(), packed.size(), dib), BmpResult::BadOffset);
}

}  // namespace
