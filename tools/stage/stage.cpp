#include "tools/stage/stage.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <fstream>
#include <iterator>
#include <map>
#include <set>
#include <unordered_map>

#include "tools/stage/ase_source.h"
#include "tools/stage/bitmaps.h"

namespace fs = std::filesystem;

namespace velta_stage {
namespace {

// One mesh of the stage: a single material, vertices unique per position, texture vertex and
// normal (the viewer keeps one texture coordinate and one normal per vertex).
struct Piece {
  std::string name;
  int material = -1;  // index into the flat material list, -1 for none
  std::vector<Vec3> position, normal;
  std::vector<std::array<double, 2>> uv;
  std::vector<uint32_t> corners;  // three a triangle
  size_t Triangles() const { return corners.size() / 3; }
};

struct VertexKey {
  uint32_t position;
  int32_t tex;
  float n[3];
  bool operator==(const VertexKey& o) const {
    return position == o.position && tex == o.tex && std::memcmp(n, o.n, sizeof n) == 0;
  }
};
struct VertexKeyHash {
  size_t operator()(const VertexKey& k) const {
    uint32_t bits[3];
    std::memcpy(bits, k.n, sizeof bits);
    size_t h = k.position * 2654435761u ^ uint32_t(k.tex) * 40503u;
    for (uint32_t b : bits) h = h * 31 + b;
    return h;
  }
};

bool Finite(const Vec3& v) {
  return std::isfinite(v[0]) && std::isfinite(v[1]) && std::isfinite(v[2]);
}

Vec3 Sub(const Vec3& a, const Vec3& b) { return {a[0] - b[0], a[1] - b[1], a[2] - b[2]}; }
Vec3 Cross(const Vec3& a, const Vec3& b) {
  return {a[1] * b[2] - a[2] * b[1], a[2] * b[0] - a[0] * b[2], a[0] * b[1] - a[1] * b[0]};
}
double Dot(const Vec3& a, const Vec3& b) { return a[0] * b[0] + a[1] * b[1] + a[2] * b[2]; }
Vec3 Unit(const Vec3& v, const Vec3& fallback) {
  const double l = std::sqrt(Dot(v, v));
  if (!(l > 1e-30) || !std::isfinite(l)) return fallback;
  return {v[0] / l, v[1] / l, v[2] / l};
}

// The model's own up axis turned onto the file's z, which the viewer's loader makes its
// vertical: a rotation (cyclic order of the axes, two signs flipped for a negative axis), so
// faces keep their winding.
Vec3 ToStageAxes(const Vec3& v, const StageOptions& o) {
  const int a = o.upAxis, b = (a + 1) % 3, c = (a + 2) % 3;
  const double s = o.upNegative ? -1 : 1;
  return {v[b], s * v[c], s * v[a]};
}

Vec3 Turn(const Vec3 axes[3], const Vec3& n) {
  Vec3 out{0, 0, 0};
  for (int k = 0; k < 3; ++k)
    for (int i = 0; i < 3; ++i) out[size_t(i)] += n[size_t(k)] * axes[k][size_t(i)];
  return out;
}

// The normal of each face corner. The file's own normals are kept when they agree with the
// faces' winding; some exporters write them in the object's frame, and then the node
// transform's axes turn them; when neither agrees, normals are made from the faces (each
// vertex the average of the faces around it).
class CornerNormals {
 public:
  CornerNormals(const SourceObject& o, const StageOptions& options) : o_(o), options_(options) {
    double agree[2] = {0, 0};
    size_t count = 0;
    for (const SourceFace& f : o.faces) {
      const Vec3 g = FaceNormal(f);
      if (!Finite(g) || Dot(g, g) == 0) continue;
      for (int k = 0; k < 3; ++k) {
        if (!f.hasNormal[k]) continue;
        agree[0] += Dot(Unit(ToStageAxes(f.n[k], options), {0, 0, 0}), Unit(g, {0, 0, 0}));
        agree[1] += Dot(Unit(ToStageAxes(Turn(o.axes, f.n[k]), options), {0, 0, 0}),
                        Unit(g, {0, 0, 0}));
        ++count;
      }
    }
    if (count) {
      mode_ = agree[1] > agree[0] ? Turned : Own;
      if (std::max(agree[0], agree[1]) / double(count) < 0.5) mode_ = Made;
    }
    if (mode_ == Made) {
      made_.assign(o.positions.size(), Vec3{0, 0, 0});
      for (const SourceFace& f : o.faces) {
        const Vec3 g = FaceNormal(f);
        if (!Finite(g)) continue;
        for (uint32_t v : f.v)
          for (int i = 0; i < 3; ++i) made_[v][size_t(i)] += g[size_t(i)];
      }
    }
  }

