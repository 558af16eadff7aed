// The one transform state: world, camera, projection and screen matrices and their products.
// Meshes transform every vertex on the processor with what this record holds.
#pragma once

#include <cstdint>

#include "math/matrix.h"
#include "math/vector.h"

struct TransformState {
  Matrix4 world;          // model space to world space for what is drawn next
  Matrix4 view;           // world space to camera space
  Matrix4 projection;     // camera space to projected space
  Matrix4 screenMatrix;   // projected space to pixels
  Matrix4 localToScreen;  // world x viewChain, as of the last UpdateLocalToScreen
  Matrix4 viewChain;  // world x view x projection x screenMatrix, as of the last UpdateViewChain
  Vector3 eye;
  Vector3 lookAt;
  Vector3 up;
  float fov;
  float aspect;  // height over width
  float nearPlane;
  float farPlane;
  uint16_t left;
  uint16_t top;
  uint16_t right;
  uint16_t bottom;
};

extern TransformState TheTransformState;

void SetWorldMatrix(const Matrix4& m);
void GetWorldMatrix(Matrix4& m);
void ResetWorldMatrix();
// A camera or projection the builders refuse keeps the previous matrix; the values are stored
// all the same.
void SetCamera(const Vector3& eye, const Vector3& lookAt, const Vector3& up);
void SetProjection(float fov, float aspect, float nearPlane, float farPlane);
// Maps x -1..1 to pixels 0..W and y 1..-1 to 0..H; left and top only set the size.
void SetScreenRect(uint16_t left, uint16_t top, uint16_t right, uint16_t bottom);
void UpdateViewChain();
void UpdateLocalToScreen();
void GetLocalToScreen(Matrix4& m);
void GetNormalMatrix(Matrix4& m);
