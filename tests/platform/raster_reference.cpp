#include "raster_reference.h"

#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr uint8_t kCanary = 0xA5;

int64_t Snap(float v) {
  return std::llrint(static_cast<double>(v) * 16.0);
}

double Expand(uint32_t v, int bits) {
  return v * 255.0 / ((1u << bits) - 1);
}

// Texel channels as exact 0..255 values.
void TexelChannels(const RasterTextureSource& s, int32_t x, int32_t y, double& r, double& g,
                   double& b) {
  const uint8_t* row = static_cast<const uint8_t*>(s.pixels) + y * intptr_t{s.pitch};
  uint32_t p = 0;
  switch (s.format) {
    case RasterFormat::Rgb565:
      std::memcpy(&p, row + 2 * x, 2);
      r = Expand(p >> 11, 5), g = Expand((p >> 5) & 63, 6), b = Expand(p & 31, 5);
      return;
    case RasterFormat::Rgb555:
    case RasterFormat::Argb1555:
      std::memcpy(&p, row + 2 * x, 2);
      r = Expand((p >> 10) & 31, 5), g = Expand((p >> 5) & 31, 5), b = Expand(p & 31, 5);
      return;
    case RasterFormat::Argb4444:
      std::memcpy(&p, row + 2 * x, 2);
      r = Expand((p >> 8) & 15, 4), g = Expand((p >> 4) & 15, 4), b = Expand(p & 15, 4);
      return;
    case RasterFormat::Xrgb8888:
    case RasterFormat::Argb8888:
      std::memcpy(&p, row + 4 * x, 4);
      break;
    case RasterFormat::Pal8:
      p = s.palette[row[x]];
      break;
  }
  r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
}

int32_t Wrap(int64_t v, int32_t side) {
  const int64_t m = v % side;
  return static_cast<int32_t>(m < 0 ? m + side : m);
}

// Samples like the device: bilinear around (u W - 0.5, v H - 0.5) or the texel under (u W, v H),
// wrapping. `ambiguous` is set when a point sample lies within a hair of a texel edge.
void Sample(const RasterTextureSource& s, bool linear, double u, double v, double& r, double& g,
            double& b, bool& ambiguous) {
  if (!linear) {
    const double x = u * s.width;
    const double y = v * s.height;
    const double fx = x - std::floor(x);
    const double fy = y - std::floor(y);
    ambiguous = fx < 1e-4 || fx > 1 - 1e-4 || fy < 1e-4 || fy > 1 - 1e-4;
    TexelChannels(s, Wrap(static_cast<int64_t>(std::floor(x)), s.width),
                  Wrap(static_cast<int64_t>(std::floor(y)), s.height), r, g, b);
    return;
  }
  const double x = u * s.width - 0.5;
  const double y = v * s.height - 0.5;
  const double x0 = std::floor(x);
  const double y0 = std::floor(y);
  const double fx = x - x0;
  const double fy = y - y0;
  r = g = b = 0;
  for (int j = 0; j < 2; ++j) {
    for (int i = 0; i < 2; ++i) {
      const double w = (i ? fx : 1 - fx) * (j ? fy : 1 - fy);
      double tr, tg, tb;
      TexelChannels(s, Wrap(static_cast<int64_t>(x0) + i, s.width),
                    Wrap(static_cast<int64_t>(y0) + j, s.height), tr, tg, tb);
      r += w * tr, g += w * tg, b += w * tb;
    }
  }
}

uint32_t Pack(RasterFormat f, double r, double g, double b) {
  auto q = [](double v, int top) { return static_cast<uint32_t>(std::lround(v * top / 255.0)); };
  switch (f) {
    case RasterFormat::Rgb565:
      return q(r, 31) << 11 | q(g, 63) << 5 | q(b, 31);
    case RasterFormat::Rgb555:
      return q(r, 31) << 10 | q(g, 31) << 5 | q(b, 31);
    default:
      return 0xFF000000u | q(r, 255) << 16 | q(g, 255) << 8 | q(b, 255);
  }
}

bool Passes(RasterCompare f, double fragment, double stored) {
  switch (f) {
    case RasterCompare::Never:
      return false;
    case RasterCompare::Less:
      return fragment < stored;
    case RasterCompare::Equal:
      return fragment == stored;
    case RasterCompare::LessEqual:
      return fragment <= stored;
    case RasterCompare::Greater:
      return fragment > stored;
    case RasterCompare::NotEqual:
      return fragment != stored;
    case RasterCompare::GreaterEqual:
      return fragment >= stored;
    case RasterCompare::Always:
      return true;
  }
  return false;
}

}  // namespace

