// Files named the Windows way through the C library's fopen, and names that are not regular
// files, which must neither block nor be read without end.
#include "win32/files.h"

#include <sys/stat.h>
#include <unistd.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>

namespace fs = std::filesystem;

class PlatformFiles : public ::testing::Test {
 protected:
  void SetUp() override {
    root_ = fs::temp_directory_path() / ("velta-files-" + std::to_string(::getpid()));
    fs::create_directories(root_ / "Maps" / "Sub");
    std::ofstream(root_ / "Maps" / "Sub" / "skin.bmp") << "BM";
    old_ = fs::current_path();
    fs::current_path(root_);
  }
  void TearDown() override {
    fs::current_path(old_);
    fs::remove_all(root_);
  }
  fs::path root_, old_;
};

TEST_F(PlatformFiles, BackslashesAndLetterCaseResolve) {
  for (const char* name : {"Maps/Sub/skin.bmp", "MAPS\\SUB\\Skin.BMP", ".\\maps\\sub\\SKIN.bmp"}) {
    FILE* f = std::fopen(name, "rb");
    ASSERT_NE(f, nullptr) << name;
    std::fclose(f);
  }
  std::string out;
  ASSERT_TRUE(ResolveHostPath("maps\\sub\\skin.BMP", out));
  EXPECT_EQ(out, "Maps/Sub/skin.bmp");
}

TEST_F(PlatformFiles, MissingNamesFail) {
  EXPECT_EQ(std::fopen("maps\\nothere.bmp", "rb"), nullptr);
  EXPECT_EQ(std::fopen("", "rb"), nullptr);
  EXPECT_EQ(OpenHostFile(nullptr, "rb"), nullptr);
  std::string out;
  EXPECT_FALSE(ResolveHostPath("maps\\nothere.bmp", out));
}

TEST_F(PlatformFiles, OnlyRegularFilesOpenForReading) {
  ASSERT_EQ(::mkfifo("pipe.ase", 0600), 0);
  fs::create_directory("folder.bmp");
  fs::create_symlink("/dev/zero", "zero.ase");
  // Each would block in open, read without end, or be a folder read as a file.
  for (const char* name : {"pipe.ase", "PIPE.ASE", "folder.bmp", "zero.ase"})
    EXPECT_EQ(std::fopen(name, "rb"), nullptr) << name;
}

TEST_F(PlatformFiles, ReadsStopAtTheSizeAtOpening) {
  FILE* f = std::fopen("maps\\sub\\skin.bmp", "rb");
  ASSERT_NE(f, nullptr);
  std::ofstream("Maps/Sub/skin.bmp", std::ios::app) << "MORE";
  char buf[16];
  EXPECT_EQ(std::fread(buf, 1, sizeof buf, f), 2u);
  ASSERT_EQ(std::fseek(f, 0, SEEK_END), 0);
  EXPECT_EQ(std::ftell(f), 2);
  std::fclose(f);
}

TEST_F(PlatformFiles, WritingUsesTheExistingSpellingOrTheHostOne) {
  FILE* f = std::fopen("MAPS\\new.txt", "wb");
  ASSERT_NE(f, nullptr);
  std::fclose(f);
  EXPECT_TRUE(fs::exists(root_ / "Maps" / "new.txt"));
}
