// Real model files for tests: where they are, reading them, renaming their root to a known
// model's, and checking what a load left in the model table.
#pragma once

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

#include "model/ase_loader.h"
#include "test_support.h"

namespace velta_test {

// The corpus's model files, and the sample media's when `withMedia` (VELTA_SOURCE/media).
inline std::vector<std::filesystem::path> ModelFiles(bool withMedia) {
  namespace fs = std::filesystem;
  std::vector<fs::path> files;
  std::string corpus = CorpusDir();
  if (!corpus.empty())
    for (const auto& e : fs::recursive_directory_iterator(fs::path(corpus) / "ase"))
      if (e.is_regular_file() && e.path().parent_path().filename() != "LICENSES")
        files.push_back(e.path());
  const char* source = std::getenv("VELTA_SOURCE");
  if (withMedia && source && fs::exists(fs::path(source) / "media"))
    for (const auto& e : fs::directory_iterator(fs::path(source) / "media"))
      if (e.path().extension() == ".ase") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

inline std::string ReadAll(const std::filesystem::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// The text with every quoted occurrence of its first geometry object's name (a root in every
// corpus file) replaced by `root`, so that the file loads as that known model.
inline std::string WithFirstRootRenamed(std::string text, const std::string& root) {
  size_t object = text.find("*GEOMOBJECT {");
  size_t name = text.find("*NODE_NAME \"", object);
  if (object == std::string::npos || name == std::string::npos) return text;
  name += 11;
  std::string quoted = text.substr(name, text.find('"', name + 1) - name + 1);
  const std::string replacement = "\"" + root + "\"";
  for (size_t at = 0; (at = text.find(quoted, at)) != std::string::npos; at += replacement.size())
    text.replace(at, quoted.size(), replacement);
  return text;
}

// Every mesh of every loaded model is where its index says and hands out no index past its
// vertices.
inline void ExpectConsistentModels() {
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

}  // namespace velta_test
