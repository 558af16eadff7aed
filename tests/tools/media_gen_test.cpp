// The media generator's parts: number formatting, its own trigonometry, the BMP writers read
// back through the platform's decoder, the mesh builders and the patch tessellation.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "tools/media/patch.h"
#include "tools/media/preview.h"
#include "tools/media/scene.h"
#include "tools/media/teapot_data.h"
#include "test_support.h"
#include "win32/bmp_decode.h"

namespace {

using namespace media;

TEST(MediaFixed4, RoundsHalfAwayFromZeroAndNeverPrintsMinusZero) {
  const struct {
    double value;
    const char* text;
  } cases[] = {
      {0.0, "0.0000"},     {-0.00004, "0.0000"}, {-0.00005, "-0.0001"},
      {1.25, "1.2500"},    {-2.5, "-2.5000"},    {12345.67891, "12345.6789"},
      {0.99999, "1.0000"}, {-51.85, "-51.8500"}, {3.14159265, "3.1416"},
  };
  for (const auto& c : cases) EXPECT_EQ(Fixed4(c.value), c.text) << c.value;
}

TEST(MediaMaths, OwnSineCosineAndExpAgreeWithTheLibrary) {
  for (double x = -40.0; x <= 40.0; x += 0.37) {
    EXPECT_NEAR(Sin(x), std::sin(x), 1e-13) << x;
    EXPECT_NEAR(Cos(x), std::cos(x), 1e-13) << x;
  }
  for (double x = -30.0; x <= 30.0; x += 0.41) EXPECT_NEAR(Exp(x) / std::exp(x), 1.0, 1e-13) << x;
  EXPECT_EQ(Exp(-1000.0), 0.0);
}

// Pictures whose rows exercise the RLE8 encoder: long runs, lone pixels, pairs, odd widths.
Image Pattern(int width, int height, int kind) {
  Image im(width, height);
  const Rgb colours[] = {{0, 0, 0}, {255, 0, 0}, {0, 255, 0}, {0, 0, 255}, {9, 9, 9}};
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      // One colour, nothing repeating, pairs, a run then lone pixels, scattered pixels.
      const int choices[5] = {1, (x + y) % 5, (x / 2 + y) % 3,
                              x < width / 2 ? 2 : (x % 7 == 0 ? 3 : 4),
                              (x * 31 + y * 17) % 11 < 3 ? 1 : 0};
      const int c = choices[kind];
      im.Set(x, y, colours[c]);
    }
  return im;
}

void ExpectDecodesTo(const std::string& file, const Image& image, int bitCount) {
  Dib dib;
  ASSERT_EQ(DecodeBmpFile(reinterpret_cast<const uint8_t*>(file.data()), file.size(), dib),
            BmpResult::Ok);
  EXPECT_FALSE(dib.truncated);
  EXPECT_EQ(dib.bitCount, bitCount);
  ASSERT_EQ(dib.width, image.width());
  ASSERT_EQ(dib.height, image.height());
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) {
      RGBQUAD q;
      ASSERT_TRUE(DibPixelRGB(dib, x, y, q));
      const Rgb want = image.At(x, y);
      ASSERT_EQ((Rgb{q.rgbRed, q.rgbGreen, q.rgbBlue}), want) << x << "," << y;
    }
}

TEST(MediaBmp, EveryWriterRoundTripsThroughTheDecoder) {
  const int widths[] = {1, 2, 3, 5, 100, 300, 517};
  for (int width : widths)
    for (int kind = 0; kind < 5; ++kind) {
      SCOPED_TRACE(::testing::Message() << "width " << width << " kind " << kind);
      const Image im = Pattern(width, 3, kind);
      ExpectDecodesTo(EncodeBmp24(im), im, 24);
      ExpectDecodesTo(EncodeBmp8(im, false), im, 8);
      ExpectDecodesTo(EncodeBmp8(im, true), im, 8);
    }
}

TEST(MediaBmp, EightBitFilesCarryOnlyTheColoursUsed) {
  const Image im = Pattern(10, 4, 1);
  const std::string f = EncodeBmp8(im, false);
  ASSERT_GE(f.size(), 54u);
  const uint32_t clrUsed = static_cast<uint8_t>(f[46]) | static_cast<uint8_t>(f[47]) << 8;
  EXPECT_EQ(clrUsed, 5u);
  EXPECT_EQ(static_cast<uint8_t>(f[10]), 14 + 40 + 4 * 5);       // pixels right after the table
  EXPECT_EQ(static_cast<uint8_t>(f[30]), 0);                     // BI_RGB
  EXPECT_EQ(static_cast<uint8_t>(EncodeBmp8(im, true)[30]), 1);  // BI_RLE8

  Image many(300, 1);
  for (int x = 0; x < 300; ++x)
    many.Set(x, 0, {static_cast<uint8_t>(x % 256), static_cast<uint8_t>(x / 256), 0});
  EXPECT_TRUE(EncodeBmp8(many, false).empty());
  LimitColours(many, 60);
  EXPECT_LE(CountColours(many), 60);
  EXPECT_FALSE(EncodeBmp8(many, true).empty());
}

