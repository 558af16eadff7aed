#include "tools/media/mesh.h"

#include <algorithm>
#include <cmath>
#include <map>
#include <tuple>
#include <utility>

namespace media {

int Mesh::AddVertex(Vec3 p, Vec2 t, uint32_t g) {
  pos.push_back(p);
  nrm.push_back(Vec3{0, 0, 1});
  uv.push_back(t);
  group.push_back(g);
  return VertexCount() - 1;
}

void Mesh::AddFace(int a, int b, int c, uint32_t smoothing, uint8_t edges) {
  // A triangle that collapsed to a line or a point has no front and no area to draw.
  const Vec3 n = Cross(pos[b] - pos[a], pos[c] - pos[a]);
  if (Length(n) < 1e-10) return;
  Face f;
  f.v[0] = a;
  f.v[1] = b;
  f.v[2] = c;
  f.smoothing = smoothing;
  f.edges = edges;
  faces.push_back(f);
}

void Mesh::Append(const Mesh& other) {
  const int base = VertexCount();
  uint32_t offset = 0;
  for (uint32_t g : group) offset = std::max(offset, g);
  for (int i = 0; i < other.VertexCount(); ++i) {
    pos.push_back(other.pos[i]);
    nrm.push_back(other.nrm[i]);
    uv.push_back(other.uv[i]);
    group.push_back(other.group[i] + offset);
  }
  for (Face f : other.faces) {
    for (int& v : f.v) v += base;
    faces.push_back(f);
  }
}

namespace {

// Two triangles over the quad of rows r0, r1 and columns i, i+1 of a vertex grid with `stride`
// vertices per row; the diagonal edge is hidden, as the modelling package hides it.
void AddQuad(Mesh& m, int r0, int r1, int i, int stride, uint32_t smoothing) {
  const int p00 = r0 * stride + i, p10 = p00 + 1;
  const int p01 = r1 * stride + i, p11 = p01 + 1;
  m.AddFace(p00, p10, p11, smoothing, 3);
  m.AddFace(p00, p11, p01, smoothing, 6);
}

}  // namespace

Mesh Loft(const std::vector<Ring>& rings, int segments, double startAngle) {
  Mesh m;
  if (rings.size() < 2 || segments < 3) return m;
  const int stride = segments + 1;
  std::vector<double> cosA(stride), sinA(stride);
  for (int i = 0; i < segments; ++i) {
    const double a = startAngle + 2.0 * kPi * i / segments;
    cosA[i] = Cos(a);
    sinA[i] = Sin(a);
  }
  // The closing column repeats column 0 exactly, so the seam welds.
  cosA[segments] = cosA[0];
  sinA[segments] = sinA[0];

  // Emitted rows: a hard ring inside the list is emitted twice, once closing the group
  // below it and once opening the group above it.
  struct Row {
    size_t ring;
    uint32_t group;
  };
  std::vector<Row> rows;
  uint32_t g = 1;
  for (size_t r = 0; r < rings.size(); ++r) {
    rows.push_back({r, g});
    if (rings[r].hard && r > 0 && r + 1 < rings.size()) rows.push_back({r, ++g});
  }
  const double last = static_cast<double>(rings.size() - 1);
  for (const Row& row : rows) {
    const Ring& ring = rings[row.ring];
    const bool pole = ring.rx == 0 && ring.ry == 0;
    for (int i = 0; i <= segments; ++i) {
      double wave = 1.0;
      if (ring.ripple != 0) {
        const int k = i == segments ? 0 : i;
        wave += ring.ripple * Cos(ring.lobes * (2.0 * kPi * k / segments));
      }
      Vec3 p{ring.cx + ring.rx * wave * cosA[i], ring.cy + ring.ry * wave * sinA[i], ring.z};
      double u = static_cast<double>(i) / segments;
      if (pole && i < segments) u += 0.5 / segments;
      m.AddVertex(p, Vec2{u, static_cast<double>(row.ring) / last}, row.group);
    }
  }
  for (size_t r = 0; r + 1 < rows.size(); ++r) {
    if (rows[r].ring == rows[r + 1].ring) continue;  // the seam of a hard ring
    for (int i = 0; i < segments; ++i)
      AddQuad(m, static_cast<int>(r), static_cast<int>(r + 1), i, stride, rows[r].group);
  }
  SmoothNormals(m);
  return m;
}

std::vector<Ring> Subdivide(const std::vector<Ring>& rings, int steps) {
  if (steps < 2 || rings.size() < 2) return rings;
  auto spline = [](double p0, double p1, double p2, double p3, double t) {
    const double t2 = t * t, t3 = t2 * t;
    return 0.5 * (2 * p1 + (p2 - p0) * t + (2 * p0 - 5 * p1 + 4 * p2 - p3) * t2 +
                  (3 * p1 - p0 - 3 * p2 + p3) * t3);
  };
  std::vector<Ring> out;
  const size_t n = rings.size();
  for (size_t i = 0; i + 1 < n; ++i) {
    const Ring& a = rings[i == 0 ? 0 : i - 1];
    const Ring& b = rings[i];
    const Ring& c = rings[i + 1];
    const Ring& d = rings[i + 2 < n ? i + 2 : n - 1];
    out.push_back(b);
    for (int k = 1; k < steps; ++k) {
      const double t = static_cast<double>(k) / steps;
      Ring r;
      r.z = spline(a.z, b.z, c.z, d.z, t);
      r.cx = spline(a.cx, b.cx, c.cx, d.cx, t);
      r.cy = spline(a.cy, b.cy, c.cy, d.cy, t);
      r.rx = std::max(0.0, spline(a.rx, b.rx, c.rx, d.rx, t));
      r.ry = std::max(0.0, spline(a.ry, b.ry, c.ry, d.ry, t));
      r.ripple = Lerp(b.ripple, c.ripple, t);
      r.lobes = b.lobes ? b.lobes : c.lobes;
      out.push_back(r);
    }
  }
  out.push_back(rings.back());
  return out;
}

Mesh Sheet(int cols, int rows, const std::function<Vec3(double u, double v)>& at) {
  Mesh m;
  if (cols < 1 || rows < 1) return m;
  for (int r = 0; r <= rows; ++r)
    for (int c = 0; c <= cols; ++c) {
      const double u = static_cast<double>(c) / cols, v = static_cast<double>(r) / rows;
      m.AddVertex(at(u, v), Vec2{u, v});
    }
  for (int r = 0; r < rows; ++r)
    for (int c = 0; c < cols; ++c) AddQuad(m, r, r + 1, c, cols + 1, 1);
  SmoothNormals(m);
  return m;
}

Mesh Ellipsoid(Vec3 centre, Vec3 radii, int segments, int rings, double startAngle) {
  std::vector<Ring> list;
  for (int k = 0; k <= rings; ++k) {
    const double phi = kPi * k / rings;
    const double s = (k == 0 || k == rings) ? 0.0 : Sin(phi);
    list.push_back({centre.z - radii.z * Cos(phi), centre.x, centre.y, radii.x * s, radii.y * s});
  }
  return Loft(list, segments, startAngle);
}

Mesh Limb(Vec3 a, Vec3 b, double ra, double rb, int segments, int rings, double bulge, Vec3 side) {
  const double length = Length(b - a);
  const int cap = std::max(2, rings / 5);
  const int body = std::max(1, rings - 2 * cap);
  std::vector<Ring> list;
  // Start cap, from its pole to the full radius at a.
  for (int k = 0; k < cap; ++k) {
    const double alpha = 0.5 * kPi * k / cap;
    const double r = k == 0 ? 0.0 : ra * Sin(alpha);
    list.push_back({-0.8 * ra * Cos(alpha), 0, 0, r, r});
  }
  for (int k = 0; k <= body; ++k) {
    const double t = static_cast<double>(k) / body;
    const double r = Lerp(ra, rb, t) * (1.0 + bulge * Sin(kPi * t));
    list.push_back({length * t, 0, 0, r, r});
  }
  for (int k = 1; k <= cap; ++k) {
    const double alpha = 0.5 * kPi * k / cap;
    const double r = k == cap ? 0.0 : rb * Cos(alpha);
    list.push_back({length + 0.8 * rb * Sin(alpha), 0, 0, r, r});
  }
  Mesh m = Loft(list, segments);
  Transform(m, FrameAlong(a, b, side));
  SmoothNormals(m);
  return m;
}

BoxUV BoxUVAll(double u0, double v0, double u1, double v1) {
  BoxUV r;
  for (auto& side : r.rect) {
    side[0] = u0;
    side[1] = v0;
    side[2] = u1;
    side[3] = v1;
  }
  return r;
}

Mesh Box(Vec3 lo, Vec3 hi, const BoxUV* uvRect) {
  // Corners of each side counter-clockwise seen from outside, starting at the lower left
  // as a viewer facing that side sees it.
  const Vec3 corners[6][4] = {
      {{lo.x, hi.y, lo.z}, {lo.x, lo.y, lo.z}, {lo.x, lo.y, hi.z}, {lo.x, hi.y, hi.z}},  // -x
      {{hi.x, lo.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, hi.y, hi.z}, {hi.x, lo.y, hi.z}},  // +x
      {{lo.x, lo.y, lo.z}, {hi.x, lo.y, lo.z}, {hi.x, lo.y, hi.z}, {lo.x, lo.y, hi.z}},  // -y
      {{hi.x, hi.y, lo.z}, {lo.x, hi.y, lo.z}, {lo.x, hi.y, hi.z}, {hi.x, hi.y, hi.z}},  // +y
      {{lo.x, hi.y, lo.z}, {hi.x, hi.y, lo.z}, {hi.x, lo.y, lo.z}, {lo.x, lo.y, lo.z}},  // -z
      {{lo.x, lo.y, hi.z}, {hi.x, lo.y, hi.z}, {hi.x, hi.y, hi.z}, {lo.x, hi.y, hi.z}},  // +z
  };
  Mesh m;
  const BoxUV all = BoxUVAll(0, 0, 1, 1);
  const BoxUV& uvs = uvRect ? *uvRect : all;
  for (int s = 0; s < 6; ++s) {
    const double* r = uvs.rect[s];
    const Vec2 t[4] = {{r[0], r[1]}, {r[2], r[1]}, {r[2], r[3]}, {r[0], r[3]}};
    const uint32_t g = static_cast<uint32_t>(s + 2);
    const int base = m.VertexCount();
    for (int k = 0; k < 4; ++k) m.AddVertex(corners[s][k], t[k], g);
    m.AddFace(base, base + 1, base + 2, g, 3);
    m.AddFace(base, base + 2, base + 3, g, 6);
  }
  SmoothNormals(m);
  return m;
}

void FlipFaces(Mesh& m) {
  for (Face& f : m.faces) {
    std::swap(f.v[1], f.v[2]);
    // Edge AB becomes AC (old CA), BC stays, CA becomes old AB.
    const uint8_t ab = f.edges & 1, bc = (f.edges >> 1) & 1, ca = (f.edges >> 2) & 1;
    f.edges = static_cast<uint8_t>(ca | (bc << 1) | (ab << 2));
  }
  for (Vec3& n : m.nrm) n = n * -1.0;
}

void Transform(Mesh& m, const Frame& f) {
  for (Vec3& p : m.pos) p = f.Point(p);
  for (Vec3& n : m.nrm) n = f.Direction(n);
}

void Translate(Mesh& m, Vec3 d) {
  for (Vec3& p : m.pos) p = p + d;
}

void Scale(Mesh& m, Vec3 s, Vec3 about) {
  for (Vec3& p : m.pos) {
    const Vec3 d = p - about;
    p = about + Vec3{d.x * s.x, d.y * s.y, d.z * s.z};
  }
  SmoothNormals(m);
}

namespace {

void Rotate(Mesh& m, Vec3 about, int axis, double angle) {
  const double c = Cos(angle), s = Sin(angle);
  auto turn = [&](Vec3 v) {
    switch (axis) {
      case 0:
        return Vec3{v.x, c * v.y - s * v.z, s * v.y + c * v.z};
      case 1:
        return Vec3{c * v.x + s * v.z, v.y, -s * v.x + c * v.z};
      default:
        return Vec3{c * v.x - s * v.y, s * v.x + c * v.y, v.z};
    }
  };
  for (Vec3& p : m.pos) p = about + turn(p - about);
  for (Vec3& n : m.nrm) n = turn(n);
}

}  // namespace

void RotateX(Mesh& m, double angle, Vec3 about) {
  Rotate(m, about, 0, angle);
}
void RotateY(Mesh& m, double angle, Vec3 about) {
  Rotate(m, about, 1, angle);
}
void RotateZ(Mesh& m, double angle, Vec3 about) {
  Rotate(m, about, 2, angle);
}

void Displace(Mesh& m, const std::function<Vec3(Vec3)>& offset) {
  for (Vec3& p : m.pos) p = p + offset(p);
  SmoothNormals(m);
}

void MapUV(Mesh& m, const std::function<Vec2(Vec3, Vec2)>& fn) {
  for (int i = 0; i < m.VertexCount(); ++i) m.uv[i] = fn(m.pos[i], m.uv[i]);
}

void FitUV(Mesh& m, double u0, double v0, double u1, double v1) {
  for (Vec2& t : m.uv) t = Vec2{Lerp(u0, u1, t.u), Lerp(v0, v1, t.v)};
}

void DropUnusedVertices(Mesh& m) {
  std::vector<int> remap(m.pos.size(), -1);
  for (const Face& f : m.faces)
    for (int v : f.v) remap[v] = 0;
  Mesh kept;
  for (int i = 0; i < m.VertexCount(); ++i) {
    if (remap[i] < 0) continue;
    remap[i] = kept.VertexCount();
    kept.pos.push_back(m.pos[i]);
    kept.nrm.push_back(m.nrm[i]);
    kept.uv.push_back(m.uv[i]);
    kept.group.push_back(m.group[i]);
  }
  kept.faces = m.faces;
  for (Face& f : kept.faces)
    for (int& v : f.v) v = remap[v];
  m = std::move(kept);
}

Vec3 FaceNormal(const Mesh& m, const Face& f) {
  return Cross(m.pos[f.v[1]] - m.pos[f.v[0]], m.pos[f.v[2]] - m.pos[f.v[0]]);
}

void SmoothNormals(Mesh& m) {
  std::vector<Vec3> sum(m.pos.size());
  for (const Face& f : m.faces) {
    const Vec3 n = FaceNormal(m, f);
    for (int v : f.v) sum[v] = sum[v] + n;
  }
  // Vertices at one place (to 1e-4 units) in one group share the sum of their faces.
  using Key = std::tuple<long long, long long, long long, uint32_t>;
  auto key = [&](int i) {
    const Vec3& p = m.pos[i];
    return Key{std::llround(p.x * 1e4), std::llround(p.y * 1e4), std::llround(p.z * 1e4),
               m.group[i]};
  };
  std::map<Key, Vec3> welded;
  for (int i = 0; i < m.VertexCount(); ++i) {
    Vec3& w = welded[key(i)];
    w = w + sum[i];
  }
  for (int i = 0; i < m.VertexCount(); ++i) {
    const Vec3 n = Normalized(welded[key(i)]);
    // A vertex no face uses keeps an upward normal rather than none.
    m.nrm[i] = Length(n) > 0 ? n : Vec3{0, 0, 1};
  }
}

Bounds MeshBounds(const Mesh& m) {
  Bounds b;
  if (m.pos.empty()) return b;
  b.min = b.max = m.pos[0];
  for (const Vec3& p : m.pos) {
    b.min = {std::min(b.min.x, p.x), std::min(b.min.y, p.y), std::min(b.min.z, p.z)};
    b.max = {std::max(b.max.x, p.x), std::max(b.max.y, p.y), std::max(b.max.z, p.z)};
  }
  return b;
}

}  // namespace media
