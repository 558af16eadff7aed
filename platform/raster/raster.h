// The software rasterizer behind the Direct3D device: screen-space, pre-lit triangles into a
// colour buffer with an optional depth buffer. No COM and no DirectDraw here: the device hands
// over plain pointers and pitches, the state it has collected and the texture it has bound.
//
// Conventions, as the DirectX 6 rasterizers of the time had them:
//   - Pixel (x, y) is sampled at the point (x, y): pixel centres lie on integer coordinates.
//   - Vertex positions are snapped to 1/16 pixel. A pixel whose centre lies exactly on an edge
//     belongs to the triangle when the edge is a top edge (horizontal, interior below) or a left
//     edge; so triangles that share an edge never both draw, nor both miss, a pixel on it.
//   - A triangle is clockwise when it turns clockwise on screen (y grows downwards).
//   - Colour is interpolated across the triangle (Gouraud). Texture coordinates are interpolated
//     linearly in screen space; rhw is not used (the system gives every vertex the same rhw).
//   - Texture coordinate 0 is the left (top) edge of texel 0: bilinear filtering blends the four
//     texels around (u * width - 0.5, v * height - 0.5), point filtering takes the texel under
//     (u * width, v * height). Coordinates wrap.
//   - Depth sz in 0..1 maps onto the whole depth range. Depth is not clipped: a fragment whose sz
//     lies outside 0..1 is tested like any other (below 0 it is nearer than everything, above 1
//     farther) and, when it passes, writes the nearest representable value.
//   - Triangles are clipped to the viewport rectangle; nothing outside it is read or written.
//   - Into 16-bit targets colour is rounded to nearest, or ordered-dithered with a 4 x 4 matrix
//     when dithering is on. 32-bit targets get the full 8 bits per channel, and alpha 0xFF.
//   - Texture alpha and vertex alpha are ignored (no blending, no alpha test).
//
// How the device uses it: RasterClear for Clear2; RasterTextureUpdate when a texture is bound
// (with the surface's change count as the version, so a texture converts once per change);
// RasterDrawIndexed for each DrawIndexedPrimitive, with the render target and depth surfaces'
// memory and the state gathered from SetRenderState and SetTextureStageState:
//   ZENABLE -> zEnable; ZWRITEENABLE -> zWriteEnable; ZFUNC D3DCMP_x -> zFunc (same order,
//   RasterCompare(x - 1)); CULLMODE NONE / CW / CCW -> cull; SHADEMODE -> shade;
//   DITHERENABLE -> dither; stage 0 MAGFILTER (or MINFILTER) LINEAR -> filter;
//   stage 0 COLOROP MODULATE -> Modulate, SELECTARG1 of TEXTURE -> SelectTexture,
//   SELECTARG2 of DIFFUSE or DISABLE -> SelectDiffuse.
// Everything runs on the calling thread; draws pick the widest instruction set the processor
// has (SSE2, AVX2 or AVX-512) and give the same pixels on each.
#pragma once

#include <d3dtypes.h>
#include <winerror.h>

#include <cstdint>
#include <vector>

enum class RasterFormat : uint8_t {
  Rgb565,    // 16 bits: red 11-15, green 5-10, blue 0-4
  Rgb555,    // 16 bits: red 10-14, green 5-9, blue 0-4, bit 15 unused
  Argb1555,  // texture only: as Rgb555 with alpha in bit 15
  Argb4444,  // texture only: alpha 12-15, red 8-11, green 4-7, blue 0-3
  Xrgb8888,  // 32 bits: blue, green, red, unused bytes in memory (a D3DCOLOR)
  Argb8888,  // 32 bits: as Xrgb8888 with alpha in the top byte
  Pal8,      // texture only: 8-bit indices into a 256-entry palette
};

// Bytes per pixel of a format.
int RasterFormatBytes(RasterFormat format);

// Depth buffer formats. D32 holds a 24-bit depth in the low bits of each 32-bit word
// (1.0 is 0x00FFFFFF); the top byte is written 0.
enum class RasterDepthFormat : uint8_t { None, D16, D32 };

// Rectangle of pixels: left and top included, right and bottom excluded.
struct RasterRect {
  int32_t left = 0;
  int32_t top = 0;
  int32_t right = 0;
  int32_t bottom = 0;
};

// Where to draw. The viewport is clipped to the target; an empty one draws and clears nothing.
struct RasterTarget {
  void* pixels = nullptr;
  int32_t pitch = 0;  // bytes from one row to the next, at least width * bytes per pixel
  int32_t width = 0;
  int32_t height = 0;
  RasterFormat format = RasterFormat::Rgb565;  // Rgb565, Rgb555, Xrgb8888 or Argb8888
  void* depth = nullptr;                       // null for no depth buffer
  int32_t depthPitch = 0;
  RasterDepthFormat depthFormat = RasterDepthFormat::None;  // with depth: covers width x height
  RasterRect viewport;
};

// Largest target and texture sides accepted.
constexpr int32_t kRasterMaxTargetSide = 8192;
constexpr int32_t kRasterMaxTextureSide = 2048;

