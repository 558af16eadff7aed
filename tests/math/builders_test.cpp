// View, projection and axis-rotation builders.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "math/builders.h"

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kTol = 1e-5f;

Matrix4 Sentinel() {
  Matrix4 m;
  for (int i = 0; i < 16; ++i) {
    m.m[i / 4][i % 4] = 100.0f + static_cast<float>(i);
  }
  return m;
}

void ExpectUnchanged(const Matrix4& m) {
  for (int i = 0; i < 16; ++i) {
    EXPECT_EQ(100.0f + static_cast<float>(i), m.m[i / 4][i % 4]);
  }
}

Vector3 Apply(const Matrix4& m, const Vector3& p) {
  Vector3 out(NAN, NAN, NAN);
  EXPECT_EQ(S_OK, TransformPoint(out, p, m));
  return out;
}

void ExpectVectorNear(const Vector3& want, const Vector3& got, float tol = kTol) {
  EXPECT_NEAR(want.x, got.x, tol);
  EXPECT_NEAR(want.y, got.y, tol);
  EXPECT_NEAR(want.z, got.z, tol);
}

TEST(ViewMatrixTest, LookingDownZIsIdentityRotation) {
  Matrix4 m = Sentinel();
  ASSERT_EQ(S_OK, SetViewMatrix(m, {0, 0, -10}, {0, 0, 0}, {0, 1, 0}));
  Matrix4 want;
  SetIdentity(want);
  want._43 = 10.0f;
  for (int i = 0; i < 16; ++i) {
    EXPECT_NEAR(want.m[i / 4][i % 4], m.m[i / 4][i % 4], kTol) << i;
  }
}

TEST(ViewMatrixTest, UpAlongViewFallsBackToWorldY) {
  Matrix4 m = Sentinel();
  ASSERT_EQ(S_OK, SetViewMatrix(m, {0, 0, -10}, {0, 0, 0}, {0, 0, 5}));
  ExpectVectorNear({0, 1, 0}, {m._12, m._22, m._32});
  ExpectVectorNear({1, 0, 0}, {m._11, m._21, m._31});
}

TEST(ViewMatrixTest, LookingStraightDownFallsBackToWorldZ) {
  Matrix4 m = Sentinel();
  ASSERT_EQ(S_OK, SetViewMatrix(m, {0, 10, 0}, {0, 0, 0}, {0, 1, 0}));
  ExpectVectorNear({1, 0, 0}, {m._11, m._21, m._31});   // right
  ExpectVectorNear({0, 0, 1}, {m._12, m._22, m._32});   // up
  ExpectVectorNear({0, -1, 0}, {m._13, m._23, m._33});  // view
  ExpectVectorNear({0, 0, 10}, {m._41, m._42, m._43});
  EXPECT_EQ(0.0f, m._14);
  EXPECT_EQ(0.0f, m._24);
  EXPECT_EQ(0.0f, m._34);
  EXPECT_EQ(1.0f, m._44);
}

TEST(ViewMatrixTest, EyeOnTargetIsRefusedAndLeavesMatrix) {
  Matrix4 m = Sentinel();
  EXPECT_EQ(E_INVALIDARG, SetViewMatrix(m, {3, 4, 5}, {3, 4, 5}, {0, 1, 0}));
  EXPECT_EQ(E_INVALIDARG, SetViewMatrix(m, {3, 4, 5}, {3, 4, 5.0000001f}, {0, 1, 0}));
  ExpectUnchanged(m);
}

