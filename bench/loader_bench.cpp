// The whole model load: reader, parser, linking, over a large exported-style file.
#include <benchmark/benchmark.h>

#include <cstdio>
#include <filesystem>
#include <string>

#include "model/ase_loader.h"
#include "scene/object_list.h"
#include "tools/ase_writer.h"

namespace {

// One root and 50 children, about 20 MB, without bitmaps so only the load itself is timed.
const std::string& LargeModelPath() {
  static const std::string path = [] {
    std::string p = (std::filesystem::temp_directory_path() / "velta-bench-load-20mb.ase").string();
    AseGenOptions opt;
    opt.rootName = "Dummy_Center";
    opt.children = 50;
    opt.bitmap = "";
    opt.gridSize = 2;
    while (true) {
      AseGenOptions bigger = opt;
      ++bigger.gridSize;
      if (bigger.gridSize * bigger.gridSize > 10000 ||
          static_cast<size_t>(bigger.gridSize * bigger.gridSize) * 700 * 51 > (20u << 20))
        break;
      opt = bigger;
    }
    std::string text = GenerateAseModel(opt);
    if (FILE* f = std::fopen(p.c_str(), "wb")) {
      std::fwrite(text.data(), 1, text.size(), f);
      std::fclose(f);
    }
    return p;
  }();
  return path;
}

void BM_LoadAse(benchmark::State& state) {
  const std::string& path = LargeModelPath();
  size_t bytes = std::filesystem::file_size(path);
  for (auto _ : state) {
    if (LoadAseFile(path.c_str()) != 0 || !ModelTable[3].model) {
      state.SkipWithError("the generated model did not load");
      return;
    }
    state.PauseTiming();
    ReleaseModels();
    state.ResumeTiming();
  }
  state.SetBytesProcessed(static_cast<int64_t>(state.iterations()) * static_cast<int64_t>(bytes));
}
BENCHMARK(BM_LoadAse)->Unit(benchmark::kMillisecond);

}  // namespace
