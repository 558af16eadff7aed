#include "framework/textures.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <optional>

#include "test_support.h"
#include "testing/win32_hooks.h"

namespace {

class TextureTableTest : public ::testing::Test {
 protected:
  void SetUp() override {
    TestClearRegistry();
    ::unsetenv("D3DPATH");
    SetTexturePath("MEDIA\\");
    cwd_.emplace(dir_.path());
  }
  void TearDown() override {
    DestroyAllTextures();
    TestClearRegistry();
    ::unsetenv("D3DPATH");
    SetTexturePath("MEDIA\\");
    cwd_.reset();
  }
  void Bitmap(const std::string& name) { dir_.Write(name, velta_test::SolidBmp24(2, 2, 1, 2, 3)); }
  void MediaPath(const std::string& path) {
    TestSetRegistryString(HKEY_LOCAL_MACHINE, "Software\\Velta", "Media Path", path.c_str());
  }

  velta_test::ScratchDir dir_;
  std::optional<velta_test::WorkingDir> cwd_;
};

TEST_F(TextureTableTest, NamesAreUniqueWithoutRegardToCase) {
  Bitmap("skin.bmp");
  ASSERT_EQ(CreateTexture("skin.bmp", 1, TransparentBlack), S_OK);
  ASSERT_EQ(CreateTexture("SKIN.BMP", 2, Prefer32Bit), S_OK);
  TextureEntry* e = FindTextureEntry("Skin.Bmp");
  ASSERT_NE(e, nullptr);
  EXPECT_EQ(e->next, nullptr);
  EXPECT_EQ(e->stage, 1u);
  EXPECT_EQ(e->flags, static_cast<DWORD>(TransparentBlack));
  EXPECT_STREQ(e->name, "skin.bmp");
  EXPECT_EQ(e->surface, nullptr);
  EXPECT_EQ(e->texture, nullptr);
  EXPECT_EQ(e->alphaRequested, FALSE);
  EXPECT_EQ(GetTextureSurface("skin.bmp"), nullptr);
  EXPECT_EQ(GetTextureInterface("nothere.bmp"), nullptr);
}

TEST_F(TextureTableTest, LoadFailuresAddNothing) {
  dir_.Write("noextension", velta_test::SolidBmp24(2, 2, 0, 0, 0));
  dir_.Write("picture.png", velta_test::SolidBmp24(2, 2, 0, 0, 0));
  dir_.Write("broken.bmp", "BM not really");
  for (const char* name : {"noextension", "picture.png", "absent.bmp", "broken.bmp"})
    EXPECT_EQ(CreateTexture(name, 0, 0), E_FAIL) << name;
  EXPECT_EQ(TextureTable, nullptr);
}

TEST_F(TextureTableTest, SearchOrderEnvironmentThenRegistry) {
  velta_test::ScratchDir other;
  other.Write("env/a.bmp", velta_test::SolidBmp24(2, 2, 0, 0, 0));
  other.Write("root/MEDIA/b.bmp", velta_test::SolidBmp24(2, 2, 0, 0, 0));
  other.Write("root/MEDIA/c.bmp", velta_test::SolidBmp24(2, 2, 0, 0, 0));
  other.Write("root/textures/d.bmp", velta_test::SolidBmp24(2, 2, 0, 0, 0));
  char path[MediaPathSize];
  EXPECT_EQ(FindMediaFile("a.bmp", TexturePath, path), DDERR_NOTFOUND)
      << "with neither D3DPATH nor the registry value only the name itself is tried";
  std::string env = (other.path() / "env").string();
  ::setenv("D3DPATH", env.c_str(), 1);
  ASSERT_EQ(FindMediaFile("a.bmp", TexturePath, path), S_OK);
  EXPECT_EQ(std::string(path), env + "\\a.bmp");
  EXPECT_EQ(FindMediaFile("b.bmp", TexturePath, path), DDERR_NOTFOUND) << "no registry value";

  std::string root = (other.path() / "root").string();
  MediaPath(root);
  ASSERT_EQ(FindMediaFile("b.bmp", TexturePath, path), S_OK);
  EXPECT_EQ(std::string(path), root + "\\Media\\b.bmp");
  ASSERT_EQ(FindMediaFile("c.bmp", TexturePath, path), S_OK);
  EXPECT_EQ(std::string(path), root + "\\Media\\c.bmp") << "letter case does not matter";
  EXPECT_EQ(FindMediaFile("d.bmp", TexturePath, path), DDERR_NOTFOUND);
  SetTexturePath("textures\\");
  ASSERT_EQ(FindMediaFile("d.bmp", TexturePath, path), S_OK);
  EXPECT_EQ(std::string(path), root + "\\textures\\d.bmp");
  SetTexturePath(nullptr);
  EXPECT_STREQ(TexturePath, "");
  other.Write("root/e.bmp", velta_test::SolidBmp24(2, 2, 0, 0, 0));
  ASSERT_EQ(FindMediaFile("e.bmp", TexturePath, path), S_OK);
  EXPECT_EQ(std::string(path), root + "\\e.bmp");

  Bitmap("a.bmp");
  ASSERT_EQ(FindMediaFile("a.bmp", TexturePath, path), S_OK);
  EXPECT_STREQ(path, "a.bmp") << "the working folder comes first";
}

TEST_F(TextureTableTest, CandidatesTooLongForThePathBufferAreSkipped) {
  std::string deep(300, 'd');
  ::setenv("D3DPATH", deep.c_str(), 1);
  char path[MediaPathSize];
  EXPECT_EQ(FindMediaFile("x.bmp", TexturePath, path), DDERR_NOTFOUND);
  SetTexturePath(std::string(600, 'p').c_str());
  EXPECT_EQ(std::strlen(TexturePath), static_cast<size_t>(TexturePathSize - 1));
}

TEST_F(TextureTableTest, NewestFirstAndDestroyKeepsTheOthersReachable) {
  for (const char* n : {"a.bmp", "b.bmp", "c.bmp"}) {
    Bitmap(n);
    ASSERT_EQ(CreateTexture(n, 0, 0), S_OK);
  }
  ASSERT_STREQ(TextureTable->name, "c.bmp");
  EXPECT_STREQ(TextureTable->next->name, "b.bmp");
  EXPECT_EQ(TextureTable->next->prev, TextureTable);
  EXPECT_EQ(DestroyTexture("B.BMP"), S_OK);
  EXPECT_NE(FindTextureEntry("a.bmp"), nullptr);
  EXPECT_NE(FindTextureEntry("c.bmp"), nullptr);
  EXPECT_EQ(FindTextureEntry("b.bmp"), nullptr);
  EXPECT_EQ(DestroyTexture("c.bmp"), S_OK);
  EXPECT_EQ(TextureTable, FindTextureEntry("a.bmp"));
  EXPECT_EQ(TextureTable->prev, nullptr);
  EXPECT_EQ(DestroyTexture("c.bmp"), DDERR_NOTFOUND);
  EXPECT_EQ(InvalidateTexture("zzz.bmp"), DDERR_NOTFOUND);
  EXPECT_EQ(InvalidateTexture("a.bmp"), S_OK);
  EXPECT_EQ(InvalidateAllTextures(), S_OK);
  EXPECT_NE(TextureTable->bitmap, nullptr) << "invalidating keeps the bitmap";
}

}  // namespace
