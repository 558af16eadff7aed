// Linking binds each child mesh's bitmap through the texture table.
#include "loader_fixture.h"

namespace {

// 텍스처 missing.bmp 로딩 실패!
const char TextureFailed[] =
    "\xC5\xD8\xBD\xBA\xC3\xB3 missing.bmp \xB7\xCE\xB5\xF9 \xBD\xC7\xC6\xD0!\r\n";

TEST_F(LoaderTest, MeshesWithOneBitmapShareOneEntryAndTheRootGetsNone) {
  dir_.Write("skin.bmp", velta_test::SolidBmp24(4, 4, 200, 100, 50));
  std::string text = MaterialList({"C:\\maps\\skin.bmp", "D:\\other\\SKIN.BMP"}) +
                     TriangleObject("Box01", "", 0) + TriangleObject("A", "Box01", 0) +
                     TriangleObject("B", "Box01", 1);
  ASSERT_EQ(Load("testbox.ase", text), 0);
  Model* model = Row(2);
  ASSERT_EQ(model->meshCount, 3);
  EXPECT_EQ(model->meshes[0]->material.textureEntry, nullptr) << "the root mesh loads no texture";
  TextureEntry* entry = model->meshes[1]->material.textureEntry;
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(model->meshes[2]->material.textureEntry, entry);
  EXPECT_EQ(TextureTable, entry);
  EXPECT_EQ(entry->next, nullptr) << "one entry for both spellings";
  EXPECT_NE(entry->bitmap, nullptr);
  EXPECT_TRUE(Messages().empty());
}

TEST_F(LoaderTest, TextureThatFailsIsReportedAndTheMeshDrawsWithout) {
  std::string text = MaterialList({"missing.bmp", ""}) + TriangleObject("Box01") +
                     TriangleObject("A", "Box01", 0) + TriangleObject("B", "Box01", 1);
  ASSERT_EQ(Load("testbox.ase", text), 0);
  ASSERT_EQ(Row(2)->meshCount, 3);
  EXPECT_EQ(Row(2)->meshes[1]->material.textureEntry, nullptr);
  EXPECT_STREQ(Row(2)->meshes[1]->material.bitmapName, "missing.bmp");
  EXPECT_EQ(Messages(), std::vector<std::string>{TextureFailed});
  EXPECT_EQ(TextureTable, nullptr);
}

TEST_F(LoaderTest, BitmapsAreFoundAlongTheMediaSearch) {
  velta_test::ScratchDir media;
  media.Write("maps/hair.bmp", velta_test::SolidBmp24(2, 2, 1, 2, 3));
  std::string maps = (media.path() / "maps").string();
  ::setenv("D3DPATH", maps.c_str(), 1);
  std::string text = MaterialList({"C:\\somewhere\\HAIR.bmp"}) + TriangleObject("Box01") +
                     TriangleObject("A", "Box01", 0);
  ASSERT_EQ(Load("testbox.ase", text), 0);
  ::unsetenv("D3DPATH");
  EXPECT_NE(Row(2)->meshes[1]->material.textureEntry, nullptr);
  EXPECT_TRUE(Messages().empty());
}

}  // namespace