TEST(ViewMatrixTest, MapsEyeToOriginAndTargetOntoPlusZ) {
  struct Case {
    Vector3 eye, target, up;
  };
  const Case cases[] = {
      {{0, 50, -100}, {0, 25, 0}, {0, 1, 0}},
      {{10, -3, 7}, {-2, 8, 1}, {0, 1, 0}},
      {{1, 2, 3}, {1, 2, 9}, {1, 1, 0}},
      {{0, 0, 0}, {0, -5, 0}, {0, -1, 0}},
  };
  for (const Case& c : cases) {
    Matrix4 m;
    ASSERT_EQ(S_OK, SetViewMatrix(m, c.eye, c.target, c.up));
    const float distance = Magnitude(Subtract(c.target, c.eye));
    ExpectVectorNear({0, 0, 0}, Apply(m, c.eye), 1e-4f);
    ExpectVectorNear({0, 0, distance}, Apply(m, c.target), 1e-4f);
    // The rotation is orthonormal and left-handed: right x up = view.
    const Vector3 right(m._11, m._21, m._31), up(m._12, m._22, m._32), view(m._13, m._23, m._33);
    EXPECT_NEAR(1.0f, Magnitude(right), kTol);
    EXPECT_NEAR(1.0f, Magnitude(up), kTol);
    EXPECT_NEAR(0.0f, DotProduct(right, up), kTol);
    ExpectVectorNear(view, CrossProduct(right, up));
  }
}

TEST(ProjectionMatrixTest, QuarterTurnFieldOfView) {
  Matrix4 m = Sentinel();
  ASSERT_EQ(S_OK, SetProjectionMatrix(m, kPi / 2, 0.75f, 1.0f, 1001.0f));
  EXPECT_NEAR(0.75f, m._11, kTol);
  EXPECT_NEAR(1.0f, m._22, kTol);
  EXPECT_NEAR(1.001f, m._33, kTol);
  EXPECT_NEAR(-1.001f, m._43, kTol);
  EXPECT_EQ(1.0f, m._34);
  for (float v : {m._12, m._13, m._14, m._21, m._23, m._24, m._31, m._32, m._41, m._42, m._44}) {
    EXPECT_EQ(0.0f, v);
  }
}

TEST(ProjectionMatrixTest, NearMapsToZeroDepthAndFarToOne) {
  Matrix4 m;
  ASSERT_EQ(S_OK, SetProjectionMatrix(m, kPi / 4, 0.75f, 1.0f, 2000.0f));
  EXPECT_NEAR(0.0f, Apply(m, {0, 0, 1}).z, kTol);
  EXPECT_NEAR(1.0f, Apply(m, {0, 0, 2000}).z, kTol);
}

TEST(ProjectionMatrixTest, DegenerateInputIsRefusedAndLeavesMatrix) {
  struct Case {
    float fov, nearPlane, farPlane;
  };
  const Case cases[] = {
      {kPi / 2, 1.0f, 1.005f}, {kPi / 2, 5.0f, 5.0f},  {kPi / 2, 1.005f, 1.0f},
      {0.0f, 1.0f, 100.0f},    {0.019f, 1.0f, 100.0f}, {2 * kPi, 1.0f, 100.0f},
  };
  for (const Case& c : cases) {
    Matrix4 m = Sentinel();
    EXPECT_EQ(E_INVALIDARG, SetProjectionMatrix(m, c.fov, 0.75f, c.nearPlane, c.farPlane))
        << c.fov << " " << c.nearPlane << " " << c.farPlane;
    ExpectUnchanged(m);
  }
}

TEST(RotationTest, QuarterTurnsAboutEachAxis) {
  struct Case {
    void (*build)(Matrix4&, float);
    Vector3 in, want;
  };
  const Case cases[] = {
      {SetRotateYMatrix, {1, 0, 0}, {0, 0, -1}}, {SetRotateYMatrix, {0, 0, 1}, {1, 0, 0}},
      {SetRotateXMatrix, {0, 1, 0}, {0, 0, 1}},  {SetRotateXMatrix, {0, 0, 1}, {0, -1, 0}},
      {SetRotateZMatrix, {1, 0, 0}, {0, 1, 0}},  {SetRotateZMatrix, {0, 1, 0}, {-1, 0, 0}},
  };
  for (const Case& c : cases) {
    Matrix4 m;
    c.build(m, kPi / 2);
    ExpectVectorNear(c.want, Apply(m, c.in));
    EXPECT_EQ(1.0f, m._44);
    EXPECT_EQ(0.0f, m._41);
  }
}

}  // namespace
