// Matrix4: sixteen floats stored row by row. Points are row vectors multiplied on the left,
// so the translation lives in _41, _42, _43.
#pragma once

#include <windows.h>

#include "math/vector.h"

struct Matrix4 {
  union {
    struct {
      float _11, _12, _13, _14;
      float _21, _22, _23, _24;
      float _31, _32, _33, _34;
      float _41, _42, _43, _44;
    };
    float m[4][4];
  };

  Matrix4() = default;  // leaves the values unset
};

static_assert(sizeof(Matrix4) == 64, "Matrix4 is sixteen floats");

void SetIdentity(Matrix4& m);
// q = b·a: transforming by q applies b first, then a. q may be a or b.
void MatrixMultiply(Matrix4& q, const Matrix4& a, const Matrix4& b);
// Transforms a point with the homogeneous divide; refuses (E_INVALIDARG, out untouched) when
// |w| < 1e-5. out may be in. Inline: every vertex of every frame goes through it twice.
inline HRESULT TransformPoint(Vector3& out, const Vector3& in, const Matrix4& m) {
  const float x = in.x;
  const float y = in.y;
  const float z = in.z;
  const float tx = x * m._11 + y * m._21 + z * m._31 + m._41;
  const float ty = x * m._12 + y * m._22 + z * m._32 + m._42;
  const float tz = x * m._13 + y * m._23 + z * m._33 + m._43;
  const float w = x * m._14 + y * m._24 + z * m._34 + m._44;
  if (w < 1e-5f && w > -1e-5f) {
    return E_INVALIDARG;
  }
  out.x = tx / w;
  out.y = ty / w;
  out.z = tz / w;
  return S_OK;
}
// Rotation-only matrix from a rotation, uniform scale and translation. When the x axis maps
// to zero length the translation is still cleared but no scale is removed. out may be in.
void ExtractRotation(Matrix4& out, const Matrix4& in);
