// Real exported files that nobody here wrote: cameras, lights, animation, sub-materials,
// UTF-16 text, an empty file. Each must load cleanly and leave consistent models.
#include "corpus_support.h"
#include "loader_fixture.h"

namespace {

namespace fs = std::filesystem;
using velta_test::ExpectConsistentModels;

TEST_F(LoaderTest, CorpusFilesLoadCleanly) {
  std::vector<fs::path> files = velta_test::ModelFiles(false);
  if (files.empty()) GTEST_SKIP() << "corpus not available";
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    EXPECT_EQ(LoadAseFile(file.c_str()), 0);
    ExpectConsistentModels();
    ReleaseModels();
  }
}

TEST_F(LoaderTest, CorpusFilesLoadAsAKnownModelWhenTheirRootIsRenamed) {
  std::vector<fs::path> files = velta_test::ModelFiles(false);
  if (files.empty()) GTEST_SKIP() << "corpus not available";
  int renamed = 0;
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    std::string original = velta_test::ReadAll(file);
    std::string text = velta_test::WithFirstRootRenamed(original, "Teapot01");
    if (text == original) continue;  // no geometry object to rename
    ASSERT_EQ(Load("teapot.ase", text), 0);
    ASSERT_NE(ModelTable[1].model, nullptr);
    ExpectConsistentModels();
    ReleaseModels();
    ++renamed;
  }
  EXPECT_GE(renamed, 10);
}

TEST_F(LoaderTest, MotionCaptureSkeletonLinksItsParentChains) {
  std::string dir = velta_test::CorpusDir();
  if (dir.empty()) GTEST_SKIP() << "corpus not available";
  std::string text = velta_test::ReadAll(fs::path(dir) / "ase" / "MotionCaptureROM.ase");
  ASSERT_EQ(Load("sonic.ase", velta_test::WithFirstRootRenamed(text, "trunk01")), 0);
  Model* model = ModelTable[4].model;
  ASSERT_NE(model, nullptr);
  EXPECT_EQ(model->meshCount, 26);
  ExpectConsistentModels();
}

}  // namespace
