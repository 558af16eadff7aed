// Bitmap loading as the texture table does it: LoadImageA from a file, then DeleteObject.
#include <windows.h>

#include <benchmark/benchmark.h>

#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <fstream>
#include <string>
#include <vector>

namespace fs = std::filesystem;

namespace {

constexpr int kSide = 1024;

void Put32(std::vector<uint8_t>& v, size_t at, uint32_t x) {
  for (int i = 0; i < 4; ++i) v[at + i] = static_cast<uint8_t>(x >> (8 * i));
}

std::vector<uint8_t> Header(int bitCount, uint32_t compression, int colors) {
  std::vector<uint8_t> v(54 + 4 * colors, 0);
  v[0] = 'B';
  v[1] = 'M';
  Put32(v, 10, static_cast<uint32_t>(v.size()));
  Put32(v, 14, 40);
  Put32(v, 18, kSide);
  Put32(v, 22, kSide);
  v[26] = 1;
  v[28] = static_cast<uint8_t>(bitCount);
  Put32(v, 30, compression);
  Put32(v, 46, static_cast<uint32_t>(colors));
  for (int i = 0; i < colors; ++i) {
    v[54 + 4 * i] = static_cast<uint8_t>(i);
    v[55 + 4 * i] = static_cast<uint8_t>(255 - i);
    v[56 + 4 * i] = static_cast<uint8_t>(i * 3);
  }
  return v;
}

std::vector<uint8_t> Rgb24() {
  std::vector<uint8_t> v = Header(24, BI_RGB, 0);
  for (int y = 0; y < kSide; ++y)
    for (int x = 0; x < kSide; ++x) v.insert(v.end(), {uint8_t(x), uint8_t(y), uint8_t(x ^ y)});
  return v;
}

// Each row: runs of 24 pixels alternating with absolute runs of 8, then an end of line.
std::vector<uint8_t> Rle8() {
  std::vector<uint8_t> v = Header(8, BI_RLE8, 256);
  for (int y = 0; y < kSide; ++y) {
    for (int x = 0; x < kSide; x += 32) {
      v.insert(v.end(), {24, uint8_t(x / 32 + y), 0, 8});
      for (int i = 0; i < 8; ++i) v.push_back(uint8_t(x + i * 5 + y));
    }
    v.insert(v.end(), {0, 0});
  }
  v.insert(v.end(), {0, 1});
  return v;
}

struct BenchFile {
  std::string path;
  size_t size;
  explicit BenchFile(const char* tag, const std::vector<uint8_t>& bytes) : size(bytes.size()) {
    path = (fs::temp_directory_path() / ("velta-bench-" + std::to_string(::getpid()) + tag)).string();
    std::ofstream(path, std::ios::binary).write(reinterpret_cast<const char*>(bytes.data()), bytes.size());
  }
  ~BenchFile() {
    std::error_code ec;
    fs::remove(path, ec);
  }
};

void BM_LoadBmp(benchmark::State& state) {
  static const BenchFile rgb24("-24.bmp", Rgb24());
  static const BenchFile rle8("-rle8.bmp", Rle8());
  const BenchFile& file = state.range(0) == 24 ? rgb24 : rle8;
  state.SetLabel(state.range(0) == 24 ? "1024x1024 24-bit" : "1024x1024 8-bit RLE");
  for (auto _ : state) {
    HANDLE h = LoadImageA(nullptr, file.path.c_str(), IMAGE_BITMAP, 0, 0, LR_CREATEDIBSECTION | LR_LOADFROMFILE);
    if (!h) {
      state.SkipWithError("LoadImageA failed");
      break;
    }
    DeleteObject(h);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(file.size));
}

BENCHMARK(BM_LoadBmp)->Arg(24)->Arg(8)->Unit(benchmark::kMicrosecond);

}  // namespace
