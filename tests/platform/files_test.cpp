#include <windows.h>

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
    FILE* f = PlatformOpenFile(name, "rb");
    ASSERT_NE(f, nullptr) << name;
    std::fclose(f);
  }
  char out[64];
  ASSERT_TRUE(PlatformResolvePath("maps\\sub\\skin.BMP", out, sizeof out));
  EXPECT_STREQ(out, "Maps/Sub/skin.bmp");
}

TEST_F(PlatformFiles, MissingNamesAndSmallBuffersFail) {
  EXPECT_EQ(PlatformOpenFile("maps\\nothere.bmp", "rb"), nullptr);
  EXPECT_EQ(PlatformOpenFile("", "rb"), nullptr);
  EXPECT_EQ(PlatformOpenFile(nullptr, "rb"), nullptr);
  char tiny[4];
  EXPECT_FALSE(PlatformResolvePath("maps\\sub\\skin.bmp", tiny, sizeof tiny));
}
