// The stage library: the texture search rules, each texture format into a BMP, bad models and
// bad textures, and the viewer's limits, each staged model read back by the viewer's loader.
#include <gtest/gtest.h>
#include <wand/MagickWand.h>

#include <array>
#include <cmath>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "loader_fixture.h"
#include "tools/stage/bitmaps.h"
#include "tools/stage/stage.h"

namespace fs = std::filesystem;
using velta_stage::StageModelText;
using velta_stage::StageOptions;
using velta_stage::StageResult;
using velta_stage::TextureReport;

namespace {

struct Object {
  std::string name;
  std::vector<std::array<std::string, 3>> vertices;  // as written, so "nan" can be too
  int material = 0;
};

std::array<std::string, 3> V(double x, double y, double z) {
  return {std::to_string(x), std::to_string(y), std::to_string(z)};
}

// An exporter-style file: the bitmaps as materials, every three vertices a triangle.
std::string Ase(const std::vector<std::string>& bitmaps, const std::vector<Object>& objects) {
  std::string s = "*3DSMAX_ASCIIEXPORT\t200\n*MATERIAL_LIST {\n\t*MATERIAL_COUNT " +
                  std::to_string(bitmaps.size()) + "\n";
  for (size_t i = 0; i < bitmaps.size(); ++i) {
    s += "\t*MATERIAL " + std::to_string(i) + " {\n\t\t*MATERIAL_DIFFUSE 0.5 0.5 0.5\n";
    if (!bitmaps[i].empty())
      s += "\t\t*MAP_DIFFUSE {\n\t\t\t*BITMAP \"" + bitmaps[i] + "\"\n\t\t}\n";
    s += "\t}\n";
  }
  s += "}\n";
  for (const Object& o : objects) {
    const size_t n = o.vertices.size();
    s += "*GEOMOBJECT {\n\t*NODE_NAME \"" + o.name + "\"\n\t*MESH {\n\t\t*MESH_NUMVERTEX " +
         std::to_string(n) + "\n\t\t*MESH_NUMFACES " + std::to_string(n / 3) +
         "\n\t\t*MESH_VERTEX_LIST {\n";
    for (size_t i = 0; i < n; ++i)
      s += "\t\t\t*MESH_VERTEX " + std::to_string(i) + "\t" + o.vertices[i][0] + "\t" +
           o.vertices[i][1] + "\t" + o.vertices[i][2] + "\n";
    s += "\t\t}\n\t\t*MESH_FACE_LIST {\n";
    for (size_t f = 0; f < n / 3; ++f)
      s += "\t\t\t*MESH_FACE " + std::to_string(f) + ": A: " + std::to_string(3 * f) +
           " B: " + std::to_string(3 * f + 1) + " C: " + std::to_string(3 * f + 2) + "\n";
    s += "\t\t}\n\t}\n\t*MATERIAL_REF " + std::to_string(o.material) + "\n}\n";
  }
  return s;
}

Object Triangle(const std::string& name, int material = 0, double at = 0) {
  return {name, {V(at, 0, 0), V(at + 1, 0, 0), V(at, 0, 1)}, material};
}

uint32_t Crc32(const std::string& bytes) {
  uint32_t c = 0xFFFFFFFFu;
  for (unsigned char b : bytes) {
    c ^= b;
    for (int k = 0; k < 8; ++k) c = (c >> 1) ^ (0xEDB88320u & (0u - (c & 1)));
  }
  return ~c;
}

std::string Be32(uint32_t v) {
  return {char(v >> 24), char(v >> 16), char(v >> 8), char(v)};
}
std::string Le(uint32_t v, int bytes) {
  std::string s;
  for (int i = 0; i < bytes; ++i) s += char(v >> (8 * i));
  return s;
}

// A PNG file that is only a header claiming the given size.
std::string PngHeaderOnly(uint32_t w, uint32_t h) {
  const std::string ihdr = "IHDR" + Be32(w) + Be32(h) + std::string("\x08\x02\x00\x00\x00", 5);
  return std::string("\x89PNG\r\n\x1a\n", 8) + Be32(13) + ihdr + Be32(Crc32(ihdr)) + Be32(0) +
         "IEND" + Be32(Crc32("IEND"));
}

// Uncompressed 24-bit TGA of one colour; with no pixels when `pixels` is false.
std::string Tga(unsigned w, unsigned h, uint8_t r, uint8_t g, uint8_t b, bool pixels = true) {
  std::string s(18, '\0');
  s[2] = 2;
  s.replace(12, 4, Le(w, 2) + Le(h, 2));
  s[16] = 24;
  if (pixels)
    for (size_t i = 0; i < size_t(w) * h; ++i) s += {char(b), char(g), char(r)};
  return s;
}

// DDS of one colour: uncompressed 32-bit, or one DXT1 block per 4 x 4 pixels.
std::string Dds(bool dxt1, uint8_t r, uint8_t g, uint8_t b) {
  std::string s = "DDS " + Le(124, 4) + Le(0x1007 | (dxt1 ? 0x80000 : 0x8), 4) + Le(4, 4) +
                  Le(4, 4) + Le(dxt1 ? 8 : 16, 4) + Le(0, 4) + Le(1, 4) + std::string(44, '\0');
  if (dxt1) {
    s += Le(32, 4) + Le(0x4, 4) + "DXT1" + std::string(20, '\0');
  } else {
    s += Le(32, 4) + Le(0x41, 4) + Le(0, 4) + Le(32, 4) + Le(0xFF0000, 4) + Le(0xFF00, 4) +
         Le(0xFF, 4) + Le(0xFF000000u, 4);
  }
  s += Le(0x1000, 4) + std::string(16, '\0');
  if (dxt1) {
    const uint32_t c565 = uint32_t((r >> 3) << 11 | (g >> 2) << 5 | (b >> 3));
    s += Le(c565, 2) + Le(c565, 2) + Le(0, 4);
  } else {
    for (int i = 0; i < 16; ++i) s += {char(b), char(g), char(r), char(0xFF)};
  }
  return s;
}

// PNG and JPEG come from the library's own encoder.
std::string Encoded(const char* format, uint8_t r, uint8_t g, uint8_t b) {
  MagickWandGenesis();
  MagickWand* wand = NewMagickWand();
  PixelWand* colour = NewPixelWand();
  const std::string rgb = "rgb(" + std::to_string(r) + "," + std::to_string(g) + "," +
                          std::to_string(b) + ")";
  PixelSetColor(colour, rgb.c_str());
  MagickNewImage(wand, 16, 8, colour);
  MagickSetImageFormat(wand, format);
  size_t size = 0;
  unsigned char* blob = MagickGetImageBlob(wand, &size);
  std::string bytes(reinterpret_cast<char*>(blob), size);
  MagickRelinquishMemory(blob);
  DestroyPixelWand(colour);
  DestroyMagickWand(wand);
  return bytes;
}

std::string ReadFile(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

class StageTest : public LoaderTest {
 protected:
  // Stages the text with the model in `model/`, into `stage/`, and loads the stage as the
  // viewer does.
  StageResult StageAndLoad(const std::string& text, const StageOptions& options = {}) {
    fs::create_directories(Dir() / "model");
    StageResult r = StageModelText(text, Dir() / "model", Dir() / "stage", options);
    if (r.error.empty()) {
      WorkingDir inStage(Dir() / "stage");
      EXPECT_EQ(LoadModel(3), 0);
    }
    return r;
  }
  fs::path Dir() const { return fs::current_path(); }
  using WorkingDir = velta_test::WorkingDir;
};

TEST_F(StageTest, EachTextureSearchRule) {
  const fs::path model = Dir() / "game" / "models" / "m";
  for (const char* f : {"game/models/m/tex/a.png", "game/models/m/c.png",
                        "game/models/shared/b.png", "game/models/m/tex/d.tga",
                        "game/models/m/tex/e.png"}) {
    fs::create_directories((Dir() / f).parent_path());
    std::ofstream(Dir() / f) << "x";
  }
  const struct {
    const char* written;
    const char* found;  // under the scratch folder, empty when missing
  } cases[] = {
      {"tex/a.png", "game/models/m/tex/a.png"},               // as written
      {"tex\\a.png", "game/models/m/tex/a.png"},
      {"models/shared/b.png", "game/models/shared/b.png"},    // from a folder above
      {"/models/shared/b.png", "game/models/shared/b.png"},   // leading slash
      {"F:\\demos\\maxScene\\c.png", "game/models/m/c.png"},  // the last part alone
      {"TEX/A.PNG", "game/models/m/tex/a.png"},               // any letter case
      {"Models/SHARED/B.png", "game/models/shared/b.png"},
      {"tex/d", "game/models/m/tex/d.tga"},                   // no extension
      {"tex/e.tga", "game/models/m/tex/e.png"},               // named file missing
      {"tex/gone.png", ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.written);
    std::vector<fs::path> tried;
    const fs::path found = velta_stage::FindBitmap(c.written, model, &tried);
    if (*c.found) {
      EXPECT_TRUE(!found.empty() && fs::equivalent(found, Dir() / c.found)) << found;
    } else {
      EXPECT_TRUE(found.empty()) << found;
    }
    ASSERT_FALSE(tried.empty());
  }
  std::vector<fs::path> tried;
  velta_stage::FindBitmap("tex/gone.png", model, &tried);
  EXPECT_EQ(tried.front(), model / "tex" / "gone.png");
}

TEST_F(StageTest, EachFormatBecomesA24BitBmp) {
  const struct {
    const char* name;
    std::string bytes;
    const char* format;
    unsigned width, height;  // staged
    int tolerance;
  } cases[] = {
      {"t.png", Encoded("PNG", 10, 200, 30), "PNG", 16, 8, 0},
      {"t.jpg", Encoded("JPEG", 10, 200, 30), "JPEG", 16, 8, 12},
      {"t.tga", Tga(3, 2, 10, 200, 30), "TGA", 3, 2, 0},
      {"t.dds", Dds(false, 10, 200, 30), "DDS", 4, 4, 0},
      {"dxt1.dds", Dds(true, 10, 200, 30), "DDS", 4, 4, 8},
      {"wide.tga", Tga(2048, 4, 10, 200, 30), "TGA", 1024, 2, 0},  // scaled down
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    std::ofstream(Dir() / c.name, std::ios::binary) << c.bytes;
    const velta_stage::BitmapResult r = velta_stage::StageBitmap(Dir() / c.name, Dir() / "out.bmp");
    ASSERT_TRUE(r.ok) << r.error;
    EXPECT_TRUE(r.converted);
    EXPECT_EQ(r.format, c.format);
    EXPECT_EQ(r.stagedWidth, c.width);
    EXPECT_EQ(r.stagedHeight, c.height);
    const std::string bmp = ReadFile(Dir() / "out.bmp");
    ASSERT_EQ(bmp.size(), 54 + ((c.width * 3 + 3) & ~3u) * c.height);
    EXPECT_EQ(bmp.substr(0, 2), "BM");
    EXPECT_EQ(uint8_t(bmp[28]), 24);
    EXPECT_NEAR(uint8_t(bmp[54]), 30, c.tolerance);  // blue, green, red
    EXPECT_NEAR(uint8_t(bmp[55]), 200, c.tolerance);
    EXPECT_NEAR(uint8_t(bmp[56]), 10, c.tolerance);
  }
  const std::string bmp = velta_test::SolidBmp24(2, 2, 1, 2, 3);
  std::ofstream(Dir() / "t.bmp", std::ios::binary) << bmp;
  const velta_stage::BitmapResult r = velta_stage::StageBitmap(Dir() / "t.bmp", Dir() / "out.bmp");
  EXPECT_TRUE(r.ok && !r.converted);
  EXPECT_EQ(ReadFile(Dir() / "out.bmp"), bmp);  // copied as it is
}

TEST_F(StageTest, BadModelsSayWhy) {
  const struct {
    const char* what;
    std::string text;
    const char* error;  // part of the message
  } cases[] = {
      {"binary", std::string("\x7f" "ELF\x02\x01\x00\x00*GEOMOBJECT {", 20), "binary data"},
      {"empty file", "", "empty"},
      {"no objects", "*3DSMAX_ASCIIEXPORT 200\n*SCENE {\n}\n", "no geometry objects"},
      {"no triangles", Ase({}, {{"Box", {V(0, 0, 0)}}}), "empty"},
      {"one point", Ase({}, {{"P", {V(1, 2, 3), V(1, 2, 3), V(1, 2, 3)}}}), "no extent"},
      {"not a number", Ase({}, {{"N", {{"nan", "0", "0"}, V(1, 0, 0), V(0, 0, 1)}}}), "finite"},
      {"infinite", Ase({}, {{"I", {{"1e999", "0", "0"}, V(1, 0, 0), V(0, 0, 1)}}}), "finite"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const StageResult r = StageModelText(c.text, Dir(), Dir() / "stage", {});
    EXPECT_NE(r.error.find(c.error), std::string::npos) << r.error;
    EXPECT_EQ(r.error.find('\n'), std::string::npos);
  }
  // Triangles with coordinates that are not numbers are left out; the rest shows.
  const StageResult r = StageAndLoad(
      Ase({}, {{"N", {{"0", "-inf", "0"}, V(1, 0, 0), V(0, 0, 1)}}, Triangle("Ok")}));
  ASSERT_EQ(r.error, "");
  ASSERT_EQ(r.changes.size(), 1u);
  EXPECT_NE(r.changes[0].find("left out 1 triangles"), std::string::npos);
  ASSERT_NE(ModelTable[3].model, nullptr);
  EXPECT_EQ(ModelTable[3].model->meshCount, 2);
}

// Textures that cannot be used leave their materials plain: the model still shows, and the
// viewer is not asked to load what it cannot.
TEST_F(StageTest, BadTexturesAreReportedAndLeftOut) {
  fs::create_directories(Dir() / "model");
  std::ofstream(Dir() / "model" / "bad.png", std::ios::binary)
      << std::string("\x89PNG\r\n\x1a\n", 8) + std::string(64, '\x5a');
  std::ofstream(Dir() / "model" / "huge.png", std::ios::binary) << PngHeaderOnly(30000, 30000);
  std::ofstream(Dir() / "model" / "huge.tga", std::ios::binary)
      << Tga(30000, 30000, 0, 0, 0, false);
  std::ofstream(Dir() / "model" / "text.jpg") << "not a picture";
  const StageResult r = StageAndLoad(Ase({"bad.png", "huge.png", "huge.tga", "text.jpg", "gone.png"},
                                         {Triangle("A", 0), Triangle("B", 1, 2), Triangle("C", 2, 4),
                                          Triangle("D", 3, 6), Triangle("E", 4, 8)}));
  ASSERT_EQ(r.error, "");
  ASSERT_EQ(r.textures.size(), 5u);
  const char* expected[] = {"cannot be decoded", "too large", "too large",
                            "not a BMP, PNG, JPEG, TGA or DDS", ""};
  for (size_t i = 0; i < 4; ++i) {
    EXPECT_EQ(r.textures[i].status, TextureReport::Failed) << i;
    EXPECT_NE(r.textures[i].detail.find(expected[i]), std::string::npos) << r.textures[i].detail;
  }
  EXPECT_EQ(r.textures[4].status, TextureReport::Missing);
  EXPECT_NE(r.Report("m.ase").find("texture \"gone.png\": missing, tried "), std::string::npos);
  ASSERT_NE(ModelTable[3].model, nullptr);
  EXPECT_EQ(ModelTable[3].model->meshCount, 6);
  EXPECT_TRUE(Messages().empty());
}

uint32_t LoadedTriangles() {
  uint32_t n = 0;
  for (unsigned i = 0; i < ModelTable[3].model->meshCount; ++i) {
    const MeshNode* m = ModelTable[3].model->meshes[i];
    EXPECT_LE(m->indexCount, 65535);
    n += m->indexCount / 3;
  }
  return n;
}

TEST_F(StageTest, LargeMeshesAreSplitAndManyObjectsFolded) {
  Object big{"Big", {}, 0};
  for (int f = 0; f < 21846; ++f) {
    const double x = f % 200, y = f / 200;
    for (const auto& v : {V(x, y, 0), V(x + 1, y, 0), V(x, y, 1)}) big.vertices.push_back(v);
  }
  std::vector<Object> sameMaterial, ownMaterials;
  std::vector<std::string> plain;
  for (int i = 0; i < 150; ++i) {
    sameMaterial.push_back(Triangle("Part" + std::to_string(i), 0, i));
    ownMaterials.push_back(Triangle("Part" + std::to_string(i), i, i));
    plain.push_back("");
  }
  const struct {
    const char* what;
    std::string text;
    unsigned meshes, triangles;
    const char* change;
  } cases[] = {
      {"split", Ase({""}, {big}), 3, 21846, "split \"Big\" (21846 triangles) into 2 objects"},
      {"fold by material", Ase({""}, sameMaterial), 2, 150, "folded 150 objects into 1"},
      {"fold across materials", Ase(plain, ownMaterials), 100, 150,
       "folded 150 objects into 99 (the viewer holds 100 objects a file, the root included); "
       "51 of them draw with another object's material"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    const StageResult r = StageAndLoad(c.text);
    ASSERT_EQ(r.error, "");
    ASSERT_EQ(r.changes.size(), 1u);
    EXPECT_EQ(r.changes[0].rfind(c.change, 0), 0u) << r.changes[0];
    ASSERT_NE(ModelTable[3].model, nullptr);
    EXPECT_EQ(ModelTable[3].model->meshCount, c.meshes);
    EXPECT_EQ(LoadedTriangles(), c.triangles);
    ReleaseModels();
  }
}

// The model's up axis becomes the viewer's vertical, and any size is fitted to one view.
TEST_F(StageTest, UpAxisAndScale) {
  StageOptions up;
  EXPECT_FALSE(velta_stage::ParseUpAxis("w", up));
  const struct {
    const char* axis;
    double size;
  } cases[] = {{"z", 1e-3}, {"y", 1.0}, {"-x", 1e5}};
  double height = 0;
  for (const auto& c : cases) {
    SCOPED_TRACE(c.axis);
    StageOptions options;
    ASSERT_TRUE(velta_stage::ParseUpAxis(c.axis, options));
    const int axis = options.upAxis;
    // A thin spike along the chosen axis, pointing its way.
    std::array<double, 3> tip{0, 0, 0}, side{0.1, 0.1, 0.1};
    tip[size_t(axis)] = options.upNegative ? -c.size : c.size;
    side[size_t(axis)] = 0;
    const StageResult r = StageAndLoad(Ase(
        {""}, {{"Spike", {V(0, 0, 0), V(side[0] * c.size, side[1] * c.size, side[2] * c.size),
                          V(tip[0], tip[1], tip[2])}}}), options);
    ASSERT_EQ(r.error, "");
    ASSERT_NE(ModelTable[3].model, nullptr);
    const MeshNode* m = ModelTable[3].model->meshes[1];
    float lo[3] = {1e9f, 1e9f, 1e9f}, hi[3] = {-1e9f, -1e9f, -1e9f};
    for (unsigned i = 0; i < m->vertexCount; ++i) {
      const Vector3& p = m->work[i].position;
      const float v[3] = {p.x, p.y, p.z};
      for (int k = 0; k < 3; ++k) {
        lo[k] = std::min(lo[k], v[k]);
        hi[k] = std::max(hi[k], v[k]);
      }
    }
    // The viewer's y is up: the spike stands, tip on top.
    EXPECT_GT(hi[1] - lo[1], 5 * (hi[0] - lo[0]));
    EXPECT_GT(hi[1] - lo[1], 5 * (hi[2] - lo[2]));
    ASSERT_EQ(m->vertexCount, 3);
    EXPECT_FLOAT_EQ(m->work[2].position.y, hi[1]);
    if (height == 0) height = hi[1] - lo[1];
    EXPECT_NEAR(hi[1] - lo[1], height, height * 0.01);
    ReleaseModels();
  }
}

}  // namespace
