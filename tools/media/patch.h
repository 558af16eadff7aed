// Bicubic Bezier patches: evaluation and tessellation into smooth meshes.
#pragma once

#include "tools/media/mesh.h"

namespace media {

struct Patch {
  Vec3 p[4][4];  // p[i][j]: i along the first parameter, j along the second
};

Vec3 PatchPoint(const Patch& patch, double s, double t);
// Partial derivatives along s and t.
Vec3 PatchDerivativeS(const Patch& patch, double s, double t);
Vec3 PatchDerivativeT(const Patch& patch, double s, double t);

// Appends an n by n grid of the patch to `mesh`. The faces' front is dP/dt x dP/ds, or the
// opposite when `flip` is set. Texture coordinates are (t, s) mapped into uvRect (u0, v0,
// u1, v1). Call SmoothNormals once every patch of a surface is in, so the seams weld.
void TessellatePatch(Mesh& mesh, const Patch& patch, int n, bool flip, const double uvRect[4]);

}  // namespace media
