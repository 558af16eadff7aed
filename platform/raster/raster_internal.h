// Inside the rasterizer: what triangle setup hands to the specialised span loops.
#pragma once

#include "raster/raster.h"

#include <cstdint>

// One edge walked down the rows: q = floor(n / d) of the edge's numerator n, which moves by a
// constant each row. Left edges give the first covered x (q + 1), right edges the end (-q).
struct RasterEdge {
  int64_t q = 0;
  int64_t r = 0;   // n - q * d, in 0..d-1
  int64_t d = 1;   // 16 * |dy| of the edge
  int64_t kq = 0;  // floor of the per-row step over d
  int64_t kr = 0;  // and its remainder
};

// A triangle ready for the span loops: rows yStart..yEnd-1, already clipped to the viewport,
// bounded by left[0] and right[0] down to row `split`, by left[1] and right[1] from there
// (the side with two edges turns at the corner they share).
//
// The attributes travel in pairs of doubles, (r, g), (b, z), (u, v), each the plane
// value(x, y) = base + dx * x + dy * y in fixed-point units that round to 32 bits:
//   r, g, b: the 16-bit channel value in 16.16, minus 2^31;
//   z: depth units << kDepthShift16 or kDepthShift32;
//   u, v: texels in 16.16 minus 2^31, the coordinates moved by whole repeats so that the
//   triangle's texels lie near texel 32768 (the lanes' wrap is then exact).
struct RasterTriangle {
  RasterEdge left[2];
  RasterEdge right[2];
  int32_t yStart = 0;
  int32_t yEnd = 0;
  int32_t split = 0;
  alignas(16) double base[6] = {};
  alignas(16) double dx[6] = {};
  alignas(16) double dy[6] = {};
  // Eight pixels' steps of r, g, b (16.16) and of z, u, v.
  alignas(16) int32_t colorStep8[4] = {};
  int32_t zStep8 = 0;
  int32_t uStep8 = 0;
  int32_t vStep8 = 0;
  // Offsets of the eight lanes of a batch from its first pixel.
  alignas(16) int32_t zLanes[8] = {};
  alignas(16) int32_t uLanes[8] = {};
  alignas(16) int32_t vLanes[8] = {};
  alignas(16) int16_t cLanes[3][8] = {};  // in 16-bit channel units
};

// Slots of the attribute pairs in RasterTriangle::base, dx and dy.
enum RasterSlot { kSlotR, kSlotG, kSlotB, kSlotZ, kSlotU, kSlotV, kSlotCount };

// Per-draw constants and counters of the span loops.
struct RasterContext {
  uint8_t* pixels = nullptr;
  intptr_t pitch = 0;
  int32_t width = 0;  // at least 8: batches of 8 pixels always lie inside a row
  uint8_t* depth = nullptr;
  intptr_t depthPitch = 0;
  RasterRect clip;  // the viewport inside the target
  // Per row (y & 3) and batch start (x & 3): eight red/blue then eight green offsets added
  // before a 16-bit target drops its low bits.
  const uint16_t* dither = nullptr;
  // Lanes lo..hi-1 of a batch set, at masks[lo * 9 + hi].
  const int16_t (*masks)[8] = nullptr;
  // Texture: converted entries and size, with floor(65536 / side) for the wrap.
  const uint8_t* texels = nullptr;
  int32_t texWidth = 0;
  int32_t texHeight = 0;
  uint16_t texWidthRecip = 0;
  uint16_t texHeightRecip = 0;
  // Depth test: which outcomes of comparing fragment with stored value fail.
  bool failLess = false;
  bool failEqual = false;
  bool failGreater = false;
  bool zWrite = true;
  uint64_t fragments = 0;
  uint64_t written = 0;
};

// Fixed-point depth: depth units (65535 or 0xFFFFFF for 1.0) shifted left by this much.
constexpr int kDepthShift16 = 14;
constexpr int kDepthShift32 = 6;
// The 16-bit channel value of colour byte 0 and 255: a little inside 0..65535, so rounding in
// the lanes never wraps, and still exact after the target drops its low bits.
constexpr int32_t kChannelLow = 16;
constexpr int32_t kChannelHigh = 65519;

// Which span loop a draw uses.
enum class RasterTexMode : uint8_t { None, Point565, Point8888, Linear565, Linear8888 };
enum class RasterDepthMode : uint8_t { Off, D16LessEqual, D16Any, D32LessEqual, D32Any };

using RasterTriangleFn = void (*)(const RasterTriangle&, RasterContext&);

// The loop specialised for a target format (Rgb565, Rgb555 or 8888), texture and depth mode,
// for the instruction set RasterLoopIsa() names.
RasterTriangleFn RasterSelectLoop(RasterFormat target, RasterTexMode tex, RasterDepthMode depth);

// The same for each instruction set: SSE2 draws one row at a time; AVX2 two, side by side;
// AVX-512 runs the AVX2 loops with twice the registers.
RasterTriangleFn RasterSelectLoopSse2(RasterFormat target, RasterTexMode tex,
                                      RasterDepthMode depth);
RasterTriangleFn RasterSelectLoopAvx2(RasterFormat target, RasterTexMode tex,
                                      RasterDepthMode depth);
RasterTriangleFn RasterSelectLoopAvx512(RasterFormat target, RasterTexMode tex,
                                        RasterDepthMode depth);

enum class RasterIsa : uint8_t { Sse2, Avx2, Avx512 };

// The best instruction set the processor offers, and the one the loops use: the best unless a
// test asked for less (asking for more than the processor has gets the best it has).
RasterIsa RasterBestIsa();
RasterIsa RasterLoopIsa();
void RasterSetLoopIsa(RasterIsa isa);

// Dither tables for RasterContext::dither: ordered, and plain rounding.
const uint16_t* RasterDitherTable(bool dither, RasterFormat target);

// The coverage masks for RasterContext::masks.
const int16_t (*RasterMaskTable())[8];
