// The model reader alone over a large exported-style file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "model/ase_reader.h"
#include "tools/ase_writer.h"

namespace {

const std::string& LargeModelPath() {
  static const std::string path = [] {
    std::string p = (std::filesystem::temp_directory_path() / "velta-bench-20mb.ase").string();
    std::string text = GenerateAseModelOfSize(20u << 20, 50, "Dummy_Center");
    if (FILE* f = std::fopen(p.c_str(), "wb")) {
      std::fwrite(text.data(), 1, text.size(), f);
      std::fclose(f);
    }
    return p;
  }();
  return path;
}

void BM_ReadAseLines(benchmark::State& state) {
  const std::string& path = LargeModelPath();
  size_t bytes = std::filesystem::file_size(path);
  for (auto _ : state) {
    ResetAseReader();
    if (!OpenAseFile(path.c_str())) {
      state.SkipWithError("cannot open the generated model");
      return;
    }
    int64_t lines = 0;
    while (ReadAseLine() != EndOfFile) ++lines;
    CloseAseFile();
    benchmark::DoNotOptimize(lines);
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_ReadAseLines)->Unit(benchmark::kMillisecond);

}  // namespace
