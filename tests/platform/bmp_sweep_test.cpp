// Every file of the public BMP suite cut short along its whole length: each cut decodes or is
// refused, never faults.
#include <gtest/gtest.h>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <vector>

#include "test_support.h"
#include "win32/bmp_decode.h"

namespace {

namespace fs = std::filesystem;

TEST(BmpSweep, EveryCorpusFileCutShortDecodesOrIsRefused) {
  std::string corpus = velta_test::CorpusDir();
  if (corpus.empty()) GTEST_SKIP() << "corpus not available";
  int files = 0, cuts = 0;
  for (const char* group : {"g", "q", "b"}) {
    for (const auto& e : fs::directory_iterator(fs::path(corpus) / "bmp" / group)) {
      if (e.path().extension() != ".bmp") continue;
      std::ifstream in(e.path(), std::ios::binary);
      std::vector<uint8_t> bytes((std::istreambuf_iterator<char>(in)), {});
      // Every 16th byte; files over 32 KiB at 2000 evenly spaced cuts.
      size_t step = std::max<size_t>(16, (bytes.size() / 2000) & ~size_t(15));
      for (size_t cut = 0; cut < bytes.size(); cut += step) {
        std::vector<uint8_t> head(bytes.begin(), bytes.begin() + cut);  // exact size for ASan
        Dib dib;
        BmpResult r = DecodeBmpFile(head.data(), head.size(), dib);
        if (r == BmpResult::Ok) {
          ASSERT_GT(dib.width, 0) << e.path() << " cut at " << cut;
          ASSERT_GT(dib.height, 0);
        }
        ++cuts;
      }
      ++files;
    }
  }
  EXPECT_GT(files, 50);
  EXPECT_GT(cuts, 1000);
}

}  // namespace
