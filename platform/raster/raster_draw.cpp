// Drawing: checks the call, then sets up each triangle (culling, snapping to 1/16 pixel,
// clipping far-away geometry, edges and attribute planes) and hands it to the span loop
// chosen once for the draw's state.
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <utility>

#include <emmintrin.h>

#include "raster/raster_internal.h"

namespace {

// Vertices farther than this from the origin are clipped away before snapping, so every edge
// computation fits comfortably in 64 bits.
constexpr double kGuard = 32768.0;
// Steeper attribute gradients (per pixel, in fixed-point units) only occur on slivers.
constexpr double kMaxGradient = 1.0e13;

struct Vertex {
  double x, y;
  double attr[kSlotCount];  // r, g, b as 0..255; z, u, v in fixed-point units
};

// Everything a triangle's setup needs from the draw.
struct DrawSetup {
  RasterCull cull;
  RasterFormat format;
  bool flat;
  bool whiteDiffuse;  // the texture alone decides the colour
  bool textured;
  double texWidth, texHeight;
  double inverseWidth, inverseHeight;
  double centreU, centreV;  // whole repeats near texel 32768
  double texelOffset;       // 0.5: bilinear samples around texel centres
  double depthScale;        // 1.0 in fixed-point depth; 0 without a depth test
  RasterRect clip;
  RasterTriangleFn loop;
  RasterContext* context;
  RasterStats* stats;
  int depthBytes;  // 0 without a depth test
  // Each triangle is drawn once the next one is set up, so that the first rows of the next
  // are already on their way from memory while this one draws.
  RasterTriangle slots[2];
  int next;
  bool pending;
};

// Draws the triangle set up last, if any.
void Flush(DrawSetup& s) {
  if (s.pending) s.loop(s.slots[s.next ^ 1], *s.context);
  s.pending = false;
}

constexpr double kTwo31 = 2147483648.0;

// Colour bytes as fixed-point plane values: the 16-bit channel in 16.16, minus 2^31.
struct ChannelTable {
  double value[256];
};

ChannelTable MakeChannelTable() {
  ChannelTable t{};
  for (int b = 0; b < 256; ++b) {
    t.value[b] = (kChannelLow + b * ((kChannelHigh - kChannelLow) / 255.0)) * 65536.0 - kTwo31;
  }
  return t;
}

const ChannelTable kChannelFixed = MakeChannelTable();

// Nearest integer of a value saturated to +-9e18.
int64_t Round64(double v) {
  v = v < -9.0e18 ? -9.0e18 : (v > 9.0e18 ? 9.0e18 : v);
  return _mm_cvtsd_si64(_mm_set_sd(v));
}

double Floor(double v) {
  if (!(v > -9.0e18 && v < 9.0e18)) return 0.0;
  const double t = static_cast<double>(static_cast<int64_t>(v));
  return t > v ? t - 1.0 : t;
}

int32_t Wrap32(int64_t v) {
  return static_cast<int32_t>(static_cast<uint32_t>(v));
}

// Offsets i * gradient of lanes 0..7, rounded.
void Lanes32(double gradient, int32_t* out) {
  const __m128d g = _mm_set1_pd(gradient);
  const __m128i l01 = _mm_cvtpd_epi32(_mm_mul_pd(_mm_setr_pd(0.0, 1.0), g));
  const __m128i l23 = _mm_cvtpd_epi32(_mm_mul_pd(_mm_setr_pd(2.0, 3.0), g));
  const __m128i l45 = _mm_cvtpd_epi32(_mm_mul_pd(_mm_setr_pd(4.0, 5.0), g));
  const __m128i l67 = _mm_cvtpd_epi32(_mm_mul_pd(_mm_setr_pd(6.0, 7.0), g));
  _mm_store_si128(reinterpret_cast<__m128i*>(out), _mm_unpacklo_epi64(l01, l23));
  _mm_store_si128(reinterpret_cast<__m128i*>(out + 4), _mm_unpacklo_epi64(l45, l67));
}

// The same in 16-bit units from a 16.16 gradient, kept modulo 2^16.
void Lanes16(double gradient, int16_t* out) {
  alignas(16) int32_t wide[8];
  Lanes32(gradient / 65536.0, wide);
  const __m128i a = _mm_load_si128(reinterpret_cast<const __m128i*>(wide));
  const __m128i b = _mm_load_si128(reinterpret_cast<const __m128i*>(wide + 4));
  _mm_store_si128(reinterpret_cast<__m128i*>(out),
                  _mm_packs_epi32(_mm_srai_epi32(_mm_slli_epi32(a, 16), 16),
                                  _mm_srai_epi32(_mm_slli_epi32(b, 16), 16)));
}

// One edge from corner (x, y) by (dx, dy), in 1/16 pixel.
struct EdgeLine {
  int64_t x, y, dx, dy;
};

// floor(n / d) and its remainder, for 0 < d < 2^40 and |n| < 2^50: a double estimate
// corrected without branches by a step each way (all it takes but for rare near-integer
// quotients), then by the loops.
int64_t FloorDivide(int64_t n, int64_t d, double inverse, int64_t& remainder) {
  int64_t q = static_cast<int64_t>(static_cast<double>(n) * inverse);
  int64_t r = n - q * d;
  const int64_t under = r >> 63;  // all ones when r < 0
  q += under;
  r += d & under;
  const int64_t over = ~((r - d) >> 63);  // all ones when r >= d
  q -= over;
  r -= d & over;
  while (r < 0) --q, r += d;
  while (r >= d) ++q, r -= d;
  remainder = r;
  return q;
}

// 1 / (16 |dy|) of edges up to 64 pixels tall, so that most edges need no division.
constexpr int64_t kInverseCount = 1024;
struct InverseTable {
  double value[kInverseCount];
};

InverseTable MakeInverseTable() {
  InverseTable t{};
  for (int64_t a = 1; a < kInverseCount; ++a) t.value[a] = 1.0 / static_cast<double>(16 * a);
  return t;
}

const InverseTable kEdgeInverse = MakeInverseTable();

// The walk of an edge down the rows from row y. Sample (x, y) is inside when
// a * x + c(y) > 0 with a = -16 dy; pixel centres on a left edge count (the + 1 turns > into
// >=). The walk keeps q = floor(n / d) of n = -c(y) over d = 16 |dy|: left edges start at
// q + 1, right edges end at -q.
inline RasterEdge WalkFrom(const EdgeLine& e, int64_t y) {
  const int64_t bias = e.dy < 0 ? 1 : 0;
  const int64_t height = e.dy < 0 ? -e.dy : e.dy;
  RasterEdge edge;
  edge.d = 16 * height;
  const double inverse = height < kInverseCount ? kEdgeInverse.value[height]
                                                : 1.0 / static_cast<double>(edge.d);
  edge.q = FloorDivide(-((16 * y - e.y) * e.dx + e.x * e.dy + bias), edge.d, inverse, edge.r);
  edge.kq = FloorDivide(-16 * e.dx, edge.d, inverse, edge.kr);
  return edge;
}

int64_t Floor16(int64_t v) {
  return v >> 4;
}  // arithmetic shift: rounds down
int64_t Ceil16(int64_t v) {
  return -((-v) >> 4);
}

// Builds the edges and planes of a triangle whose snapped corners turn clockwise (area > 0)
// and draws it, unless none of it lies in the viewport.
void DrawSnapped(const double* const attr[3], const int64_t X[3], const int64_t Y[3], int64_t area,
                 DrawSetup& s) {
  const RasterRect& clip = s.clip;
  const int64_t xMin = std::min({X[0], X[1], X[2]});
  const int64_t xMax = std::max({X[0], X[1], X[2]});
  const int64_t yMin = std::min({Y[0], Y[1], Y[2]});
  const int64_t yMax = std::max({Y[0], Y[1], Y[2]});
  if (Ceil16(xMin) >= clip.right || Floor16(xMax) < clip.left) return;
  // No pixel column's sample between the corners: a sliver that covers nothing.
  if (Ceil16(xMin) > Floor16(xMax)) return;

  // Every edge but a horizontal one bounds one side of the rows it spans (left edges go up);
  // a horizontal bottom edge leaves out the row through it.
  EdgeLine lefts[2];
  EdgeLine rights[2];
  int leftCount = 0;
  int rightCount = 0;
  bool bottomFlat = false;
  for (int i = 0; i < 3; ++i) {
    const int j = i == 2 ? 0 : i + 1;
    const EdgeLine e{X[i], Y[i], X[j] - X[i], Y[j] - Y[i]};
    if (e.dy == 0) {
      bottomFlat = bottomFlat || e.dx < 0;
    } else if (e.dy < 0) {
      lefts[leftCount++] = e;
    } else {
      rights[rightCount++] = e;
    }
  }
  if (leftCount == 0 || rightCount == 0) return;
  const int64_t ys = std::max<int64_t>(clip.top, Ceil16(yMin));
  const int64_t ye = std::min<int64_t>(clip.bottom, bottomFlat ? Ceil16(yMax) : Floor16(yMax) + 1);
  if (ys >= ye) return;

  // A side with two edges changes from the upper to the lower at the row of the corner they
  // share; on that row both give the same bound.
  EdgeLine* two = leftCount == 2 ? lefts : (rightCount == 2 ? rights : nullptr);
  int64_t split = ye;
  if (two) {
    auto top = [](const EdgeLine& e) { return e.dy < 0 ? e.y + e.dy : e.y; };
    if (top(two[0]) > top(two[1])) std::swap(two[0], two[1]);
    split = std::clamp<int64_t>(Ceil16(top(two[1])), ys, ye);
  }

  RasterTriangle& t = s.slots[s.next];
  t.yStart = static_cast<int32_t>(ys);
  t.yEnd = static_cast<int32_t>(ye);
  t.split = static_cast<int32_t>(split);
  t.left[0] = WalkFrom(lefts[0], ys);
  t.right[0] = WalkFrom(rights[0], ys);
  if (split < ye) {
    t.left[1] = WalkFrom(lefts[leftCount - 1], split);
    t.right[1] = WalkFrom(rights[rightCount - 1], split);
  }

  // Attribute planes over the snapped corners (area is in 1/256 pixel squared).
  const double x0 = static_cast<double>(X[0]) / 16.0;
  const double y0 = static_cast<double>(Y[0]) / 16.0;
  const double dx1 = static_cast<double>(X[1] - X[0]);
  const double dy1 = static_cast<double>(Y[1] - Y[0]);
  const double dx2 = static_cast<double>(X[2] - X[0]);
  const double dy2 = static_cast<double>(Y[2] - Y[0]);
  const double scale = 16.0 / static_cast<double>(area);
  // Two attributes at a time; the pairs past the last one the draw uses are left as they are.
  // The clamp to +-kMaxGradient sends NaN to the low end (max takes its second operand then).
  const int pairs = s.textured ? 3 : 2;
  const __m128d vx0 = _mm_set1_pd(x0);
  const __m128d vy0 = _mm_set1_pd(y0);
  const __m128d vdx1 = _mm_set1_pd(dx1);
  const __m128d vdy1 = _mm_set1_pd(dy1);
  const __m128d vdx2 = _mm_set1_pd(dx2);
  const __m128d vdy2 = _mm_set1_pd(dy2);
  const __m128d vscale = _mm_set1_pd(scale);
  const __m128d low = _mm_set1_pd(-kMaxGradient);
  const __m128d high = _mm_set1_pd(kMaxGradient);
  for (int a = 0; a < 2 * pairs; a += 2) {
    const __m128d a0 = _mm_loadu_pd(attr[0] + a);
    const __m128d da1 = _mm_sub_pd(_mm_loadu_pd(attr[1] + a), a0);
    const __m128d da2 = _mm_sub_pd(_mm_loadu_pd(attr[2] + a), a0);
    __m128d gx = _mm_mul_pd(_mm_sub_pd(_mm_mul_pd(da1, vdy2), _mm_mul_pd(da2, vdy1)), vscale);
    __m128d gy = _mm_mul_pd(_mm_sub_pd(_mm_mul_pd(da2, vdx1), _mm_mul_pd(da1, vdx2)), vscale);
    gx = _mm_min_pd(_mm_max_pd(gx, low), high);
    gy = _mm_min_pd(_mm_max_pd(gy, low), high);
    _mm_store_pd(t.dx + a, gx);
    _mm_store_pd(t.dy + a, gy);
    _mm_store_pd(t.base + a, _mm_sub_pd(_mm_sub_pd(a0, _mm_mul_pd(gx, vx0)), _mm_mul_pd(gy, vy0)));
  }
  for (int c = 0; c < 3; ++c) {
    t.colorStep8[c] = Wrap32(Round64(8.0 * t.dx[kSlotR + c]));
    Lanes16(t.dx[kSlotR + c], t.cLanes[c]);
  }
  t.zStep8 = Wrap32(Round64(8.0 * t.dx[kSlotZ]));
  Lanes32(t.dx[kSlotZ], t.zLanes);
  if (s.textured) {
    t.uStep8 = Wrap32(Round64(8.0 * t.dx[kSlotU]));
    t.vStep8 = Wrap32(Round64(8.0 * t.dx[kSlotV]));
    Lanes32(t.dx[kSlotU], t.uLanes);
    Lanes32(t.dx[kSlotV], t.vLanes);
  }
  // Ask for the first rows of this triangle, then draw the previous one.
  const RasterContext& c = *s.context;
  const int pixelBytes = RasterFormatBytes(s.format);
  const int64_t left = std::max<int64_t>(clip.left, Ceil16(xMin));
  const int64_t right = std::min<int64_t>(clip.right, Floor16(xMax) + 1) - 1;
  for (int64_t y = ys; y < ye && y < ys + 4; ++y) {
    const uintptr_t row = reinterpret_cast<uintptr_t>(c.pixels) + y * c.pitch;
    _mm_prefetch(reinterpret_cast<const char*>(row + left * pixelBytes), _MM_HINT_T0);
    _mm_prefetch(reinterpret_cast<const char*>(row + right * pixelBytes), _MM_HINT_T0);
    if (s.depthBytes) {
      const uintptr_t depthRow = reinterpret_cast<uintptr_t>(c.depth) + y * c.depthPitch;
      _mm_prefetch(reinterpret_cast<const char*>(depthRow + left * s.depthBytes), _MM_HINT_T0);
      _mm_prefetch(reinterpret_cast<const char*>(depthRow + right * s.depthBytes), _MM_HINT_T0);
    }
  }
  Flush(s);
  s.pending = true;
  s.next ^= 1;
}

// Orients and culls snapped corners. `wanted` is 0 to apply the cull mode, or the sign the
// triangle must keep (a piece of a clipped triangle whose winding was decided before clipping).
// Returns false when the triangle has no area or faces the wrong way.
bool Orient(int64_t X[3], int64_t Y[3], const double* attr[3], int wanted, RasterCull cull,
            int64_t& area) {
  area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
  if (area == 0) return false;
  const int sign = area > 0 ? 1 : -1;
  if (wanted == 0) {
    if ((cull == RasterCull::CounterClockwise && sign < 0) ||
        (cull == RasterCull::Clockwise && sign > 0))
      return false;
  } else if (sign != wanted) {
    return false;
  }
  if (sign < 0) {
    std::swap(attr[1], attr[2]);
    std::swap(X[1], X[2]);
    std::swap(Y[1], Y[2]);
    area = -area;
  }
  return true;
}

// Snaps a piece of a clipped triangle and draws it if it keeps the winding `wanted`.
void DrawPiece(const Vertex* v0, const Vertex* v1, const Vertex* v2, int wanted, DrawSetup& s) {
  const Vertex* v[3] = {v0, v1, v2};
  const double* attr[3] = {v0->attr, v1->attr, v2->attr};
  int64_t X[3];
  int64_t Y[3];
  for (int i = 0; i < 3; ++i) {
    X[i] = Round64(v[i]->x * 16.0);
    Y[i] = Round64(v[i]->y * 16.0);
  }
  int64_t area;
  if (Orient(X, Y, attr, wanted, s.cull, area)) DrawSnapped(attr, X, Y, area, s);
}

Vertex Lerp(const Vertex& a, const Vertex& b, double t) {
  Vertex r;
  r.x = a.x + (b.x - a.x) * t;
  r.y = a.y + (b.y - a.y) * t;
  for (int i = 0; i < kSlotCount; ++i) r.attr[i] = a.attr[i] + (b.attr[i] - a.attr[i]) * t;
  return r;
}

// Cuts a triangle with corners far outside the target down to the guard square and draws
// the pieces as a fan, all keeping the winding of the whole.
void DrawClipped(const Vertex& v0, const Vertex& v1, const Vertex& v2, DrawSetup& s, bool& culled) {
  const double area = (v1.x - v0.x) * (v2.y - v0.y) - (v2.x - v0.x) * (v1.y - v0.y);
  if (!(area != 0.0) || !std::isfinite(area)) {
    culled = true;
    return;
  }
  const int sign = area > 0 ? 1 : -1;
  if ((s.cull == RasterCull::CounterClockwise && sign < 0) ||
      (s.cull == RasterCull::Clockwise && sign > 0)) {
    culled = true;
    return;
  }
  Vertex polygon[2][9];
  int count = 3;
  polygon[0][0] = v0;
  polygon[0][1] = v1;
  polygon[0][2] = v2;
  int from = 0;
  for (int plane = 0; plane < 4 && count >= 3; ++plane) {
    // Signed distance inside the plane: x >= -G, x <= G, y >= -G, y <= G.
    auto inside = [plane](const Vertex& p) {
      switch (plane) {
        case 0:
          return p.x + kGuard;
        case 1:
          return kGuard - p.x;
        case 2:
          return p.y + kGuard;
        default:
          return kGuard - p.y;
      }
    };
    const Vertex* in = polygon[from];
    Vertex* out = polygon[1 - from];
    int n = 0;
    for (int i = 0; i < count; ++i) {
      const Vertex& a = in[i];
      const Vertex& b = in[(i + 1) % count];
      const double da = inside(a);
      const double db = inside(b);
      if (da >= 0) out[n++] = a;
      if ((da >= 0) != (db >= 0)) out[n++] = Lerp(a, b, da / (da - db));
    }
    count = n;
    from = 1 - from;
  }
  for (int i = 1; i + 1 < count; ++i) {
    DrawPiece(&polygon[from][0], &polygon[from][i], &polygon[from][i + 1], sign, s);
  }
}

// A vertex as the triangles of a draw read it: converted once, however many share it.
struct DrawVertex {
  int64_t X, Y;             // snapped to 1/16 pixel
  double attr[kSlotCount];  // u and v not yet moved by the triangle's whole repeats
  bool finite;              // sx and sy are numbers
  bool far;                 // outside the guard square: the triangle is clipped first
};

void Convert(const D3DTLVERTEX& p, const DrawSetup& s, DrawVertex& out) {
  const double x = p.sx;
  const double y = p.sy;
  out.finite = std::isfinite(x) && std::isfinite(y);
  out.far = std::fabs(x) > kGuard || std::fabs(y) > kGuard;
  out.X = Round64(x * 16.0);
  out.Y = Round64(y * 16.0);
  double z = p.sz;
  if (!(z <= 1.5)) z = 1.5;  // NaN as well: farther than everything
  if (z < -0.5) z = -0.5;
  out.attr[kSlotZ] = z * s.depthScale;
  const D3DCOLOR color = s.whiteDiffuse ? 0xFFFFFF : p.color;
  out.attr[kSlotR] = kChannelFixed.value[(color >> 16) & 0xFF];
  out.attr[kSlotG] = kChannelFixed.value[(color >> 8) & 0xFF];
  out.attr[kSlotB] = kChannelFixed.value[color & 0xFF];
  out.attr[kSlotU] = std::isfinite(p.tu) ? p.tu * s.texWidth - s.texelOffset : 0.0;
  out.attr[kSlotV] = std::isfinite(p.tv) ? p.tv * s.texHeight - s.texelOffset : 0.0;
}

// A triangle's own attributes: flat shading takes the first corner's colour, and texture
// coordinates move by whole repeats so that they sit in the middle of the lanes' 0..65535
// texel range, where wrapping is exact.
void TriangleAttributes(const DrawVertex* const d[3], const DrawSetup& s,
                        double out[3][kSlotCount]) {
  for (int k = 0; k < 3; ++k) std::memcpy(out[k], d[k]->attr, sizeof(out[k]));
  if (s.flat) {
    for (int k = 1; k < 3; ++k)
      for (int a = kSlotR; a <= kSlotB; ++a) out[k][a] = out[0][a];
  }
  if (s.textured) {
    const double shiftU = s.centreU - s.texWidth * Floor(out[0][kSlotU] * s.inverseWidth);
    const double shiftV = s.centreV - s.texHeight * Floor(out[0][kSlotV] * s.inverseHeight);
    for (int k = 0; k < 3; ++k) {
      out[k][kSlotU] = (out[k][kSlotU] + shiftU) * 65536.0 - kTwo31;
      out[k][kSlotV] = (out[k][kSlotV] + shiftV) * 65536.0 - kTwo31;
    }
  }
}

// Culls before any attribute work: most triangles left out face away.
void DrawConverted(const DrawVertex* const d[3], const D3DTLVERTEX* const p[3], DrawSetup& s) {
  if (!d[0]->finite || !d[1]->finite || !d[2]->finite) {
    s.stats->culled++;
    return;
  }
  double attr[3][kSlotCount];
  if (d[0]->far || d[1]->far || d[2]->far) {
    TriangleAttributes(d, s, attr);
    Vertex v[3];
    for (int k = 0; k < 3; ++k) {
      v[k].x = p[k]->sx;
      v[k].y = p[k]->sy;
      std::memcpy(v[k].attr, attr[k], sizeof(v[k].attr));
    }
    bool culled = false;
    DrawClipped(v[0], v[1], v[2], s, culled);
    if (culled) s.stats->culled++;
    return;
  }
  int64_t X[3] = {d[0]->X, d[1]->X, d[2]->X};
  int64_t Y[3] = {d[0]->Y, d[1]->Y, d[2]->Y};
  const double* rows[3] = {attr[0], attr[1], attr[2]};
  int64_t area;
  if (!Orient(X, Y, rows, 0, s.cull, area)) {
    s.stats->culled++;
    return;
  }
  TriangleAttributes(d, s, attr);
  DrawSnapped(rows, X, Y, area, s);
}

// Converted vertices of a draw: the buffer grows to the largest draw seen on the thread and
// stays, so that drawing does not allocate. Null when it cannot grow.
DrawVertex* ScratchVertices(uint32_t count) {
  thread_local std::unique_ptr<DrawVertex[]> buffer;
  thread_local uint32_t capacity = 0;
  if (count > capacity) {
    buffer.reset(new (std::nothrow) DrawVertex[count]);
    capacity = buffer ? count : 0;
  }
  return buffer.get();
}

bool TargetFormat(RasterFormat f) {
  return f == RasterFormat::Rgb565 || f == RasterFormat::Rgb555 || f == RasterFormat::Xrgb8888 ||
         f == RasterFormat::Argb8888;
}

bool ValidTarget(const RasterTarget& t) {
  if (!t.pixels || !TargetFormat(t.format)) return false;
  if (t.width < 1 || t.height < 1 || t.width > kRasterMaxTargetSide ||
      t.height > kRasterMaxTargetSide)
    return false;
  if (t.pitch < t.width * RasterFormatBytes(t.format)) return false;
  if (t.depth && t.depthFormat != RasterDepthFormat::None) {
    const int bytes = t.depthFormat == RasterDepthFormat::D16 ? 2 : 4;
    if (t.depthPitch < t.width * bytes) return false;
  }
  return true;
}

bool HasDepth(const RasterTarget& t) {
  return t.depth && t.depthFormat != RasterDepthFormat::None;
}

RasterRect ClipToTarget(const RasterTarget& t, const RasterRect& r) {
  RasterRect c;
  c.left = std::max(r.left, 0);
  c.top = std::max(r.top, 0);
  c.right = std::min(r.right, t.width);
  c.bottom = std::min(r.bottom, t.height);
  if (c.right < c.left) c.right = c.left;
  if (c.bottom < c.top) c.bottom = c.top;
  return c;
}

// Targets narrower than a batch draw into an 8-pixel-wide copy.
HRESULT DrawNarrow(const RasterTarget& target, const RasterState& state,
                   const RasterTexture* texture, const D3DTLVERTEX* vertices, uint32_t vertexCount,
                   const uint16_t* indices, uint32_t indexCount, RasterStats* stats) {
  const int bytes = RasterFormatBytes(target.format);
  const int depthBytes = target.depthFormat == RasterDepthFormat::D32 ? 4 : 2;
  const bool depth = HasDepth(target);
  const size_t rowBytes = static_cast<size_t>(target.width) * bytes;
  const size_t depthRowBytes = static_cast<size_t>(target.width) * depthBytes;
  uint8_t* pixels = new (std::nothrow) uint8_t[8 * 4 * static_cast<size_t>(target.height)];
  uint8_t* zs =
      depth ? new (std::nothrow) uint8_t[8 * 4 * static_cast<size_t>(target.height)] : nullptr;
  if (!pixels || (depth && !zs)) {
    delete[] pixels;
    delete[] zs;
    return E_OUTOFMEMORY;
  }
  RasterTarget wide = target;
  wide.pixels = pixels;
  wide.pitch = 8 * bytes;
  wide.width = 8;
  wide.depth = zs;
  wide.depthPitch = 8 * depthBytes;
  wide.viewport = ClipToTarget(target, target.viewport);
  for (int32_t y = 0; y < target.height; ++y) {
    std::memcpy(pixels + y * wide.pitch,
                static_cast<const uint8_t*>(target.pixels) + y * intptr_t{target.pitch}, rowBytes);
    if (depth) {
      std::memcpy(zs + y * wide.depthPitch,
                  static_cast<const uint8_t*>(target.depth) + y * intptr_t{target.depthPitch},
                  depthRowBytes);
    }
  }
  const HRESULT hr =
      RasterDrawIndexed(wide, state, texture, vertices, vertexCount, indices, indexCount, stats);
  for (int32_t y = 0; y < target.height; ++y) {
    std::memcpy(static_cast<uint8_t*>(target.pixels) + y * intptr_t{target.pitch},
                pixels + y * wide.pitch, rowBytes);
    if (depth) {
      std::memcpy(static_cast<uint8_t*>(target.depth) + y * intptr_t{target.depthPitch},
                  zs + y * wide.depthPitch, depthRowBytes);
    }
  }
  delete[] pixels;
  delete[] zs;
  return hr;
}

}  // namespace

