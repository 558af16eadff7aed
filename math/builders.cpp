#include "math/builders.h"

#include <cmath>

HRESULT SetViewMatrix(Matrix4& m, const Vector3& eye, const Vector3& target,
                      const Vector3& worldUp) {
  Vector3 view = Subtract(target, eye);
  const float viewLength = Magnitude(view);
  if (viewLength < 1e-6f) {
    return E_INVALIDARG;
  }
  DivideInPlace(view, viewLength);

  // Up is the given direction with its view component removed; when that leaves nothing,
  // fall back to world y, then world z.
  Vector3 up = Subtract(worldUp, Scale(DotProduct(worldUp, view), view));
  float upLength = Magnitude(up);
  if (upLength < 1e-6f) {
    up = Subtract(Vector3(0.0f, 1.0f, 0.0f), Scale(view.y, view));
    upLength = Magnitude(up);
    if (upLength < 1e-6f) {
      up = Subtract(Vector3(0.0f, 0.0f, 1.0f), Scale(view.z, view));
      upLength = Magnitude(up);
      if (upLength < 1e-6f) {
        return E_INVALIDARG;
      }
    }
  }
  DivideInPlace(up, upLength);

  const Vector3 right = CrossProduct(up, view);

  Matrix4 r;
  SetIdentity(r);
  r._11 = right.x;
  r._21 = right.y;
  r._31 = right.z;
  r._12 = up.x;
  r._22 = up.y;
  r._32 = up.z;
  r._13 = view.x;
  r._23 = view.y;
  r._33 = view.z;
  r._41 = -DotProduct(eye, right);
  r._42 = -DotProduct(eye, up);
  r._43 = -DotProduct(eye, view);
  m = r;
  return S_OK;
}

HRESULT SetProjectionMatrix(Matrix4& m, float fov, float aspect, float nearPlane, float farPlane) {
  if (std::fabs(farPlane - nearPlane) < 0.01f) {
    return E_INVALIDARG;
  }
  const float half = fov / 2.0f;
  const float sine = std::sin(half);
  if (std::fabs(sine) < 0.01f) {
    return E_INVALIDARG;
  }
  const float c = std::cos(half) / sine;
  const float q = farPlane / (farPlane - nearPlane);

  Matrix4 r;
  for (auto& row : r.m) {
    for (float& v : row) {
      v = 0.0f;
    }
  }
  r._11 = aspect * c;
  r._22 = 1.0f * c;
  r._33 = q;
  r._34 = 1.0f;
  r._43 = -q * nearPlane;
  m = r;
  return S_OK;
}

void SetRotateXMatrix(Matrix4& m, float angle) {
  const float c = std::cos(angle);
  const float s = std::sin(angle);
  SetIdentity(m);
  m._22 = c;
  m._23 = s;
  m._32 = -s;
  m._33 = c;
}

void SetRotateYMatrix(Matrix4& m, float angle) {
  const float c = std::cos(angle);
  const float s = std::sin(angle);
  SetIdentity(m);
  m._11 = c;
  m._13 = -s;
  m._31 = s;
  m._33 = c;
}

void SetRotateZMatrix(Matrix4& m, float angle) {
  const float c = std::cos(angle);
  const float s = std::sin(angle);
  SetIdentity(m);
  m._11 = c;
  m._12 = s;
  m._21 = -s;
  m._22 = c;
}
