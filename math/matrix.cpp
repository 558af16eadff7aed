#include "math/matrix.h"

#include <cmath>

void SetIdentity(Matrix4& m) {
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      m.m[i][j] = (i == j) ? 1.0f : 0.0f;
    }
  }
}

void MatrixMultiply(Matrix4& q, const Matrix4& a, const Matrix4& b) {
  // Built in a temporary so that q may be a or b; each sum runs from zero in k order so the
  // rounding is the same on every build.
  Matrix4 t;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      float sum = 0.0f;
      for (int k = 0; k < 4; ++k) {
        sum += b.m[i][k] * a.m[k][j];
      }
      t.m[i][j] = sum;
    }
  }
  q = t;
}

void ExtractRotation(Matrix4& out, const Matrix4& in) {
  out = in;
  out._41 = 0.0f;
  out._42 = 0.0f;
  out._43 = 0.0f;

  Vector3 axis(1.0f, 0.0f, 0.0f);
  TransformPoint(axis, axis, out);  // on refusal the axis stays (1, 0, 0)
  const float length = Magnitude(axis);
  // A transform that collapses the x axis has no scale to remove: keep it as it is rather
  // than fill it with infinities.
  if (!(length > 0.0f) || std::isinf(length)) {
    return;
  }

  Matrix4 scale;
  SetIdentity(scale);
  const float s = 1.0f / length;
  scale._11 = s;
  scale._22 = s;
  scale._33 = s;
  MatrixMultiply(out, scale, out);
}