TEST(MediaBmp, RleStreamSplitsLongRunsAndEndsRowsAndBitmap) {
  std::vector<uint8_t> row(600, 7);
  row[300] = 1;
  const std::string s = EncodeRle8(row, 600, 1);
  // 255 + 45 of colour 7, then the lone pixel, then 255 + 44, end of line, end of bitmap.
  const std::string want = std::string("\xFF\x07\x2D\x07\x01\x01\xFF\x07\x2C\x07", 10) +
                           std::string("\x00\x00\x00\x01", 4);
  EXPECT_EQ(s, want);
}

// Every edge of a closed mesh, welded by position, is used once in each direction.
void ExpectClosed(const Mesh& m) {
  std::map<std::tuple<long, long, long>, int> ids;
  std::vector<int> id(m.pos.size());
  for (size_t i = 0; i < m.pos.size(); ++i) {
    const auto key = std::make_tuple(std::lround(m.pos[i].x * 1e4), std::lround(m.pos[i].y * 1e4),
                                     std::lround(m.pos[i].z * 1e4));
    id[i] = ids.emplace(key, static_cast<int>(ids.size())).first->second;
  }
  std::map<std::pair<int, int>, int> edges;
  for (const Face& f : m.faces)
    for (int k = 0; k < 3; ++k) ++edges[{id[f.v[k]], id[f.v[(k + 1) % 3]]}];
  for (const auto& [e, n] : edges) {
    EXPECT_EQ(n, 1) << "edge " << e.first << "-" << e.second << " used twice one way";
    EXPECT_EQ(edges.count({e.second, e.first}), 1u) << "edge " << e.first << "-" << e.second;
  }
}

// Normals agree with the winding, and both point away from `inside`.
void ExpectOutward(const Mesh& m, Vec3 inside) {
  for (const Face& f : m.faces) {
    const Vec3 g = FaceNormal(m, f);
    const Vec3 centre = (m.pos[f.v[0]] + m.pos[f.v[1]] + m.pos[f.v[2]]) * (1.0 / 3);
    EXPECT_GT(Dot(g, centre - inside), 0);
    for (int v : f.v) EXPECT_GT(Dot(g, m.nrm[v]), 0);
  }
}

TEST(MediaMesh, ClosedBuildersAreWatertightAndFaceOutward) {
  const Mesh ellipsoid = Ellipsoid({1, 2, 3}, {2, 3, 4}, 12, 8);
  ExpectClosed(ellipsoid);
  ExpectOutward(ellipsoid, {1, 2, 3});
  const Mesh box = Box({-1, -2, -3}, {4, 5, 6});
  EXPECT_EQ(box.FaceCount(), 12);
  ExpectClosed(box);
  ExpectOutward(box, {1.5, 1.5, 1.5});
  const Mesh limb = Limb({0, 0, 0}, {3, 4, 5}, 1.0, 0.5, 10, 8, 0.2);
  ExpectClosed(limb);
  ExpectOutward(limb, {1.5, 2, 2.5});
  // A puck with sharp rims: floor, wall and top each keep their own normals.
  const std::vector<Ring> puck = {
      {0, 0, 0, 0, 0}, {0, 0, 0, 2, 2, true}, {1, 0, 0, 2, 2, true}, {1, 0, 0, 0, 0}};
  const Mesh p = Loft(puck, 16);
  ExpectClosed(p);
  ExpectOutward(p, {0, 0, 0.5});
  for (size_t i = 0; i < p.pos.size(); ++i) {
    const double up = p.nrm[i].z;
    EXPECT_TRUE(std::fabs(std::fabs(up) - 1) < 1e-9 || std::fabs(up) < 1e-9) << i;
  }
}

