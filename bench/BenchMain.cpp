#include <benchmark/benchmark.h>

// One main for every benchmark file in this folder.
BENCHMARK_MAIN();