  Vec3 Corner(const SourceFace& f, int k, const Vec3& flat) const {
    switch (mode_) {
      case Made: return Unit(made_[f.v[k]], flat);
      case Turned:
        return f.hasNormal[k] ? Unit(ToStageAxes(Turn(o_.axes, f.n[k]), options_), flat) : flat;
      case Own: break;
    }
    return f.hasNormal[k] ? Unit(ToStageAxes(f.n[k], options_), flat) : flat;
  }

 private:
  // Positions are already in the stage's axes; the file's normals are not yet.
  Vec3 FaceNormal(const SourceFace& f) const {
    const Vec3& a = o_.positions[f.v[0]];
    return Cross(Sub(o_.positions[f.v[1]], a), Sub(o_.positions[f.v[2]], a));
  }

  enum Mode { Own, Turned, Made };
  const SourceObject& o_;
  const StageOptions& options_;
  Mode mode_ = Made;
  std::vector<Vec3> made_;
};

// Flat list of the materials faces can use: a material without sub-materials stands for
// itself, one with sub-materials for each of them.
struct FlatMaterials {
  std::vector<const SourceMaterial*> items;
  std::vector<std::vector<int>> index;  // [material][sub] -> item; sub 0 when none

  explicit FlatMaterials(const std::vector<SourceMaterial>& materials) {
    for (const SourceMaterial& m : materials) {
      index.emplace_back();
      if (m.subs.empty()) {
        index.back().push_back(int(items.size()));
        items.push_back(&m);
      } else {
        for (const SourceMaterial& sub : m.subs) {
          index.back().push_back(int(items.size()));
          items.push_back(&sub);
        }
      }
    }
  }
  int Of(int materialRef, uint32_t materialId) const {
    if (materialRef < 0 || size_t(materialRef) >= index.size()) return -1;
    const std::vector<int>& subs = index[size_t(materialRef)];
    return subs[materialId % subs.size()];
  }
};

// The viewer's fixed camera and projection (the application's device set-up): eye, target,
// world up, vertical field of view pi/4, aspect 0.75, a 640 x 480 screen.
struct ViewerCamera {
  Vec3 eye{0, 50, -100}, view, up, right;
  double c = std::cos(3.14159274 / 8) / std::sin(3.14159274 / 8);
  ViewerCamera() {
    view = Unit(Sub({0, 25, 0}, eye), {0, 0, 1});
    const Vec3 worldUp{0, 1, 0};
    const double d = Dot(worldUp, view);
    up = Unit({worldUp[0] - d * view[0], worldUp[1] - d * view[1], worldUp[2] - d * view[2]},
              {0, 1, 0});
    right = Cross(up, view);
  }
  // Screen position of a point in the viewer's coordinates; false behind or near the camera.
  bool Project(const Vec3& p, double& sx, double& sy) const {
    const Vec3 d = Sub(p, eye);
    const double z = Dot(d, view);
    if (!(z > 2.0)) return false;
    sx = 320.0 + 320.0 * 0.75 * c * Dot(d, right) / z;
    sy = 240.0 - 240.0 * c * Dot(d, up) / z;
    return true;
  }
};

// The screen box of the upright cylinder (radius r, height h, centred at height b on the
// turning axis) that holds the model at every angle of its turn.
bool CylinderBox(const ViewerCamera& cam, double r, double h, double b, double box[4]) {
  box[0] = box[1] = 1e300;
  box[2] = box[3] = -1e300;
  for (int ring = 0; ring < 2; ++ring) {
    const double y = b + (ring ? h / 2 : -h / 2);
    for (int k = 0; k < 96; ++k) {
      const double a = k * (2 * 3.14159265358979 / 96);
      double sx, sy;
      if (!cam.Project({r * std::cos(a), y, r * std::sin(a)}, sx, sy)) return false;
      box[0] = std::min(box[0], sx);
      box[1] = std::min(box[1], sy);
      box[2] = std::max(box[2], sx);
      box[3] = std::max(box[3], sy);
    }
  }
  return true;
}

// Whether the model scaled by s fits the view with a tenth of the frame to spare on every
// side; `b` comes back as the height that centres it on the screen.
bool Fits(const ViewerCamera& cam, double radius, double height, double s, double& b) {
  b = 25;
  double box[4];
  for (int i = 0; i < 40; ++i) {
    if (!CylinderBox(cam, s * radius, s * height, b, box)) return false;
    const double off = (box[1] + box[3]) / 2 - 240;
    if (std::fabs(off) < 0.01) break;
    b += off * 0.17;  // about one pixel's height at the camera's target
  }
  return box[0] >= 64 && box[2] <= 576 && box[1] >= 48 && box[3] <= 432;
}

// Largest scale that fits, and the height of the model's centre that goes with it.
double FitScale(double radius, double height, double& b) {
  const ViewerCamera cam;
  const double size = std::max(2 * radius, height);
  double lo = 40 / size, hi;
  int guard = 0;
  while (!Fits(cam, radius, height, lo, b) && guard++ < 200) lo /= 2;
  hi = lo * 2;
  guard = 0;
  while (Fits(cam, radius, height, hi, b) && guard++ < 200) {
    lo = hi;
    hi *= 2;
  }
  for (int i = 0; i < 50; ++i) {
    const double mid = (lo + hi) / 2;
    if (Fits(cam, radius, height, mid, b)) lo = mid;
    else hi = mid;
  }
  Fits(cam, radius, height, lo, b);
  return lo;
}

std::string SafeName(const std::string& name, size_t limit) {
  std::string out;
  for (unsigned char c : name) {
    if (out.size() >= limit) break;
    out += std::isalnum(c) || c == '_' || c == '-' || c == '.' ? char(c) : '_';
  }
  return out;
}

// A piece whose triangles are the given range of `from`, with only the vertices they use.
Piece SubPiece(const Piece& from, size_t firstTriangle, size_t triangles) {
  Piece p;
  p.name = from.name;
  p.material = from.material;
  std::unordered_map<uint32_t, uint32_t> remap;
  for (size_t i = firstTriangle * 3; i < (firstTriangle + triangles) * 3; ++i) {
    const uint32_t v = from.corners[i];
    auto [it, added] = remap.try_emplace(v, uint32_t(p.position.size()));
    if (added) {
      p.position.push_back(from.position[v]);
      p.normal.push_back(from.normal[v]);
      p.uv.push_back(from.uv[v]);
    }
    p.corners.push_back(it->second);
  }
  return p;
}

void Append(Piece& to, const Piece& from) {
  const uint32_t base = uint32_t(to.position.size());
  to.position.insert(to.position.end(), from.position.begin(), from.position.end());
  to.normal.insert(to.normal.end(), from.normal.begin(), from.normal.end());
  to.uv.insert(to.uv.end(), from.uv.begin(), from.uv.end());
  for (uint32_t c : from.corners) to.corners.push_back(base + c);
}

std::string Number(double v) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.4f", std::fabs(v) < 5e-5 ? 0.0 : v);
  return buf;
}

std::string Triple(const Vec3& v) {
  return Number(v[0]) + "\t" + Number(v[1]) + "\t" + Number(v[2]);
}

double Clamp01(double v) { return std::isfinite(v) ? std::clamp(v, 0.0, 1.0) : 0.7; }

Vec3 Colour(const Vec3& c) { return {Clamp01(c[0]), Clamp01(c[1]), Clamp01(c[2])}; }

struct StagedMaterial {
  std::string name;
  const SourceMaterial* source = nullptr;  // null for the root's and the default material
  std::string bitmap;                       // the staged file, or empty
};

void WriteMaterial(std::string& out, size_t index, const StagedMaterial& m) {
  const SourceMaterial plain;
  const SourceMaterial& s = m.source ? *m.source : plain;
  out += "\t*MATERIAL " + std::to_string(index) + " {\n";
  out += "\t\t*MATERIAL_NAME \"" + m.name + "\"\n";
  out += "\t\t*MATERIAL_CLASS \"Standard\"\n";
  out += "\t\t*MATERIAL_AMBIENT " + Triple(Colour(s.ambient)) + "\n";
  out += "\t\t*MATERIAL_DIFFUSE " + Triple(Colour(s.diffuse)) + "\n";
  out += "\t\t*MATERIAL_SPECULAR " + Triple(Colour(s.specular)) + "\n";
  out += "\t\t*MATERIAL_SHINE " + Number(Clamp01(s.shine)) + "\n";
  out += "\t\t*MATERIAL_SHINESTRENGTH " + Number(Clamp01(s.shineStrength)) + "\n";
  out += "\t\t*MATERIAL_TRANSPARENCY " + Number(Clamp01(s.transparency)) + "\n";
  if (!m.bitmap.empty()) {
    const std::string type = s.mapType == "Spherical" || s.mapType == "Cylindrical" ? s.mapType
                                                                                     : "Screen";
    out += "\t\t*MAP_DIFFUSE {\n";
    out += "\t\t\t*MAP_CLASS \"Bitmap\"\n";
    out += "\t\t\t*BITMAP \"" + m.bitmap + "\"\n";
    out += "\t\t\t*MAP_TYPE " + type + "\n";
    out += "\t\t}\n";
  }
  out += "\t}\n";
}

void WriteObject(std::string& out, const Piece& p, size_t material, double scale,
                 const Vec3& centre, double lift) {
  char line[256];
  out += "*GEOMOBJECT {\n";
  out += "\t*NODE_NAME \"" + p.name + "\"\n";
  out += std::string("\t*NODE_PARENT \"") + kRootName + "\"\n";
  out += "\t*MESH {\n";
  out += "\t\t*TIMEVALUE 0\n";
  out += "\t\t*MESH_NUMVERTEX " + std::to_string(p.position.size()) + "\n";
  out += "\t\t*MESH_NUMFACES " + std::to_string(p.Triangles()) + "\n";
  out += "\t\t*MESH_VERTEX_LIST {\n";
  for (size_t i = 0; i < p.position.size(); ++i) {
    const Vec3& v = p.position[i];
    const Vec3 s{scale * (v[0] - centre[0]), scale * (v[1] - centre[1]),
                 scale * (v[2] - centre[2]) + lift};
    out += "\t\t\t*MESH_VERTEX " + std::to_string(i) + "\t" + Triple(s) + "\n";
  }
  out += "\t\t}\n\t\t*MESH_FACE_LIST {\n";
  for (size_t f = 0; f < p.Triangles(); ++f) {
    std::snprintf(line, sizeof line,
                  "\t\t\t*MESH_FACE %zu:\tA: %u B: %u C: %u AB: 1 BC: 1 CA: 1\t*MESH_SMOOTHING 1\t"
                  "*MESH_MTLID 0\n",
                  f, p.corners[3 * f], p.corners[3 * f + 1], p.corners[3 * f + 2]);
    out += line;
  }
  out += "\t\t}\n";
  out += "\t\t*MESH_NUMTVERTEX " + std::to_string(p.uv.size()) + "\n";
  out += "\t\t*MESH_TVERTLIST {\n";
  for (size_t i = 0; i < p.uv.size(); ++i)
    out += "\t\t\t*MESH_TVERT " + std::to_string(i) + "\t" + Number(p.uv[i][0]) + "\t" +
           Number(p.uv[i][1]) + "\t0.0000\n";
  out += "\t\t}\n";
  out += "\t\t*MESH_NUMTVFACES " + std::to_string(p.Triangles()) + "\n";
  out += "\t\t*MESH_TFACELIST {\n";
  for (size_t f = 0; f < p.Triangles(); ++f) {
    std::snprintf(line, sizeof line, "\t\t\t*MESH_TFACE %zu\t%u\t%u\t%u\n", f, p.corners[3 * f],
                  p.corners[3 * f + 1], p.corners[3 * f + 2]);
    out += line;
  }
  out += "\t\t}\n\t\t*MESH_NORMALS {\n";
  for (size_t f = 0; f < p.Triangles(); ++f) {
    const uint32_t* c = &p.corners[3 * f];
    const Vec3 n = Unit(Cross(Sub(p.position[c[1]], p.position[c[0]]),
                              Sub(p.position[c[2]], p.position[c[0]])), {0, 0, 1});
    out += "\t\t\t*MESH_FACENORMAL " + std::to_string(f) + "\t" + Triple(n) + "\n";
    for (int k = 0; k < 3; ++k)
      out += "\t\t\t\t*MESH_VERTEXNORMAL " + std::to_string(c[k]) + "\t" +
             Triple(p.normal[c[k]]) + "\n";
  }
  out += "\t\t}\n\t}\n";
  out += "\t*MATERIAL_REF " + std::to_string(material) + "\n";
  out += "}\n";
}

std::string Size(double v) {
  char buf[48];
  std::snprintf(buf, sizeof buf, "%.4g", v);
  return buf;
}

}  // namespace