uint32_t RefTexel(const RasterTextureSource& s, int32_t x, int32_t y) {
  double r, g, b;
  TexelChannels(s, Wrap(x, s.width), Wrap(y, s.height), r, g, b);
  return static_cast<uint32_t>(std::lround(r)) << 16 | static_cast<uint32_t>(std::lround(g)) << 8 |
         static_cast<uint32_t>(std::lround(b));
}

void RefUnpack(RasterFormat format, uint32_t p, double& r, double& g, double& b) {
  switch (format) {
    case RasterFormat::Rgb565:
      r = Expand((p >> 11) & 31, 5), g = Expand((p >> 5) & 63, 6), b = Expand(p & 31, 5);
      return;
    case RasterFormat::Rgb555:
      r = Expand((p >> 10) & 31, 5), g = Expand((p >> 5) & 31, 5), b = Expand(p & 31, 5);
      return;
    default:
      r = (p >> 16) & 0xFF, g = (p >> 8) & 0xFF, b = p & 0xFF;
  }
}

uint32_t RefReadPixel(const RasterTarget& t, int32_t x, int32_t y) {
  const uint8_t* p = static_cast<const uint8_t*>(t.pixels) + y * intptr_t{t.pitch};
  uint32_t v = 0;
  std::memcpy(&v, p + x * RasterFormatBytes(t.format), RasterFormatBytes(t.format));
  return v;
}

uint32_t RefReadDepth(const RasterTarget& t, int32_t x, int32_t y) {
  const uint8_t* p = static_cast<const uint8_t*>(t.depth) + y * intptr_t{t.depthPitch};
  uint32_t v = 0;
  const int bytes = t.depthFormat == RasterDepthFormat::D32 ? 4 : 2;
  std::memcpy(&v, p + x * bytes, bytes);
  return bytes == 4 ? v & 0x00FFFFFF : v;
}

std::vector<RefPixel> RefDrawTriangle(const RasterTarget& target, const RasterState& state,
                                      const RasterTextureSource* texture, const D3DTLVERTEX& a,
                                      const D3DTLVERTEX& b, const D3DTLVERTEX& c) {
  std::vector<RefPixel> out(static_cast<size_t>(target.width) * target.height);
  const D3DTLVERTEX* v[3] = {&a, &b, &c};
  int64_t X[3], Y[3];
  for (int i = 0; i < 3; ++i) X[i] = Snap(v[i]->sx), Y[i] = Snap(v[i]->sy);
  const int64_t area = (X[1] - X[0]) * (Y[2] - Y[0]) - (X[2] - X[0]) * (Y[1] - Y[0]);
  if (area == 0) return out;
  if (state.cull == RasterCull::CounterClockwise && area < 0) return out;
  if (state.cull == RasterCull::Clockwise && area > 0) return out;
  const D3DCOLOR flatColor = a.color;
  if (area < 0) std::swap(v[1], v[2]), std::swap(X[1], X[2]), std::swap(Y[1], Y[2]);
  const double total = static_cast<double>(std::llabs(area));

  const bool hasDepth = target.depth && target.depthFormat != RasterDepthFormat::None;
  const bool depthTest = state.zEnable && hasDepth;
  const double depthTop = target.depthFormat == RasterDepthFormat::D32 ? 16777215.0 : 65535.0;
  const bool textured = texture && state.colorOp != RasterColorOp::SelectDiffuse;

  const int32_t x0 = std::max(target.viewport.left, 0);
  const int32_t y0 = std::max(target.viewport.top, 0);
  const int32_t x1 = std::min(target.viewport.right, target.width);
  const int32_t y1 = std::min(target.viewport.bottom, target.height);
  for (int32_t y = y0; y < y1; ++y) {
    for (int32_t x = x0; x < x1; ++x) {
      const int64_t px = 16 * int64_t{x};
      const int64_t py = 16 * int64_t{y};
      double lambda[3];
      bool inside = true;
      for (int e = 0; e < 3; ++e) {
        const int i = e, j = (e + 1) % 3;
        const int64_t dx = X[j] - X[i], dy = Y[j] - Y[i];
        const int64_t f = (py - Y[i]) * dx - (px - X[i]) * dy;  // > 0 inside
        const bool topLeft = dy < 0 || (dy == 0 && dx > 0);
        if (f < 0 || (f == 0 && !topLeft)) inside = false;
        lambda[(e + 2) % 3] = static_cast<double>(f) / total;  // weight of the opposite corner
      }
      if (!inside) continue;
      RefPixel& p = out[static_cast<size_t>(y) * target.width + x];
      p.covered = true;
      double sz = 0, r = 0, g = 0, bl = 0, u = 0, tv = 0;
      for (int k = 0; k < 3; ++k) {
        double z = v[k]->sz;
        sz += lambda[k] * z;
        const D3DCOLOR col = state.shade == RasterShade::Flat ? flatColor : v[k]->color;
        r += lambda[k] * ((col >> 16) & 0xFF);
        g += lambda[k] * ((col >> 8) & 0xFF);
        bl += lambda[k] * (col & 0xFF);
        u += lambda[k] * v[k]->tu;
        tv += lambda[k] * v[k]->tv;
      }
      if (textured) {
        double tr, tg, tb;
        bool ambiguous = false;
        Sample(*texture, state.filter == RasterFilter::Linear, u, tv, tr, tg, tb, ambiguous);
        if (state.colorOp == RasterColorOp::SelectTexture) {
          r = tr, g = tg, bl = tb;
        } else {
          r = r * tr / 255.0, g = g * tg / 255.0, bl = bl * tb / 255.0;
        }
        p.ambiguous = ambiguous;
      }
      p.r = r, p.g = g, p.b = bl, p.z = sz;
      if (depthTest) {
        const double stored = RefReadDepth(target, x, y);
        const double fragment = std::floor(sz * depthTop);
        if (!Passes(state.zFunc, fragment, stored)) continue;
      }
      p.written = true;
      uint8_t* row = static_cast<uint8_t*>(target.pixels) + y * intptr_t{target.pitch};
      const uint32_t pixel = Pack(target.format, r, g, bl);
      std::memcpy(row + x * RasterFormatBytes(target.format), &pixel,
                  RasterFormatBytes(target.format));
      if (depthTest && state.zWriteEnable) {
        const uint32_t d =
            static_cast<uint32_t>(std::clamp(std::floor(sz * depthTop), 0.0, depthTop));
        uint8_t* drow = static_cast<uint8_t*>(target.depth) + y * intptr_t{target.depthPitch};
        std::memcpy(drow + x * (depthTop > 65535 ? 4 : 2), &d, depthTop > 65535 ? 4 : 2);
      }
    }
  }
  return out;
}

