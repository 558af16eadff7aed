// The public BMP suite: good files must load (and, where the reference pictures can be read,
// show the right pixels); questionable and bad ones must load or be refused without harm.
#include <windows.h>

#include "win32/gdi_bitmap.h"

#include <gtest/gtest.h>

#ifdef VELTA_HAVE_PNG
#include <png.h>
#endif

#include <algorithm>
#include <cstdlib>
#include <filesystem>
#include <iostream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path SuiteDir() {
  const char* corpus = std::getenv("VELTA_CORPUS");
  if (!corpus) return {};
  fs::path dir = fs::path(corpus) / "bmp";
  return fs::is_directory(dir) ? dir : fs::path{};
}

std::vector<fs::path> BmpFiles(const fs::path& dir) {
  std::vector<fs::path> files;
  for (const auto& e : fs::directory_iterator(dir))
    if (e.path().extension() == ".bmp") files.push_back(e.path());
  std::sort(files.begin(), files.end());
  return files;
}

HANDLE LoadFile(const fs::path& path) {
  return LoadImageA(nullptr, path.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_LOADFROMFILE);
}

TEST(BmpCorpus, GoodFilesLoadAndNoFileDoesHarm) {
  const fs::path suite = SuiteDir();
  if (suite.empty()) GTEST_SKIP() << "VELTA_CORPUS/bmp not found";
  for (const char* group : {"g", "q", "b", "x"}) {
    int loaded = 0;
    std::string refused;
    for (const fs::path& file : BmpFiles(suite / group)) {
      HANDLE h = LoadFile(file);
      if (!h) {
        refused += " " + file.stem().string();
        continue;
      }
      ++loaded;
      BITMAP bm{};
      ASSERT_EQ(GetObjectA(h, sizeof bm, &bm), static_cast<int>(sizeof bm)) << file;
      const Dib* dib = GdiBitmapDib(h);
      ASSERT_NE(dib, nullptr);
      ASSERT_EQ(dib->bits.size(), static_cast<size_t>(bm.bmWidthBytes) * bm.bmHeight);
      // Every pixel must have a colour: indices past a short table read as black.
      RGBQUAD q;
      for (int y = 0; y < bm.bmHeight; ++y)
        for (int x = 0; x < bm.bmWidth; ++x) ASSERT_TRUE(DibPixelRGB(*dib, x, y, q)) << file << " " << x << "," << y;
      EXPECT_TRUE(DeleteObject(h));
    }
    std::cout << "[ corpus   ] " << group << "/: loaded " << loaded << ", refused "
              << std::count(refused.begin(), refused.end(), ' ') << (refused.empty() ? "" : ":") << refused << "\n";
    if (std::string(group) == "g") {
      EXPECT_EQ(refused, "") << "good files refused";
    }
  }
}

#ifdef VELTA_HAVE_PNG

struct Reference {
  const char* bmp;
  const char* png;
};

