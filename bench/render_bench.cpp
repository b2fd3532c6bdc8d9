// Render and write times of every array for a 10- and a 60-second recording, with the peak
// resident memory of one whole render measured in a child process of its own.
//
//   ./build/release/bench/auralith_bench
#include <benchmark/benchmark.h>

#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdint>
#include <filesystem>
#include <string>
#include <vector>

#include "sim/frame.h"
#include "wave/input_wave.h"
#include "wave/output_wave.h"

namespace {

using namespace auralith;

InputWave recording(int seconds) {
    InputWave wave;
    wave.channels = 1;
    wave.sampleRate = 44100;
    wave.bitsPerSample = 16;
    wave.sampleCount = seconds * 44100;
    wave.dataSize = wave.sampleCount * 2;
    wave.samples.resize(static_cast<std::size_t>(wave.sampleCount));
    std::uint32_t noise = 7;
    for (auto& s : wave.samples) {
        noise = noise * 1664525u + 1013904223u;
        s = static_cast<std::int16_t>(noise >> 16);
    }
    return wave;
}

// Peak resident memory, in MB, of a child that builds the recording and renders it once.
double peakMegabytes(MicArray choice, int seconds) {
    const pid_t child = fork();
    if (child == 0) {
        const InputWave wave = recording(seconds);
        RandomState random;
        const auto out = renderStereo(choice, wave, 44100, measureGuardGain(wave), random);
        _exit(out ? 0 : 1);
    }
    int status = 0;
    rusage usage{};
    if (child < 0 || wait4(child, &status, 0, &usage) != child) return -1;
    return static_cast<double>(usage.ru_maxrss) / 1024.0;
}

void renderArray(benchmark::State& state) {
    const auto choice = static_cast<MicArray>(state.range(0));
    const int seconds = static_cast<int>(state.range(1));
    const InputWave wave = recording(seconds);
    const double gain = measureGuardGain(wave);
    RandomState random;
    for (auto _ : state) {
        auto out = renderStereo(choice, wave, 44100, gain, random);
        benchmark::DoNotOptimize(out);
    }
    const double conversions = choice == MicArray::threeOmniTree
                                   ? 2.0 * static_cast<double>(outputFrameCount(44100, wave.sampleCount))
                                   : 26.0 * wave.sampleCount;
    state.counters["conversions/s"] = benchmark::Counter(conversions, benchmark::Counter::kIsIterationInvariantRate);
    state.counters["peak_MB"] = peakMegabytes(choice, seconds);
    state.counters["output_MB"] = 4.0 * static_cast<double>(outputFrameCount(44100, wave.sampleCount)) / 1e6;
}

void writeFile(benchmark::State& state) {
    const int seconds = static_cast<int>(state.range(0));
    const InputWave wave = recording(seconds);
    RandomState random;
    const auto out = renderStereo(MicArray::blumleinPair, wave, 44100, measureGuardGain(wave), random);
    const std::string path = (std::filesystem::temp_directory_path() / "auralith-bench.wav").string();
    for (auto _ : state) benchmark::DoNotOptimize(writeOutputWave(path, *out, 44100, 16));
    state.SetBytesProcessed(static_cast<std::int64_t>(state.iterations()) * (44 + 4 * static_cast<std::int64_t>(out->frames)));
    std::filesystem::remove(path);
}

BENCHMARK(renderArray)
    ->ArgsProduct({{1, 2, 3, 4, 5, 6}, {10, 60}})
    ->ArgNames({"array", "seconds"})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(1);
BENCHMARK(writeFile)->Arg(10)->Arg(60)->ArgName("seconds")->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace

BENCHMARK_MAIN();
