// A small mesh-building library for the sample media. Coordinates are the modelling package's:
// z is up, the front of a model faces -y, and a face's corners run counter-clockwise seen from
// outside (the right-hand rule gives the outward normal).
#pragma once

#include <cstdint>
#include <functional>
#include <vector>

#include "tools/media/vec.h"

namespace media {

struct Face {
  int v[3];
  uint32_t smoothing = 1;  // smoothing group as written to the file
  uint8_t edges = 7;       // visible edges: bit 0 AB, bit 1 BC, bit 2 CA
};

struct Mesh {
  std::vector<Vec3> pos;
  std::vector<Vec3> nrm;
  std::vector<Vec2> uv;
  std::vector<uint32_t> group;  // vertices weld for smooth normals only within one group
  std::vector<Face> faces;

  int AddVertex(Vec3 p, Vec2 t = {}, uint32_t g = 1);
  void AddFace(int a, int b, int c, uint32_t smoothing = 1, uint8_t edges = 7);
  // Appends `other`, keeping its vertex groups apart from this mesh's by an offset.
  void Append(const Mesh& other);
  int VertexCount() const { return static_cast<int>(pos.size()); }
  int FaceCount() const { return static_cast<int>(faces.size()); }
};

// One elliptic cross-section of a loft: centre (cx, cy) at height z, radii rx and ry. A ring
// with zero radii closes the surface at a pole. `hard` starts a new smoothing group, so the
// edge at this ring stays sharp. `ripple` waves the radius by that fraction, `lobes` times
// around (pleats, wavy edges).
struct Ring {
  double z, cx, cy, rx, ry;
  bool hard = false;
  double ripple = 0;
  int lobes = 0;
};

// Lofts the rings around the z axis. The outside of the surface lies to the right of the
// path of the rings drawn with the radius to the right and z up: rings going up make an
// outward wall, rings going outward at one height make a floor facing down, inward a top
// facing up. Angle 0 of the sweep points along startAngle (radians from +x, counter-clockwise
// seen from above). Texture u runs once around (0 and 1 at startAngle), v from 0 at the first
// ring to 1 at the last, by ring index.
Mesh Loft(const std::vector<Ring>& rings, int segments, double startAngle = 0.5 * kPi);

// Adds `steps` - 1 rings between each pair of rings, on Catmull-Rom curves through the
// centres, radii and heights, so a few key rings give a smooth outline. Hard rings stay hard;
// inserted rings take the ripple of their neighbours, blended.
std::vector<Ring> Subdivide(const std::vector<Ring>& rings, int steps);

// A parametric sheet over (u, v) in [0,1]^2, `cols` by `rows` quads; uv = (u, v). Faces are
// wound so that dP/du x dP/dv is their front. Triangles that collapse to a line are dropped.
Mesh Sheet(int cols, int rows, const std::function<Vec3(double u, double v)>& at);

// Ellipsoid about `centre` with radii `radii`, poles on the z axis.
Mesh Ellipsoid(Vec3 centre, Vec3 radii, int segments, int rings, double startAngle = 0.5 * kPi);

// A rounded limb from `a` to `b`: radius ra at a, rb at b, hemispherical-ish ends, a bulge
// of `bulge` (fraction of the radius) in the middle.
Mesh Limb(Vec3 a, Vec3 b, double ra, double rb, int segments, int rings, double bulge = 0.0,
          Vec3 side = {1, 0, 0});

// An axis-aligned box with one quad of four vertices per side (flat, sharp edges) and its own
// smoothing group per side, as boxes are exported. uv spans 0..1 on each side unless `uvRect`
// gives, per side (order -x, +x, -y, +y, -z, +z), the u0, v0, u1, v1 rectangle to use.
struct BoxUV {
  double rect[6][4];
};
Mesh Box(Vec3 min, Vec3 max, const BoxUV* uvRect = nullptr);
BoxUV BoxUVAll(double u0, double v0, double u1, double v1);

// Turns every face over: corner order reversed, normals negated.
void FlipFaces(Mesh& m);

// Transforms positions and normals by `f`.
void Transform(Mesh& m, const Frame& f);
void Translate(Mesh& m, Vec3 d);
void Scale(Mesh& m, Vec3 s, Vec3 about = {});
// Rotation about the z axis through `about` by `angle` radians.
void RotateZ(Mesh& m, double angle, Vec3 about = {});
// Rotation about the x axis through `about`.
void RotateX(Mesh& m, double angle, Vec3 about = {});
// Rotation about the y axis through `about`.
void RotateY(Mesh& m, double angle, Vec3 about = {});
// Bends each vertex by a displacement that depends on its position.
void Displace(Mesh& m, const std::function<Vec3(Vec3)>& offset);
// Replaces the texture coordinates with fn(position, old uv).
void MapUV(Mesh& m, const std::function<Vec2(Vec3, Vec2)>& fn);
// Maps the current 0..1 texture coordinates into the rectangle u0..u1, v0..v1.
void FitUV(Mesh& m, double u0, double v0, double u1, double v1);

// Removes vertices no face uses (poles and seams leave some), keeping the order of the rest.
void DropUnusedVertices(Mesh& m);

// Area-weighted smooth vertex normals; vertices at the same place in the same group share one.
void SmoothNormals(Mesh& m);

// Outward normal of a face by the right-hand rule (not normalised).
Vec3 FaceNormal(const Mesh& m, const Face& f);

struct Bounds {
  Vec3 min, max;
};
Bounds MeshBounds(const Mesh& m);

}  // namespace media