// The suite's own pairing of files with reference pictures (html/bmpsuite.html), for the good
// files and the questionable ones this decoder reads.
const Reference kReferences[] = {
    {"g/pal1.bmp", "pal1.png"}, {"g/pal1wb.bmp", "pal1.png"}, {"g/pal1bg.bmp", "pal1bg.png"},
    {"g/pal4.bmp", "pal4.png"}, {"g/pal4gs.bmp", "pal4gs.png"}, {"g/pal4rle.bmp", "pal4.png"},
    {"g/pal8.bmp", "pal8.png"}, {"g/pal8-0.bmp", "pal8.png"}, {"g/pal8gs.bmp", "pal8gs.png"},
    {"g/pal8rle.bmp", "pal8.png"}, {"g/pal8w126.bmp", "pal8w126.png"}, {"g/pal8w125.bmp", "pal8w125.png"},
    {"g/pal8w124.bmp", "pal8w124.png"}, {"g/pal8topdown.bmp", "pal8.png"},
    {"g/pal8nonsquare.bmp", "pal8nonsquare-e.png"}, {"g/pal8os2.bmp", "pal8.png"},
    {"g/pal8v4.bmp", "pal8.png"}, {"g/pal8v5.bmp", "pal8.png"}, {"g/rgb16.bmp", "rgb16.png"},
    {"g/rgb16bfdef.bmp", "rgb16.png"}, {"g/rgb16-565.bmp", "rgb16-565.png"},
    {"g/rgb16-565pal.bmp", "rgb16-565.png"}, {"g/rgb24.bmp", "rgb24.png"}, {"g/rgb24pal.bmp", "rgb24.png"},
    {"g/rgb32.bmp", "rgb24.png"}, {"g/rgb32bfdef.bmp", "rgb24.png"}, {"g/rgb32bf.bmp", "rgb24.png"},
    {"q/pal1p1.bmp", "pal1p1.png"}, {"q/pal8offs.bmp", "pal8.png"}, {"q/pal8oversizepal.bmp", "pal8.png"},
    {"q/pal8os2-sz.bmp", "pal8.png"}, {"q/pal8os2-hs.bmp", "pal8.png"}, {"q/pal8os2sp.bmp", "pal8.png"},
    {"q/pal8os2v2.bmp", "pal8.png"}, {"q/pal8os2v2-16.bmp", "pal8.png"}, {"q/pal8os2v2-sz.bmp", "pal8.png"},
    {"q/pal8os2v2-40sz.bmp", "pal8.png"}, {"q/rgb16-231.bmp", "rgb16-231.png"},
    {"q/rgb16faketrns.bmp", "rgb16.png"}, {"q/rgb24largepal.bmp", "rgb24.png"}, {"q/rgb24prof.bmp", "rgb24.png"},
    {"q/rgb24lprof.bmp", "rgb24.png"}, {"q/rgb32h52.bmp", "rgb24.png"}, {"q/rgb32-xbgr.bmp", "rgb24.png"},
    {"q/rgb32fakealpha.bmp", "rgb24.png"}, {"q/rgb32-111110.bmp", "rgb24.png"},
};

TEST(BmpCorpus, FilesMatchTheirReferencePictures) {
  const fs::path suite = SuiteDir();
  if (suite.empty()) GTEST_SKIP() << "VELTA_CORPUS/bmp not found";
  for (const Reference& r : kReferences) {
    SCOPED_TRACE(r.bmp);
    png_image png{};
    png.version = PNG_IMAGE_VERSION;
    const std::string pngPath = (suite / "html" / r.png).string();
    ASSERT_TRUE(png_image_begin_read_from_file(&png, pngPath.c_str())) << png.message;
    png.format = PNG_FORMAT_RGB;
    std::vector<uint8_t> expected(PNG_IMAGE_SIZE(png));
    ASSERT_TRUE(png_image_finish_read(&png, nullptr, expected.data(), 0, nullptr)) << png.message;

    HANDLE h = LoadFile(suite / r.bmp);
    ASSERT_NE(h, nullptr);
    const Dib* dib = GdiBitmapDib(h);
    ASSERT_EQ(static_cast<uint32_t>(dib->width), png.width);
    ASSERT_EQ(static_cast<uint32_t>(dib->height), png.height);
    int wrong = 0;
    for (int y = 0; y < dib->height; ++y) {
      for (int x = 0; x < dib->width; ++x) {
        RGBQUAD q;
        ASSERT_TRUE(DibPixelRGB(*dib, x, y, q));
        const uint8_t* e = &expected[(static_cast<size_t>(y) * png.width + x) * 3];
        const int got[3] = {q.rgbRed, q.rgbGreen, q.rgbBlue};
        bool same = true;
        for (int c = 0; c < 3; ++c) same = same && std::abs(got[c] - e[c]) <= 1;
        if (!same && wrong++ == 0)
          ADD_FAILURE() << "first difference at " << x << "," << y << ": " << got[0] << " " << got[1] << " "
                        << got[2] << " instead of " << int{e[0]} << " " << int{e[1]} << " " << int{e[2]};
      }
    }
    EXPECT_EQ(wrong, 0);
    EXPECT_TRUE(DeleteObject(h));
  }
}

#endif

}  // namespace
