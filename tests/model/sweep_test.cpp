// Real and sample model files cut short everywhere and with their numbers replaced by hostile
// values. None may fault, and each load must leave the tables consistent for the next one.
#include <algorithm>
#include <cctype>

#include "corpus_support.h"
#include "loader_fixture.h"

namespace {

namespace fs = std::filesystem;

// Loads `text` as the known model file its root is renamed to, checks, and releases.
class Sweep : public LoaderTest {
 protected:
  void LoadChecked(const std::string& text) {
    dir_.Write("teapot.ase", text);
    ASSERT_EQ(LoadAseFile("teapot.ase"), 0);
    velta_test::ExpectConsistentModels();
    ReleaseModels();
    DestroyAllTextures();
  }
  static std::string AsKnownModel(const std::string& text) {
    return velta_test::WithFirstRootRenamed(text, "Teapot01");
  }
};

TEST_F(Sweep, FilesCutAtLinesAndBytes) {
  std::vector<fs::path> files = velta_test::ModelFiles(true);
  if (files.empty()) GTEST_SKIP() << "no corpus and no media";
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    std::string text = AsKnownModel(velta_test::ReadAll(file));
    std::vector<size_t> lineEnds;
    for (size_t at = 0; (at = text.find('\n', at)) != std::string::npos; ++at) lineEnds.push_back(at + 1);
    // Every line of small files; for large ones a spread of cuts, about 40 MB of text in all
    // per file, so the sanitizer build stays quick.
    size_t cuts = std::clamp<size_t>((40u << 20) / std::max<size_t>(text.size(), 1), 10, 150);
    size_t step = std::max<size_t>(1, lineEnds.size() / cuts);
    for (size_t i = 0; i < lineEnds.size(); i += step) LoadChecked(text.substr(0, lineEnds[i]));
    size_t byteStep = std::max<size_t>(1, text.size() / (cuts / 2 + 1));
    for (size_t cut = 1; cut < text.size(); cut += byteStep) LoadChecked(text.substr(0, cut));
  }
}

TEST_F(Sweep, NumbersReplacedByHostileValues) {
  std::vector<fs::path> files = velta_test::ModelFiles(true);
  if (files.empty()) GTEST_SKIP() << "no corpus and no media";
  const char* values[] = {"-1", "0", "65535", "65536", "2147483648", "x"};
  for (const fs::path& file : files) {
    SCOPED_TRACE(file.string());
    std::string text = AsKnownModel(velta_test::ReadAll(file));
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