TEST(MediaMesh, DroppingUnusedVerticesKeepsEveryFaceInPlace) {
  Mesh m = Ellipsoid({0, 0, 5}, {1, 2, 3}, 10, 6);
  const Mesh before = m;
  DropUnusedVertices(m);
  EXPECT_LT(m.VertexCount(), before.VertexCount());  // the poles' spare copies
  std::vector<bool> used(m.pos.size());
  ASSERT_EQ(m.FaceCount(), before.FaceCount());
  for (int f = 0; f < m.FaceCount(); ++f)
    for (int k = 0; k < 3; ++k) {
      used[m.faces[f].v[k]] = true;
      const Vec3 a = m.pos[m.faces[f].v[k]], b = before.pos[before.faces[f].v[k]];
      EXPECT_EQ(Length(a - b), 0.0);
    }
  for (bool u : used) EXPECT_TRUE(u);
}

TEST(MediaMesh, FlippedFacesFaceInwardWithTheirNormals) {
  Mesh m = Ellipsoid({0, 0, 0}, {1, 1, 1}, 8, 6);
  FlipFaces(m);
  ExpectClosed(m);
  for (const Face& f : m.faces) {
    const Vec3 g = FaceNormal(m, f);
    EXPECT_LT(Dot(g, m.pos[f.v[0]]), 0);
    EXPECT_LT(Dot(m.nrm[f.v[0]], m.pos[f.v[0]]), 0);
    EXPECT_GT(Dot(g, m.nrm[f.v[0]]), 0);
  }
}

TEST(MediaMesh, SubdivideKeepsTheKeyRings) {
  const std::vector<Ring> keys = {{0, 0, 0, 1, 1}, {1, 0, 0, 2, 2, true}, {3, 0, 0, 1, 1}};
  const std::vector<Ring> fine = Subdivide(keys, 3);
  ASSERT_EQ(fine.size(), 7u);
  for (int k = 0; k < 3; ++k) {
    EXPECT_EQ(fine[3 * k].z, keys[k].z);
    EXPECT_EQ(fine[3 * k].rx, keys[k].rx);
    EXPECT_EQ(fine[3 * k].hard, keys[k].hard);
  }
  for (size_t i = 1; i < fine.size(); ++i) EXPECT_GT(fine[i].z, fine[i - 1].z);
}

TEST(MediaPatch, CornersAreControlPoints) {
  Patch patch;
  for (int i = 0; i < 4; ++i)
    for (int j = 0; j < 4; ++j) patch.p[i][j] = Vec3{i * 1.0, j * 1.0, (i * j) % 3 * 0.5};
  const Vec3 corner = PatchPoint(patch, 1, 1);
  EXPECT_EQ(corner.x, 3);
  EXPECT_EQ(corner.y, 3);
  EXPECT_EQ(corner.z, 0);
  const Vec3 start = PatchPoint(patch, 0, 0);
  EXPECT_EQ(Length(start - patch.p[0][0]), 0.0);
  // Along the edge s = 0 the derivative in t is three times the first control leg.
  const Vec3 d = PatchDerivativeT(patch, 0, 0);
  EXPECT_NEAR(Length(d - (patch.p[0][1] - patch.p[0][0]) * 3.0), 0.0, 1e-12);
}

TEST(MediaTeapot, ParsesTheDataSetAndRefusesBrokenFiles) {
  TeapotData data;
  std::string error;
  const std::string good = "1\n1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16\n16\n" + [] {
    std::string points;
    for (int i = 0; i < 16; ++i)
      points += std::to_string(i % 4) + ", " + std::to_string(i / 4) + ",0.5\n";
    return points;
  }();
  ASSERT_TRUE(ParseTeapot(good, data, error)) << error;
  ASSERT_EQ(data.patches.size(), 1u);
  EXPECT_EQ(data.patches[0][15], 15);
  ASSERT_EQ(data.points.size(), 16u);
  EXPECT_EQ(data.points[5].x, 1);
  EXPECT_EQ(data.points[5].z, 0.5);
  const struct {
    const char* what;
    std::string text;
  } bad[] = {
      {"empty", ""},
      {"no patches", "0\n"},
      {"short patch line", "1\n1,2,3\n"},
      {"point number 0", "1\n0,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16\n"},
      {"not a number", "1\n1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,x\n"},
      {"ends early", "1\n1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,16\n16\n0,0,0\n"},
      {"past the last point",
       "1\n1,2,3,4,5,6,7,8,9,10,11,12,13,14,15,17\n16\n" + good.substr(good.find("16\n0") + 3)},
  };
  for (const auto& b : bad) EXPECT_FALSE(ParseTeapot(b.text, data, error)) << b.what;
}

