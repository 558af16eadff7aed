// The software rasterizer: a frame's clear, then 3072 small textured, depth-tested triangles
// covering a 640 x 480 target twice.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <random>
#include <vector>

#include "platform/raster/raster.h"

namespace {

constexpr int kWidth = 640;
constexpr int kHeight = 480;
constexpr int kTriangles = 3072;
constexpr float kLeg = 20.0f;

struct Scene {
  std::vector<uint8_t> pixels;
  std::vector<uint16_t> depth;
  RasterTarget target;
  std::vector<D3DTLVERTEX> vertices;
  std::vector<uint16_t> indices;
  RasterTexture texture;
};

// Right triangles with 20-pixel legs (clockwise on screen, so the default culling keeps them)
// at random places and depths, random vertex colours, texture coordinates (x / 64, y / 64).
void MakeScene(Scene& s, RasterFormat format) {
  const int bytes = RasterFormatBytes(format);
  s.pixels.assign(static_cast<size_t>(kWidth) * kHeight * bytes, 0);
  s.depth.assign(static_cast<size_t>(kWidth) * kHeight, 0);
  s.target.pixels = s.pixels.data();
  s.target.pitch = kWidth * bytes;
  s.target.width = kWidth;
  s.target.height = kHeight;
  s.target.format = format;
  s.target.depth = s.depth.data();
  s.target.depthPitch = kWidth * 2;
  s.target.depthFormat = RasterDepthFormat::D16;
  s.target.viewport = {0, 0, kWidth, kHeight};

  std::mt19937 random(1234);
  std::uniform_real_distribution<float> px(0.0f, kWidth - kLeg);
  std::uniform_real_distribution<float> py(0.0f, kHeight - kLeg);
  std::uniform_real_distribution<float> pz(0.0f, 1.0f);
  s.vertices.clear();
  s.indices.clear();
  for (int i = 0; i < kTriangles; ++i) {
    const float x = px(random);
    const float y = py(random);
    const float corners[3][2] = {{x, y}, {x + kLeg, y}, {x, y + kLeg}};
    for (const auto& c : corners) {
      D3DTLVERTEX v{};
      v.sx = c[0];
      v.sy = c[1];
      v.sz = pz(random);
      v.rhw = 0.5f;
      v.color = random() | 0xFF000000u;
      v.tu = c[0] / 64.0f;
      v.tv = c[1] / 64.0f;
      s.indices.push_back(static_cast<uint16_t>(s.vertices.size()));
      s.vertices.push_back(v);
    }
  }

  std::vector<uint16_t> texels(256 * 256);
  for (auto& t : texels) t = static_cast<uint16_t>(random());
  RasterTextureSource source;
  source.pixels = texels.data();
  source.pitch = 512;
  source.width = 256;
  source.height = 256;
  source.format = RasterFormat::Rgb565;
  RasterTextureUpdate(s.texture, source, 1);
}

void Frame(benchmark::State& state, RasterFormat format, bool textured) {
  Scene scene;
  MakeScene(scene, format);
  RasterState raster;
  raster.filter = RasterFilter::Linear;
  raster.dither = true;
  const RasterRect all{0, 0, kWidth, kHeight};
  uint64_t fragments = 0;
  uint64_t written = 0;
  for (auto _ : state) {
    RasterClear(scene.target, all, kRasterClearColor | kRasterClearDepth, 0x00303030, 1.0f);
    RasterStats stats;
    RasterDrawIndexed(scene.target, raster, textured ? &scene.texture : nullptr,
                      scene.vertices.data(), static_cast<uint32_t>(scene.vertices.size()),
                      scene.indices.data(), static_cast<uint32_t>(scene.indices.size()), &stats);
    fragments += stats.fragments;
    written += stats.written;
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(static_cast<int64_t>(fragments));
  state.counters["written"] =
      benchmark::Counter(static_cast<double>(written), benchmark::Counter::kIsRate);
}

void BM_RasterTexturedZ(benchmark::State& state) {
  Frame(state, state.range(0) == 565 ? RasterFormat::Rgb565 : RasterFormat::Xrgb8888, true);
}
BENCHMARK(BM_RasterTexturedZ)->Arg(565)->Arg(8888);

void BM_RasterFlatZ(benchmark::State& state) {
  Frame(state, RasterFormat::Rgb565, false);
}
BENCHMARK(BM_RasterFlatZ)->Arg(565);

// A character's worth of tiny triangles, as a turning model gives them: a jittered grid of
// 3-pixel cells sharing their vertices (about 4.5 pixels a triangle), drawn twice, once facing
// the viewer and once facing away (culled), into a 32-bit target with a bilinear 8-8-8 texture.
void BM_RasterSmallMesh(benchmark::State& state) {
  Scene scene;
  MakeScene(scene, RasterFormat::Xrgb8888);
  constexpr int kCells = 64;
  constexpr float kCell = 3.0f;
  std::mt19937 random(42);
  std::uniform_real_distribution<float> jitter(-0.4f * kCell, 0.4f * kCell);
  std::vector<D3DTLVERTEX> vertices;
  for (int y = 0; y <= kCells; ++y) {
    for (int x = 0; x <= kCells; ++x) {
      D3DTLVERTEX v{};
      v.sx = 200.0f + x * kCell + jitter(random);
      v.sy = 100.0f + y * kCell + jitter(random);
      v.sz = 0.3f + 0.001f * static_cast<float>(x + y);
      v.rhw = 0.5f;
      v.color = random() | 0xFF000000u;
      v.tu = v.sx / 64.0f;
      v.tv = v.sy / 64.0f;
      vertices.push_back(v);
    }
  }
  std::vector<uint16_t> indices;
  for (int facing = 0; facing < 2; ++facing) {
    for (int y = 0; y < kCells; ++y) {
      for (int x = 0; x < kCells; ++x) {
        const uint16_t a = static_cast<uint16_t>(y * (kCells + 1) + x);
        const uint16_t b = static_cast<uint16_t>(a + 1);
        const uint16_t c = static_cast<uint16_t>(a + kCells + 1);
        const uint16_t d = static_cast<uint16_t>(c + 1);
        if (facing == 0) {
          indices.insert(indices.end(), {a, b, c, b, d, c});
        } else {
          indices.insert(indices.end(), {a, c, b, b, c, d});
        }
      }
    }
  }
  std::vector<uint32_t> texels(128 * 128);
  for (auto& t : texels) t = random();
  RasterTextureSource source;
  source.pixels = texels.data();
  source.pitch = 128 * 4;
  source.width = 128;
  source.height = 128;
  source.format = RasterFormat::Xrgb8888;
  RasterTexture texture;
  RasterTextureUpdate(texture, source, 1);
  RasterState raster;
  raster.filter = RasterFilter::Linear;
  const RasterRect all{0, 0, kWidth, kHeight};
  for (auto _ : state) {
    RasterClear(scene.target, all, kRasterClearColor | kRasterClearDepth, 0x00303030, 1.0f);
    RasterDrawIndexed(scene.target, raster, &texture, vertices.data(),
                      static_cast<uint32_t>(vertices.size()), indices.data(),
                      static_cast<uint32_t>(indices.size()), nullptr);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * static_cast<int64_t>(indices.size() / 3));
}
BENCHMARK(BM_RasterSmallMesh)->Unit(benchmark::kMicrosecond);

void BM_Clear(benchmark::State& state) {
  Scene scene;
  MakeScene(scene, RasterFormat::Rgb565);
  const RasterRect all{0, 0, kWidth, kHeight};
  for (auto _ : state) {
    RasterClear(scene.target, all, kRasterClearColor | kRasterClearDepth, 0x00303030, 1.0f);
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kWidth * kHeight);
}
BENCHMARK(BM_Clear)->Arg(565);

}  // namespace
