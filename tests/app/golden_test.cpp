// Pictures of the turning character drawn through the whole program, in-process on the
// headless display with a fixed clock: the default model, and each other sample model copied
// with its bitmaps into a scratch folder as "fastfood.ase" with its root renamed
// "Dummy_Center". Each picture is checked for what a wrong transform, winding, light or
// texture breaks; the expectations come from the model's own vertices, projected here with the
// viewer's camera, not from the pictures. A few pictures are also compared with references in
// tests/app/golden/ (reduced 4 x 4 to 160 x 120) within a tolerance, so that small rasterizer
// changes (edge rules, rounding, dithering) pass and a mirrored or relit picture does not.
//
// To regenerate the references after an intended change of the picture, run
//   VELTA_UPDATE_GOLDEN=1 tests/app/velta-tests-app --gtest_filter='GoldenTest.*'
// in the build folder, look at the new files and commit them.
#include <gtest/gtest.h>

#include <algorithm>
#include <cctype>
#include <climits>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <vector>

#include "app_fixture.h"
#include "picture_files.h"

namespace velta_test {
namespace {

constexpr DWORD kClockMs = 1000;  // one radian turned
constexpr int kEdge = 3;          // pixels a silhouette may pass a projected edge by
constexpr int kGoldenFactor = 4;
constexpr int kGoldenChannel = 24;        // per-channel difference of a reduced pixel
constexpr double kGoldenFraction = 0.05;  // of the drawn reduced pixels that may differ more

struct ModelCase {
  const char* file;    // in media/
  const char* root;    // its root object, renamed to the default model's
  const char* golden;  // reference picture, or null
};
const ModelCase kModels[] = {
    {"fastfood.ase", "Dummy_Center", "fastfood.bmp"},
    {"doreva2.ase", "Doreva", nullptr},
    {"teapot.ase", "Teapot01", "teapot.bmp"},
    {"testbox.ase", "Box01", "testbox.bmp"},
    {"sonic.ase", "trunk01", nullptr},
};

// Inclusive pixel bounds.
struct Rect {
  int x0 = INT_MAX, y0 = INT_MAX, x1 = INT_MIN, y1 = INT_MIN;
  bool Empty() const { return x0 > x1 || y0 > y1; }
  void Add(float x, float y) {
    x = x > -1e6f ? std::min(x, 1e6f) : -1e6f;  // far off the picture, or NaN
    y = y > -1e6f ? std::min(y, 1e6f) : -1e6f;
    x0 = std::min(x0, int(std::floor(x)));
    y0 = std::min(y0, int(std::floor(y)));
    x1 = std::max(x1, int(std::ceil(x)));
    y1 = std::max(y1, int(std::ceil(y)));
  }
  Rect Grown(int d) const { return {x0 - d, y0 - d, x1 + d, y1 + d}; }
  Rect Clipped(int w, int h) const {
    return {std::max(x0, 0), std::max(y0, 0), std::min(x1, w - 1), std::min(y1, h - 1)};
  }
  bool Contains(const Rect& r) const {
    return r.x0 >= x0 && r.y0 >= y0 && r.x1 <= x1 && r.y1 <= y1;
  }
  bool Contains(int x, int y) const { return x >= x0 && x <= x1 && y >= y0 && y <= y1; }
  int Width() const { return x1 - x0 + 1; }
  int Height() const { return y1 - y0 + 1; }
};

std::ostream& operator<<(std::ostream& o, const Rect& r) {
  return o << "(" << r.x0 << "," << r.y0 << ")-(" << r.x1 << "," << r.y1 << ")";
}

// The viewer's world x view x projection x screen at a clock, built here from its constants.
Matrix4 LocalToScreen(DWORD ms) {
  Matrix4 view, projection, screen, q;
  SetViewMatrix(view, Vector3(0, 50, -100), Vector3(0, 25, 0), Vector3(0, 1, 0));
  SetProjectionMatrix(projection, 3.14159274f / 4.0f, 0.75f, 1.0f, 2000.0f);
  SetIdentity(screen);
  screen._11 = 320.0f;
  screen._22 = -240.0f;
  screen._41 = 320.0f;
  screen._42 = 240.0f;
  MatrixMultiply(q, view, RotationAt(ms));
  MatrixMultiply(q, projection, q);
  MatrixMultiply(q, screen, q);
  return q;
}

Vector3 Apply(const Vector3& v, const Matrix4& m) {
  Vector3 out(0, 0, 0);
  TransformPoint(out, v, m);
  return out;
}

int Channel(uint32_t c, int k) {
  return int((c >> (8 * k)) & 0xFF);
}
double Luma(uint32_t c) {
  return 0.299 * Channel(c, 2) + 0.587 * Channel(c, 1) + 0.114 * Channel(c, 0);
}
// Red and green shares of the colour's sum: its hue and saturation without its brightness.
void Shares(uint32_t c, double& r, double& g) {
  const double sum = std::max(1, Channel(c, 0) + Channel(c, 1) + Channel(c, 2));
  r = Channel(c, 2) / sum;
  g = Channel(c, 1) / sum;
}

// The model's bitmaps, read from the working folder by the material's name in any letter case.
class Bitmaps {
 public:
  const Picture* Get(const char* name) {
    auto [it, fresh] = cache_.try_emplace(name);
    if (fresh) {
      std::string lower = Lower(name);
      for (const auto& e : std::filesystem::directory_iterator("."))
        if (Lower(e.path().filename().string()) == lower)
          ReadBmpFile(e.path().string(), it->second);
    }
    return it->second.pixels.empty() ? nullptr : &it->second;
  }

