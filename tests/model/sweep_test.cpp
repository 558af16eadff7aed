// Real and sample model files cut short everywhere and with their numbers replaced by hostile
// values. None may fault, and each load must leave the tables consistent for the next one.
#include <algorithm>
#include <cctype>
#include <filesystem>
#include <fstream>
#include <sstream>

#include "loader_fixture.h"

namespace {

namespace fs = std::filesystem;

std::vector<fs::path> SweepFiles() {
  std::vector<fs::path> files;
  std::string corpus = velta_test::CorpusDir();
  if (!corpus.empty())
    for (const auto& e : fs::recursive_directory_iterator(fs::path(corpus) / "ase"))
      if (e.is_regular_file() && e.path().parent_path().filename() != "LICENSES")
        files.push_back(e.path());
  const char* source = std::getenv("VELTA_SOURCE");
  if (source && fs::exists(fs::path(source) / "media"))
    for (const auto& e : fs::directory_iterator(fs::path(source) / "media"))
      if (e.path().extension() == ".ase") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

std::string ReadAll(const fs::path& p) {
  std::ifstream in(p, std::ios::binary);
  std::stringstream s;
  s << in.rdbuf();
  return s.str();
}

// Every model left in the table hands out only indices inside its vertices.
void ExpectConsistent() {
  for (int row = 0; row < ModelTableRows; ++row) {
    Model* model = ModelTable[row].model;
    if (!model) continue;
    ASSERT_NE(model->meshes, nullptr);
    for (int i = 0; i < model->meshCount; ++i) {
      MeshNode* mesh = model->meshes[i];
      ASSERT_NE(mesh, nullptr);
      for (int k = 0; k < mesh->indexCount; ++k) ASSERT_LT(mesh->indices[k], mesh->vertexCount);
    }
  }
}

// Loads `text` as the known model file its root is renamed to, checks, and releases.
class Sweep : public LoaderTest {
 protected:
  void LoadChecked(const std::string& text) {
    dir_.Write("teapot.ase", text);
    ASSERT_EQ(LoadAseFile("teapot.ase"), 0);
    ExpectConsistent();
    ReleaseModels();
    DestroyAllTextures();
  }
  // The file with its first object renamed to the teapot's root, so that it really loads.
  static std::string AsKnownModel(std::string text) {
    size_t object = text.find("*GEOMOBJECT {");
    size_t name = text.find("*NODE_NAME \"", object);
    if (object == std::string::npos || name == std::string::npos) return text;
    name += 11;
    std::string quoted = text.substr(name, text.find('"', name + 1) - name + 1);
    for (size_t at = 0; (at = text.find(quoted, at)) != std::string::npos; at += 10)
      text.replace(at, quoted.size(), "\"Teapot01\"");
    return text;
  }
};

TEST_F(Sweep, FilesCutAtLinesAndBytes) {
  std::vector<fs::path> files = SweepFiles();
  if (files.empty()) GTEST_SKIP() << "no corpus and no media";
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    std::string text = AsKnownModel(ReadAll(file));
    std::vector<size_t> lineEnds;
    for (size_t at = 0; (at = text.find('\n', at)) != std::string::npos; ++at) lineEnds.push_back(at + 1);
    // Every line of small files; a spread of lines of large ones.
    size_t step = std::max<size_t>(1, lineEnds.size() / 150);
    for (size_t i = 0; i < lineEnds.size(); i += step) LoadChecked(text.substr(0, lineEnds[i]));
    size_t byteStep = std::max<size_t>(1, text.size() / 60);
    for (size_t cut = 1; cut < text.size(); cut += byteStep) LoadChecked(text.substr(0, cut));
  }
}

TEST_F(Sweep, NumbersReplacedByHostileValues) {
  std::vector<fs::path> files = SweepFiles();
  if (files.empty()) GTEST_SKIP() << "no corpus and no media";
  const char* values[] = {"-1", "0", "65535", "65536", "2147483648", "x"};
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    std::string text = AsKnownModel(ReadAll(file));
    if (text.size() > 200000) continue;  // the large skeleton is covered by the cuts
    // Numeric tokens: a digit or sign after a blank.
    std::vector<std::pair<size_t, size_t>> numbers;
    for (size_t i = 1; i < text.size(); ++i) {
      char c = text[i];
      if ((std::isdigit(static_cast<unsigned char>(c)) || c == '-') &&
          (text[i - 1] == ' ' || text[i - 1] == '\t')) {
        size_t end = i;
        while (end < text.size() && !std::isspace(static_cast<unsigned char>(text[end]))) ++end;
        numbers.emplace_back(i, end - i);
        i = end;
      }
    }
    size_t step = std::max<size_t>(1, numbers.size() / 40);
    for (size_t n = 0; n < numbers.size(); n += step)
      for (const char* v : values) {
        std::string mutated = text;
        mutated.replace(numbers[n].first, numbers[n].second, v);
        LoadChecked(mutated);
      }
  }
}

TEST_F(Sweep, ALaterLoadStillWorks) {
  LoadChecked("*GEOMOBJECT {\n*NODE_NAME \"Teapot01\"\n*MESH {\n*MESH_NUMFACES 999999\n");
  ASSERT_EQ(Load("teapot.ase", TriangleObject("Teapot01") + TriangleObject("Lid", "Teapot01")), 0);
  ASSERT_NE(Row(1), nullptr);
  EXPECT_EQ(Row(1)->meshCount, 2);
}

}  // namespace