bool ParseUpAxis(const std::string& text, StageOptions& options) {
  std::string t = text;
  bool negative = false;
  if (!t.empty() && (t[0] == '-' || t[0] == '+')) {
    negative = t[0] == '-';
    t.erase(0, 1);
  }
  if (t.size() != 1) return false;
  const char c = char(std::tolower(static_cast<unsigned char>(t[0])));
  if (c < 'x' || c > 'z') return false;
  options.upAxis = c - 'x';
  options.upNegative = negative;
  return true;
}

StageResult StageModel(const fs::path& model, const fs::path& stageDir,
                       const StageOptions& options) {
  StageResult r;
  std::error_code ec;
  if (fs::is_directory(model, ec)) {
    r.error = "is a folder, not a model file";
    return r;
  }
  const auto size = fs::file_size(model, ec);
  if (ec) {
    r.error = "cannot be read: " + ec.message();
    return r;
  }
  if (size > (size_t(512) << 20)) {
    r.error = "is too large for a model file (over 512 MiB)";
    return r;
  }
  std::ifstream in(model, std::ios::binary);
  std::string bytes((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
  if (!in.good() && !in.eof()) {
    r.error = "cannot be read";
    return r;
  }
  fs::path dir = model.parent_path();
  if (dir.empty()) dir = ".";
  return StageModelText(bytes, dir, stageDir, options);
}

StageResult StageModelText(std::string_view bytes, const fs::path& modelDir,
                           const fs::path& stageDir, const StageOptions& options) {
  StageResult r;
  SourceModel source;
  r.error = ReadSourceModel(bytes, source);
  if (!r.error.empty()) return r;
  r.sourceObjects = source.objects.size();
  const FlatMaterials flat(source.materials);

  // Pieces: one per object and material, in the stage's axes.
  std::vector<Piece> pieces;
  size_t nonFinite = 0;
  for (SourceObject& o : source.objects) {
    for (Vec3& v : o.positions) v = ToStageAxes(v, options);
    const CornerNormals normals(o, options);
    std::map<int, size_t> byMaterial;
    const size_t base = pieces.size();
    std::vector<std::unordered_map<VertexKey, uint32_t, VertexKeyHash>> seen;
    for (const SourceFace& f : o.faces) {
      const Vec3* p[3] = {&o.positions[f.v[0]], &o.positions[f.v[1]], &o.positions[f.v[2]]};
      if (!Finite(*p[0]) || !Finite(*p[1]) || !Finite(*p[2])) {
        ++nonFinite;
        continue;
      }
      const int material = flat.Of(o.materialRef, f.materialId);
      auto [it, added] = byMaterial.try_emplace(material, pieces.size());
      if (added) {
        pieces.emplace_back();
        pieces.back().name = o.name;
        pieces.back().material = material;
        seen.emplace_back();
      }
      Piece& piece = pieces[it->second];
      auto& keys = seen[it->second - base];
      const Vec3 flatNormal = Unit(Cross(Sub(*p[1], *p[0]), Sub(*p[2], *p[0])), {0, 0, 1});
      for (int k = 0; k < 3; ++k) {
        Vec3 n = normals.Corner(f, k, flatNormal);
        VertexKey key{f.v[k], f.t[k], {float(n[0]), float(n[1]), float(n[2])}};
        auto [vit, fresh] = keys.try_emplace(key, uint32_t(piece.position.size()));
        if (fresh) {
          std::array<double, 2> uv{0, 0};
          if (f.t[k] >= 0) uv = o.texVertices[size_t(f.t[k])];
          for (double& c : uv)
            if (!std::isfinite(c) || std::fabs(c) > 1e6) c = 0;
          piece.position.push_back(*p[k]);
          piece.normal.push_back(n);
          piece.uv.push_back(uv);
        }
        piece.corners.push_back(vit->second);
      }
    }
  }
  if (source.droppedFaces)
    r.changes.push_back("left out " + std::to_string(source.droppedFaces) +
                        " triangles that name vertices their object does not have");
  if (nonFinite)
    r.changes.push_back("left out " + std::to_string(nonFinite) +
                        " triangles whose coordinates are not finite numbers");
  for (const Piece& p : pieces) r.triangles += p.Triangles();
  if (r.triangles == 0) {
    r.error = nonFinite ? "no triangle of the model has finite coordinates"
                        : "the model is empty: it holds no triangles";
    return r;
  }

  // Extent, in the stage's axes, then reported in the file's own.
  Vec3 lo{1e308, 1e308, 1e308}, hi{-1e308, -1e308, -1e308};
  for (const Piece& p : pieces)
    for (const Vec3& v : p.position)
      for (int k = 0; k < 3; ++k) {
        lo[size_t(k)] = std::min(lo[size_t(k)], v[size_t(k)]);
        hi[size_t(k)] = std::max(hi[size_t(k)], v[size_t(k)]);
      }
  {
    // Back to the file's axes for the report: the inverse of ToStageAxes.
    const int a = options.upAxis, b = (a + 1) % 3, c = (a + 2) % 3;
    const double s = options.upNegative ? -1 : 1;
    const double l[3] = {lo[0], s * lo[1], s * lo[2]}, h[3] = {hi[0], s * hi[1], s * hi[2]};
    const int axis[3] = {b, c, a};
    for (int k = 0; k < 3; ++k) {
      r.extentMin[axis[k]] = std::min(l[k], h[k]);
      r.extentMax[axis[k]] = std::max(l[k], h[k]);
    }
  }
  const Vec3 centre{(lo[0] + hi[0]) / 2, (lo[1] + hi[1]) / 2, (lo[2] + hi[2]) / 2};
  double radius = 0;
  for (const Piece& p : pieces)
    for (const Vec3& v : p.position)
      radius = std::max(radius, std::hypot(v[0] - centre[0], v[1] - centre[1]));
  const double height = hi[2] - lo[2];
  if (!(radius > 0) && !(height > 0)) {
    r.error = "the model has no extent: every vertex is at the same point";
    return r;
  }
  if (!std::isfinite(radius) || !std::isfinite(height)) {
    r.error = "the model's extent is too large to measure";
    return r;
  }
  double lift = 25;
  r.scale = FitScale(radius, height, lift);

  // The viewer's limits: meshes of at most kMaxMeshFaces triangles, at most kMaxObjects
  // geometry objects with the root.
  {
    std::vector<Piece> cut;
    for (Piece& p : pieces) {
      if (p.Triangles() <= kMaxMeshFaces) {
        cut.push_back(std::move(p));
        continue;
      }
      const size_t parts = (p.Triangles() + kMaxMeshFaces - 1) / kMaxMeshFaces;
      r.changes.push_back("split \"" + p.name + "\" (" + std::to_string(p.Triangles()) +
                          " triangles) into " + std::to_string(parts) + " objects of at most " +
                          std::to_string(kMaxMeshFaces));
      for (size_t k = 0; k < parts; ++k)
        cut.push_back(SubPiece(p, k * kMaxMeshFaces,
                               std::min<size_t>(kMaxMeshFaces, p.Triangles() - k * kMaxMeshFaces)));
    }
    pieces = std::move(cut);
  }
  const size_t room = kMaxObjects - 1;
  if (pieces.size() > room) {
    const size_t before = pieces.size();
    // First objects of one material share meshes, as far as a mesh holds.
    std::vector<Piece> folded;
    std::map<int, size_t> open;
    for (Piece& p : pieces) {
      auto it = open.find(p.material);
      if (it != open.end() && folded[it->second].Triangles() + p.Triangles() <= kMaxMeshFaces) {
        Append(folded[it->second], p);
      } else {
        open[p.material] = folded.size();
        folded.push_back(std::move(p));
      }
    }
    size_t lent = 0;
    // Then the smallest meshes join others and draw with that one's material.
    while (folded.size() > room) {
      std::sort(folded.begin(), folded.end(),
                [](const Piece& a, const Piece& b) { return a.Triangles() < b.Triangles(); });
      size_t into = 1;
      while (into < folded.size() &&
             folded[0].Triangles() + folded[into].Triangles() > kMaxMeshFaces)
        ++into;
      if (into == folded.size()) break;
      Append(folded[into], folded[0]);
      folded.erase(folded.begin());
      ++lent;
    }
    r.changes.push_back("folded " + std::to_string(before) + " objects into " +
                        std::to_string(std::min(folded.size(), room)) +
                        " (the viewer holds " + std::to_string(kMaxObjects) +
                        " objects a file, the root included)" +
                        (lent ? "; " + std::to_string(lent) +
                                    " of them draw with another object's material"
                              : ""));
    if (folded.size() > room) {
      size_t lost = 0;
      for (size_t k = room; k < folded.size(); ++k) lost += folded[k].Triangles();
      folded.resize(room);
      r.changes.push_back("left out " + std::to_string(lost) +
                          " triangles past what the viewer can hold");
    }
    pieces = std::move(folded);
  }

  // Names: the file's own, made safe for the viewer's fields and unique.
  std::set<std::string> names{kRootName};
  for (Piece& p : pieces) {
    std::string base = SafeName(p.name, 60);
    if (base.empty()) base = "Object";
    std::string name = base;
    for (int n = 2; names.count(name); ++n) name = base + "_" + std::to_string(n);
    names.insert(name);
    p.name = name;
  }

  // Materials in use, each with its texture staged.
  std::error_code ec;
  fs::create_directories(stageDir, ec);
  if (ec) {
    r.error = "cannot make the stage folder " + stageDir.string() + ": " + ec.message();
    return r;
  }
  std::vector<StagedMaterial> materials{{"stage_root", nullptr, ""}};
  std::map<int, size_t> materialOf;
  std::map<std::string, size_t> textureOf;        // by the name the material writes
  std::map<fs::path, std::string> stagedOfSource;  // one staged file per source file
  for (const Piece& p : pieces) {
    if (materialOf.count(p.material)) continue;
    StagedMaterial m;
    m.source = p.material >= 0 ? flat.items[size_t(p.material)] : nullptr;
    m.name = m.source && !m.source->name.empty() ? SafeName(m.source->name, 60) : "default";
    if (m.source && !m.source->bitmap.empty()) {
      const std::string& written = m.source->bitmap;
      auto known = textureOf.find(written);
      if (known == textureOf.end()) {
        TextureReport t;
        t.bitmap = written;
        t.source = FindBitmap(written, modelDir, &t.tried);
        if (t.source.empty()) {
          t.status = TextureReport::Missing;
        } else if (auto done = stagedOfSource.find(t.source); done != stagedOfSource.end()) {
          t.status = TextureReport::Found;
          t.staged = done->second;
          t.detail = "the same file as another material's";
        } else {
          char prefix[16];
          std::snprintf(prefix, sizeof prefix, "tex%02zu_", r.textures.size());
          const std::string staged = prefix + SafeName(t.source.stem().string(), 40) + ".bmp";
          BitmapResult b = StageBitmap(t.source, stageDir / staged);
          if (!b.ok) {
            t.status = TextureReport::Failed;
            t.detail = b.error;
          } else {
            t.status = b.converted ? TextureReport::Converted : TextureReport::Found;
            t.staged = staged;
            stagedOfSource[t.source] = staged;
            if (b.converted) {
              t.detail = b.format + " " + std::to_string(b.width) + " x " +
                         std::to_string(b.height);
              if (b.stagedWidth != b.width || b.stagedHeight != b.height)
                t.detail += ", scaled to " + std::to_string(b.stagedWidth) + " x " +
                            std::to_string(b.stagedHeight);
            }
          }
        }
        known = textureOf.emplace(written, r.textures.size()).first;
        r.textures.push_back(std::move(t));
      }
      m.bitmap = r.textures[known->second].staged;
    }
    materialOf[p.material] = materials.size();
    materials.push_back(std::move(m));
  }

  // The staged model.
  std::string out;
  out += "*3DSMAX_ASCIIEXPORT\t200\n";
  out += "*COMMENT \"staged by velta-view\"\n";
  out += "*MATERIAL_LIST {\n";
  out += "\t*MATERIAL_COUNT " + std::to_string(materials.size()) + "\n";
  for (size_t i = 0; i < materials.size(); ++i) WriteMaterial(out, i, materials[i]);
  out += "}\n";
  out += std::string("*GEOMOBJECT {\n\t*NODE_NAME \"") + kRootName + "\"\n";
  out += "\t*MESH {\n\t\t*TIMEVALUE 0\n\t\t*MESH_NUMVERTEX 0\n\t\t*MESH_NUMFACES 0\n\t}\n";
  out += "\t*MATERIAL_REF 0\n}\n";
  for (const Piece& p : pieces) WriteObject(out, p, materialOf[p.material], r.scale, centre, lift);
  std::ofstream file(stageDir / kStagedModel, std::ios::binary | std::ios::trunc);
  file << out;
  file.close();
  if (!file) {
    r.error = "cannot write " + (stageDir / kStagedModel).string();
    return r;
  }
  r.stagedObjects = pieces.size() + 1;
  return r;
}

std::string StageResult::Report(const std::string& modelName) const {
  std::string out;
  const double w = extentMax[0] - extentMin[0], d = extentMax[1] - extentMin[1],
               h = extentMax[2] - extentMin[2];
  out += "model " + modelName + ": " + std::to_string(sourceObjects) + " objects, " +
         std::to_string(triangles) + " triangles, extent " + Size(w) + " x " + Size(d) + " x " +
         Size(h) + " (x " + Size(extentMin[0]) + ".." + Size(extentMax[0]) + ", y " +
         Size(extentMin[1]) + ".." + Size(extentMax[1]) + ", z " + Size(extentMin[2]) + ".." +
         Size(extentMax[2]) + ")\n";
  out += "scale " + Size(scale) + ": centred on the viewer's turning axis, fitted to its view\n";
  for (const std::string& c : changes) out += c + "\n";
  for (const TextureReport& t : textures) {
    out += "texture \"" + t.bitmap + "\": ";
    switch (t.status) {
      case TextureReport::Found:
        out += "found " + t.source.string() + " (" + (t.detail.empty() ? "BMP" : t.detail) +
               "), staged as " + t.staged;
        break;
      case TextureReport::Converted:
        out += "converted " + t.source.string() + " (" + t.detail + ") to " + t.staged;
        break;
      case TextureReport::Missing:
        out += "missing, tried " + (t.tried.empty() ? std::string("nothing")
                                                    : t.tried.front().string()) +
               (t.tried.size() > 1 ? " and " + std::to_string(t.tried.size() - 1) +
                                         " other paths" : "");
        break;
      case TextureReport::Failed:
        out += "failed: " + t.source.string() + " " + t.detail;
        break;
    }
    out += "\n";
  }
  out += "staged " + std::to_string(stagedObjects) + " objects (root " + kRootName + " and " +
         std::to_string(stagedObjects ? stagedObjects - 1 : 0) + " children)\n";
  return out;
}

}  // namespace velta_stage
