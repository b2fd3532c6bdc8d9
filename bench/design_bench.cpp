// The time --design takes to answer: the spacing search for a wanted recording angle, every
// angle between the axes, for cardioids and omnis.
#include <benchmark/benchmark.h>

#include "sim/analysis/spacing_search.h"

namespace {

void designSpacings(benchmark::State& state) {
    const auto wanted = static_cast<double>(state.range(0));
    const double pattern = static_cast<double>(state.range(1)) / 100;
    for (auto _ : state) benchmark::DoNotOptimize(auralith::spacingsFor(wanted, pattern));
}

BENCHMARK(designSpacings)
    ->ArgsProduct({{60, 100, 140, 180}, {50, 100}})
    ->ArgNames({"sra", "pattern_percent"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(3);

}  // namespace