TEST(MediaTeapot, TheDataSetsBodyFacesOutward) {
  const std::string corpus = velta_test::CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "no corpus";
  std::ifstream in(corpus + "/teapot/teapot", std::ios::binary);
  std::stringstream text;
  text << in.rdbuf();
  TeapotData data;
  std::string error;
  ASSERT_TRUE(ParseTeapot(text.str(), data, error)) << error;
  ASSERT_EQ(data.patches.size(), 32u);
  EXPECT_EQ(data.points.size(), 306u);
  // The body patches (5 to 12) turn round the z axis: faces point away from it.
  Mesh body;
  const double rect[4] = {0, 0, 1, 1};
  for (int p = 4; p < 12; ++p) {
    Patch patch;
    for (int i = 0; i < 16; ++i) patch.p[i / 4][i % 4] = data.points[data.patches[p][i]];
    TessellatePatch(body, patch, 4, false, rect);
  }
  ASSERT_GT(body.FaceCount(), 0);
  for (const Face& f : body.faces) {
    const Vec3 g = FaceNormal(body, f);
    const Vec3 at = body.pos[f.v[0]];
    EXPECT_GT(g.x * at.x + g.y * at.y, 0);
  }
}

TEST(MediaAse, ExporterLayoutWithSharedTextureVertices) {
  ModelFile f;
  f.fileName = "x.ase";
  f.sceneName = "x.max";
  f.exportDate = "Fri Jan 01 00:00:00 1999";
  f.materials.push_back(MappedMaterial("M", "C:\\a b\\c.bmp", "Map #1"));
  Mesh quad;
  quad.AddVertex({0, 0, 0}, {0, 0});
  quad.AddVertex({1, 0, 0}, {1, 0});
  quad.AddVertex({1, 0, 1}, {1, 1});
  quad.AddVertex({0, 0, 1}, {0, 0});  // same coordinates as vertex 0
  quad.AddFace(0, 1, 2);
  quad.AddFace(0, 2, 3, 1, 6);
  quad.AddFace(0, 0, 1);  // collapsed: dropped
  f.objects.push_back(MakeObject("Root", "", 0, quad, true));
  const std::string text = WriteAse(f);
  EXPECT_EQ(text.rfind("*3DSMAX_ASCIIEXPORT\t200\r\n", 0), 0u);
  EXPECT_EQ(text.find("\n\n"), std::string::npos);
  for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', at + 1))
    ASSERT_EQ(text[at - 1], '\r');
  EXPECT_NE(text.find("\t\t*MESH_NUMFACES 2\r\n"), std::string::npos);
  EXPECT_NE(text.find("\t\t*MESH_NUMTVERTEX 3\r\n"), std::string::npos);
  EXPECT_NE(text.find("\t\t\t*MESH_TFACE 1\t0\t2\t0\r\n"), std::string::npos);
  EXPECT_NE(text.find("*MESH_FACE    1:    A:    0 B:    2 C:    3 AB:    0 BC:    1 CA:    1"),
            std::string::npos);
  EXPECT_NE(text.find("\t\t\t*BITMAP \"C:\\a b\\c.bmp\"\r\n"), std::string::npos);
  EXPECT_NE(text.find("*TM_POS 0.5000\t0.0000\t0.5000"), std::string::npos);
  EXPECT_LT(text.find("*MESH_FACENORMAL 0"), text.find("*MESH_VERTEXNORMAL 0"));
}

TEST(MediaPreview, DrawsTheLabelOnlyFromTheFront) {
  MediaSet set;
  set.models.push_back(BuildTestBox());
  set.bitmaps = BuildBitmaps();
  const Image front = RenderPreview(set.models[0], set, 0.0, 160, 120);
  const Image back = RenderPreview(set.models[0], set, kPi, 160, 120);
  // The label's white paper shows only at turn 0; the grey-blue box shows at both turns.
  auto count = [](const Image& im, bool (*want)(Rgb)) {
    int n = 0;
    for (int y = 0; y < im.height(); ++y)
      for (int x = 0; x < im.width(); ++x) n += want(im.At(x, y));
    return n;
  };
  auto paper = [](Rgb c) { return c.r > 140 && c.g > 140 && c.b > 140; };
  auto box = [](Rgb c) { return c.b > c.r + 20 && c.g > c.r; };
  EXPECT_GT(count(front, paper), 300);
  EXPECT_EQ(count(back, paper), 0);
  EXPECT_GT(count(back, box), 3000);
  EXPECT_EQ(EncodePng(front).rfind("\x89PNG\r\n\x1a\n", 0), 0u);
}