TestTarget::TestTarget(int32_t width, int32_t height, RasterFormat format,
                       RasterDepthFormat depthFormat, int32_t padPixels) {
  const int bytes = RasterFormatBytes(format);
  const int depthBytes = depthFormat == RasterDepthFormat::D32 ? 4 : 2;
  target.width = width;
  target.height = height;
  target.format = format;
  target.pitch = (width + padPixels) * bytes;
  pixels.assign(2 * guard + static_cast<size_t>(target.pitch) * height, kCanary);
  target.pixels = pixels.data() + guard;
  target.depthFormat = depthFormat;
  if (depthFormat != RasterDepthFormat::None) {
    target.depthPitch = (width + padPixels) * depthBytes;
    depth.assign(2 * guard + static_cast<size_t>(target.depthPitch) * height, kCanary);
    target.depth = depth.data() + guard;
  }
  target.viewport = {0, 0, width, height};
}

void TestTarget::Fill(uint32_t pixel, uint32_t z) {
  const int bytes = RasterFormatBytes(target.format);
  const int depthBytes = target.depthFormat == RasterDepthFormat::D32 ? 4 : 2;
  for (int32_t y = 0; y < target.height; ++y) {
    for (int32_t x = 0; x < target.width; ++x) {
      std::memcpy(static_cast<uint8_t*>(target.pixels) + y * intptr_t{target.pitch} + x * bytes,
                  &pixel, bytes);
      if (target.depth) {
        std::memcpy(
            static_cast<uint8_t*>(target.depth) + y * intptr_t{target.depthPitch} + x * depthBytes,
            &z, depthBytes);
      }
    }
  }
}

bool TestTarget::CanariesIntact() const {
  auto check = [&](const std::vector<uint8_t>& buffer, int32_t pitch, int bytes) {
    if (buffer.empty()) return true;
    for (size_t i = 0; i < guard; ++i) {
      if (buffer[i] != kCanary || buffer[buffer.size() - 1 - i] != kCanary) return false;
    }
    for (int32_t y = 0; y < target.height; ++y) {
      for (int32_t i = target.width * bytes; i < pitch; ++i) {
        if (buffer[guard + y * static_cast<size_t>(pitch) + i] != kCanary) return false;
      }
    }
    return true;
  };
  return check(pixels, target.pitch, RasterFormatBytes(target.format)) &&
         check(depth, target.depthPitch, target.depthFormat == RasterDepthFormat::D32 ? 4 : 2);
}

void TestTarget::CopyFrom(const TestTarget& other) {
  pixels = other.pixels;
  depth = other.depth;
  target.pixels = pixels.data() + guard;
  target.depth = depth.empty() ? nullptr : depth.data() + guard;
}
