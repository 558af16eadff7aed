// The frame-rate line as the text output draws it every frame: glyphs come from the cache.
#include "platform/win32/font.h"

#include <benchmark/benchmark.h>

namespace {

void BM_RenderTextRun(benchmark::State& state) {
  const char line[] = " 60.00 fps (640x480x16)";
  GlyphRun run;
  if (!RenderTextRun(line, 16, run)) {
    state.SkipWithError("no usable font");
    return;
  }
  for (auto _ : state) {
    RenderTextRun(line, 16, run);
    benchmark::DoNotOptimize(run.coverage.data());
  }
  state.SetItemsProcessed(static_cast<int64_t>(state.iterations()));
  state.SetLabel(std::to_string(run.width) + "x" + std::to_string(run.height));
}

BENCHMARK(BM_RenderTextRun)->Unit(benchmark::kMicrosecond);

}  // namespace
