// Reading a canonical recording: auralith-compare's reader (through libsndfile where the build
// has it) beside the interactive program's header step and load, for a 10-minute recording.
// bench/compare-reader sets the difference against a whole run.
#include <benchmark/benchmark.h>

#include <cstdint>
#include <cstdio>
#include <filesystem>
#include <string>
#include <variant>
#include <vector>

#include "wave/input_wave.h"
#include "wave/output_wave.h"
#include "wave/recording/recording.h"

namespace {

using namespace auralith;

// A canonical mono file of noise, written once for all benchmarks: the 44-byte header (the
// writer's own, with one channel) and the samples.
const std::string& recordingFile(int seconds) {
    static const std::string path = [seconds] {
        const std::string name = (std::filesystem::temp_directory_path() / "auralith-bench-input.wav").string();
        std::vector<std::int16_t> samples(static_cast<std::size_t>(seconds) * 44100);
        std::uint32_t noise = 11;
        for (auto& s : samples) s = static_cast<std::int16_t>((noise = noise * 1664525u + 1013904223u) >> 16);
        // A stereo file of half as many frames holds the same bytes; its header is then made mono.
        const auto frames = static_cast<std::int32_t>(samples.size() / 2);
        writeOutputWave(name, frames, samples, 44100, 16);
        std::FILE* file = std::fopen(name.c_str(), "r+b");
        const unsigned char mono[] = {1, 0, 0x44, 0xAC, 0, 0, 0x88, 0x58, 1, 0, 2, 0};  // offsets 22 .. 33
        std::fseek(file, 22, SEEK_SET);
        std::fwrite(mono, 1, sizeof mono, file);
        std::fclose(file);
        return name;
    }();
    return path;
}

void readThroughTheProgramsReader(benchmark::State& state) {
    const std::string& name = recordingFile(600);
    for (auto _ : state) {
        auto header = readInputHeader(name);
        InputWave& wave = std::get<InputWave>(header);
        benchmark::DoNotOptimize(loadInputSamples(wave));
        benchmark::DoNotOptimize(wave.samples.data());
    }
}

void readThroughTheRecordingReader(benchmark::State& state) {
    const std::string& name = recordingFile(600);
    for (auto _ : state) {
        auto read = readRecording({name, 0, true});
        benchmark::DoNotOptimize(std::get<Recording>(read).wave.samples.data());
    }
}

BENCHMARK(readThroughTheProgramsReader)->Unit(benchmark::kMillisecond)->Iterations(10);
BENCHMARK(readThroughTheRecordingReader)->Unit(benchmark::kMillisecond)->Iterations(10);

}  // namespace
