// Vector3 and Matrix4 operations.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "math/builders.h"
#include "math/matrix.h"
#include "math/vector.h"

namespace {

constexpr float kTol = 1e-5f;

Matrix4 Identity() {
  Matrix4 m;
  SetIdentity(m);
  return m;
}

// A matrix with sixteen different values, so that any transposition or swapped operand shows.
Matrix4 Numbered(float base) {
  Matrix4 m;
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      m.m[i][j] = base + static_cast<float>(i * 4 + j) * 0.5f - static_cast<float>((i + j) % 3);
    }
  }
  return m;
}

void ExpectMatrixNear(const Matrix4& want, const Matrix4& got, float tol = kTol) {
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      EXPECT_NEAR(want.m[i][j], got.m[i][j], tol) << "row " << i + 1 << " column " << j + 1;
    }
  }
}

void ExpectVectorNear(const Vector3& want, const Vector3& got, float tol = kTol) {
  EXPECT_NEAR(want.x, got.x, tol);
  EXPECT_NEAR(want.y, got.y, tol);
  EXPECT_NEAR(want.z, got.z, tol);
}

TEST(VectorTest, NormalizeGivesUnitLength) {
  ExpectVectorNear({0.6f, 0.0f, 0.8f}, Normalize({3.0f, 0.0f, 4.0f}));
  ExpectVectorNear({0.0f, -1.0f, 0.0f}, Normalize({0.0f, -1e-3f, 0.0f}));
}

TEST(VectorTest, NormalizeOfZeroLengthComesBackUnchanged) {
  for (const Vector3& v : {Vector3(0.0f, 0.0f, 0.0f), Vector3(1e-30f, 0.0f, -1e-30f)}) {
    const Vector3 n = Normalize(v);
    EXPECT_EQ(v.x, n.x);
    EXPECT_EQ(v.y, n.y);
    EXPECT_EQ(v.z, n.z);
  }
}

TEST(VectorTest, CrossProductFollowsTheAxisCycle) {
  struct Case {
    Vector3 a, b, want;
  };
  const Case cases[] = {
      {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}},   {{0, 1, 0}, {0, 0, 1}, {1, 0, 0}},
      {{0, 0, 1}, {1, 0, 0}, {0, 1, 0}},   {{0, 1, 0}, {1, 0, 0}, {0, 0, -1}},
      {{1, 2, 3}, {4, 5, 6}, {-3, 6, -3}},
  };
  for (const Case& c : cases) {
    ExpectVectorNear(c.want, CrossProduct(c.a, c.b));
  }
}

TEST(MatrixTest, SetIdentityOverwritesEverything) {
  Matrix4 m = Numbered(7.0f);
  SetIdentity(m);
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      EXPECT_EQ(i == j ? 1.0f : 0.0f, m.m[i][j]);
    }
  }
}

TEST(MatrixTest, MultiplyIsSecondTimesFirst) {
  const Matrix4 a = Numbered(1.0f);
  const Matrix4 b = Numbered(-3.0f);
  Matrix4 q;
  MatrixMultiply(q, a, b);
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      float want = 0.0f;
      for (int k = 0; k < 4; ++k) {
        want += b.m[i][k] * a.m[k][j];
      }
      EXPECT_EQ(want, q.m[i][j]);
    }
  }
}

TEST(MatrixTest, MultiplyMayWriteOverEitherOperand) {
  const Matrix4 a = Numbered(1.0f);
  const Matrix4 b = Numbered(-3.0f);
  Matrix4 separate;
  MatrixMultiply(separate, a, b);

  Matrix4 overA = a;
  MatrixMultiply(overA, overA, b);
  ExpectMatrixNear(separate, overA, 0.0f);

  Matrix4 overB = b;
  MatrixMultiply(overB, a, overB);
  ExpectMatrixNear(separate, overB, 0.0f);

  Matrix4 square = a;
  Matrix4 squareWant;
  MatrixMultiply(squareWant, a, a);
  MatrixMultiply(square, square, square);
  ExpectMatrixNear(squareWant, square, 0.0f);
}

