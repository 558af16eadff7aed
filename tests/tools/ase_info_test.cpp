// velta-ase-info run as users run it, in a folder holding the five known model files.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include <sys/wait.h>

#include "loader_fixture.h"
#include "test_support.h"

namespace {

std::string RunAseInfo(const std::string& folder, const std::string& args, int* status = nullptr) {
  std::string command = "cd '" + folder + "' && '" VELTA_ASE_INFO "' " + args + " 2>&1";
  std::string out;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) out.append(buf, n);
    const int rc = ::pclose(p);
    if (status) *status = WIFEXITED(rc) ? WEXITSTATUS(rc) : -1;
  }
  return out;
}

TEST(AseInfo, LoadsEveryRowAndPrintsTheFixedFormat) {
  velta_test::ScratchDir dir;
  dir.Write("skin.bmp", velta_test::SolidBmp24(2, 2, 1, 2, 3));
  dir.Write("doreva2.ase", MaterialList({"C:\\m\\skin.bmp"}) + TriangleObject("Doreva", "", 0) +
                               TriangleObject("Arm", "Doreva", 0));
  dir.Write("teapot.ase", TriangleObject("Teapot01"));
  dir.Write("testbox.ase", TriangleObject("Box01") + TriangleObject("Box01"));
  dir.Write("fastfood.ase", MaterialList({"gone.bmp"}) + TriangleObject("Dummy_Center") +
                                TriangleObject("Head", "Dummy_Center", 0) +
                                TriangleObject("Hat", "Head", 0));
  // sonic.ase is missing. The material list of doreva2.ase stays for the files after it, which
  // have none of their own, as the loader keeps it from one file to the next.
  int status = 0;
  const std::string out = RunAseInfo(dir.path().string(), "", &status);
  const std::string expected =
      "message 'Box01' \xEC\x98\xA4\xEB\xB8\x8C\xEC\xA0\x9D\xED\x8A\xB8\xEB\xAA\xA8\xEB\x8D\xB8"
      "\xEC\x9D\x80 \xEC\x9D\xB4\xEB\xAF\xB8 \xEB\xA1\x9C\xEB\x93\x9C\xEB\x90\x98\xEC\x96\xB4"
      "\xEC\x9E\x88\xEB\x84\xA4\xEC\x9A\x94.\n"
      "message \xED\x85\x8D\xEC\x8A\xA4\xEC\xB2\x98 gone.bmp \xEB\xA1\x9C\xEB\x94\xA9 "
      "\xEC\x8B\xA4\xED\x8C\xA8!\n"
      "message \xED\x85\x8D\xEC\x8A\xA4\xEC\xB2\x98 gone.bmp \xEB\xA1\x9C\xEB\x94\xA9 "
      "\xEC\x8B\xA4\xED\x8C\xA8!\n"
      "message 'sonic.ase' \xED\x8C\x8C\xEC\x9D\xBC\xEC\x9D\x84 \xEC\xB0\xBE\xEC\x9D\x84\xEC\x88"
      "\x98\xEA\xB0\x80 \xEC\x97\x86\xEC\x8A\xB5\xEB\x8B\x88\xEB\x8B\xA4.\n"
      "model 0 doreva2.ase Doreva meshes=2\n"
      "mesh 0 node=Doreva parent=- vertices=3 indices=3 bitmap=skin.bmp map=0 texture=no "
      "pos=12.000,18.000,15.000 nrm=1.200,1.800,1.500 uv=0.600,1.250\n"
      "mesh 1 node=Arm parent=Doreva vertices=3 indices=3 bitmap=skin.bmp map=0 texture=yes "
      "pos=12.000,18.000,15.000 nrm=1.200,1.800,1.500 uv=0.600,1.250\n"
      "model 1 teapot.ase Teapot01 meshes=1\n"
      "mesh 0 node=Teapot01 parent=- vertices=3 indices=3 bitmap=skin.bmp map=0 texture=no "
      "pos=12.000,18.000,15.000 nrm=1.200,1.800,1.500 uv=0.600,1.250\n"
      "model 2 testbox.ase Box01 meshes=1\n"
      "mesh 0 node=Box01 parent=- vertices=3 indices=3 bitmap=skin.bmp map=0 texture=no "
      "pos=12.000,18.000,15.000 nrm=1.200,1.800,1.500 uv=0.600,1.250\n"
      "model 3 fastfood.ase Dummy_Center meshes=3\n"
      "mesh 0 node=Dummy_Center parent=- vertices=3 indices=3 bitmap=gone.bmp map=0 texture=no "
      "pos=12.000,18.000,15.000 nrm=1.200,1.800,1.500 uv=0.600,1.250\n"
      "mesh 1 node=Head parent=Dummy_Center vertices=3 indices=3 bitmap=gone.bmp map=0 "
      "texture=no pos=12.000,18.000,15.000 nrm=1.200,1.800,1.500 uv=0.600,1.250\n"
      "mesh 2 node=Hat parent=Head vertices=3 indices=3 bitmap=gone.bmp map=0 texture=no "
      "pos=12.000,18.000,15.000 nrm=1.200,1.800,1.500 uv=0.600,1.250\n"
      "velta-ase-info: no model loaded in row 4 (sonic.ase) from " +
      std::filesystem::canonical(dir.path()).string() + "\n";
  EXPECT_EQ(out, expected);
  EXPECT_EQ(status, 1);
}

