#include "math/vector.h"

#include <cmath>

Vector3 Subtract(const Vector3& a, const Vector3& b) {
  return {a.x - b.x, a.y - b.y, a.z - b.z};
}
Vector3 Scale(float s, const Vector3& v) {
  return {s * v.x, s * v.y, s * v.z};
}
Vector3 Divide(const Vector3& v, float s) {
  return {v.x / s, v.y / s, v.z / s};
}

void DivideInPlace(Vector3& v, float s) {
  v.x /= s;
  v.y /= s;
  v.z /= s;
}

float SquareMagnitude(const Vector3& v) {
  return v.x * v.x + v.y * v.y + v.z * v.z;
}
float Magnitude(const Vector3& v) {
  return std::sqrt(SquareMagnitude(v));
}
Vector3 Normalize(const Vector3& v) {
  // A zero vector has no direction: hand it back as it is instead of dividing by zero.
  const float length = Magnitude(v);
  if (!(length > 0.0f)) {
    return v;
  }
  return Divide(v, length);
}
float DotProduct(const Vector3& a, const Vector3& b) {
  return a.x * b.x + a.y * b.y + a.z * b.z;
}

Vector3 CrossProduct(const Vector3& a, const Vector3& b) {
  return {a.y * b.z - a.z * b.y, a.z * b.x - a.x * b.z, a.x * b.y - a.y * b.x};
}
