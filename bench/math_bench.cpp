// Per-vertex transform: the loop every mesh runs each frame.
#include <benchmark/benchmark.h>

#include <vector>

#include "math/builders.h"
#include "math/matrix.h"

namespace {

void BM_TransformPoint(benchmark::State& state) {
  constexpr int kPoints = 10000;
  std::vector<Vector3> in(kPoints);
  std::vector<Vector3> out(kPoints);
  for (int i = 0; i < kPoints; ++i) {
    in[i] = Vector3(static_cast<float>(i % 97) - 48.0f, static_cast<float>(i % 53),
                    static_cast<float>(i % 31) - 15.0f);
  }

  Matrix4 view;
  Matrix4 projection;
  Matrix4 chain;
  SetViewMatrix(view, {0.0f, 50.0f, -100.0f}, {0.0f, 25.0f, 0.0f}, {0.0f, 1.0f, 0.0f});
  SetProjectionMatrix(projection, 0.785398f, 0.75f, 1.0f, 2000.0f);
  MatrixMultiply(chain, projection, view);

  for (auto _ : state) {
    for (int i = 0; i < kPoints; ++i) {
      TransformPoint(out[i], in[i], chain);
    }
    benchmark::DoNotOptimize(out.data());
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * kPoints);
}
BENCHMARK(BM_TransformPoint);

}  // namespace
