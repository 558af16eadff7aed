// The benchmark runner: every hot path registers itself from its own file in bench/.
#include <benchmark/benchmark.h>

BENCHMARK_MAIN();
