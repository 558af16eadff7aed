// The fast rasterizer against the reference on random triangles, states, targets and textures:
// the same pixels covered, and every value within a rounding of the reference's.
#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <string>
#include <vector>

#include "raster/raster.h"
#include "raster/raster_internal.h"
#include "raster_reference.h"

namespace {

// Runs a test body with the loops of each instruction set the processor has.
class RasterLoops : public ::testing::TestWithParam<RasterIsa> {
 protected:
  void SetUp() override {
    saved_ = RasterLoopIsa();
    RasterSetLoopIsa(GetParam());
    if (RasterLoopIsa() != GetParam()) GTEST_SKIP() << "not on this processor";
  }
  void TearDown() override { RasterSetLoopIsa(saved_); }
  RasterIsa saved_ = RasterIsa::Sse2;
};

std::string IsaName(const ::testing::TestParamInfo<RasterIsa>& info) {
  switch (info.param) {
    case RasterIsa::Sse2:
      return "Sse2";
    case RasterIsa::Avx2:
      return "Avx2";
    case RasterIsa::Avx512:
      return "Avx512";
  }
  return "Unknown";
}

struct Texture {
  std::vector<uint8_t> pixels;
  std::vector<uint32_t> palette;
  RasterTextureSource source;
  RasterTexture converted;
};

void MakeTexture(Texture& t, std::mt19937& random, RasterFormat format, int32_t w, int32_t h) {
  const int bytes = RasterFormatBytes(format);
  const int32_t pitch = w * bytes + 4 * static_cast<int32_t>(random() % 3);
  t.pixels.resize(static_cast<size_t>(pitch) * h);
  for (auto& b : t.pixels) b = static_cast<uint8_t>(random());
  t.palette.resize(256);
  for (auto& p : t.palette) p = random();
  t.source = {t.pixels.data(), pitch, w, h, format, t.palette.data()};
  ASSERT_EQ(RasterTextureUpdate(t.converted, t.source, random()), S_OK);
}

float Coordinate(std::mt19937& random, float lo, float hi) {
  const float v = std::uniform_real_distribution<float>(lo, hi)(random);
  switch (random() % 3) {
    case 0:
      return std::round(v);  // on pixel centres
    case 1:
      return std::round(v * 16.0f) / 16.0f;  // on the sub-pixel grid
    default:
      return v;
  }
}

D3DTLVERTEX RandomVertex(std::mt19937& random, float cx, float cy, float reach, float z) {
  D3DTLVERTEX v{};
  v.sx = Coordinate(random, cx - reach, cx + reach);
  v.sy = Coordinate(random, cy - reach, cy + reach);
  v.sz = z;
  v.rhw = 0.5f;
  v.color = random();
  v.tu = std::uniform_real_distribution<float>(-3.0f, 3.0f)(random);
  v.tv = std::uniform_real_distribution<float>(-3.0f, 3.0f)(random);
  return v;
}

// Level of a channel in the target's own units, from 0..255.
double Levels(RasterFormat f, int channel) {
  if (f == RasterFormat::Xrgb8888 || f == RasterFormat::Argb8888) return 255;
  if (f == RasterFormat::Rgb565 && channel == 1) return 63;
  return 31;
}

// Checks one drawn triangle: the same pixels written, colours and depths within rounding,
// everything else untouched.
void ExpectMatch(const TestTarget& fast, const TestTarget& before, const std::vector<RefPixel>& ref,
                 const RasterState& state, const std::string& what, int& failures) {
  const RasterTarget& t = fast.target;
  const bool eightBits = t.format == RasterFormat::Xrgb8888 || t.format == RasterFormat::Argb8888;
  const double depthTop = t.depthFormat == RasterDepthFormat::D32 ? 16777215.0 : 65535.0;
  for (int32_t y = 0; y < t.height && failures < 5; ++y) {
    for (int32_t x = 0; x < t.width && failures < 5; ++x) {
      const RefPixel& p = ref[static_cast<size_t>(y) * t.width + x];
      const uint32_t got = RefReadPixel(t, x, y);
      const uint32_t old = RefReadPixel(before.target, x, y);
      if (!p.written) {
        if (got != old || (t.depth && RefReadDepth(t, x, y) != RefReadDepth(before.target, x, y))) {
          ADD_FAILURE() << what << ": pixel " << x << "," << y << " written, should not be";
          ++failures;
        }
        continue;
      }
      if (eightBits && (got >> 24) != 0xFF) {
        ADD_FAILURE() << what << ": pixel " << x << "," << y << " not written";
        ++failures;
        continue;
      }
      if (t.depth && state.zEnable && state.zWriteEnable) {
        const double want = std::floor(p.z * depthTop);
        const double have = RefReadDepth(t, x, y);
        if (std::fabs(have - std::clamp(want, 0.0, depthTop)) > 1.0) {
          ADD_FAILURE() << what << ": depth at " << x << "," << y << " is " << have << ", want "
                        << want;
          ++failures;
        }
      }
      if (p.ambiguous) continue;
      double c[3];
      RefUnpack(t.format, got, c[0], c[1], c[2]);
      const double want[3] = {p.r, p.g, p.b};
      for (int k = 0; k < 3; ++k) {
        const double levels = Levels(t.format, k);
        const double have = c[k] * levels / 255.0;
        const double exact = want[k] * levels / 255.0;
        // 8 bits: the output truncates, and 5- or 4-bit texels stored in 8 bits round.
        const double tolerance = eightBits ? 1.55 : 0.6;
        if (std::fabs(have - exact) > tolerance) {
          ADD_FAILURE() << what << ": channel " << k << " at " << x << "," << y << " is " << have
                        << ", want " << exact;
          ++failures;
        }
      }
    }
  }
}

struct Config {
  RasterFormat format;
  RasterDepthFormat depth;
  int32_t width, height;
};

TEST_P(RasterLoops, MatchesReferenceOnRandomTriangles) {
  const Config configs[] = {
      {RasterFormat::Rgb565, RasterDepthFormat::D16, 96, 64},
      {RasterFormat::Rgb555, RasterDepthFormat::D32, 61, 37},
      {RasterFormat::Xrgb8888, RasterDepthFormat::D16, 80, 50},
      {RasterFormat::Argb8888, RasterDepthFormat::D32, 9, 40},
      {RasterFormat::Rgb565, RasterDepthFormat::D16, 5, 7},  // narrower than a batch
      {RasterFormat::Xrgb8888, RasterDepthFormat::None, 33, 21},
  };
  const RasterFormat texFormats[] = {RasterFormat::Rgb565,   RasterFormat::Rgb555,
                                     RasterFormat::Argb1555, RasterFormat::Argb4444,
                                     RasterFormat::Xrgb8888, RasterFormat::Argb8888,
                                     RasterFormat::Pal8};
  const int32_t texSizes[][2] = {{1, 1}, {1, 5}, {3, 7}, {8, 8}, {16, 4}, {64, 64}, {100, 60}};
  std::mt19937 random(20240611);
  int failures = 0;
  int drawn = 0;
  for (int round = 0; round < 240 && failures < 5; ++round) {
    const Config& cfg = configs[round % 6];
    TestTarget fast(cfg.width, cfg.height, cfg.format, cfg.depth);
    TestTarget ref(cfg.width, cfg.height, cfg.format, cfg.depth);
    fast.Fill(0x00123456, 0xFFFFFFFF);
    if (round % 5 == 4) {
      fast.target.viewport = {static_cast<int32_t>(random() % 6),
                              static_cast<int32_t>(random() % 6),
                              cfg.width - static_cast<int32_t>(random() % 6),
                              cfg.height - static_cast<int32_t>(random() % 6)};
    }
    ref.CopyFrom(fast);
    ref.target.viewport = fast.target.viewport;
    TestTarget before(cfg.width, cfg.height, cfg.format, cfg.depth);
    before.CopyFrom(fast);

    RasterState state;
    state.cull = static_cast<RasterCull>(random() % 3);
    state.shade = random() % 4 == 0 ? RasterShade::Flat : RasterShade::Gouraud;
    state.filter = random() % 2 ? RasterFilter::Linear : RasterFilter::Point;
    state.colorOp = static_cast<RasterColorOp>(random() % 3);
    state.zFunc = random() % 2 ? RasterCompare::LessEqual : RasterCompare::Less;
    Texture tex;
    const bool textured = random() % 3 != 0;
    if (textured) {
      const int32_t* size = texSizes[random() % 7];
      MakeTexture(tex, random, texFormats[random() % 7], size[0], size[1]);
    }

    // Small, medium and large triangles, some reaching far outside the target.
    const float reach[] = {3.0f, 12.0f, 40.0f, 150.0f};
    const float r = reach[random() % 4];
    const float cx = std::uniform_real_distribution<float>(-10.0f, cfg.width + 10.0f)(random);
    const float cy = std::uniform_real_distribution<float>(-10.0f, cfg.height + 10.0f)(random);
    const float z = std::uniform_real_distribution<float>(0.0f, 0.9f)(random);
    D3DTLVERTEX v[3];
    for (auto& p : v) p = RandomVertex(random, cx, cy, r, z + 0.05f * (random() % 2));

    const uint16_t indices[3] = {0, 1, 2};
    RasterStats stats;
    ASSERT_EQ(RasterDrawIndexed(fast.target, state, textured ? &tex.converted : nullptr, v, 3,
                                indices, 3, &stats),
              S_OK);
    const auto expected =
        RefDrawTriangle(ref.target, state, textured ? &tex.source : nullptr, v[0], v[1], v[2]);
    uint64_t written = 0;
    for (const RefPixel& p : expected) written += p.written;
    EXPECT_EQ(stats.written, written) << "round " << round;
    drawn += written > 0;
    ExpectMatch(fast, before, expected, state, "round " + std::to_string(round), failures);
    EXPECT_TRUE(fast.CanariesIntact()) << "round " << round;
  }
  EXPECT_GT(drawn, 60);  // a good share of rounds draw something (a third are culled)
}

// Many triangles at distinct constant depths into one target: the depth test decides the same
// way as the reference's, whichever was drawn first.
TEST_P(RasterLoops, MatchesReferenceOnOverlappingTriangles) {
  for (RasterFormat format : {RasterFormat::Rgb565, RasterFormat::Xrgb8888}) {
    std::mt19937 random(77);
    TestTarget fast(120, 90, format, RasterDepthFormat::D16);
    fast.Fill(0, 0xFFFF);
    TestTarget ref(120, 90, format, RasterDepthFormat::D16);
    ref.CopyFrom(fast);
    RasterState state;
    state.cull = RasterCull::None;
    std::vector<D3DTLVERTEX> vertices;
    std::vector<uint16_t> indices;
    for (int i = 0; i < 60; ++i) {
      const float z = static_cast<float>(random() % 60) / 64.0f;
      const float cx = static_cast<float>(random() % 120);
      const float cy = static_cast<float>(random() % 90);
      for (int k = 0; k < 3; ++k) {
        indices.push_back(static_cast<uint16_t>(vertices.size()));
        vertices.push_back(RandomVertex(random, cx, cy, 30.0f, z));
      }
    }
    ASSERT_EQ(RasterDrawIndexed(fast.target, state, nullptr, vertices.data(),
                                static_cast<uint32_t>(vertices.size()), indices.data(),
                                static_cast<uint32_t>(indices.size()), nullptr),
              S_OK);
    for (size_t i = 0; i < vertices.size(); i += 3) {
      RefDrawTriangle(ref.target, state, nullptr, vertices[i], vertices[i + 1], vertices[i + 2]);
    }
    int wrong = 0;
    for (int32_t y = 0; y < 90; ++y) {
      for (int32_t x = 0; x < 120; ++x) {
        EXPECT_EQ(RefReadDepth(fast.target, x, y), RefReadDepth(ref.target, x, y)) << x << "," << y;
        double a[3], b[3];
        RefUnpack(format, RefReadPixel(fast.target, x, y), a[0], a[1], a[2]);
        RefUnpack(format, RefReadPixel(ref.target, x, y), b[0], b[1], b[2]);
        for (int k = 0; k < 3; ++k) wrong += std::fabs(a[k] - b[k]) > 8.3;
      }
    }
    EXPECT_EQ(wrong, 0);
  }
}

INSTANTIATE_TEST_SUITE_P(Raster, RasterLoops,
                         ::testing::Values(RasterIsa::Sse2, RasterIsa::Avx2, RasterIsa::Avx512),
                         IsaName);

// Every instruction set gives the same pixels, bit for bit, on a busy scene.
TEST(RasterLoopsAgree, SameBitsOnEveryInstructionSet) {
  const RasterIsa saved = RasterLoopIsa();
  if (RasterBestIsa() == RasterIsa::Sse2) GTEST_SKIP() << "only SSE2 here";
  std::mt19937 random(5);
  Texture tex;
  MakeTexture(tex, random, RasterFormat::Rgb565, 64, 64);
  std::vector<D3DTLVERTEX> vertices;
  std::vector<uint16_t> indices;
  for (int i = 0; i < 400; ++i) {
    const float cx = static_cast<float>(random() % 200);
    const float cy = static_cast<float>(random() % 150);
    const float z = std::uniform_real_distribution<float>(0.0f, 1.0f)(random);
    for (int k = 0; k < 3; ++k) {
      indices.push_back(static_cast<uint16_t>(vertices.size()));
      vertices.push_back(RandomVertex(random, cx, cy, 25.0f, z + 0.01f * k));
    }
  }
  for (RasterFormat format : {RasterFormat::Rgb565, RasterFormat::Rgb555, RasterFormat::Xrgb8888}) {
    for (RasterFilter filter : {RasterFilter::Point, RasterFilter::Linear}) {
      RasterState state;
      state.cull = RasterCull::None;
      state.dither = true;
      state.filter = filter;
      TestTarget sse2(203, 150, format, RasterDepthFormat::D16);
      sse2.Fill(0, 0xFFFF);
      RasterSetLoopIsa(RasterIsa::Sse2);
      RasterDrawIndexed(sse2.target, state, &tex.converted, vertices.data(),
                        static_cast<uint32_t>(vertices.size()), indices.data(),
                        static_cast<uint32_t>(indices.size()), nullptr);
      for (RasterIsa isa : {RasterIsa::Avx2, RasterIsa::Avx512}) {
        RasterSetLoopIsa(isa);
        if (RasterLoopIsa() != isa) continue;
        TestTarget wide(203, 150, format, RasterDepthFormat::D16);
        wide.Fill(0, 0xFFFF);
        RasterDrawIndexed(wide.target, state, &tex.converted, vertices.data(),
                          static_cast<uint32_t>(vertices.size()), indices.data(),
                          static_cast<uint32_t>(indices.size()), nullptr);
        EXPECT_EQ(wide.pixels, sse2.pixels) << static_cast<int>(isa);
        EXPECT_EQ(wide.depth, sse2.depth) << static_cast<int>(isa);
      }
    }
  }
  RasterSetLoopIsa(saved);
}

}  // namespace
