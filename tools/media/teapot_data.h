// The teapot's patch data: which control points make each patch, and the points.
#pragma once

namespace media {

constexpr int kTeapotPatchCount = 32;
constexpr int kTeapotPointCount = 306;

// Row-major 4x4 control points of each patch, as 1-based indices into kTeapotPoints.
extern const int kTeapotPatches[kTeapotPatchCount][16];
extern const double kTeapotPoints[kTeapotPointCount][3];

}  // namespace media
