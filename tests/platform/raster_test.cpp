// The rasterizer's rules one at a time: fill rule, clipping, culling, depth, colour and
// texture arithmetic, refused input, clears.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <limits>
#include <vector>

#include "raster/raster.h"
#include "raster_reference.h"

namespace {

D3DTLVERTEX Vertex(float x, float y, D3DCOLOR color = 0xFFFFFFFF, float z = 0.5f, float u = 0,
                   float v = 0) {
  D3DTLVERTEX p{};
  p.sx = x;
  p.sy = y;
  p.sz = z;
  p.rhw = 0.5f;
  p.color = color;
  p.tu = u;
  p.tv = v;
  return p;
}

RasterStats Draw(TestTarget& t, const RasterState& state, const std::vector<D3DTLVERTEX>& v,
                 const RasterTexture* texture = nullptr) {
  std::vector<uint16_t> indices(v.size());
  for (size_t i = 0; i < v.size(); ++i) indices[i] = static_cast<uint16_t>(i);
  RasterStats stats;
  EXPECT_EQ(RasterDrawIndexed(t.target, state, texture, v.data(), static_cast<uint32_t>(v.size()),
                              indices.data(), static_cast<uint32_t>(indices.size()), &stats),
            S_OK);
  return stats;
}

// Pixels that hold `value`, as a set of "x,y" strings would be awkward: a count and a bitmap.
std::vector<bool> Where(const TestTarget& t, uint32_t value) {
  std::vector<bool> out;
  for (int32_t y = 0; y < t.target.height; ++y) {
    for (int32_t x = 0; x < t.target.width; ++x)
      out.push_back(RefReadPixel(t.target, x, y) == value);
  }
  return out;
}

RasterState NoCull() {
  RasterState s;
  s.cull = RasterCull::None;
  return s;
}

// Two triangles sharing an edge cover a rectangle exactly once: every pixel of it written,
// none twice, none outside.
TEST(RasterRules, SharedEdgesDrawEveryPixelOnce) {
  struct Quad {
    float x0, y0, x1, y1;
  };
  const Quad quads[] = {{2, 3, 10, 9}, {2.5f, 3.5f, 10.5f, 9.5f}, {0.3f, 0.7f, 13.2f, 11.9f}};
  for (const Quad& q : quads) {
    TestTarget t(16, 14, RasterFormat::Rgb565, RasterDepthFormat::None);
    t.Fill(0, 0);
    // Both diagonals, both windings of the pair.
    const std::vector<D3DTLVERTEX> split[] = {
        {Vertex(q.x0, q.y0), Vertex(q.x1, q.y0), Vertex(q.x0, q.y1), Vertex(q.x1, q.y0),
         Vertex(q.x1, q.y1), Vertex(q.x0, q.y1)},
        {Vertex(q.x0, q.y0), Vertex(q.x1, q.y1), Vertex(q.x0, q.y1), Vertex(q.x0, q.y0),
         Vertex(q.x1, q.y0), Vertex(q.x1, q.y1)}};
    for (const auto& v : split) {
      t.Fill(0, 0);
      const RasterStats stats = Draw(t, NoCull(), v);
      int64_t expected = 0;
      for (int32_t y = 0; y < 14; ++y) {
        for (int32_t x = 0; x < 16; ++x) {
          // Centres at integers: x0 <= x < x1 (left edge in, right edge out), likewise y.
          const bool in = x >= q.x0 && x < q.x1 && y >= q.y0 && y < q.y1;
          expected += in;
          EXPECT_EQ(RefReadPixel(t.target, x, y) != 0, in) << x << "," << y;
        }
      }
      EXPECT_EQ(stats.written, static_cast<uint64_t>(expected));
    }
  }
}

// A fan of thin triangles around a point off the grid: the union has no holes and no pixel
// is drawn twice (the count of writes equals the count of distinct pixels).
TEST(RasterRules, FanHasNoGapsOrOverlaps) {
  TestTarget t(64, 64, RasterFormat::Xrgb8888, RasterDepthFormat::None);
  t.Fill(0, 0);
  std::vector<D3DTLVERTEX> v;
  const float cx = 31.3f, cy = 30.8f;
  const int n = 37;
  for (int i = 0; i < n; ++i) {
    const double a0 = 2 * M_PI * i / n, a1 = 2 * M_PI * (i + 1) / n;
    v.push_back(Vertex(cx, cy));
    v.push_back(Vertex(cx + 25.0f * static_cast<float>(std::cos(a0)),
                       cy + 25.0f * static_cast<float>(std::sin(a0))));
    v.push_back(Vertex(cx + 25.0f * static_cast<float>(std::cos(a1)),
                       cy + 25.0f * static_cast<float>(std::sin(a1))));
  }
  const RasterStats stats = Draw(t, NoCull(), v);
  uint64_t distinct = 0;
  for (bool b : Where(t, 0xFFFFFFFF)) distinct += b;
  EXPECT_EQ(stats.written, distinct);
  // No hole inside the inscribed circle of the polygon.
  for (int32_t y = 0; y < 64; ++y) {
    for (int32_t x = 0; x < 64; ++x) {
      if (std::hypot(x - cx, y - cy) < 24.0) {
        EXPECT_EQ(RefReadPixel(t.target, x, y), 0xFFFFFFFFu) << x << "," << y;
      }
    }
  }
}

// Pixel centres exactly on edges: top and left edges draw them, bottom and right do not.
TEST(RasterRules, TopLeftRule) {
  struct Case {
    D3DTLVERTEX a, b, c;
    int count;
  };
  const Case cases[] = {
      // Upper-left half of a 4 x 4 square: top and left edges in, the diagonal out.
      {Vertex(0, 0), Vertex(4, 0), Vertex(0, 4), 10},
      // The other half: the diagonal is now its left edge; right and bottom edges out.
      {Vertex(4, 0), Vertex(4, 4), Vertex(0, 4), 6},
      // A flat-bottomed triangle: its apex is on its right edge and its bottom row of centres
      // is out, leaving x 1..2 at y 1.
      {Vertex(2, 0), Vertex(4, 2), Vertex(0, 2), 2},
      // A flat-topped one: its top row is in (x 0..3 at y 0, 1..2 at y 1).
      {Vertex(0, 0), Vertex(4, 0), Vertex(2, 2), 6},
  };
  for (const Case& c : cases) {
    TestTarget t(8, 8, RasterFormat::Rgb565, RasterDepthFormat::None);
    t.Fill(0, 0);
    const RasterStats stats = Draw(t, NoCull(), {c.a, c.b, c.c});
    EXPECT_EQ(stats.written, static_cast<uint64_t>(c.count)) << c.a.sx << "," << c.a.sy;
  }
  // The two halves of the square together: each of the 16 pixels exactly once.
  TestTarget t(8, 8, RasterFormat::Rgb565, RasterDepthFormat::None);
  t.Fill(0, 0);
  const RasterStats both =
      Draw(t, NoCull(), {cases[0].a, cases[0].b, cases[0].c, cases[1].a, cases[1].b, cases[1].c});
  EXPECT_EQ(both.written, 16u);
}

// A triangle larger than the viewport on every side: exactly the viewport is drawn, whatever
// lies outside it (and the pitch padding) stays as it was.
TEST(RasterRules, ClipsToEveryViewportEdge) {
  const RasterRect viewports[] = {{0, 0, 40, 30}, {3, 4, 37, 25}, {0, 7, 40, 8}, {39, 0, 40, 30}};
  for (const RasterRect& vp : viewports) {
    for (RasterFormat f : {RasterFormat::Rgb565, RasterFormat::Xrgb8888}) {
      TestTarget t(40, 30, f, RasterDepthFormat::D16);
      t.Fill(0x1234, 0xFFFF);
      t.target.viewport = vp;
      const RasterStats stats =
          Draw(t, NoCull(), {Vertex(-500, -400), Vertex(900, -300), Vertex(-200, 700)});
      EXPECT_EQ(stats.written, static_cast<uint64_t>((vp.right - vp.left) * (vp.bottom - vp.top)));
      for (int32_t y = 0; y < 30; ++y) {
        for (int32_t x = 0; x < 40; ++x) {
          const bool in = x >= vp.left && x < vp.right && y >= vp.top && y < vp.bottom;
          EXPECT_EQ(RefReadPixel(t.target, x, y) != 0x1234, in) << x << "," << y;
        }
      }
      EXPECT_TRUE(t.CanariesIntact());
    }
  }
}

// Vertices far beyond the target (clipped before snapping) still give exact edges.
TEST(RasterRules, FarVerticesKeepTheirEdges) {
  TestTarget t(50, 40, RasterFormat::Rgb565, RasterDepthFormat::None);
  t.Fill(0, 0);
  const RasterStats stats =
      Draw(t, NoCull(), {Vertex(10, 10), Vertex(3.0e6f, 10), Vertex(10, 2.5e6f)});
  EXPECT_EQ(stats.written, 40u * 30u);  // x >= 10 and y >= 10 within the target
  EXPECT_EQ(RefReadPixel(t.target, 10, 10), 0xFFFFu);
  EXPECT_EQ(RefReadPixel(t.target, 9, 10), 0u);
  EXPECT_EQ(RefReadPixel(t.target, 10, 9), 0u);
}

// Not-a-number and infinite positions are left out; nothing breaks.
TEST(RasterRules, NonFinitePositionsAreLeftOut) {
  TestTarget t(16, 16, RasterFormat::Rgb565, RasterDepthFormat::D16);
  t.Fill(0, 0xFFFF);
  const float nan = std::numeric_limits<float>::quiet_NaN();
  const float inf = std::numeric_limits<float>::infinity();
  const RasterStats stats =
      Draw(t, NoCull(),
           {Vertex(nan, 1), Vertex(10, 1), Vertex(1, 10), Vertex(1, 1), Vertex(inf, 1),
            Vertex(1, 10), Vertex(1, 1), Vertex(10, 1), Vertex(1, 10, 0xFFFFFFFF, 0.5f, nan, inf)});
  EXPECT_EQ(stats.culled, 2u);
  EXPECT_GT(stats.written, 0u);
  EXPECT_TRUE(t.CanariesIntact());
}

TEST(RasterCull, EachModeLeavesOutItsWinding) {
  // Clockwise on screen (y down): right, then down-left.
  const std::vector<D3DTLVERTEX> clockwise = {Vertex(1, 1), Vertex(9, 1), Vertex(1, 9)};
  const std::vector<D3DTLVERTEX> counter = {Vertex(1, 1), Vertex(1, 9), Vertex(9, 1)};
  struct Case {
    RasterCull cull;
    bool drawsClockwise, drawsCounter;
  };
  const Case cases[] = {{RasterCull::None, true, true},
                        {RasterCull::Clockwise, false, true},
                        {RasterCull::CounterClockwise, true, false}};
  for (const Case& c : cases) {
    RasterState s;
    s.cull = c.cull;
    TestTarget t(12, 12, RasterFormat::Rgb565, RasterDepthFormat::None);
    t.Fill(0, 0);
    RasterStats a = Draw(t, s, clockwise);
    RasterStats b = Draw(t, s, counter);
    EXPECT_EQ(a.written > 0, c.drawsClockwise);
    EXPECT_EQ(b.written > 0, c.drawsCounter);
    EXPECT_EQ(a.culled + b.culled, (c.drawsClockwise ? 0u : 1u) + (c.drawsCounter ? 0u : 1u));
  }
  // The default is to leave out counter-clockwise triangles.
  EXPECT_EQ(RasterState().cull, RasterCull::CounterClockwise);
}

// Depth functions against a stored 0.5, for fragments in front, level and behind.
TEST(RasterDepth, EveryCompareFunction) {
  struct Case {
    RasterCompare f;
    bool front, level, behind;
  };
  const Case cases[] = {
      {RasterCompare::Never, false, false, false},
      {RasterCompare::Less, true, false, false},
      {RasterCompare::Equal, false, true, false},
      {RasterCompare::LessEqual, true, true, false},
      {RasterCompare::Greater, false, false, true},
      {RasterCompare::NotEqual, true, false, true},
      {RasterCompare::GreaterEqual, false, true, true},
      {RasterCompare::Always, true, true, true},
  };
  for (RasterDepthFormat df : {RasterDepthFormat::D16, RasterDepthFormat::D32}) {
    const uint32_t half = df == RasterDepthFormat::D16 ? 32767 : 8388607;  // floor(0.5 * top)
    for (const Case& c : cases) {
      const float zs[3] = {0.25f, 0.5f, 0.75f};
      const bool want[3] = {c.front, c.level, c.behind};
      for (int k = 0; k < 3; ++k) {
        TestTarget t(8, 8, RasterFormat::Rgb565, df);
        t.Fill(0, half);
        RasterState s = NoCull();
        s.zFunc = c.f;
        const RasterStats stats = Draw(
            t, s, {Vertex(0, 0, ~0u, zs[k]), Vertex(8, 0, ~0u, zs[k]), Vertex(0, 8, ~0u, zs[k])});
        EXPECT_EQ(stats.written > 0, want[k]) << static_cast<int>(c.f) << " z " << zs[k];
        EXPECT_EQ(stats.fragments, 36u);
        if (want[k]) {
          EXPECT_EQ(RefReadDepth(t.target, 0, 0),
                    static_cast<uint32_t>(
                        std::floor(zs[k] * (df == RasterDepthFormat::D16 ? 65535.0 : 16777215.0))));
        }
      }
    }
  }
}

// Depth is not clipped: below 0 is nearer than anything, above 1 farther than anything, and
// what passes writes the nearest value the buffer holds. Without depth writes nothing changes.
TEST(RasterDepth, OutOfRangeAndWriteDisable) {
  TestTarget t(8, 8, RasterFormat::Rgb565, RasterDepthFormat::D16);
  t.Fill(0, 0xFFFF);
  RasterState s = NoCull();
  auto tri = [](float z) {
    return std::vector<D3DTLVERTEX>{Vertex(0, 0, ~0u, z), Vertex(8, 0, ~0u, z),
                                    Vertex(0, 8, ~0u, z)};
  };
  EXPECT_EQ(Draw(t, s, tri(1.2f)).written, 0u);
  EXPECT_EQ(Draw(t, s, tri(1.0f)).written, 36u);
  EXPECT_EQ(RefReadDepth(t.target, 1, 1), 0xFFFFu);
  EXPECT_EQ(Draw(t, s, tri(-0.3f)).written, 36u);
  EXPECT_EQ(RefReadDepth(t.target, 1, 1), 0u);
  t.Fill(0, 0x8000);
  s.zWriteEnable = false;
  EXPECT_EQ(Draw(t, s, tri(0.1f)).written, 36u);
  EXPECT_EQ(RefReadDepth(t.target, 1, 1), 0x8000u);
  s.zEnable = false;
  s.zWriteEnable = true;
  EXPECT_EQ(Draw(t, s, tri(0.9f)).written, 36u);
  EXPECT_EQ(RefReadDepth(t.target, 1, 1), 0x8000u);
}

// Colour at the corners is exact, and halfway between two corners is halfway.
TEST(RasterColor, InterpolatesBetweenCorners) {
  TestTarget t(64, 8, RasterFormat::Xrgb8888, RasterDepthFormat::None);
  t.Fill(0, 0);
  // A wide rectangle from red on the left to blue on the right.
  Draw(t, NoCull(),
       {Vertex(0, 0, 0xFFFF0000), Vertex(64, 0, 0xFF0000FF), Vertex(0, 8, 0xFFFF0000),
        Vertex(64, 0, 0xFF0000FF), Vertex(64, 8, 0xFF0000FF), Vertex(0, 8, 0xFFFF0000)});
  EXPECT_EQ(RefReadPixel(t.target, 0, 3), 0xFFFF0000u);
  const uint32_t mid = RefReadPixel(t.target, 32, 3);
  EXPECT_NEAR(static_cast<int>((mid >> 16) & 0xFF), 127, 1);
  EXPECT_NEAR(static_cast<int>(mid & 0xFF), 127, 1);
  const uint32_t last = RefReadPixel(t.target, 63, 3);
  EXPECT_NEAR(static_cast<int>((last >> 16) & 0xFF), 4, 1);  // 255 * 1 / 64
  EXPECT_NEAR(static_cast<int>(last & 0xFF), 251, 1);
}

// Modulate, select-texture and select-diffuse on single texels, into 565 and 8888.
TEST(RasterColor, ModulateArithmetic) {
  uint16_t texel565 = 0;
  RasterTextureSource source{&texel565, 2, 1, 1, RasterFormat::Rgb565, nullptr};
  struct Case {
    uint16_t texel;
    D3DCOLOR diffuse;
    RasterColorOp op;
    uint32_t want565;
    uint32_t want8888;
  };
  const Case cases[] = {
      {0xFFFF, 0xFFFFFFFF, RasterColorOp::Modulate, 0xFFFF, 0xFFFFFFFF},  // white x white
      {0xFFFF, 0x00000000, RasterColorOp::Modulate, 0x0000, 0xFF000000},  // x black
      {0x0000, 0xFFFFFFFF, RasterColorOp::Modulate, 0x0000, 0xFF000000},  // black x white
      {0xF800, 0x00FF8000, RasterColorOp::Modulate, 0xF800, 0xFFFF0000},  // red x orange
      {0xFFFF, 0x00808080, RasterColorOp::Modulate, 0x8410, 0xFF808080},  // white x grey
      {0x8410, 0x00808080, RasterColorOp::Modulate, 0x4208, 0xFF424142},  // grey x grey
      {0x8410, 0x00000000, RasterColorOp::SelectTexture, 0x8410, 0xFF848284},
      {0x8410, 0x0000FF00, RasterColorOp::SelectDiffuse, 0x07E0, 0xFF00FF00},
  };
  for (const Case& c : cases) {
    texel565 = c.texel;
    RasterTexture tex;
    ASSERT_EQ(RasterTextureUpdate(tex, source, 1), S_OK);
    for (RasterFormat f : {RasterFormat::Rgb565, RasterFormat::Xrgb8888}) {
      TestTarget t(8, 8, f, RasterDepthFormat::None);
      t.Fill(0, 0);
      RasterState s = NoCull();
      s.colorOp = c.op;
      Draw(t, s, {Vertex(0, 0, c.diffuse), Vertex(8, 0, c.diffuse), Vertex(0, 8, c.diffuse)}, &tex);
      const uint32_t got = RefReadPixel(t.target, 1, 1);
      if (f == RasterFormat::Rgb565) {
        EXPECT_EQ(got, c.want565) << std::hex << c.texel << " x " << c.diffuse;
        continue;
      }
      // 8 bits: the exact product, within one step for the truncation.
      EXPECT_EQ(got >> 24, 0xFFu);
      for (int shift = 0; shift < 24; shift += 8) {
        EXPECT_NEAR(static_cast<int>((got >> shift) & 0xFF),
                    static_cast<int>((c.want8888 >> shift) & 0xFF), 1)
            << std::hex << c.texel << " x " << c.diffuse;
      }
    }
  }
}

// Ordered dither into 16 bits: a flat colour between two levels becomes a pattern of the two
// levels whose average is the colour; off, it rounds to the nearer level everywhere.
TEST(RasterColor, DitherInto16Bits) {
  // Red 0x84 = 132 is 16.05 of 31 levels: one pixel in 16 gets level 17.
  // Green 0x42 = 66 is 16.31 of 63 levels. Blue 0x20 = 32 is 3.89 of 31 levels.
  const D3DCOLOR color = 0x00844220;
  for (bool dither : {false, true}) {
    TestTarget t(16, 16, RasterFormat::Rgb565, RasterDepthFormat::None);
    t.Fill(0, 0);
    RasterState s = NoCull();
    s.dither = dither;
    Draw(t, s,
         {Vertex(0, 0, color), Vertex(16, 0, color), Vertex(0, 16, color), Vertex(16, 0, color),
          Vertex(16, 16, color), Vertex(0, 16, color)});
    double sum[3] = {0, 0, 0};
    for (int32_t y = 0; y < 16; ++y) {
      for (int32_t x = 0; x < 16; ++x) {
        const uint32_t p = RefReadPixel(t.target, x, y);
        sum[0] += p >> 11, sum[1] += (p >> 5) & 63, sum[2] += p & 31;
        if (!dither) {
          EXPECT_EQ(p, (16u << 11) | (16u << 5) | 4u);
        }
      }
    }
    if (dither) {
      EXPECT_NEAR(sum[0] / 256, 132 * 31 / 255.0, 0.07);
      EXPECT_NEAR(sum[1] / 256, 66 * 63 / 255.0, 0.07);
      EXPECT_NEAR(sum[2] / 256, 32 * 31 / 255.0, 0.07);
    }
  }
}

// Bilinear sampling: at texel centres the texel itself, between them the mean, across the
// edge of the texture the wrapped neighbour.
TEST(RasterTexture, BilinearAndWrap) {
  // 4 x 1 texture: red, green, blue, white (8888).
  const uint32_t texels[4] = {0x00FF0000, 0x0000FF00, 0x000000FF, 0x00FFFFFF};
  RasterTextureSource source{texels, 16, 4, 1, RasterFormat::Xrgb8888, nullptr};
  RasterTexture tex;
  ASSERT_EQ(RasterTextureUpdate(tex, source, 1), S_OK);
  TestTarget t(16, 2, RasterFormat::Xrgb8888, RasterDepthFormat::None);
  t.Fill(0, 0);
  RasterState s = NoCull();
  s.filter = RasterFilter::Linear;
  s.colorOp = RasterColorOp::SelectTexture;
  // Pixel x samples u = x / 8, u * 4 = x / 2: texel centres (u * 4 = k + 0.5) at pixels 1, 3,
  // 5, 7; pixel 0 lies halfway between the last texel and the first.
  auto v = [](float x, float y) { return Vertex(x, y, ~0u, 0.5f, x / 8.0f, 0.5f); };
  Draw(t, s, {v(0, 0), v(16, 0), v(0, 2), v(16, 0), v(16, 2), v(0, 2)}, &tex);
  EXPECT_EQ(RefReadPixel(t.target, 1, 0), 0xFFFF0000u);
  EXPECT_EQ(RefReadPixel(t.target, 3, 0), 0xFF00FF00u);
  EXPECT_EQ(RefReadPixel(t.target, 7, 0), 0xFFFFFFFFu);
  const uint32_t between = RefReadPixel(t.target, 2, 0);  // red and green
  EXPECT_NEAR(static_cast<int>((between >> 16) & 0xFF), 127, 1);
  EXPECT_NEAR(static_cast<int>((between >> 8) & 0xFF), 127, 1);
  const uint32_t wrapped = RefReadPixel(t.target, 0, 0);  // u = 1/16: white and red
  EXPECT_NEAR(static_cast<int>((wrapped >> 16) & 0xFF), 255, 1);
  EXPECT_NEAR(static_cast<int>(wrapped & 0xFF), 127, 1);
  EXPECT_EQ(RefReadPixel(t.target, 9, 0), 0xFFFF0000u);  // the second repeat
  // Point sampling takes the texel under the sample.
  s.filter = RasterFilter::Point;
  Draw(t, s, {v(0, 0), v(16, 0), v(0, 2), v(16, 0), v(16, 2), v(0, 2)}, &tex);
  EXPECT_EQ(RefReadPixel(t.target, 3, 0), 0xFF00FF00u);  // u * 4 = 1.5 lies in texel 1
  EXPECT_EQ(RefReadPixel(t.target, 1, 0), 0xFFFF0000u);
  EXPECT_EQ(RefReadPixel(t.target, 7, 0), 0xFFFFFFFFu);
}

// Palettised textures take their colours from the palette, whose alpha is ignored.
TEST(RasterTexture, Palettised) {
  uint32_t palette[256];
  for (uint32_t i = 0; i < 256; ++i) palette[i] = (i << 24) | (i << 16) | ((255 - i) << 8) | 7;
  const uint8_t indices[2 * 4] = {0, 255, 9, 9, 128, 1, 9, 9};  // 2 x 2 with a pitch of 4
  RasterTextureSource source{indices, 4, 2, 2, RasterFormat::Pal8, palette};
  RasterTexture tex;
  ASSERT_EQ(RasterTextureUpdate(tex, source, 1), S_OK);
  TestTarget t(8, 8, RasterFormat::Xrgb8888, RasterDepthFormat::None);
  t.Fill(0, 0);
  RasterState s = NoCull();
  s.colorOp = RasterColorOp::SelectTexture;
  // u = x / 4 + 1/16: two pixels per texel in each direction.
  auto v = [](float x, float y) {
    return Vertex(x, y, ~0u, 0.5f, x / 4.0f + 0.0625f, y / 4.0f + 0.0625f);
  };
  Draw(t, s, {v(0, 0), v(8, 0), v(0, 8), v(8, 0), v(8, 8), v(0, 8)}, &tex);
  EXPECT_EQ(RefReadPixel(t.target, 0, 0), 0xFF00FF07u);
  EXPECT_EQ(RefReadPixel(t.target, 2, 0), 0xFFFF0007u);
  EXPECT_EQ(RefReadPixel(t.target, 0, 2), 0xFF807F07u);
  EXPECT_EQ(RefReadPixel(t.target, 3, 3), 0xFF01FE07u);
  EXPECT_EQ(RefReadPixel(t.target, 4, 4), 0xFF00FF07u);  // wrapped
}

// The conversion runs once per version; bad sources leave the texture empty.
TEST(RasterTexture, UpdateFollowsTheVersion) {
  uint16_t texel = 0xF800;
  RasterTextureSource source{&texel, 2, 1, 1, RasterFormat::Rgb565, nullptr};
  RasterTexture tex;
  ASSERT_EQ(RasterTextureUpdate(tex, source, 7), S_OK);
  EXPECT_TRUE(tex.valid);
  EXPECT_EQ(tex.width, 2);  // a side of one is doubled
  texel = 0x001F;
  EXPECT_EQ(RasterTextureUpdate(tex, source, 7), S_OK);
  TestTarget t(4, 4, RasterFormat::Rgb565, RasterDepthFormat::None);
  RasterState s = NoCull();
  s.colorOp = RasterColorOp::SelectTexture;
  Draw(t, s, {Vertex(0, 0), Vertex(4, 0), Vertex(0, 4)}, &tex);
  EXPECT_EQ(RefReadPixel(t.target, 0, 0), 0xF800u);  // still the old version
  ASSERT_EQ(RasterTextureUpdate(tex, source, 8), S_OK);
  Draw(t, s, {Vertex(0, 0), Vertex(4, 0), Vertex(0, 4)}, &tex);
  EXPECT_EQ(RefReadPixel(t.target, 0, 0), 0x001Fu);

  struct Bad {
    RasterTextureSource source;
  };
  const Bad bad[] = {
      {{nullptr, 2, 1, 1, RasterFormat::Rgb565, nullptr}},
      {{&texel, 2, 0, 1, RasterFormat::Rgb565, nullptr}},
      {{&texel, 2, 1, 0, RasterFormat::Rgb565, nullptr}},
      {{&texel, 1, 1, 1, RasterFormat::Rgb565, nullptr}},  // pitch too small
      {{&texel, 2, kRasterMaxTextureSide + 1, 1, RasterFormat::Rgb565, nullptr}},
      {{&texel, 2, 1, 1, RasterFormat::Pal8, nullptr}},  // no palette
  };
  for (const Bad& b : bad) {
    EXPECT_EQ(RasterTextureUpdate(tex, b.source, 9), E_INVALIDARG);
    EXPECT_FALSE(tex.valid);
    // Drawing with it uses the diffuse colour alone.
    t.Fill(0, 0);
    Draw(t, s, {Vertex(0, 0, 0xFF00FF00), Vertex(4, 0, 0xFF00FF00), Vertex(0, 4, 0xFF00FF00)},
         &tex);
    EXPECT_EQ(RefReadPixel(t.target, 0, 0), 0x07E0u);
  }
}

// Indices at or past the vertex count, and unusable targets, are refused before anything is
// read or drawn; a trailing incomplete triangle is ignored.
TEST(RasterInput, RefusesBadCalls) {
  TestTarget t(8, 8, RasterFormat::Rgb565, RasterDepthFormat::D16);
  t.Fill(0, 0xFFFF);
  const D3DTLVERTEX v[3] = {Vertex(0, 0), Vertex(8, 0), Vertex(0, 8)};
  const RasterState s = NoCull();
  const uint16_t ok[4] = {0, 1, 2, 7};
  const uint16_t past[6] = {0, 1, 2, 0, 1, 3};
  EXPECT_EQ(RasterDrawIndexed(t.target, s, nullptr, v, 3, past, 6, nullptr), E_INVALIDARG);
  EXPECT_EQ(RefReadPixel(t.target, 1, 1), 0u);  // not even the valid first triangle
  EXPECT_EQ(RasterDrawIndexed(t.target, s, nullptr, v, 0, ok, 3, nullptr), E_INVALIDARG);
  EXPECT_EQ(RasterDrawIndexed(t.target, s, nullptr, nullptr, 3, ok, 3, nullptr), E_INVALIDARG);
  EXPECT_EQ(RasterDrawIndexed(t.target, s, nullptr, v, 3, nullptr, 3, nullptr), E_INVALIDARG);
  EXPECT_EQ(RasterDrawIndexed(t.target, s, nullptr, v, 3, nullptr, 0, nullptr), S_OK);
  RasterStats stats;
  EXPECT_EQ(RasterDrawIndexed(t.target, s, nullptr, v, 3, ok, 4, &stats), S_OK);  // 7 unused
  EXPECT_EQ(stats.triangles, 1u);

  struct BadTarget {
    void (*spoil)(RasterTarget&);
  };
  const BadTarget bad[] = {
      {[](RasterTarget& r) { r.pixels = nullptr; }},
      {[](RasterTarget& r) { r.width = 0; }},
      {[](RasterTarget& r) { r.height = -1; }},
      {[](RasterTarget& r) { r.width = kRasterMaxTargetSide + 1; }},
      {[](RasterTarget& r) { r.pitch = 2 * r.width - 1; }},
      {[](RasterTarget& r) { r.depthPitch = 2; }},
      {[](RasterTarget& r) { r.format = RasterFormat::Pal8; }},
  };
  for (const BadTarget& b : bad) {
    RasterTarget spoilt = t.target;
    b.spoil(spoilt);
    EXPECT_EQ(RasterDrawIndexed(spoilt, s, nullptr, v, 3, ok, 3, nullptr), E_INVALIDARG);
    EXPECT_EQ(RasterClear(spoilt, {0, 0, 8, 8}, kRasterClearColor, 0, 1.0f), E_INVALIDARG);
  }
  EXPECT_TRUE(t.CanariesIntact());
}

// Clears fill the rectangle clipped to the viewport, in the target's format, and nothing else.
TEST(RasterClearTest, FillsTheClippedRectangle) {
  struct Case {
    RasterFormat format;
    RasterDepthFormat depth;
    D3DCOLOR color;
    uint32_t pixel;
    float z;
    uint32_t depthValue;
  };
  const Case cases[] = {
      {RasterFormat::Rgb565, RasterDepthFormat::D16, 0x00303030, 0x3186, 1.0f, 0xFFFF},
      {RasterFormat::Rgb555, RasterDepthFormat::D16, 0x00FF0000, 0x7C00, 0.5f, 32768},
      {RasterFormat::Xrgb8888, RasterDepthFormat::D32, 0x00123456, 0x00123456, 0.25f, 4194304},
      {RasterFormat::Argb8888, RasterDepthFormat::D32, 0x80FFFFFF, 0x80FFFFFF, 7.0f, 0xFFFFFF},
  };
  for (const Case& c : cases) {
    TestTarget t(37, 21, c.format, c.depth);
    t.Fill(0x0A0A0A0A, 0);
    t.target.viewport = {2, 1, 30, 20};
    ASSERT_EQ(
        RasterClear(t.target, {-5, 3, 33, 40}, kRasterClearColor | kRasterClearDepth, c.color, c.z),
        S_OK);
    for (int32_t y = 0; y < 21; ++y) {
      for (int32_t x = 0; x < 37; ++x) {
        const bool in = x >= 2 && x < 30 && y >= 3 && y < 20;
        const uint32_t bg = c.format == RasterFormat::Xrgb8888 || c.format == RasterFormat::Argb8888
                                ? 0x0A0A0A0A
                                : 0x0A0A;
        EXPECT_EQ(RefReadPixel(t.target, x, y), in ? c.pixel : bg) << x << "," << y;
        EXPECT_EQ(RefReadDepth(t.target, x, y), in ? c.depthValue : 0u) << x << "," << y;
      }
    }
    EXPECT_TRUE(t.CanariesIntact());
  }
  // Only what the flags name is cleared.
  TestTarget t(9, 9, RasterFormat::Rgb565, RasterDepthFormat::D16);
  t.Fill(0, 0);
  ASSERT_EQ(RasterClear(t.target, {0, 0, 9, 9}, kRasterClearDepth, 0xFFFFFF, 1.0f), S_OK);
  EXPECT_EQ(RefReadPixel(t.target, 4, 4), 0u);
  EXPECT_EQ(RefReadDepth(t.target, 4, 4), 0xFFFFu);
}

TEST(RasterFormats, PackColorRounds) {
  EXPECT_EQ(RasterPackColor(RasterFormat::Rgb565, 0x00FFFFFF), 0xFFFFu);
  EXPECT_EQ(RasterPackColor(RasterFormat::Rgb565, 0x00303030),
            0x3186u);  // 48: 5.8 -> 6, 11.9 -> 12
  EXPECT_EQ(RasterPackColor(RasterFormat::Rgb555, 0x00FF8000), 0x7E00u);
  EXPECT_EQ(RasterPackColor(RasterFormat::Argb4444, 0xFFFFFFFF), 0xFFFFu);
  EXPECT_EQ(RasterFormatBytes(RasterFormat::Pal8), 1);
  EXPECT_EQ(RasterFormatBytes(RasterFormat::Argb8888), 4);
}

}  // namespace
