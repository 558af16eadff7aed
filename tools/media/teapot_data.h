// The teapot's patch data, read from the data set's text file: a patch count, one line of 16
// comma-separated 1-based control point numbers per patch, a point count, one "x,y,z" line per
// point (z up).
#pragma once

#include <array>
#include <string>
#include <vector>

#include "tools/media/vec.h"

namespace media {

struct TeapotData {
  std::vector<std::array<int, 16>> patches;  // 0-based point indices, row-major 4 x 4
  std::vector<Vec3> points;
};

// Fills `out` from the file's text; on a malformed file returns false and says why.
bool ParseTeapot(const std::string& text, TeapotData& out, std::string& error);

// Where the generator looks for the file when not told: the shared corpus.
std::string DefaultTeapotPath();

}  // namespace media