HRESULT RasterDrawIndexed(const RasterTarget& target, const RasterState& state,
                          const RasterTexture* texture, const D3DTLVERTEX* vertices,
                          uint32_t vertexCount, const uint16_t* indices, uint32_t indexCount,
                          RasterStats* stats) {
  if (!ValidTarget(target)) return E_INVALIDARG;
  const uint32_t used = indexCount / 3 * 3;
  if (used == 0) return S_OK;
  if (!indices || !vertices) return E_INVALIDARG;
  uint32_t highest = 0;
  for (uint32_t i = 0; i < used; ++i) highest = std::max<uint32_t>(highest, indices[i]);
  if (highest >= vertexCount) return E_INVALIDARG;
  if (target.width < 8) {
    return DrawNarrow(target, state, texture, vertices, vertexCount, indices, indexCount, stats);
  }

  RasterStats ignored;
  RasterStats& counts = stats ? *stats : ignored;
  counts.triangles += used / 3;

  RasterContext context;
  context.pixels = static_cast<uint8_t*>(target.pixels);
  context.pitch = target.pitch;
  context.width = target.width;
  context.clip = ClipToTarget(target, target.viewport);
  context.masks = RasterMaskTable();
  if (target.format == RasterFormat::Rgb565 || target.format == RasterFormat::Rgb555) {
    context.dither = RasterDitherTable(state.dither, target.format);
  }

  DrawSetup setup{};
  setup.cull = state.cull;
  setup.format = target.format;
  setup.flat = state.shade == RasterShade::Flat;
  setup.clip = context.clip;
  setup.context = &context;
  setup.stats = &counts;

  RasterTexMode texMode = RasterTexMode::None;
  if (texture && texture->valid && state.colorOp != RasterColorOp::SelectDiffuse) {
    const bool linear = state.filter == RasterFilter::Linear;
    if (texture->wide) {
      texMode = linear ? RasterTexMode::Linear8888 : RasterTexMode::Point8888;
    } else {
      texMode = linear ? RasterTexMode::Linear565 : RasterTexMode::Point565;
    }
    setup.textured = true;
    setup.whiteDiffuse = state.colorOp == RasterColorOp::SelectTexture;
    setup.texWidth = texture->width;
    setup.texHeight = texture->height;
    setup.texelOffset = linear ? 0.5 : 0.0;
    setup.inverseWidth = 1.0 / texture->width;
    setup.inverseHeight = 1.0 / texture->height;
    setup.centreU = texture->width * (32768 / texture->width);
    setup.centreV = texture->height * (32768 / texture->height);
    context.texels = reinterpret_cast<const uint8_t*>(texture->entries.data());
    context.texWidth = texture->width;
    context.texHeight = texture->height;
    context.texWidthRecip = static_cast<uint16_t>(65536 / texture->width);
    context.texHeightRecip = static_cast<uint16_t>(65536 / texture->height);
  }

  RasterDepthMode depthMode = RasterDepthMode::Off;
  if (state.zEnable && HasDepth(target)) {
    const bool d32 = target.depthFormat == RasterDepthFormat::D32;
    const bool lessEqual = state.zFunc == RasterCompare::LessEqual;
    if (d32) {
      depthMode = lessEqual ? RasterDepthMode::D32LessEqual : RasterDepthMode::D32Any;
    } else {
      depthMode = lessEqual ? RasterDepthMode::D16LessEqual : RasterDepthMode::D16Any;
    }
    setup.depthScale = d32 ? 16777215.0 * (1 << kDepthShift32) : 65535.0 * (1 << kDepthShift16);
    context.depth = static_cast<uint8_t*>(target.depth);
    context.depthPitch = target.depthPitch;
    context.zWrite = state.zWriteEnable;
    setup.depthBytes = d32 ? 4 : 2;
    switch (state.zFunc) {
      case RasterCompare::Never:
        context.failLess = context.failEqual = context.failGreater = true;
        break;
      case RasterCompare::Less:
        context.failEqual = context.failGreater = true;
        break;
      case RasterCompare::Equal:
        context.failLess = context.failGreater = true;
        break;
      case RasterCompare::LessEqual:
        context.failGreater = true;
        break;
      case RasterCompare::Greater:
        context.failLess = context.failEqual = true;
        break;
      case RasterCompare::NotEqual:
        context.failEqual = true;
        break;
      case RasterCompare::GreaterEqual:
        context.failLess = true;
        break;
      case RasterCompare::Always:
        break;
    }
  }
  setup.loop = RasterSelectLoop(target.format, texMode, depthMode);
  if (!setup.loop) return E_INVALIDARG;
  if (context.clip.left >= context.clip.right || context.clip.top >= context.clip.bottom) {
    return S_OK;
  }

  // Vertices shared by several triangles convert once; a draw that uses few of many converts
  // per triangle.
  DrawVertex* converted = vertexCount <= used ? ScratchVertices(vertexCount) : nullptr;
  if (converted) {
    for (uint32_t i = 0; i < vertexCount; ++i) Convert(vertices[i], setup, converted[i]);
  }
  for (uint32_t i = 0; i < used; i += 3) {
    const D3DTLVERTEX* p[3] = {&vertices[indices[i]], &vertices[indices[i + 1]],
                               &vertices[indices[i + 2]]};
    DrawVertex local[3];
    const DrawVertex* d[3];
    for (int k = 0; k < 3; ++k) {
      if (converted) {
        d[k] = &converted[indices[i + k]];
      } else {
        Convert(*p[k], setup, local[k]);
        d[k] = &local[k];
      }
    }
    DrawConverted(d, p, setup);
  }
  Flush(setup);
  counts.fragments += context.fragments;
  counts.written += context.written;
  return S_OK;
}
