// velta-view on every corpus model: staged, then shown by the headless viewer; the picture must
// hold the model, centred, inside the frame, and drawn with its textures where they were found.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <set>
#include <string>

#include "test_support.h"

namespace fs = std::filesystem;

namespace {

std::string ReadFile(const std::string& path) {
  std::ifstream in(path, std::ios::binary);
  return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

struct Outcome {
  int exitCode = -1;
  std::string out, err;
};

Outcome Shell(const velta_test::ScratchDir& scratch, const std::string& command) {
  const std::string out = scratch.File("out.txt"), err = scratch.File("err.txt");
  Outcome r;
  const int status = std::system((command + " >'" + out + "' 2>'" + err + "'").c_str());
  if (status != -1 && WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
  r.out = ReadFile(out);
  r.err = ReadFile(err);
  return r;
}

struct Frame {
  int width = 0, height = 0;
  std::vector<uint32_t> rgb;
};

bool ReadFrame(const std::string& path, Frame& f) {
  const std::string b = ReadFile(path);
  auto le = [&b](size_t at, int n) {
    uint32_t v = 0;
    for (int i = 0; i < n; ++i) v |= uint32_t(uint8_t(b[at + size_t(i)])) << (8 * i);
    return v;
  };
  if (b.size() < 54 || b[0] != 'B' || le(28, 2) != 24) return false;
  f.width = int(le(18, 4));
  f.height = std::abs(int32_t(le(22, 4)));
  const bool topDown = int32_t(le(22, 4)) < 0;
  const size_t stride = (size_t(f.width) * 3 + 3) & ~size_t(3), offset = le(10, 4);
  if (b.size() < offset + stride * size_t(f.height)) return false;
  f.rgb.resize(size_t(f.width) * size_t(f.height));
  for (int y = 0; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x)
      f.rgb[size_t(y) * size_t(f.width) + size_t(x)] =
          le(offset + size_t(topDown ? y : f.height - 1 - y) * stride + size_t(x) * 3, 3);
  return true;
}

// What the picture shows of the model: its pixels (all but the clear colour, below the
// frame-rate line), their box, and how many of them are the test texture's green.
struct Seen {
  size_t pixels = 0, green = 0;
  int left = 1 << 30, top = 1 << 30, right = -1, bottom = -1;
};

Seen Look(const Frame& f) {
  Seen s;
  for (int y = 20; y < f.height; ++y)
    for (int x = 0; x < f.width; ++x) {
      const uint32_t c = f.rgb[size_t(y) * size_t(f.width) + size_t(x)];
      if (c == 0x303030) continue;
      const int r = int(c >> 16 & 0xFF), g = int(c >> 8 & 0xFF), b = int(c & 0xFF);
      ++s.pixels;
      if (g > 2 * r + 20 && g > 2 * b + 20) ++s.green;
      s.left = std::min(s.left, x);
      s.right = std::max(s.right, x);
      s.top = std::min(s.top, y);
      s.bottom = std::max(s.bottom, y);
    }
  return s;
}

struct CorpusModel {
  const char* file;  // under the corpus
  int clockMs;       // the turn to look at: the textured side faces the camera
  bool textured;     // some texture is found
  bool shows;        // false: the model cannot be read, velta-view says why and exits 1
};

const CorpusModel kModels[] = {
    {"ase/CameraRollAnim.ase", 0, false, true},
    {"ase/CameraRollAnimWithChildObject.ase", 0, false, true},
    {"ase/MotionCaptureROM.ase", 700, false, true},
    {"ase/RotatingCube.ASE", 500, false, true},
    {"ase/TargetCameraAnim.ase", 0, false, true},
    {"ase/TestUVTransform/UVTransform_Normal.ASE", 0, false, true},
    {"ase/TestUVTransform/UVTransform_ScaleUV1-2_OffsetUV0-0.9_Rotate-72_mirrorU.ase", 0, false, true},
    {"ase/TestUVTransform/UVTransform_ScaleUV2x.ASE", 0, false, true},
    {"ase/TestUVTransform/UVTransform_ScaleUV2x_Rotate45.ASE", 0, false, true},
    {"ase/ThreeCubesGreen.ASE", 0, false, true},
    {"ase/ThreeCubesGreen_UTF16BE.ASE", 0, false, true},
    {"ase/ThreeCubesGreen_UTF16LE.ASE", 0, false, true},
    {"ase/anim.ASE", 0, false, true},
    {"ase/anim2.ASE", 0, false, true},
    {"ase/extras/TestFormatDetection", 0, false, true},
    {"ase/invalid/InvalidUVIndex.ase", 0, false, true},
    {"ase/invalid/empty.ase", 0, false, false},
    {"ase-textured/models/mapobjects/vega/ceilinglight/ceilinglight1.ase", 500, false, true},
    {"ase-textured/models/mapobjects/vega/ceilinglight/ceilinglight2.ase", 500, false, true},
    {"ase-textured/models/mapobjects/vega/ceilinglight/ceilinglight2a.ase", 500, false, true},
    {"ase-textured/models/mapobjects/vega/sign/sign_2m10.ase", 3142, true, true},
    {"ase-textured/models/mapobjects/vega/sign/sign_5km.ase", 3142, true, true},
    {"ase-textured/models/mapobjects/vega/vehicle/wheel.ase", 500, true, true},
};

std::string Quote(const fs::path& p) { return "'" + p.string() + "'"; }

TEST(VeltaView, TheTableHoldsEveryCorpusModel) {
  const std::string corpus = velta_test::CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "no corpus";
  std::set<std::string> listed, found;
  for (const CorpusModel& m : kModels) listed.insert(m.file);
  for (const char* dir : {"ase", "ase-textured"})
    for (const auto& e : fs::recursive_directory_iterator(fs::path(corpus) / dir)) {
      const std::string ext = e.path().extension().string();
      if (e.is_regular_file() && ext != ".txt" && ext != ".md" && ext != ".png" && ext != ".jpg")
        found.insert(fs::relative(e.path(), corpus).string());
    }
  EXPECT_EQ(listed, found);
}

// Staged with --stage, every staged texture replaced by plain green so that its use shows,
// then the viewer itself run headless in the stage for two frames at a fixed turn.
TEST(VeltaView, EveryCorpusModelShowsCentredInsideTheFrameAndTextured) {
  const std::string corpus = velta_test::CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "no corpus";
  for (const CorpusModel& m : kModels) {
    SCOPED_TRACE(m.file);
    velta_test::ScratchDir scratch;
    const fs::path stage = scratch.path() / "stage";
    const Outcome staged = Shell(scratch, "'" VELTA_VIEW "' --stage " + Quote(stage) + " " +
                                          Quote(fs::path(corpus) / m.file));
    if (!m.shows) {
      EXPECT_EQ(staged.exitCode, 1);
      EXPECT_EQ(std::count(staged.err.begin(), staged.err.end(), '\n'), 1) << staged.err;
      continue;
    }
    ASSERT_EQ(staged.exitCode, 0) << staged.err;
    EXPECT_NE(staged.out.find("scale "), std::string::npos) << staged.out;
    size_t textures = 0;
    for (const auto& e : fs::directory_iterator(stage))
      if (e.path().extension() == ".bmp") {
        std::ofstream(e.path(), std::ios::binary | std::ios::trunc) << velta_test::SolidBmp24(8, 8, 0, 230, 0);
        ++textures;
      }
    EXPECT_EQ(textures > 0, m.textured) << staged.out;
    const std::string picture = scratch.File("picture.bmp");
    const Outcome shown = Shell(scratch, "cd " + Quote(stage) +
                                         " && VELTA_VIDEO=headless VELTA_FRAMES=2 VELTA_CLOCK_MS=" +
                                         std::to_string(m.clockMs) + " VELTA_SNAPSHOT='" + picture +
                                         "' '" VELTA_VIEWER "'");
    ASSERT_EQ(shown.exitCode, 0) << shown.err;
    EXPECT_EQ(shown.err, "");  // no message box: every named texture loads
    Frame f;
    ASSERT_TRUE(ReadFrame(picture, f));
    const Seen s = Look(f);
    EXPECT_GT(s.pixels, 400u);
    EXPECT_GE(s.left, 16);
    EXPECT_LE(s.right, f.width - 16);
    EXPECT_GE(s.top, 24);
    EXPECT_LE(s.bottom, f.height - 16);
    EXPECT_NEAR((s.left + s.right) / 2.0, f.width / 2.0, f.width * 0.12);
    EXPECT_NEAR((s.top + s.bottom) / 2.0, f.height / 2.0, f.height * 0.12);
    // A model fitted to the view fills a good part of it, whatever its own size.
    EXPECT_GT(std::max(s.right - s.left, s.bottom - s.top), 200);
    if (m.textured) {
      EXPECT_GT(s.green, s.pixels / 10);
    }
  }
}

// The whole command as a user runs it: report first, then the viewer, exit 0 even with a
// texture missing, the temporary stage removed afterwards.
TEST(VeltaView, RunsTheViewerInATemporaryStageAndRemovesIt) {
  const std::string corpus = velta_test::CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "no corpus";
  velta_test::ScratchDir scratch;
  const fs::path tmp = scratch.path() / "tmp";
  fs::create_directories(tmp);
  const std::string picture = scratch.File("picture.bmp");
  const Outcome r = Shell(scratch, "TMPDIR=" + Quote(tmp) +
                                   " VELTA_VIDEO=headless VELTA_FRAMES=2 VELTA_CLOCK_MS=3142"
                                   " VELTA_SNAPSHOT='" + picture + "' '" VELTA_VIEW "' " +
                                   Quote(fs::path(corpus) /
                                         "ase-textured/models/mapobjects/vega/sign/sign_2m10.ase"));
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_NE(r.out.find("model "), std::string::npos);
  EXPECT_NE(r.out.find("sign_2m10.jpg\": converted"), std::string::npos) << r.out;
  EXPECT_NE(r.out.find("base03a.png\": missing, tried"), std::string::npos) << r.out;
  Frame f;
  ASSERT_TRUE(ReadFrame(picture, f));
  EXPECT_GT(Look(f).pixels, 400u);
  EXPECT_TRUE(fs::is_empty(tmp));
}

TEST(VeltaView, AseInfoPrintsTheStagedModel) {
  const std::string corpus = velta_test::CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "no corpus";
  velta_test::ScratchDir scratch;
  const Outcome r = Shell(scratch, "'" VELTA_ASE_INFO "' --file " +
                                   Quote(fs::path(corpus) /
                                         "ase-textured/models/mapobjects/vega/sign/sign_5km.ase"));
  EXPECT_EQ(r.exitCode, 0) << r.err;
  EXPECT_EQ(r.out.rfind("model 3 fastfood.ase Dummy_Center meshes=4\n"
                        "mesh 0 node=Dummy_Center parent=- vertices=0 indices=0 bitmap=- map=0 "
                        "texture=no",
                        0),
            0u)
      << r.out;
  EXPECT_NE(r.out.find("node=Object02 parent=Dummy_Center vertices=18 indices=48 "
                       "bitmap=tex02_sign_5km.bmp map=0 texture=yes"),
            std::string::npos)
      << r.out;
  const Outcome bad = Shell(scratch, "'" VELTA_ASE_INFO "' --file " +
                                     Quote(fs::path(corpus) / "ase/invalid/empty.ase"));
  EXPECT_EQ(bad.exitCode, 1);
  EXPECT_EQ(bad.out, "");
}

}  // namespace
