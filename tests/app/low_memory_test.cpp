// The viewer and velta-ase-info under a low address-space limit, on the sample model and on a
// large one: every run ends with a clear message or a correct load, never an abort. A sanitizer
// runtime cannot start under such limits, so those builds skip this.
#include <gtest/gtest.h>
#include <sys/wait.h>

#include <cstdio>
#include <string>

#include "test_support.h"

namespace velta_test {
namespace {

#if defined(__SANITIZE_ADDRESS__)
constexpr bool kSanitized = true;
#else
constexpr bool kSanitized = false;
#endif

struct LimitedRun {
  bool signalled = false;
  int exitCode = -1;
  std::string output;  // standard output and error
};

LimitedRun RunLimited(const std::string& folder, int megabytes, const std::string& program) {
  const std::string command = "cd '" + folder + "' && VELTA_VIDEO=headless VELTA_FRAMES=5 sh -c 'ulimit -v " +
                              std::to_string(megabytes * 1024) + "; exec " + program + "' 2>&1";
  LimitedRun r;
  if (FILE* p = ::popen(command.c_str(), "r")) {
    char buf[4096];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, p)) > 0) r.output.append(buf, n);
    const int status = ::pclose(p);
    // The shell reports a signal of the program it became as 128 + the signal.
    r.signalled = WIFSIGNALED(status) || (WIFEXITED(status) && WEXITSTATUS(status) > 128);
    if (WIFEXITED(status)) r.exitCode = WEXITSTATUS(status);
  }
  return r;
}

// A root and 24 children of 65535 vertices each: about 150 MB once loaded.
std::string LargeModel() {
  auto object = [](const std::string& name, const std::string& parent) {
    std::string s = "*GEOMOBJECT {\n\t*NODE_NAME \"" + name + "\"\n";
    if (!parent.empty()) s += "\t*NODE_PARENT \"" + parent + "\"\n";
    return s + "\t*MESH {\n\t\t*MESH_NUMVERTEX 65535\n\t\t*MESH_NUMFACES 21845\n\t}\n}\n";
  };
  std::string file = object("Dummy_Center", "");
  for (int i = 0; i < 24; ++i) file += object("Part" + std::to_string(i), "Dummy_Center");
  return file;
}

TEST(LowMemory, BothProgramsEndWithAMessageOrACorrectLoad) {
  if (kSanitized) GTEST_SKIP() << "a sanitizer runtime does not start under ulimit -v";
  ScratchDir large;
  large.Write("fastfood.ase", LargeModel());
  const std::string viewer = "'" VELTA_VIEWER "'";
  const std::string info = "'" VELTA_ASE_INFO "' 3";
  for (const std::string& folder : {std::string(VELTA_MEDIA_DIR), large.path().string()}) {
    const bool isLarge = folder != VELTA_MEDIA_DIR;
    for (int megabytes : {28, 30, 34, 40, 60}) {
      SCOPED_TRACE(folder + " at " + std::to_string(megabytes) + " MB");
      const LimitedRun v = RunLimited(folder, megabytes, viewer);
      EXPECT_FALSE(v.signalled) << v.output;
      EXPECT_EQ(v.output.find("terminate called"), std::string::npos) << v.output;
      EXPECT_EQ(v.exitCode, 0) << v.output;
      // The large model never fits: the viewer says so.
      if (isLarge) {
        EXPECT_NE(v.output.find("enough memory"), std::string::npos) << v.output;
      }

      const LimitedRun t = RunLimited(folder, megabytes, info);
      EXPECT_FALSE(t.signalled) << t.output;
      EXPECT_EQ(t.output.find("terminate called"), std::string::npos) << t.output;
      if (isLarge) {
        EXPECT_EQ(t.exitCode, 1) << t.output;
        EXPECT_NE(t.output.find("message Not enough memory!"), std::string::npos) << t.output;
        EXPECT_NE(t.output.find(" memory=65535 kept=0\n"), std::string::npos) << t.output;
      } else {
        EXPECT_TRUE(t.exitCode == 0 || t.exitCode == 1) << t.output;
        if (t.exitCode == 0) {
          EXPECT_NE(t.output.find("model 3 fastfood.ase Dummy_Center meshes=37"), std::string::npos)
              << t.output;
        }
      }
    }
  }
}

}  // namespace
}  // namespace velta_test
