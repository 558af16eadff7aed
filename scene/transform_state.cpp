#include "scene/transform_state.h"

#include "math/builders.h"

TransformState TheTransformState{};

void SetWorldMatrix(const Matrix4& m) {
  TheTransformState.world = m;
}

void GetWorldMatrix(Matrix4& m) {
  m = TheTransformState.world;
}

void ResetWorldMatrix() {
  SetIdentity(TheTransformState.world);
}

void SetCamera(const Vector3& eye, const Vector3& lookAt, const Vector3& up) {
  // Copies first: the arguments may be the record's own fields.
  const Vector3 e = eye;
  const Vector3 t = lookAt;
  const Vector3 u = up;
  SetViewMatrix(TheTransformState.view, e, t, u);
  TheTransformState.eye = e;
  TheTransformState.lookAt = t;
  TheTransformState.up = u;
}

void SetProjection(float fov, float aspect, float nearPlane, float farPlane) {
  SetProjectionMatrix(TheTransformState.projection, fov, aspect, nearPlane, farPlane);
  TheTransformState.fov = fov;
  TheTransformState.aspect = aspect;
  TheTransformState.nearPlane = nearPlane;
  TheTransformState.farPlane = farPlane;
}

void SetScreenRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom) {
  TheTransformState.left = left;
  TheTransformState.top = top;
  TheTransformState.right = right;
  TheTransformState.bottom = bottom;

  const float w = static_cast<float>(static_cast<int>(right) - static_cast<int>(left));
  const float h = static_cast<float>(static_cast<int>(bottom) - static_cast<int>(top));
  Matrix4& s = TheTransformState.screenMatrix;
  SetIdentity(s);
  s._11 = w / 2.0f;
  s._22 = -(h / 2.0f);
  s._41 = w / 2.0f;
  s._42 = h / 2.0f;
}

void UpdateViewChain() {
  TransformState& ts = TheTransformState;
  // MatrixMultiply(q, a, b) applies b first.
  Matrix4 chain;
  MatrixMultiply(chain, ts.view, ts.world);
  MatrixMultiply(chain, ts.projection, chain);
  MatrixMultiply(ts.viewChain, ts.screenMatrix, chain);
}

void UpdateLocalToScreen() {
  MatrixMultiply(TheTransformState.localToScreen, TheTransformState.viewChain,
                 TheTransformState.world);
}

void GetLocalToScreen(Matrix4& m) {
  m = TheTransformState.localToScreen;
}

void GetNormalMatrix(Matrix4& m) {
  ExtractRotation(m, TheTransformState.world);
}