TEST(AseInfo, LoadsOnlyTheRowsAskedForAndRefusesOthers) {
  velta_test::ScratchDir dir;
  dir.Write("teapot.ase", TriangleObject("Teapot01"));
  dir.Write("testbox.ase", TriangleObject("Box01"));
  int status = -1;
  std::string out = RunAseInfo(dir.path().string(), "2", &status);
  EXPECT_EQ(status, 0);
  EXPECT_EQ(out.find("model 1"), std::string::npos);
  EXPECT_NE(out.find("model 2 testbox.ase Box01 meshes=1\n"), std::string::npos);
  EXPECT_EQ(out.find("message"), std::string::npos);
  EXPECT_NE(RunAseInfo(dir.path().string(), "5").find("usage:"), std::string::npos);
  // Rows asked for that hold no model afterwards (here the wrong folder) fail in one line.
  out = RunAseInfo(dir.path().string(), "2 1 4 4", &status);
  EXPECT_EQ(status, 1);
  EXPECT_EQ(out.substr(out.find("velta-ase-info:")),
            "velta-ase-info: no model loaded in row 4 (sonic.ase) from " +
                std::filesystem::canonical(dir.path()).string() + "\n");
  out = RunAseInfo(dir.path().string(), "0 3", &status);
  EXPECT_EQ(status, 1);
  EXPECT_NE(out.find("in rows 0 (doreva2.ase), 3 (fastfood.ase) from"), std::string::npos) << out;
}

// Lines of `out` that start with `prefix`.
std::string LinesStartingWith(const std::string& out, const std::string& prefix) {
  std::string kept;
  for (size_t at = 0; at < out.size();) {
    size_t end = out.find('\n', at);
    end = end == std::string::npos ? out.size() : end + 1;
    if (out.compare(at, prefix.size(), prefix) == 0) kept += out.substr(at, end - at);
    at = end;
  }
  return kept;
}

// Where a file exceeds the viewer's fixed limits, the tool says what the file asks for and what
// the viewer keeps, one warning line each.
TEST(AseInfo, WarnsOfEachFixedLimitTheFileExceeds) {
  velta_test::ScratchDir dir;
  auto with = [](std::string object, const std::string& from, const std::string& to) {
    return object.replace(object.find(from), from.size(), to);
  };
  std::string file = MaterialList({"C:\\" + std::string(140, 'a') + "\\skin.bmp"}) +
                     with(TriangleObject("Box01"), "NUMFACES 1", "NUMFACES 21846") +
                     with(TriangleObject("Big", "Box01"), "NUMVERTEX 3", "NUMVERTEX 65536");
  for (int i = 2; i <= 100; ++i) file += TriangleObject("C" + std::to_string(i), "Box01");
  dir.Write("testbox.ase", file);
  const std::string out = RunAseInfo(dir.path().string(), "2");
  EXPECT_EQ(LinesStartingWith(out, "warning"),
            "warning 2 testbox.ase node=- bitmap-chars=152 kept=127\n"
            "warning 2 testbox.ase node=Box01 faces=21846 kept=2\n"
            "warning 2 testbox.ase node=Big vertices=65536 kept=0\n"
            "warning 2 testbox.ase node=C100 objects=101 kept=100\n");
  EXPECT_NE(out.find("model 2 testbox.ase Box01 meshes=100\n"), std::string::npos);
  // Within the limits, no warning.
  dir.Write("testbox.ase", TriangleObject("Box01"));
  EXPECT_EQ(LinesStartingWith(RunAseInfo(dir.path().string(), "2"), "warning"), "");
}

}  // namespace