enum class RasterCull : uint8_t {
  None,
  Clockwise,         // leave out triangles that turn clockwise on screen
  CounterClockwise,  // leave out triangles that turn counter-clockwise (the default)
};

// Depth test: the fragment passes when "fragment OP stored" holds.
enum class RasterCompare : uint8_t {
  Never,
  Less,
  Equal,
  LessEqual,
  Greater,
  NotEqual,
  GreaterEqual,
  Always,
};

enum class RasterFilter : uint8_t { Point, Linear };

// Colour of a fragment when a texture is bound; without one it is always the diffuse colour.
enum class RasterColorOp : uint8_t {
  Modulate,       // texture x diffuse
  SelectTexture,  // texture alone
  SelectDiffuse,  // diffuse alone: the texture is not sampled
};

enum class RasterShade : uint8_t {
  Gouraud,  // colour interpolated between the vertices
  Flat,     // the whole triangle takes its first vertex's colour
};

// The state a draw uses. Defaults are those of a freshly created Direct3D device.
struct RasterState {
  bool zEnable = true;  // test against (and write) the depth buffer, when the target has one
  bool zWriteEnable = true;
  RasterCompare zFunc = RasterCompare::LessEqual;
  RasterCull cull = RasterCull::CounterClockwise;
  RasterShade shade = RasterShade::Gouraud;
  bool dither = false;  // ordered dither into 16-bit targets
  RasterFilter filter = RasterFilter::Point;
  RasterColorOp colorOp = RasterColorOp::Modulate;
};

// Pixels of a texture as the surface holds them.
struct RasterTextureSource {
  const void* pixels = nullptr;
  int32_t pitch = 0;
  int32_t width = 0;
  int32_t height = 0;
  RasterFormat format = RasterFormat::Rgb565;
  const uint32_t* palette = nullptr;  // Pal8: 256 entries as D3DCOLOR (0xAARRGGBB)
};

// A texture converted for drawing: every texel holds its 2 x 2 neighbourhood (wrapping), so a
// bilinear sample reads one entry. 5-6-5 sources keep 16-bit texels, all others 8-8-8.
// Owned by the device's texture object and written only by RasterTextureUpdate, which reruns
// the conversion when the version changes.
struct RasterTexture {
  int32_t width = 0;  // converted size: the source's, with a side of 1 doubled
  int32_t height = 0;
  bool wide = false;  // texels of 8-8-8 (16 bytes per entry) rather than 5-6-5 (8 bytes)
  uint64_t version = 0;
  bool valid = false;
  std::vector<uint64_t> entries;  // width * height entries, row by row
};

// Converts `source` into `texture` unless the texture already holds `version` of it. Returns
// E_INVALIDARG (leaving the texture empty, so draws are untextured) for a null pointer, a side
// outside 1..kRasterMaxTextureSide, a pitch too small or a Pal8 source without a palette;
// E_OUTOFMEMORY when the conversion cannot be stored.
HRESULT RasterTextureUpdate(RasterTexture& texture, const RasterTextureSource& source,
                            uint64_t version);

// What a draw did, added to the caller's counts.
struct RasterStats {
  uint64_t triangles = 0;  // triangles submitted
  uint64_t culled = 0;     // left out by the cull mode or for having no area
  uint64_t fragments = 0;  // pixels covered inside the viewport
  uint64_t written = 0;    // pixels that passed the depth test and were written
};

// Draws an indexed triangle list: indices[3k], [3k+1], [3k+2] make triangle k; a trailing
// incomplete triangle is ignored. Returns E_INVALIDARG, drawing nothing, for a target that is
// not usable (null pixels, size outside 1..kRasterMaxTargetSide, pitch too small, depth buffer
// without its pitch), null arrays with a non-zero count, or any index at or past vertexCount
// (no vertex is read before all indices are checked). A null or invalid texture draws with the
// diffuse colour alone. `stats` may be null.
HRESULT RasterDrawIndexed(const RasterTarget& target, const RasterState& state,
                          const RasterTexture* texture, const D3DTLVERTEX* vertices,
                          uint32_t vertexCount, const uint16_t* indices, uint32_t indexCount,
                          RasterStats* stats);

// Clear flags, with the values of D3DCLEAR_TARGET and D3DCLEAR_ZBUFFER.
constexpr uint32_t kRasterClearColor = 0x1;
constexpr uint32_t kRasterClearDepth = 0x2;

// Fills `rect`, clipped to the viewport, with `color` (converted to the target's format, no
// dither) and/or the depth buffer with `z` (clamped to 0..1). Depth is skipped when the target
// has no depth buffer. E_INVALIDARG for an unusable target.
HRESULT RasterClear(const RasterTarget& target, const RasterRect& rect, uint32_t flags,
                    D3DCOLOR color, float z);

// The target pixel value of a colour: for 16-bit formats each channel rounded to the format's
// bits (in the low 16 bits), for 32-bit formats the colour itself.
uint32_t RasterPackColor(RasterFormat format, D3DCOLOR color);
