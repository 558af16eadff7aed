// The model file as its exporter wrote it: materials with their sub-materials, and every
// geometry object with its vertices, faces, texture vertices and corner normals. Read whole
// and checked, so the staging never trusts a count or an index of the file.
#pragma once

#include <array>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace velta_stage {

using Vec3 = std::array<double, 3>;

struct SourceMaterial {
  std::string name;
  Vec3 ambient{0.2, 0.2, 0.2}, diffuse{0.7, 0.7, 0.7}, specular{0, 0, 0};
  double shine = 0, shineStrength = 0, transparency = 0;
  std::string bitmap;   // the diffuse (or else reflection) map's file, as written
  std::string mapType;  // "Spherical", "Cylindrical", ...
  std::vector<SourceMaterial> subs;
};

struct SourceFace {
  uint32_t v[3] = {0, 0, 0};  // corners A, B, C as position indices
  int32_t t[3] = {-1, -1, -1};  // texture vertex of each corner, -1 for none
  Vec3 n[3] = {};
  bool hasNormal[3] = {false, false, false};
  uint32_t materialId = 0;
};

struct SourceObject {
  std::string name;
  int materialRef = -1;  // -1 when the object names none
  // The node transform's axes (rows 0 to 2): exporters write vertices in world space but some
  // write normals in the object's own, so the staging may need to turn them.
  Vec3 axes[3] = {{1, 0, 0}, {0, 1, 0}, {0, 0, 1}};
  std::vector<Vec3> positions;
  std::vector<std::array<double, 2>> texVertices;  // u, v
  std::vector<SourceFace> faces;
};

struct SourceModel {
  std::vector<SourceMaterial> materials;
  std::vector<SourceObject> objects;
  size_t droppedFaces = 0;  // faces that named a vertex the object does not have
};

// Reads the bytes of a model file (ASCII, UTF-8 or UTF-16 with a byte-order mark). Returns an
// empty text on success, else one line saying why the file is not a model.
std::string ReadSourceModel(std::string_view bytes, SourceModel& out);

}  // namespace velta_stage
