// What the page's envelope adds to a run: one pass over an array's render, beside the loudness
// pass over the same samples. The render of a recording of `seconds` is its thirteen positions
// and their silences, here a noise of the same length.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <vector>

#include "sim/analysis/envelope.h"

namespace {

void renderEnvelope(benchmark::State& state) {
    const auto frames = static_cast<std::size_t>(state.range(0)) * 44100 * 13;
    std::vector<std::int16_t> samples(2 * frames);
    std::uint32_t noise = 1;
    for (std::int16_t& sample : samples) {
        noise = noise * 1664525u + 1013904223u;  // any varying values do: the pass reads every one
        sample = static_cast<std::int16_t>(noise >> 16);
    }
    for (auto _ : state) benchmark::DoNotOptimize(auralith::peakEnvelope(samples, 400));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations() * samples.size() * sizeof(std::int16_t)));
}

BENCHMARK(renderEnvelope)->Arg(10)->Arg(60)->ArgName("seconds")->Unit(benchmark::kMillisecond);

}  // namespace
