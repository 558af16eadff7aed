// Double-precision vectors for building the sample media. The trigonometry is computed here
// from plain IEEE arithmetic, so the written files do not depend on the host's maths library.
#pragma once

#include <cmath>

namespace media {

constexpr double kPi = 3.14159265358979323846;

// Sine by range reduction to [-pi, pi] and a Taylor series carried past double precision.
inline double Sin(double x) {
  const double k = std::floor(x / (2.0 * kPi) + 0.5);
  const double r = x - k * (2.0 * kPi);
  const double r2 = r * r;
  double term = r, sum = r;
  for (int n = 1; n < 15; ++n) {
    term *= -r2 / static_cast<double>((2 * n) * (2 * n + 1));
    sum += term;
  }
  return sum;
}
inline double Cos(double x) {
  return Sin(x + 0.5 * kPi);
}
// e^x by range reduction to |r| <= ln(2)/2 and a Taylor series; exact scaling by 2^k.
inline double Exp(double x) {
  constexpr double kLn2 = 0.69314718055994530942;
  if (x < -700) return 0.0;
  const double k = std::floor(x / kLn2 + 0.5);
  const double r = x - k * kLn2;
  double term = 1.0, sum = 1.0;
  for (int n = 1; n < 20; ++n) {
    term *= r / n;
    sum += term;
  }
  return std::ldexp(sum, static_cast<int>(k));
}
// A bell of width w about c: 1 at c, falling off as e^-(x-c)^2/w^2.
inline double Bell(double x, double c, double w) {
  const double d = (x - c) / w;
  return Exp(-d * d);
}
inline double Radians(double degrees) {
  return degrees * (kPi / 180.0);
}

struct Vec2 {
  double u = 0, v = 0;
};

struct Vec3 {
  double x = 0, y = 0, z = 0;
};

inline Vec3 operator+(Vec3 a, Vec3 b) {
  return {a.x + b.x, a.y + b.y, a.z + b.z};
}
inline Vec3 operator-(Vec3 a, Vec3 b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
inline Vec3 operator*(Vec3 a, double s) {
  return {a.x * s, a.y * s, a.z * s};
}
inline Vec3 operator*(double s, Vec3 a) {
  return a * s;
}
inline double Dot(Vec3 a, Vec3 b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}
inline Vec3 Cross(Vec3 a, Vec3 b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
inline double Length(Vec3 a) {
  return std::sqrt(Dot(a, a));
}
// Unit vector; a zero vector stays zero.
inline Vec3 Normalized(Vec3 a) {
  const double len = Length(a);
  return len > 0 ? a * (1.0 / len) : a;
}
inline Vec3 Lerp(Vec3 a, Vec3 b, double t) {
  return a + (b - a) * t;
}
inline double Lerp(double a, double b, double t) {
  return a + (b - a) * t;
}
// Eased 0..1 step between edge0 and edge1.
inline double SmoothStep(double edge0, double edge1, double x) {
  double t = (x - edge0) / (edge1 - edge0);
  t = t < 0 ? 0 : (t > 1 ? 1 : t);
  return t * t * (3 - 2 * t);
}

// A right-handed orthonormal frame with its origin: local (x, y, z) maps to
// origin + x*ax + y*ay + z*az.
struct Frame {
  Vec3 origin, ax{1, 0, 0}, ay{0, 1, 0}, az{0, 0, 1};
  Vec3 Point(Vec3 p) const { return origin + ax * p.x + ay * p.y + az * p.z; }
  Vec3 Direction(Vec3 d) const { return ax * d.x + ay * d.y + az * d.z; }
};

// The frame whose z axis runs from `from` towards `to`, its x axis as close to `side` as the
// axis allows.
inline Frame FrameAlong(Vec3 from, Vec3 to, Vec3 side = {1, 0, 0}) {
  Frame f;
  f.origin = from;
  f.az = Normalized(to - from);
  Vec3 y = Cross(f.az, side);
  if (Length(y) < 1e-9) y = Cross(f.az, Vec3{0, 1, 0});
  if (Length(y) < 1e-9) y = Cross(f.az, Vec3{0, 0, 1});
  f.ay = Normalized(y);
  f.ax = Cross(f.ay, f.az);
  return f;
}

}  // namespace media
