// Vector3 and its operations: plain values, no allocation, no state.
#pragma once

struct Vector3 {
  float x, y, z;

  Vector3() = default;  // leaves the components unset, as the records that embed it expect
  constexpr Vector3(float vx, float vy, float vz) : x(vx), y(vy), z(vz) {}

  float& operator[](int i) { return i == 0 ? x : (i == 1 ? y : z); }
  float operator[](int i) const { return i == 0 ? x : (i == 1 ? y : z); }
};

Vector3 Subtract(const Vector3& a, const Vector3& b);
Vector3 Scale(float s, const Vector3& v);
Vector3 Divide(const Vector3& v, float s);
void DivideInPlace(Vector3& v, float s);
float SquareMagnitude(const Vector3& v);
float Magnitude(const Vector3& v);
// v / |v|; a vector whose length is zero (or underflows to zero) comes back unchanged.
Vector3 Normalize(const Vector3& v);
float DotProduct(const Vector3& a, const Vector3& b);
Vector3 CrossProduct(const Vector3& a, const Vector3& b);