 private:
  static std::string Lower(std::string s) {
    for (char& c : s) c = char(std::tolower(uint8_t(c)));
    return s;
  }
  std::map<std::string, Picture> cache_;
};

// The mean of the 4 x 4 texels around the point a bilinear sample at (u, v) reads, when they
// are alike enough that any sample near the point shows the same colour.
bool EvenTexel(const Picture& t, float u, float v, uint32_t& out) {
  if (!(std::abs(u) < 1e4f && std::abs(v) < 1e4f)) return false;
  const int cx = int(std::floor(u * float(t.width) - 0.5f));
  const int cy = int(std::floor(v * float(t.height) - 0.5f));
  int lo[3] = {255, 255, 255}, hi[3] = {0, 0, 0}, sum[3] = {0, 0, 0};
  for (int j = -1; j <= 2; ++j)
    for (int i = -1; i <= 2; ++i) {
      const int x = ((cx + i) % t.width + t.width) % t.width;
      const int y = ((cy + j) % t.height + t.height) % t.height;
      for (int k = 0; k < 3; ++k) {
        const int c = Channel(t.At(x, y), k);
        lo[k] = std::min(lo[k], c);
        hi[k] = std::max(hi[k], c);
        sum[k] += c;
      }
    }
  out = 0;
  for (int k = 0; k < 3; ++k) {
    if (hi[k] - lo[k] > 24) return false;
    out |= uint32_t(sum[k] / 16) << (8 * k);
  }
  return true;
}

// What the checks measure on one picture.
struct Findings {
  int lineRows = 0;   // rows the frame-rate line takes
  int lineRight = 0;  // one past its rightmost ink
  int lineInk = 0;    // white pixels in those rows
  int lineDiffs = 0;  // pixels of those rows unlike the line drawn alone on the clear colour
  Rect silhouette;    // everything else not of the clear colour
  Rect box;           // the model's bounding box, projected
  Rect vertices;      // the model's vertices, projected
  int strays = 0;     // pixels below the line, outside the box, not of the clear colour
  int shaded = 0, shadedAlike = 0;        // surface samples, and those lit as the light predicts
  int lit = 0, dim = 0;                   // samples turned to the light and mostly away from it
  double litLuma = 0, dimLuma = 0;        // their mean brightness relative to their colour
  int onTexture = 0, onTextureAlike = 0;  // textured samples, and those as bright as predicted
  int hued = 0, huedAlike = 0;  // samples of clearly coloured texture, and those of its hue
};

std::ostream& operator<<(std::ostream& o, const Findings& f) {
  return o << "line " << f.lineRight << "x" << f.lineRows << " ink " << f.lineInk << " diffs "
           << f.lineDiffs << "; silhouette " << f.silhouette << " box " << f.box << " vertices "
           << f.vertices << " strays " << f.strays << "; shaded " << f.shadedAlike << "/"
           << f.shaded << " lit " << f.lit << " at " << f.litLuma << ", dim " << f.dim << " at "
           << f.dimLuma << "; on texture " << f.onTextureAlike << "/" << f.onTexture << " hued "
           << f.huedAlike << "/" << f.hued;
}

struct Corner {
  Vector3 at;      // pixels and depth
  float received;  // light its normal receives under the viewer's light
  float tu, tv;
};

struct Triangle {
  const MeshNode* mesh;
  const Picture* texture;
  bool known;  // false for a texture this test cannot read (run-length encoded)
  Corner c[3];
};

// The barycentric weights of (x, y) in `t`, and its smallest distance in pixels to an edge
// (negative outside).
float Weights(const Triangle& t, float x, float y, float w[3]) {
  float inside = 1e30f;
  for (int k = 0; k < 3; ++k) {
    const Vector3& a = t.c[(k + 1) % 3].at;
    const Vector3& b = t.c[(k + 2) % 3].at;
    const float edge = (b.x - a.x) * (y - a.y) - (b.y - a.y) * (x - a.x);
    w[k] = edge;
    inside = std::min(inside, edge / std::max(1e-6f, std::hypot(b.x - a.x, b.y - a.y)));
  }
  const float sum = w[0] + w[1] + w[2];
  for (int k = 0; k < 3; ++k) w[k] /= sum;
  return inside;
}

// Compares, every other pixel, what the picture shows with what the surface there should show:
// the colour (diffuse or the texture's, where it is even) times the light its corners receive,
// interpolated as the device does; and where the texture is evenly and clearly coloured,
// whether the pixel has its hue. A pixel counts where the front-most front-facing triangle
// covers its centre at least 1 px inside its edges and no other surface is nearly as near.
void SampleSurfaces(const Picture& p, DWORD ms, int firstRow, Findings& f) {
  const Matrix4 toScreen = LocalToScreen(ms);
  const Matrix4 turn = RotationAt(ms);
  Vector3 light(0.2f, -0.5f, 0.5f);
  const float norm = std::sqrt(light.x * light.x + light.y * light.y + light.z * light.z);
  light = Vector3(light.x / norm, light.y / norm, light.z / norm);
  Bitmaps bitmaps;
  std::vector<Triangle> triangles;
  const Model& model = *ModelTable[3].model;
  for (uint16_t m = 0; m < model.meshCount; ++m) {
    const MeshNode* mesh = model.meshes[m];
    if (!mesh) continue;
    const bool textured = mesh->material.textureEntry && mesh->material.bitmapName[0];
    const Picture* texture = textured ? bitmaps.Get(mesh->material.bitmapName) : nullptr;
    std::vector<Corner> corners(mesh->vertexCount);
    for (uint16_t i = 0; i < mesh->vertexCount; ++i) {
      const WorkVertex& w = mesh->work[i];
      const Vector3 n = Apply(w.normal, turn);
      corners[i] = {Apply(w.position, toScreen),
                    std::max(0.0f, -(n.x * light.x + n.y * light.y + n.z * light.z)), w.tu, w.tv};
    }
    for (int t = 0; t + 2 < mesh->indexCount; t += 3) {
      Triangle tri{mesh, texture, !textured || texture, {}};
      for (int k = 0; k < 3; ++k) tri.c[k] = corners[mesh->indices[t + k]];
      const Vector3 &a = tri.c[0].at, &b = tri.c[1].at, &d = tri.c[2].at;
      // Clockwise on screen: the faces the device keeps.
      if ((b.x - a.x) * (d.y - a.y) - (b.y - a.y) * (d.x - a.x) > 0) triangles.push_back(tri);
    }
  }
  // Nearest and second-nearest depth at every other pixel, and the nearest triangle.
  const int gw = p.width / 2, gh = p.height / 2;
  std::vector<float> nearest(size_t(gw) * size_t(gh), 2.0f), second = nearest;
  std::vector<int> owner(nearest.size(), -1);
  for (size_t i = 0; i < triangles.size(); ++i) {
    const Triangle& t = triangles[i];
    Rect r;
    for (const Corner& c : t.c) r.Add(c.at.x / 2, c.at.y / 2);
    r = r.Clipped(gw, gh);
    for (int gy = r.y0; gy <= r.y1; ++gy)
      for (int gx = r.x0; gx <= r.x1; ++gx) {
        float w[3];
        if (Weights(t, float(gx * 2) + 0.5f, float(gy * 2) + 0.5f, w) < 0) continue;
        const float z = w[0] * t.c[0].at.z + w[1] * t.c[1].at.z + w[2] * t.c[2].at.z;
        const size_t g = size_t(gy) * size_t(gw) + size_t(gx);
        if (z < nearest[g]) {
          second[g] = nearest[g];
          nearest[g] = z;
          owner[g] = int(i);
        } else {
          second[g] = std::min(second[g], z);
        }
      }
  }
  double litLuma = 0, dimLuma = 0;
  for (int gy = (firstRow + 1) / 2; gy < gh; ++gy)
    for (int gx = 0; gx < gw; ++gx) {
      const size_t g = size_t(gy) * size_t(gw) + size_t(gx);
      if (owner[g] < 0 || second[g] - nearest[g] < 3e-5f) continue;  // nothing, or too near
      const Triangle& t = triangles[size_t(owner[g])];
      if (!t.known) continue;
      float w[3];
      if (Weights(t, float(gx * 2) + 0.5f, float(gy * 2) + 0.5f, w) < 1.0f) continue;
      const float s = w[0] * t.c[0].received + w[1] * t.c[1].received + w[2] * t.c[2].received;
      const uint32_t pixel = p.At(gx * 2, gy * 2);
      uint32_t base = 0;
      if (t.texture) {
        const float u = w[0] * t.c[0].tu + w[1] * t.c[1].tu + w[2] * t.c[2].tu;
        const float v = w[0] * t.c[0].tv + w[1] * t.c[1].tv + w[2] * t.c[2].tv;
        if (!EvenTexel(*t.texture, u, v, base)) continue;
      } else {
        const Vector3& d = t.mesh->material.diffuse;
        for (int k = 0; k < 3; ++k)
          base |= uint32_t(std::clamp(d[2 - k], 0.0f, 1.0f) * 255.0f) << (8 * k);
      }
      if (Luma(base) < 48) continue;  // too dark to tell light from shadow
      const bool alike = std::abs(Luma(pixel) - s * Luma(base)) <= 16;
      ++f.shaded;
      f.shadedAlike += alike ? 1 : 0;
      if (t.texture) {
        ++f.onTexture;
        f.onTextureAlike += alike ? 1 : 0;
      }
      if (s >= 0.5f) {
        ++f.lit;
        litLuma += Luma(pixel) / Luma(base);
      } else if (s < 0.25f) {
        ++f.dim;
        dimLuma += Luma(pixel) / Luma(base);
      }
      double tr, tg, pr, pg;
      Shares(base, tr, tg);
      if (!t.texture || Luma(pixel) < 40 ||
          std::max(std::abs(tr - 1.0 / 3), std::abs(tg - 1.0 / 3)) < 0.1)
        continue;
      ++f.hued;
      Shares(pixel, pr, pg);
      f.huedAlike += std::max(std::abs(tr - pr), std::abs(tg - pg)) <= 0.05 ? 1 : 0;
    }
  f.litLuma = f.lit ? litLuma / f.lit : 0;
  f.dimLuma = f.dim ? dimLuma / f.dim : 0;
}

// Measures the picture `p` of the frame drawn at `ms`; draws the frame-rate line alone on the
// clear colour into the back buffer to find its extent.
Findings Measure(const Picture& p, DWORD ms, const Picture& lineAlone) {
  Findings f;
  Rect line;
  for (int y = 0; y < lineAlone.height; ++y)
    for (int x = 0; x < lineAlone.width; ++x)
      if (lineAlone.At(x, y) != Background) line.Add(float(x), float(y));
  if (line.Empty()) return f;
  f.lineRows = line.y1 + 1;
  f.lineRight = line.x1 + 1;
  f.lineInk = p.Count(0, 0, p.width, f.lineRows, [](uint32_t c) { return c == 0xFFFFFF; });
  for (int y = 0; y < f.lineRows; ++y)
    for (int x = 0; x < p.width; ++x) f.lineDiffs += p.At(x, y) != lineAlone.At(x, y) ? 1 : 0;

  const Model& model = *ModelTable[3].model;
  const Matrix4 toScreen = LocalToScreen(ms);
  Vector3 lo(1e30f, 1e30f, 1e30f), hi(-1e30f, -1e30f, -1e30f);
  for (uint16_t m = 0; m < model.meshCount; ++m) {
    const MeshNode* mesh = model.meshes[m];
    for (uint16_t i = 0; mesh && i < mesh->vertexCount; ++i) {
      const Vector3& v = mesh->work[i].position;
      for (int k = 0; k < 3; ++k) {
        lo[k] = std::min(lo[k], v[k]);
        hi[k] = std::max(hi[k], v[k]);
      }
      const Vector3 s = Apply(v, toScreen);
      f.vertices.Add(s.x, s.y);
    }
  }
  for (int corner = 0; corner < 8; ++corner) {
    const Vector3 v(corner & 1 ? hi.x : lo.x, corner & 2 ? hi.y : lo.y, corner & 4 ? hi.z : lo.z);
    const Vector3 s = Apply(v, toScreen);
    f.box.Add(s.x, s.y);
  }
  const Rect allowed = f.box.Grown(kEdge);
  for (int y = f.lineRows; y < p.height; ++y)
    for (int x = 0; x < p.width; ++x) {
      if (p.At(x, y) == Background) continue;
      f.silhouette.Add(float(x), float(y));
      f.strays += allowed.Contains(x, y) ? 0 : 1;
    }
  SampleSurfaces(p, ms, f.lineRows, f);
  return f;
}

// The line's ink is there, white, and nothing else in its rows.
bool LineShown(const Findings& f) {
  return f.lineRows >= 8 && f.lineRows <= 32 && f.lineRight >= 100 && f.lineRight <= 320 &&
         f.lineInk >= 20 && f.lineDiffs == 0;
}
// The silhouette lies within the projected box and vertices, reaches the vertices' projected
// extremes and fills most of the box; nothing is drawn outside the box.
bool InPlace(const Findings& f, int width, int height) {
  const Rect vertices = f.vertices.Clipped(width, height);
  return !f.silhouette.Empty() && f.box.Grown(kEdge).Contains(f.silhouette) &&
         vertices.Grown(kEdge).Contains(f.silhouette) &&
         f.silhouette.Grown(kEdge).Contains(vertices) &&
         f.silhouette.Width() * 10 >= f.box.Clipped(width, height).Width() * 6 &&
         f.silhouette.Height() * 10 >= f.box.Clipped(width, height).Height() * 6 && f.strays == 0;
}
bool Mostly(int alike, int all) {
  return alike * 10 >= all * 9;
}
// The surfaces are as bright as the light they receive makes them, so those turned to the
// light are clearly brighter than those turned away.
bool LitFromTheLight(const Findings& f) {
  return f.shaded >= 200 && Mostly(f.shadedAlike, f.shaded) && f.lit >= 20 &&
         (f.dim < 10 || f.litLuma >= f.dimLuma + 0.3);
}
// Textured surfaces show their texture's brightness and, where it is clearly coloured, its hue.
bool Textured(const Findings& f) {
  return f.onTexture >= 50 && Mostly(f.onTextureAlike, f.onTexture) && Mostly(f.huedAlike, f.hued);
}

bool UpdatingGolden() {
  const char* update = std::getenv("VELTA_UPDATE_GOLDEN");
  return update && std::string(update) == "1";
}

// The part of the picture the camera maps onto, without the frame-rate line, reduced.
Picture GoldenView(const Picture& p, int lineRows) {
  Picture camera;  // the part the camera maps onto
  camera.width = 640;
  camera.height = 480;
  for (int y = 0; y < camera.height; ++y)
    camera.pixels.insert(camera.pixels.end(), p.pixels.begin() + y * p.width,
                         p.pixels.begin() + y * p.width + camera.width);
  std::fill_n(camera.pixels.begin(), lineRows * camera.width, Background);
  return Reduce(camera, kGoldenFactor);
}

std::string GoldenPath(const char* name) {
  return std::string(VELTA_GOLDEN_DIR) + "/" + name;
}

// The fraction of the reduced pixels drawn in either picture that differ from the reference by
// more than the tolerance.
double GoldenDifference(const Picture& p, int lineRows, const char* name) {
  const std::string path = GoldenPath(name);
  const Picture reduced = GoldenView(p, lineRows);
  Picture golden;
  if (!ReadBmpFile(path, golden) || golden.width != reduced.width ||
      golden.height != reduced.height) {
    ADD_FAILURE() << "no reference picture " << path << " of " << reduced.width << "x"
                  << reduced.height << "; VELTA_UPDATE_GOLDEN=1 writes it";
    return 1;
  }
  int differing = 0, drawn = 0;
  for (size_t i = 0; i < golden.pixels.size(); ++i) {
    int most = 0;
    for (int k = 0; k < 3; ++k)
      most = std::max(most, std::abs(Channel(golden.pixels[i], k) - Channel(reduced.pixels[i], k)));
    differing += most > kGoldenChannel ? 1 : 0;
    drawn += golden.pixels[i] != Background || reduced.pixels[i] != Background ? 1 : 0;
  }
  return double(differing) / double(std::max(drawn, 1));
}

// `file` from media/ as fastfood.ase with its root renamed, beside the bitmaps it names.
void CopyAsDefaultModel(const ModelCase& row, const ScratchDir& scratch) {
  std::ifstream in(std::string(VELTA_MEDIA_DIR) + "/" + row.file, std::ios::binary);
  std::ostringstream out;
  const std::string quotedRoot = std::string("\"") + row.root + "\"";
  for (std::string line; std::getline(in, line);) {
    const size_t start = line.find_first_not_of(" \t");
    const std::string key =
        start == std::string::npos ? "" : line.substr(start, line.find(' ', start) - start);
    const size_t name = line.find(quotedRoot);
    if ((key == "*NODE_NAME" || key == "*NODE_PARENT") && name != std::string::npos)
      line.replace(name, quotedRoot.size(), "\"Dummy_Center\"");
    if (key == "*BITMAP") {
      const std::string path =
          line.substr(line.find('"') + 1, line.rfind('"') - line.find('"') - 1);
      const std::string base = path.substr(path.find_last_of("\\/") + 1);
      std::filesystem::copy_file(std::string(VELTA_MEDIA_DIR) + "/" + base, scratch.path() / base,
                                 std::filesystem::copy_options::skip_existing);
    }
    out << line << '\n';
  }
  scratch.Write("fastfood.ase", out.str());
}

class GoldenTest : public AppTest {
 protected:
  // Draws one frame at the clock and measures it.
  Findings Frame(DWORD ms, Picture& p) {
    SetClock(ms);
    RenderOneFrame();
    p = BackBuffer();
    FillSurface(TheFramework->RenderSurface(), Background);
    DrawStatsLine();  // the same text: the clock has not moved
    return Measure(p, ms, BackBuffer());
  }
};

TEST_F(GoldenTest, EverySampleModelTurnsInPlaceLitAndTextured) {
  for (const ModelCase& row : kModels) {
    SCOPED_TRACE(row.file);
    ScratchDir scratch;
    std::optional<WorkingDir> inScratch;
    if (std::string(row.file) != "fastfood.ase") {
      CopyAsDefaultModel(row, scratch);
      inScratch.emplace(scratch.path());
    }
    Start();
    ASSERT_NE(ModelTable[3].model, nullptr);
    Picture p;
    const Findings f = Frame(kClockMs, p);
    // The camera maps onto 640 x 480 pixels whatever the window's size.
    ASSERT_GE(p.width, 640);
    ASSERT_GE(p.height, 480);
    EXPECT_TRUE(LineShown(f)) << f;
    EXPECT_TRUE(InPlace(f, p.width, p.height)) << f;
    EXPECT_TRUE(LitFromTheLight(f)) << f;
    EXPECT_TRUE(Textured(f)) << f;
    if (row.golden && UpdatingGolden()) {
      std::filesystem::create_directories(VELTA_GOLDEN_DIR);
      EXPECT_TRUE(WriteBmpFile(GoldenPath(row.golden), GoldenView(p, f.lineRows)));
    } else if (row.golden) {
      EXPECT_LE(GoldenDifference(p, f.lineRows, row.golden), kGoldenFraction);
    }
    NextRow();
  }
}

// The checks above fail on pictures of the default model with the faults they are meant for.
TEST_F(GoldenTest, ChecksSeeAMirrorAFlippedLightAReversedWindingAndAMissingTexture) {
  Start();
  Picture p;
  FrameMoving = 0;
  Matrix4 mirrored = RotationAt(kClockMs);
  mirrored._11 = -mirrored._11;
  mirrored._21 = -mirrored._21;
  mirrored._31 = -mirrored._31;
  SetWorldMatrix(mirrored);
  Findings f = Frame(kClockMs, p);
  EXPECT_FALSE(InPlace(f, p.width, p.height)) << "mirrored: " << f;
  if (!UpdatingGolden()) {
    EXPECT_GT(GoldenDifference(p, f.lineRows, "fastfood.bmp"), 0.3);
  }
  FrameMoving = 1;

  const Vector3 light = LightDirection;
  LightDirection = Vector3(-light.x, -light.y, -light.z);
  f = Frame(kClockMs, p);
  EXPECT_FALSE(LitFromTheLight(f)) << "light flipped: " << f;
  LightDirection = light;

  IDirect3DDevice3* device = TheFramework->Device();
  device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_CW);
  f = Frame(kClockMs, p);
  EXPECT_FALSE(LitFromTheLight(f)) << "reversed winding: " << f;
  device->SetRenderState(D3DRENDERSTATE_CULLMODE, D3DCULL_CCW);

  InvalidateAllTextures();
  f = Frame(kClockMs, p);
  EXPECT_FALSE(Textured(f)) << "no textures: " << f;
}

}  // namespace
}  // namespace velta_test
