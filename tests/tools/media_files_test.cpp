// The committed media folder: the generator reproduces it byte for byte, the loader reads every
// model without a message (pinned output), the files hold what real exports hold, and the
// bitmaps have the depths and sizes the texture code must cope with.
#include <gtest/gtest.h>

#include <strings.h>

#include <cstdio>
#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "test_support.h"
#include "win32/bmp_decode.h"

namespace {

namespace fs = std::filesystem;

const fs::path kMedia = VELTA_MEDIA_DIR;

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::ostringstream s;
  s << in.rdbuf();
  return s.str();
}

std::string RunCommand(const std::string& command) {
  std::string out;
  if (FILE* p = ::popen((command + " 2>&1").c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    ::pclose(p);
  }
  return out;
}

// The media files by name; dot files (repository settings) are not media.
std::map<std::string, std::string> Folder(const fs::path& dir) {
  std::map<std::string, std::string> files;
  for (const auto& e : fs::directory_iterator(dir)) {
    const std::string name = e.path().filename().string();
    if (name[0] != '.') files[name] = ReadAll(e.path());
  }
  return files;
}

const char* const kModels[] = {"doreva2.ase", "teapot.ase", "testbox.ase", "fastfood.ase",
                               "sonic.ase"};

TEST(MediaFolder, CommittedFilesEqualAFreshGeneration) {
  const std::string corpus = velta_test::CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "the teapot's patch data lives in the corpus";
  velta_test::ScratchDir dir;
  const std::string out = RunCommand("'" VELTA_MEDIA_GEN "' '" + dir.path().string() +
                                     "' --teapot '" + corpus + "/teapot/teapot'");
  EXPECT_EQ(out, "");
  const auto fresh = Folder(dir.path());
  const auto committed = Folder(kMedia);
  ASSERT_FALSE(fresh.empty());
  for (const auto& [name, bytes] : fresh) {
    ASSERT_TRUE(committed.count(name)) << name << " is generated but not committed";
    EXPECT_TRUE(committed.at(name) == bytes) << name << " differs: run velta-media-gen media";
  }
  for (const auto& [name, bytes] : committed)
    EXPECT_TRUE(fresh.count(name)) << name << " is committed but not generated";
}

TEST(MediaFolder, GeneratorRefusesMissingOrUnknownArguments) {
  EXPECT_NE(RunCommand("'" VELTA_MEDIA_GEN "'").find("usage:"), std::string::npos);
  EXPECT_NE(RunCommand("'" VELTA_MEDIA_GEN "' --bogus x").find("usage:"), std::string::npos);
  // Missing or broken teapot data, and a folder that cannot be made, are reported.
  velta_test::ScratchDir dir;
  const std::string file = dir.Write("plain", "x");
  EXPECT_NE(RunCommand("'" VELTA_MEDIA_GEN "' '" + dir.File("out") + "' --teapot '" +
                       dir.File("none") + "'")
                .find("cannot be read"),
            std::string::npos);
  EXPECT_NE(RunCommand("'" VELTA_MEDIA_GEN "' '" + dir.File("out") + "' --teapot '" + file + "'")
                .find("line 1 does not hold 1 numbers"),
            std::string::npos);
  EXPECT_FALSE(fs::exists(dir.File("out")));
  const std::string corpus = velta_test::CorpusDir();
  if (corpus.empty()) return;
  EXPECT_NE(
      RunCommand("'" VELTA_MEDIA_GEN "' '" + file + "/sub' --teapot '" + corpus + "/teapot/teapot'")
          .find("cannot write"),
      std::string::npos);
}

TEST(MediaFolder, AseInfoLoadsEveryRowWithoutAMessage) {
  const std::string out = RunCommand("cd '" + kMedia.string() + "' && '" VELTA_ASE_INFO "'");
  EXPECT_EQ(out.find("message"), std::string::npos) << out;
  EXPECT_EQ(out, ReadAll(VELTA_MEDIA_EXPECTED));
}

TEST(MediaFolder, ModelsReadLikeExports) {
  for (const char* name : kModels) {
    SCOPED_TRACE(name);
    const std::string text = ReadAll(kMedia / name);
    ASSERT_FALSE(text.empty());
    EXPECT_EQ(text.rfind("*3DSMAX_ASCIIEXPORT\t200\r\n*COMMENT \"", 0), 0u);
    // CRLF everywhere, tabs for indentation, no line over the reader's 254 characters.
    size_t start = 0;
    for (size_t at = text.find('\n'); at != std::string::npos; at = text.find('\n', start)) {
      ASSERT_GT(at, start);
      ASSERT_EQ(text[at - 1], '\r') << "line at byte " << start;
      ASSERT_NE(text[start], ' ') << "line at byte " << start;
      ASSERT_LT(at - start, 254u);
      start = at + 1;
    }
    EXPECT_EQ(start, text.size());
    for (const char* statement :
         {"\r\n*SCENE {\r\n", "\r\n*MATERIAL_LIST {\r\n", "\t\t\t*MAP_CLASS \"Bitmap\"\r\n",
          "\t\t\t*UVW_U_TILING 1.0000\r\n", "\t*NODE_TM {\r\n", "\t\t*TM_ROW3 ",
          "\t *MESH_SMOOTHING ", " \t*MESH_MTLID 0\r\n", "\t*PROP_CASTSHADOW 1\r\n",
          "\t\t*MESH_NUMCVERTEX 0\r\n", "\t*MATERIAL_REF "})
      EXPECT_NE(text.find(statement), std::string::npos) << statement;
    // Face normals come before the vertex normals of their face.
    const size_t normals = text.find("*MESH_NORMALS {");
    ASSERT_NE(normals, std::string::npos);
    EXPECT_LT(text.find("*MESH_FACENORMAL 0\t", normals), text.find("*MESH_VERTEXNORMAL", normals));
  }
}

// Every "*BITMAP" path: a Windows path whose folders include one with a space.
std::vector<std::string> BitmapPaths(const std::string& text) {
  std::vector<std::string> paths;
  const std::string key = "*BITMAP \"";
  for (size_t at = text.find(key); at != std::string::npos; at = text.find(key, at + 1)) {
    const size_t from = at + key.size();
    paths.push_back(text.substr(from, text.find('"', from) - from));
  }
  return paths;
}

TEST(MediaFolder, BitmapPathsAreWindowsPathsToFilesInTheFolder) {
  const auto files = Folder(kMedia);
  std::set<std::string> named;
  for (const char* name : kModels) {
    SCOPED_TRACE(name);
    const std::vector<std::string> paths = BitmapPaths(ReadAll(kMedia / name));
    ASSERT_FALSE(paths.empty());
    for (const std::string& path : paths) {
      const size_t slash = path.rfind('\\');
      ASSERT_NE(slash, std::string::npos) << path;
      EXPECT_EQ(path.substr(1, 2), ":\\") << path;
      EXPECT_NE(path.substr(0, slash).find(' '), std::string::npos) << path;
      const std::string file = path.substr(slash + 1);
      bool found = false;
      for (const auto& [disk, bytes] : files)
        if (strcasecmp(disk.c_str(), file.c_str()) == 0) {
          found = true;
          named.insert(disk);
        }
      EXPECT_TRUE(found) << file;
    }
  }
  for (const auto& [disk, bytes] : files) {
    if (disk.size() > 4 && strcasecmp(disk.c_str() + disk.size() - 4, ".bmp") == 0) {
      EXPECT_TRUE(named.count(disk)) << disk << " is named by no model";
    }
  }
  const std::string fastfood = ReadAll(kMedia / "fastfood.ase");
  EXPECT_NE(fastfood.find("\\Fast Food\\Tray.bmp\""), std::string::npos);
  EXPECT_NE(fastfood.find("\\Fast Food\\TRAY.BMP\""), std::string::npos);
}

struct BitmapExpectation {
  const char* name;
  int bitCount;
  uint32_t compression;
  int width, height;
};

TEST(MediaFolder, BitmapsHaveTheirDepthsSizesAndShortColourTables) {
  const BitmapExpectation expected[] = {
      {"skin.bmp", 8, 0, 128, 128},  {"uniform.bmp", 24, 0, 100, 80},
      {"hair.bmp", 8, 1, 64, 64},    {"Tray.bmp", 8, 0, 100, 60},
      {"cupenv.bmp", 24, 0, 64, 64}, {"chrome.bmp", 24, 0, 128, 128},
      {"label.bmp", 8, 0, 120, 72},  {"robot.bmp", 8, 0, 64, 48},
      {"metal.bmp", 24, 0, 96, 32},  {"blocks.bmp", 8, 0, 64, 64},
  };
  for (const BitmapExpectation& e : expected) {
    SCOPED_TRACE(e.name);
    const std::string f = ReadAll(kMedia / e.name);
    ASSERT_GE(f.size(), 54u);
    auto u32 = [&f](size_t at) {
      return static_cast<uint32_t>(static_cast<uint8_t>(f[at]) |
                                   static_cast<uint8_t>(f[at + 1]) << 8 |
                                   static_cast<uint8_t>(f[at + 2]) << 16 |
                                   static_cast<uint32_t>(static_cast<uint8_t>(f[at + 3])) << 24);
    };
    EXPECT_EQ(u32(2), f.size());
    EXPECT_EQ(u32(30), e.compression);
    if (e.bitCount == 8) {
      EXPECT_GT(u32(46), 1u);
      EXPECT_LT(u32(46), 256u);
    }
    Dib dib;
    ASSERT_EQ(DecodeBmpFile(reinterpret_cast<const uint8_t*>(f.data()), f.size(), dib),
              BmpResult::Ok);
    EXPECT_FALSE(dib.truncated);
    EXPECT_EQ(dib.bitCount, e.bitCount);
    EXPECT_EQ(dib.width, e.width);
    EXPECT_EQ(dib.height, e.height);
  }
}

}  // namespace
