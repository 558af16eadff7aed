#include "tools/media/patch.h"

namespace media {

namespace {

void Bernstein(double t, double b[4]) {
  const double s = 1.0 - t;
  b[0] = s * s * s;
  b[1] = 3.0 * t * s * s;
  b[2] = 3.0 * t * t * s;
  b[3] = t * t * t;
}

void BernsteinDerivative(double t, double b[4]) {
  const double s = 1.0 - t;
  b[0] = -3.0 * s * s;
  b[1] = 3.0 * s * s - 6.0 * t * s;
  b[2] = 6.0 * t * s - 3.0 * t * t;
  b[3] = 3.0 * t * t;
}

Vec3 Combine(const Patch& patch, const double bs[4], const double bt[4]) {
  Vec3 r;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) r = r + patch.p[i][j] * (bs[i] * bt[j]);
  return r;
}

}  // namespace

Vec3 PatchPoint(const Patch& patch, double s, double t) {
  double bs[4], bt[4];
  Bernstein(s, bs);
  Bernstein(t, bt);
  return Combine(patch, bs, bt);
}

Vec3 PatchDerivativeS(const Patch& patch, double s, double t) {
  double bs[4], bt[4];
  BernsteinDerivative(s, bs);
  Bernstein(t, bt);
  return Combine(patch, bs, bt);
}

Vec3 PatchDerivativeT(const Patch& patch, double s, double t) {
  double bs[4], bt[4];
  Bernstein(s, bs);
  BernsteinDerivative(t, bt);
  return Combine(patch, bs, bt);
}

void TessellatePatch(Mesh& mesh, const Patch& patch, int n, bool flip, const double uvRect[4]) {
  if (n < 1) return;
  const int base = mesh.VertexCount();
  for (int r = 0; r <= n; ++r)
    for (int c = 0; c <= n; ++c) {
      const double s = static_cast<double>(r) / n, t = static_cast<double>(c) / n;
      mesh.AddVertex(PatchPoint(patch, s, t),
                     Vec2{Lerp(uvRect[0], uvRect[2], t), Lerp(uvRect[1], uvRect[3], s)});
    }
  const int stride = n + 1;
  for (int r = 0; r < n; ++r)
    for (int c = 0; c < n; ++c) {
      const int p00 = base + r * stride + c, p10 = p00 + 1;
      const int p01 = p00 + stride, p11 = p01 + 1;
      if (flip) {
        mesh.AddFace(p00, p11, p10, 1, 6);
        mesh.AddFace(p00, p01, p11, 1, 3);
      } else {
        mesh.AddFace(p00, p10, p11, 1, 3);
        mesh.AddFace(p00, p11, p01, 1, 6);
      }
    }
}

}  // namespace media