TEST(MatrixTest, MultiplyAppliesTheThirdArgumentFirst) {
  Matrix4 t = Identity();
  t._41 = 5.0f;
  Matrix4 s = Identity();
  s._11 = 2.0f;

  Matrix4 q;
  Vector3 p;
  MatrixMultiply(q, t, s);  // scale, then translate
  ASSERT_EQ(S_OK, TransformPoint(p, {1.0f, 0.0f, 0.0f}, q));
  ExpectVectorNear({7.0f, 0.0f, 0.0f}, p);

  MatrixMultiply(q, s, t);  // translate, then scale
  ASSERT_EQ(S_OK, TransformPoint(p, {1.0f, 0.0f, 0.0f}, q));
  ExpectVectorNear({12.0f, 0.0f, 0.0f}, p);
}

TEST(MatrixTest, TransformPointUsesRowVectors) {
  const Matrix4 m = Numbered(0.25f);
  const Vector3 in(2.0f, -1.0f, 3.0f);
  const float w = 2 * m._14 - m._24 + 3 * m._34 + m._44;
  Vector3 out;
  ASSERT_EQ(S_OK, TransformPoint(out, in, m));
  ExpectVectorNear(
      {(2 * m._11 - m._21 + 3 * m._31 + m._41) / w, (2 * m._12 - m._22 + 3 * m._32 + m._42) / w,
       (2 * m._13 - m._23 + 3 * m._33 + m._43) / w},
      out);
}

TEST(MatrixTest, TransformPointDividesByW) {
  Matrix4 m = Identity();
  m._44 = 2.0f;
  Vector3 p(2.0f, 4.0f, -6.0f);
  ASSERT_EQ(S_OK, TransformPoint(p, p, m));  // in place
  ExpectVectorNear({1.0f, 2.0f, -3.0f}, p);
}

TEST(MatrixTest, TransformPointRefusesTinyWAndLeavesOutAlone) {
  struct Case {
    float w44;
    HRESULT want;
  };
  const Case cases[] = {
      {0.0f, E_INVALIDARG}, {-0.0f, E_INVALIDARG}, {5e-6f, E_INVALIDARG}, {-9.9e-6f, E_INVALIDARG},
      {1e-5f, S_OK},        {-2e-5f, S_OK},        {1.0f, S_OK},
  };
  for (const Case& c : cases) {
    Matrix4 m = Identity();
    m._44 = c.w44;
    Vector3 out(11.0f, 22.0f, 33.0f);
    EXPECT_EQ(c.want, TransformPoint(out, {0.0f, 0.0f, 0.0f}, m)) << "w " << c.w44;
    if (c.want != S_OK) {
      EXPECT_EQ(11.0f, out.x);
      EXPECT_EQ(22.0f, out.y);
      EXPECT_EQ(33.0f, out.z);
    } else {
      ExpectVectorNear({0.0f, 0.0f, 0.0f}, out);
    }
  }
}

TEST(MatrixTest, ExtractRotationRemovesUniformScaleAndTranslation) {
  Matrix4 rotation;
  SetRotateYMatrix(rotation, std::numbers::pi_v<float> / 2);
  Matrix4 scale = Identity();
  scale._11 = scale._22 = scale._33 = 3.0f;
  Matrix4 move = Identity();
  move._41 = 1.0f;
  move._42 = 2.0f;
  move._43 = 3.0f;

  Matrix4 in;
  MatrixMultiply(in, rotation, scale);  // scale, rotate
  MatrixMultiply(in, move, in);         // then translate

  Matrix4 out = Numbered(9.0f);
  ExtractRotation(out, in);
  ExpectMatrixNear(rotation, out);

  ExtractRotation(in, in);  // in place
  ExpectMatrixNear(rotation, in);
}

TEST(MatrixTest, ExtractRotationKeepsTheFourthColumn) {
  Matrix4 in = Identity();
  in._11 = in._22 = in._33 = 4.0f;
  in._14 = 0.5f;
  in._44 = 2.0f;
  Matrix4 out;
  ExtractRotation(out, in);
  // The x axis maps to (4, 0, 0) / (0.5 + 2): length 1.6.
  EXPECT_NEAR(4.0f / 1.6f, out._11, kTol);
  EXPECT_NEAR(0.5f, out._14, kTol);
  EXPECT_NEAR(2.0f, out._44, kTol);
}

TEST(MatrixTest, ExtractRotationOfCollapsedAxisStaysFinite) {
  Matrix4 in = Identity();
  in._11 = 0.0f;  // x axis maps to the origin
  in._41 = 7.0f;
  Matrix4 out;
  ExtractRotation(out, in);
  Matrix4 want = Identity();
  want._11 = 0.0f;
  ExpectMatrixNear(want, out, 0.0f);
}

}  // namespace