// Parts of one model whose surfaces lie on top of each other, facing the same way, closer than
// a depth buffer can tell apart: sample points of each face (its middle and halfway to each
// corner) that lie within `gap` of another part's face, over that face and parallel to it.
std::set<std::pair<std::string, std::string>> PartsFightingInDepth(const ModelFile& model,
                                                                   double gap) {
  struct Tri {
    int part;
    Vec3 a, b, c, n;
  };
  std::vector<Tri> tris;
  for (size_t p = 0; p < model.objects.size(); ++p) {
    const Mesh& m = model.objects[p].mesh;
    for (const Face& f : m.faces) {
      const Vec3 n = FaceNormal(m, f);
      if (Length(n) < 1e-9) continue;
      tris.push_back({int(p), m.pos[f.v[0]], m.pos[f.v[1]], m.pos[f.v[2]], Normalized(n)});
    }
  }
  constexpr double kCell = 1.0;
  auto key = [](long x, long y, long z) { return std::make_tuple(x, y, z); };
  std::map<std::tuple<long, long, long>, std::vector<int>> grid;
  for (size_t i = 0; i < tris.size(); ++i) {
    const Tri& t = tris[i];
    const Vec3 lo{std::min({t.a.x, t.b.x, t.c.x}) - gap, std::min({t.a.y, t.b.y, t.c.y}) - gap,
                  std::min({t.a.z, t.b.z, t.c.z}) - gap};
    const Vec3 hi{std::max({t.a.x, t.b.x, t.c.x}) + gap, std::max({t.a.y, t.b.y, t.c.y}) + gap,
                  std::max({t.a.z, t.b.z, t.c.z}) + gap};
    for (long x = long(std::floor(lo.x / kCell)); x <= long(std::floor(hi.x / kCell)); ++x)
      for (long y = long(std::floor(lo.y / kCell)); y <= long(std::floor(hi.y / kCell)); ++y)
        for (long z = long(std::floor(lo.z / kCell)); z <= long(std::floor(hi.z / kCell)); ++z)
          grid[key(x, y, z)].push_back(int(i));
  }
  auto over = [](const Tri& t, Vec3 p) {  // p, in t's plane, inside t
    const Vec3 e[3] = {t.b - t.a, t.c - t.b, t.a - t.c};
    const Vec3 from[3] = {t.a, t.b, t.c};
    for (int k = 0; k < 3; ++k)
      if (Dot(Cross(e[k], p - from[k]), t.n) < 0) return false;
    return true;
  };
  std::set<std::pair<std::string, std::string>> fights;
  for (const Tri& t : tris) {
    const Vec3 mid = (t.a + t.b + t.c) * (1.0 / 3.0);
    for (const Vec3 p : {mid, (mid + t.a) * 0.5, (mid + t.b) * 0.5, (mid + t.c) * 0.5}) {
      auto cell = grid.find(key(long(std::floor(p.x / kCell)), long(std::floor(p.y / kCell)),
                                long(std::floor(p.z / kCell))));
      if (cell == grid.end()) continue;
      for (int j : cell->second) {
        const Tri& u = tris[size_t(j)];
        if (u.part == t.part || Dot(u.n, t.n) < 0.98) continue;
        const double d = Dot(p - u.a, u.n);
        if (std::fabs(d) >= gap || !over(u, p - u.n * d)) continue;
        std::string a = model.objects[size_t(t.part)].name, b = model.objects[size_t(u.part)].name;
        if (b < a) std::swap(a, b);
        fights.insert({a, b});
      }
    }
  }
  return fights;
}

// The sample models' parts never lie on top of each other, so no angle shows one flickering
// through another (the teapot is one part).
TEST(MediaModelsGeometry, NoTwoPartsOfASampleModelFightInDepth) {
  for (const ModelFile& model : {BuildFastFood(), BuildDoreva(), BuildSonic(), BuildTestBox()}) {
    SCOPED_TRACE(model.fileName);
    std::string found;
    for (const auto& [a, b] : PartsFightingInDepth(model, 0.02)) found += a + "/" + b + " ";
    EXPECT_EQ(found, "");
  }
  // The check sees two parts that meet face to face.
  ModelFile two;
  two.objects.push_back(MakeObject("Lower", "", 0, Box({0, 0, 0}, {2, 2, 1}), false));
  two.objects.push_back(MakeObject("Upper", "", 0, Box({0.5, 0.5, 1.01}, {1.5, 1.5, 2}), false));
  EXPECT_EQ(PartsFightingInDepth(two, 0.05).size(), 0u) << "opposite faces do not fight";
  two.objects[1] = MakeObject("Upper", "", 0, Box({0.5, 0.5, 0.97}, {3, 1.5, 0.99}), false);
  EXPECT_EQ(PartsFightingInDepth(two, 0.05),
            (std::set<std::pair<std::string, std::string>>{{"Lower", "Upper"}}));
}

}  // namespace
