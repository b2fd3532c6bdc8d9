// Render times of every array for a 10- and a 60-second recording, the program's renderers beside
// the straightforward ones they must equal, the peak resident memory of one whole render
// (measured in a child process of its own), the conversions alone at each vector width, and the
// time to write the output file. Arrays 1 to 6 are the menu's; 7 to 10 described ones of the
// same geometry as 4, 5, 1 and 6, to set beside them.
//
//   ./build/test/bench/auralith_bench --benchmark_counters_tabular=true
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "sim/fast/vector_width.h"
#include "sim/reference/reference_renderers.h"
#include "sim/render.h"
#include "wave/output_wave.h"

namespace {

using namespace auralith;

// Noise from a fixed generator: every sample different, no value repeated in a pattern.
std::vector<std::int16_t> recording(int seconds) {
    std::vector<std::int16_t> samples(static_cast<std::size_t>(seconds) * 44100);
    std::uint32_t noise = 7;
    for (auto& s : samples) {
        noise = noise * 1664525u + 1013904223u;
        s = static_cast<std::int16_t>(noise >> 16);
    }
    return samples;
}

// The menu's arrays 1 to 6; 7 ORTF's geometry on the general rule, 8 the spaced omnis', 9 the
// Blumlein pair's, 10 the tree's.
AnyArray benchArray(std::int64_t k) {
    switch (k) {
        case 7: return pairLayout(0.5, 110, 17);
        case 8: return pairLayout(1, 0, 200);
        case 9: return pairLayout(0, 90, 0);
        case 10: return treeLayout(2, 1.5, 1);
        default: return static_cast<MicArray>(k);
    }
}

bool isTree(const AnyArray& array) {
    const auto* layout = std::get_if<Rig>(&array);
    return layout ? layout->count() == 3 : std::get<MicArray>(array) == MicArray::threeOmniTree;
}

// Peak resident memory, in MB, of a child that builds the recording and renders it once.
double peakMegabytes(const AnyArray& choice, int seconds) {
    const pid_t child = fork();
    if (child == 0) {
        const std::vector<std::int16_t> samples = recording(seconds);
        RandomState random;
        const auto out = renderStereo(choice, samples, 44100, measureGuardGain(samples), random);
        _exit(out ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child) return -1;
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

double conversions(const AnyArray& choice, std::size_t n) {
    const auto frames = static_cast<double>(outputFrameCount(44100, static_cast<std::int32_t>(n)));
    return isTree(choice) ? 2.0 * frames : 26.0 * static_cast<double>(n);
}

void renderArray(benchmark::State& state) {
    const AnyArray choice = benchArray(state.range(0));
    const int seconds = static_cast<int>(state.range(1));
    const std::vector<std::int16_t> samples = recording(seconds);
    const double gain = measureGuardGain(samples);
    RandomState random;
    for (auto _ : state) {
        auto out = renderStereo(choice, samples, 44100, gain, random);
        benchmark::DoNotOptimize(out);
    }
    state.counters["conversions/s"] =
        benchmark::Counter(conversions(choice, samples.size()), benchmark::Counter::kIsIterationInvariantRate);
    state.counters["peak_MB"] = peakMegabytes(choice, seconds);
    state.counters["output_MB"] =
        4.0 * static_cast<double>(outputFrameCount(44100, static_cast<std::int32_t>(samples.size()))) / 1e6;
}

// The conversions alone: into memory that is already in place (its pages touched), at a given
// vector width and number of threads, so that neither the allocation nor the page faults of a
// new buffer count. A width the processor lacks is skipped.
void convertInPlace(benchmark::State& state) {
    const AnyArray choice = benchArray(state.range(0));
    const int width = static_cast<int>(state.range(1));
    const int threads = static_cast<int>(state.range(2));
    if (!processorHasVectorWidth(width)) {
        state.SkipWithError("this processor lacks the width");
        return;
    }
    const std::vector<std::int16_t> samples = recording(60);
    const double gain = measureGuardGain(samples);
    std::vector<std::int16_t> out(
        2 * static_cast<std::size_t>(outputFrameCount(44100, static_cast<std::int32_t>(samples.size()))));
    RandomState random;
    for (auto _ : state) {
        const RenderOutcome done =
            renderStereoInto(choice, samples, 44100, gain, random, out, RenderOptions{threads, width});
        benchmark::DoNotOptimize(done);
        benchmark::ClobberMemory();
    }
    state.counters["ns/conversion/thread"] =
        benchmark::Counter(conversions(choice, samples.size()) / static_cast<double>(threads),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

void renderWithTheReference(benchmark::State& state) {
    const auto choice = static_cast<MicArray>(state.range(0));
    const std::vector<std::int16_t> samples = recording(static_cast<int>(state.range(1)));
    const SweepInput in = sweepInputFor(samples, 44100, measureGuardGain(samples));
    RandomState random;
    for (auto _ : state) {
        auto out = reference::renderReference(choice, in, random);
        benchmark::DoNotOptimize(out);
    }
    state.counters["conversions/s"] =
        benchmark::Counter(conversions(choice, samples.size()), benchmark::Counter::kIsIterationInvariantRate);
}

void writeFile(benchmark::State& state) {
    const std::vector<std::int16_t> samples = recording(static_cast<int>(state.range(0)));
    RandomState random;
    const auto out = renderStereo(MicArray::blumleinPair, samples, 44100, measureGuardGain(samples), random);
    const std::string path = (std::filesystem::temp_directory_path() / "auralith-bench.wav").string();
    for (auto _ : state) benchmark::DoNotOptimize(writeOutputWave(path, out->frames, out->view(), 44100, 16));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) *
                            (44 + 4 * static_cast<std::int64_t>(out->frames)));
    std::filesystem::remove(path);
}

BENCHMARK(renderArray)
    ->ArgsProduct({{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {10, 60}})
    ->ArgNames({"array", "seconds"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(convertInPlace)
    ->ArgsProduct({{1, 2, 3, 4, 5, 6, 7, 8, 9, 10}, {2, 4, 8}, {1, 2}})
    ->ArgNames({"array", "width", "threads"})
    ->Unit(benchmark::kMillisecond);

BENCHMARK(renderWithTheReference)
    ->ArgsProduct({{1, 2, 3, 4, 5, 6}, {10}})
    ->ArgNames({"array", "seconds"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(writeFile)->Arg(10)->Arg(60)->ArgName("seconds")->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
