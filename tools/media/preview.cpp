#include "tools/media/preview.h"

#include <strings.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <limits>
#include <vector>

namespace media {

namespace {

uint32_t Crc32(const std::string& data, uint32_t crc = 0) {
  crc = ~crc;
  for (unsigned char c : data) {
    crc ^= c;
    for (int k = 0; k < 8; ++k) crc = (crc >> 1) ^ (0xEDB88320u & (0u - (crc & 1u)));
  }
  return ~crc;
}

void PutBE32(std::string& s, uint32_t v) {
  for (int i = 3; i >= 0; --i) s += static_cast<char>((v >> (8 * i)) & 0xFF);
}

void Chunk(std::string& png, const char* type, const std::string& data) {
  PutBE32(png, static_cast<uint32_t>(data.size()));
  const std::string body = std::string(type, 4) + data;
  png += body;
  PutBE32(png, Crc32(body));
}

}  // namespace

std::string EncodePng(const Image& image) {
  std::string raw;
  for (int y = 0; y < image.height(); ++y) {
    raw += '\0';  // no filter
    for (int x = 0; x < image.width(); ++x) {
      const Rgb c = image.At(x, y);
      raw += static_cast<char>(c.r);
      raw += static_cast<char>(c.g);
      raw += static_cast<char>(c.b);
    }
  }
  std::string z = "\x78\x01";
  for (size_t at = 0; at < raw.size() || at == 0; at += 65535) {
    const size_t n = std::min<size_t>(65535, raw.size() - at);
    z += static_cast<char>(at + n >= raw.size() ? 1 : 0);
    z += static_cast<char>(n & 0xFF);
    z += static_cast<char>(n >> 8);
    z += static_cast<char>(~n & 0xFF);
    z += static_cast<char>((~n >> 8) & 0xFF);
    z += raw.substr(at, n);
    if (raw.empty()) break;
  }
  uint32_t a = 1, b = 0;
  for (unsigned char c : raw) {
    a = (a + c) % 65521;
    b = (b + a) % 65521;
  }
  PutBE32(z, (b << 16) | a);
  std::string png = "\x89PNG\r\n\x1a\n";
  std::string ihdr;
  PutBE32(ihdr, static_cast<uint32_t>(image.width()));
  PutBE32(ihdr, static_cast<uint32_t>(image.height()));
  ihdr += std::string("\x08\x02\x00\x00\x00", 5);
  Chunk(png, "IHDR", ihdr);
  Chunk(png, "IDAT", z);
  Chunk(png, "IEND", "");
  return png;
}

namespace {

// What the viewer's loader keeps of a material: the last map's bitmap (folders dropped) and
// type; a bitmap makes the colour white.
struct LoadedLook {
  Rgb diffuse;
  const Image* texture = nullptr;
  bool environment = false;
};

LoadedLook LookOf(const MaterialDef& m, const MediaSet& set, bool root) {
  LoadedLook look{m.diffuse};
  std::string bitmap, type;
  for (const auto* maps : {&m.diffuseMaps, &m.reflectMaps})
    for (const MapDef& map : *maps) {
      bitmap = map.bitmapPath.substr(map.bitmapPath.find_last_of('\\') + 1);
      type = map.mapType;
    }
  if (bitmap.empty()) return look;
  look.diffuse = {255, 255, 255};
  look.environment = type == "Spherical" || type == "Cylindrical";
  if (root) return look;
  for (const NamedBitmap& b : set.bitmaps)
    if (strcasecmp(b.fileName.c_str(), bitmap.c_str()) == 0) look.texture = &b.image;
  return look;
}

struct ScreenVertex {
  double x, y, depth;
  double light;
  double u, v;
};

}  // namespace

Image RenderPreview(const ModelFile& model, const MediaSet& set, double turn, int width, int height,
                    double zoom, double lookY) {
  Image out(width, height, {70, 70, 96});
  std::vector<double> zbuf(static_cast<size_t>(width) * height,
                           std::numeric_limits<double>::infinity());
  // The viewer's camera and light, in its y-up coordinates (file y and z exchanged).
  const Vec3 target{0, lookY, 0};
  const Vec3 eye = target + Vec3{0, 25, -100} * (1.0 / zoom);
  const Vec3 zAxis = Normalized(target - eye);
  const Vec3 xAxis = Normalized(Cross(Vec3{0, 1, 0}, zAxis));
  const Vec3 yAxis = Cross(zAxis, xAxis);
  const double focal = 1.0 / std::tan(kPi / 8);
  const Vec3 light = Normalized(Vec3{0.2, -0.5, 0.5});
  const double c = std::cos(turn), s = std::sin(turn);
  auto toWorld = [c, s](Vec3 file) {
    const Vec3 p{file.x, file.z, file.y};
    return Vec3{c * p.x + s * p.z, p.y, -s * p.x + c * p.z};
  };
  for (size_t oi = 0; oi < model.objects.size(); ++oi) {
    const ObjectDef& o = model.objects[oi];
    const LoadedLook look = LookOf(model.materials[o.material], set, o.parent.empty());
    const Mesh& m = o.mesh;
    std::vector<ScreenVertex> sv(m.pos.size());
    for (size_t i = 0; i < m.pos.size(); ++i) {
      const Vec3 p = toWorld(m.pos[i]) - eye;
      const Vec3 n = toWorld(m.nrm[i]);
      const double vz = Dot(p, zAxis);
      ScreenVertex& v = sv[i];
      v.x = width * 0.5 * (1 + 0.75 * focal * Dot(p, xAxis) / vz);
      v.y = height * 0.5 * (1 - focal * Dot(p, yAxis) / vz);
      v.depth = vz;
      v.light = std::max(0.0, -Dot(n, light));
      v.u = m.uv[i].u;
      v.v = 1.0 - m.uv[i].v;
      if (look.environment) {
        v.u = (n.x + 1) * 0.5;
        v.v = 1 - (n.y + 1) * 0.5;
      }
    }
    for (const Face& f : m.faces) {
      // The loader stores corners A, C, B; the device drops counter-clockwise triangles.
      const ScreenVertex& a = sv[f.v[0]];
      const ScreenVertex& b = sv[f.v[2]];
      const ScreenVertex& cc = sv[f.v[1]];
      const double area = (b.x - a.x) * (cc.y - a.y) - (cc.x - a.x) * (b.y - a.y);
      if (area <= 0) continue;
      const int x0 = std::max(0, static_cast<int>(std::floor(std::min({a.x, b.x, cc.x}))));
      const int x1 = std::min(width - 1, static_cast<int>(std::ceil(std::max({a.x, b.x, cc.x}))));
      const int y0 = std::max(0, static_cast<int>(std::floor(std::min({a.y, b.y, cc.y}))));
      const int y1 = std::min(height - 1, static_cast<int>(std::ceil(std::max({a.y, b.y, cc.y}))));
      for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) {
          const double px = x + 0.5, py = y + 0.5;
          const double wa = ((b.x - px) * (cc.y - py) - (cc.x - px) * (b.y - py)) / area;
          const double wb = ((cc.x - px) * (a.y - py) - (a.x - px) * (cc.y - py)) / area;
          const double wc = 1 - wa - wb;
          if (wa < 0 || wb < 0 || wc < 0) continue;
          const double depth = wa * a.depth + wb * b.depth + wc * cc.depth;
          double& zb = zbuf[static_cast<size_t>(y) * width + x];
          if (depth >= zb) continue;
          zb = depth;
          const double lit = wa * a.light + wb * b.light + wc * cc.light;
          Rgb colour = look.diffuse;
          if (look.texture) {
            const double u = wa * a.u + wb * b.u + wc * cc.u;
            const double v = wa * a.v + wb * b.v + wc * cc.v;
            const int tx = std::clamp(static_cast<int>(u * look.texture->width()), 0,
                                      look.texture->width() - 1);
            const int ty = std::clamp(static_cast<int>(v * look.texture->height()), 0,
                                      look.texture->height() - 1);
            const Rgb t = look.texture->At(tx, ty);
            colour = {static_cast<uint8_t>(colour.r * t.r / 255),
                      static_cast<uint8_t>(colour.g * t.g / 255),
                      static_cast<uint8_t>(colour.b * t.b / 255)};
          }
          out.Set(x, y, Shade(colour, lit));
        }
    }
  }
  return out;
}

bool WritePreviews(const MediaSet& set, const std::string& folder) {
  // The viewer's 640 x 480 window, four turns in a 2 x 2 sheet.
  constexpr int kW = 640, kH = 480;
  for (const ModelFile& model : set.models) {
    for (int close = 0; close < 2; ++close) {
      Image sheet(kW * 2, kH * 2);
      for (int t = 0; t < 4; ++t) {
        const Image view = close ? RenderPreview(model, set, t * 0.5 * kPi, kW, kH, 3.0, 40.0)
                                 : RenderPreview(model, set, t * 0.5 * kPi, kW, kH);
        for (int y = 0; y < kH; ++y)
          for (int x = 0; x < kW; ++x) sheet.Set((t % 2) * kW + x, (t / 2) * kH + y, view.At(x, y));
      }
      const std::string name = model.fileName.substr(0, model.fileName.find('.'));
      std::ofstream out(folder + "/" + name + (close ? "_close" : "") + ".png", std::ios::binary);
      out << EncodePng(sheet);
      if (!out) return false;
    }
  }
  return true;
}

}  // namespace media
