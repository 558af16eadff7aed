// A reference rasterizer for the tests: one pixel at a time, straight from the rules (edge
// functions at pixel centres on the 1/16-pixel grid, barycentric interpolation in doubles,
// textures sampled from the source pixels), so the fast one can be checked against it.
#pragma once

#include <cstdint>
#include <vector>

#include "raster/raster.h"

// What the reference computed for one pixel.
struct RefPixel {
  bool covered = false;        // inside the triangle and the viewport
  bool written = false;        // and passed the depth test
  bool ambiguous = false;      // a point sample within a hair of a texel edge
  double r = 0, g = 0, b = 0;  // 0..255, before packing into the target
  double z = 0;                // sz as interpolated
};

// A 0x00RRGGBB texel of a texture source (any format), wrapped.
uint32_t RefTexel(const RasterTextureSource& s, int32_t x, int32_t y);

// Draws one triangle (cull, fill rule, clip to viewport, depth test, shading, texture) into
// `target` exactly as the rules say. Colour is rounded to nearest, never dithered.
// Returns, for every pixel the triangle covers inside the viewport, what it computed (also
// for pixels that failed the depth test), indexed y * width + x.
std::vector<RefPixel> RefDrawTriangle(const RasterTarget& target, const RasterState& state,
                                      const RasterTextureSource* texture, const D3DTLVERTEX& a,
                                      const D3DTLVERTEX& b, const D3DTLVERTEX& c);

// The pixel format's channels as 0..255 values.
void RefUnpack(RasterFormat format, uint32_t pixel, double& r, double& g, double& b);
uint32_t RefReadPixel(const RasterTarget& t, int32_t x, int32_t y);
uint32_t RefReadDepth(const RasterTarget& t, int32_t x, int32_t y);

// An owned target with canary bytes in the pitch padding and around the buffers.
struct TestTarget {
  TestTarget(int32_t width, int32_t height, RasterFormat format, RasterDepthFormat depth,
             int32_t padPixels = 3);
  TestTarget(const TestTarget&) = delete;
  TestTarget& operator=(const TestTarget&) = delete;
  void Fill(uint32_t pixel, uint32_t depth);  // every pixel, padding excluded
  bool CanariesIntact() const;
  // A copy of the pixels and depth of `other` (same layout).
  void CopyFrom(const TestTarget& other);

  RasterTarget target;
  std::vector<uint8_t> pixels;
  std::vector<uint8_t> depth;
  size_t guard = 64;
};
