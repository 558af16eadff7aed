// Real exported files that nobody here wrote: cameras, lights, animation, sub-materials,
// UTF-16 text, an empty file. Each must load cleanly and leave consistent models.
#include <filesystem>
#include <fstream>
#include <sstream>

#include "loader_fixture.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> CorpusModels() {
  std::vector<fs::path> files;
  std::string dir = velta_test::CorpusDir();
  if (dir.empty()) return files;
  for (const auto& e : fs::recursive_directory_iterator(fs::path(dir) / "ase"))
    if (e.is_regular_file() && e.path().parent_path().filename() != "LICENSES")
      files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Every mesh of every loaded model is where its index says and hands out no index past its
// vertices.
void ExpectConsistentModels() {
  for (int row = 0; row < ModelTableRows; ++row) {
    Model* model = ModelTable[row].model;
    if (!model) continue;
    ASSERT_GE(model->meshCount, 1);
    ASSERT_NE(model->meshes, nullptr);
    for (int i = 0; i < model->meshCount; ++i) {
      MeshNode* mesh = model->meshes[i];
      ASSERT_NE(mesh, nullptr) << "row " << row << " mesh " << i;
      EXPECT_EQ(mesh->meshIndex, i);
      EXPECT_EQ(mesh->model, model);
      for (int k = 0; k < mesh->indexCount; ++k)
        ASSERT_LT(mesh->indices[k], mesh->vertexCount) << mesh->name;
    }
  }
}

TEST_F(LoaderTest, CorpusFilesLoadCleanly) {
  std::vector<fs::path> files = CorpusModels();
  if (files.empty()) GTEST_SKIP() << "corpus not available";
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    EXPECT_EQ(LoadAseFile(file.c_str()), 0);
    ExpectConsistentModels();
    ReleaseModels();
  }
}

TEST_F(LoaderTest, CorpusFilesLoadAsAKnownModelWhenTheirRootIsRenamed) {
  std::vector<fs::path> files = CorpusModels();
  if (files.empty()) GTEST_SKIP() << "corpus not available";
  int renamed = 0;
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    std::string text = ReadAll(file);
    // The first geometry object's name, which is a root in every one of these files.
    size_t object = text.find("*GEOMOBJECT {");
    size_t name = text.find("*NODE_NAME \"", object);
    if (object == std::string::npos || name == std::string::npos) continue;
    name += 11;
    std::string quoted = text.substr(name, text.find('"', name + 1) - name + 1);
    for (size_t at = 0; (at = text.find(quoted, at)) != std::string::npos; at += 10)
      text.replace(at, quoted.size(), "\"Teapot01\"");
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
  std::string text = ReadAll(fs::path(dir) / "ase" / "MotionCaptureROM.ase");
  const std::string root = "\"Bip01\"";
  for (size_t at = 0; (at = text.find(root, at)) != std::string::npos; at += 9)
    text.replace(at, root.size(), "\"trunk01\"");
  ASSERT_EQ(Load("sonic.ase", text), 0);
  Model* model = ModelTable[4].model;
  ASSERT_NE(model, nullptr);
  EXPECT_EQ(model->meshCount, 26);
  ExpectConsistentModels();
}

}  // namespace
