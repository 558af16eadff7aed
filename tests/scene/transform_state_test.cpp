// The global transform state, set up the way device creation does it.
#include <gtest/gtest.h>

#include <cstring>
#include <numbers>

#include "math/builders.h"
#include "scene/transform_state.h"

namespace {

constexpr float kPi = std::numbers::pi_v<float>;
constexpr float kTol = 1e-4f;

void ExpectMatrixNear(const Matrix4& want, const Matrix4& got, float tol = kTol) {
  for (int i = 0; i < 4; ++i) {
    for (int j = 0; j < 4; ++j) {
      EXPECT_NEAR(want.m[i][j], got.m[i][j], tol) << "row " << i + 1 << " column " << j + 1;
    }
  }
}

void ExpectMatrixEqual(const Matrix4& want, const Matrix4& got) {
  EXPECT_EQ(0, std::memcmp(&want, &got, sizeof(Matrix4)));
}

Vector3 Apply(const Matrix4& m, const Vector3& p) {
  Vector3 out(-1.0f, -1.0f, -1.0f);
  EXPECT_EQ(S_OK, TransformPoint(out, p, m));
  return out;
}

Matrix4 Translation(float x, float y, float z) {
  Matrix4 m;
  SetIdentity(m);
  m._41 = x;
  m._42 = y;
  m._43 = z;
  return m;
}

class TransformStateTest : public ::testing::Test {
 protected:
  // What the creation of device objects does.
  void SetUp() override {
    ResetWorldMatrix();
    SetCamera({0.0f, 50.0f, -100.0f}, {0.0f, 25.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
    SetProjection(kPi / 4, 0.75f, 1.0f, 2000.0f);
    SetScreenRect(0, 0, 640, 480);
    UpdateViewChain();
  }

  static Vector3 ToScreen(const Vector3& p) {
    UpdateLocalToScreen();
    Matrix4 m;
    GetLocalToScreen(m);
    return Apply(m, p);
  }
};

TEST_F(TransformStateTest, ScreenMatrixMapsTheProjectedSquareOntoPixels) {
  Matrix4 want;
  SetIdentity(want);
  want._11 = 320.0f;
  want._22 = -240.0f;
  want._41 = 320.0f;
  want._42 = 240.0f;
  ExpectMatrixEqual(want, TheTransformState.screenMatrix);
}

TEST_F(TransformStateTest, DeviceSetUpPlacesKnownPointsOnKnownPixels) {
  struct Case {
    Vector3 model, pixel;
    float depthTol;
  };
  const Case cases[] = {
      {{0, 25, 0}, {320.0f, 240.0f, 0.99079f}, 1e-5f},
      {{0, 0, 0}, {320.0f, 368.76f, 0.99133f}, 1e-5f},
      {{10, 25, 0}, {376.21f, 240.0f, 0.99079f}, 1e-4f},
  };
  for (const Case& c : cases) {
    const Vector3 p = ToScreen(c.model);
    EXPECT_NEAR(c.pixel.x, p.x, 0.01f);
    EXPECT_NEAR(c.pixel.y, p.y, 0.01f);
    EXPECT_NEAR(c.pixel.z, p.z, c.depthTol);
  }
}

TEST_F(TransformStateTest, StoresWhatItWasGiven) {
  const TransformState& ts = TheTransformState;
  EXPECT_EQ(50.0f, ts.eye.y);
  EXPECT_EQ(-100.0f, ts.eye.z);
  EXPECT_EQ(25.0f, ts.lookAt.y);
  EXPECT_EQ(1.0f, ts.up.y);
  EXPECT_EQ(kPi / 4, ts.fov);
  EXPECT_EQ(0.75f, ts.aspect);
  EXPECT_EQ(1.0f, ts.nearPlane);
  EXPECT_EQ(2000.0f, ts.farPlane);
  EXPECT_EQ(640, ts.right);
  EXPECT_EQ(480, ts.bottom);

  Matrix4 view;
  ASSERT_EQ(S_OK, SetViewMatrix(view, ts.eye, ts.lookAt, ts.up));
  ExpectMatrixEqual(view, ts.view);
}

TEST_F(TransformStateTest, LocalToScreenAppliesTheWorldFirst) {
  // Lifting the origin by 25 along y puts it on the look-at pixel; the other order would not.
  SetWorldMatrix(Translation(0.0f, 25.0f, 0.0f));
  const Vector3 p = ToScreen({0, 0, 0});
  EXPECT_NEAR(320.0f, p.x, 0.01f);
  EXPECT_NEAR(240.0f, p.y, 0.01f);
}

TEST_F(TransformStateTest, ViewChainTakesTheWorldOfItsTime) {
  SetWorldMatrix(Translation(0.0f, 25.0f, 0.0f));
  UpdateViewChain();
  ResetWorldMatrix();
  const Vector3 p = ToScreen({0, 0, 0});
  EXPECT_NEAR(240.0f, p.y, 0.01f);
}

TEST_F(TransformStateTest, WorldMatrixSavesAndRestores) {
  Matrix4 turn;
  SetRotateYMatrix(turn, 0.3f);
  SetWorldMatrix(turn);
  Matrix4 saved;
  GetWorldMatrix(saved);
  SetWorldMatrix(Translation(1, 2, 3));
  SetWorldMatrix(saved);
  ExpectMatrixEqual(turn, TheTransformState.world);
}

TEST_F(TransformStateTest, NormalMatrixIsTheWorldRotationOnly) {
  Matrix4 rotation;
  SetRotateYMatrix(rotation, 0.7f);
  Matrix4 doubled = rotation;
  for (int i = 0; i < 3; ++i) {
    for (int j = 0; j < 3; ++j) {
      doubled.m[i][j] *= 2.0f;
    }
  }
  Matrix4 identity;
  SetIdentity(identity);

  struct Case {
    Matrix4 world, want;
  };
  const Case cases[] = {
      {rotation, rotation},
      {doubled, rotation},
      {Translation(4, -5, 6), identity},
  };
  for (const Case& c : cases) {
    SetWorldMatrix(c.world);
    Matrix4 normal;
    GetNormalMatrix(normal);
    ExpectMatrixNear(c.want, normal, 1e-6f);
    ExpectMatrixEqual(c.world, TheTransformState.world);
  }
}

TEST_F(TransformStateTest, ScreenRectOffsetOnlySetsTheSize) {
  const Matrix4 atOrigin = TheTransformState.screenMatrix;
  SetScreenRect(10, 0, 650, 480);
  ExpectMatrixEqual(atOrigin, TheTransformState.screenMatrix);
  EXPECT_EQ(10, TheTransformState.left);
  EXPECT_EQ(650, TheTransformState.right);
}

TEST_F(TransformStateTest, RefusedCameraKeepsViewButStoresValues) {
  const Matrix4 before = TheTransformState.view;
  SetCamera({5, 5, 5}, {5, 5, 5}, {0, 1, 0});
  ExpectMatrixEqual(before, TheTransformState.view);
  EXPECT_EQ(5.0f, TheTransformState.eye.x);
  EXPECT_EQ(5.0f, TheTransformState.lookAt.z);
}

TEST_F(TransformStateTest, RefusedProjectionKeepsMatrixButStoresValues) {
  const Matrix4 before = TheTransformState.projection;
  SetProjection(kPi / 3, 1.0f, 10.0f, 10.001f);
  ExpectMatrixEqual(before, TheTransformState.projection);
  EXPECT_EQ(kPi / 3, TheTransformState.fov);
  EXPECT_EQ(1.0f, TheTransformState.aspect);
  EXPECT_EQ(10.0f, TheTransformState.nearPlane);
  EXPECT_EQ(10.001f, TheTransformState.farPlane);

  SetProjection(0.0f, 0.75f, 1.0f, 2000.0f);
  ExpectMatrixEqual(before, TheTransformState.projection);
  EXPECT_EQ(0.0f, TheTransformState.fov);
}

TEST_F(TransformStateTest, CameraMayBeGivenItsOwnStoredValues) {
  SetCamera(TheTransformState.lookAt, TheTransformState.eye, TheTransformState.up);
  EXPECT_EQ(25.0f, TheTransformState.eye.y);
  EXPECT_EQ(50.0f, TheTransformState.lookAt.y);
  Matrix4 want;
  ASSERT_EQ(S_OK, SetViewMatrix(want, {0, 25, 0}, {0, 50, -100}, {0, 1, 0}));
  ExpectMatrixEqual(want, TheTransformState.view);
}

}  // namespace
