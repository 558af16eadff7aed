// View, projection and axis-rotation matrices (row vectors, radians).
#pragma once

#include <windows.h>

#include "math/matrix.h"

HRESULT SetViewMatrix(Matrix4& m, const Vector3& eye, const Vector3& target, const Vector3& worldUp);
HRESULT SetProjectionMatrix(Matrix4& m, float fov, float aspect, float nearPlane, float farPlane);
void SetRotateXMatrix(Matrix4& m, float angle);
void SetRotateYMatrix(Matrix4& m, float angle);
void SetRotateZMatrix(Matrix4& m, float angle);
