// The cost of the transforms alone in a headphone render of a 60-second recording's sweep: as
// many 4096-point blocks as the render has, each two forward and two inverse single-precision
// transforms (fftwf_execute on buffers already touched), on one core. Beside it, the headphone
// render itself of the same sweep into memory, on all cores, without and with its loudness.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <cmath>
#include <complex>
#include <vector>

#include "sim/headphones/binaural_render.h"
#include "sim/headphones/fftw_plans.h"
#include "sim/headphones/sweep_headphones.h"
#include "sim/model/frame.h"

namespace {

constexpr std::int32_t rate = 44100, n = 60 * rate;

// A head of plain 1023-tap responses, as long as KEMAR's equalised ones.
auralith::SpeakerPaths pathsOfKemarLength() {
    auralith::SpeakerPaths paths;
    paths.rate = rate;
    paths.taps = 1023;
    paths.paths.resize(4);
    for (std::size_t p = 0; p < 4; ++p) {
        paths.paths[p].assign(1023, 0.0f);
        for (int i = 0; i < 1023; ++i)
            paths.paths[p][static_cast<std::size_t>(i)] =
                static_cast<float>(std::exp(-i / 60.0) * std::cos(i * 0.3 + p));
    }
    paths.gain = 0.05;
    return paths;
}

void BM_TransformsOfASweep(benchmark::State& state) {
    const auto render = auralith::BinauralRender::create(pathsOfKemarLength()).value();
    const std::int64_t frames = auralith::outputFrameCount(rate, n);
    const std::int64_t blocks = (frames + render.blockFrames() - 1) / render.blockFrames();
    const auralith::FloatTransforms t(4096);
    auto a = auralith::fftwBuffer<float>(4096), b = auralith::fftwBuffer<float>(4096);
    auto x = auralith::fftwBuffer<std::complex<float>>(2049), y = auralith::fftwBuffer<std::complex<float>>(2049);
    for (int i = 0; i < 4096; ++i) a[i] = b[i] = static_cast<float>(i % 97);
    for (auto _ : state) {
        for (std::int64_t k = 0; k < blocks; ++k) {
            t.forward(a.get(), x.get());
            t.forward(b.get(), y.get());
            t.inverse(x.get(), a.get());
            t.inverse(y.get(), b.get());
        }
        benchmark::DoNotOptimize(a.get());
    }
    state.counters["blocks"] = static_cast<double>(blocks);
}
BENCHMARK(BM_TransformsOfASweep)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_HeadphoneRenderOfASweep(benchmark::State& state) {
    const auto render = auralith::BinauralRender::create(pathsOfKemarLength()).value();
    const auto frames = static_cast<std::size_t>(auralith::outputFrameCount(rate, n));
    std::vector<std::int16_t> stereo(2 * frames), out(2 * frames);
    for (std::size_t i = 0; i < stereo.size(); ++i) stereo[i] = static_cast<std::int16_t>((i * 7919) % 20000 - 10000);
    for (auto _ : state) {
        const auto made = auralith::renderSweepHeadphones(
            render, stereo, rate, n,
            [&](std::int64_t first, std::span<const std::int16_t> samples) {
                std::copy(samples.begin(), samples.end(), out.begin() + 2 * first);
                return true;
            },
            state.range(0) != 0);
        benchmark::DoNotOptimize(made.clipped);
    }
}
BENCHMARK(BM_HeadphoneRenderOfASweep)
    ->Arg(0)
    ->Arg(1)
    ->ArgName("loudness")
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
