// The room's responses: the images of a 25 x 40 x 16 m room ringing 2.0 s (the source 10 m ahead
// of the array), one microphone's response from them through the interpolator and the bank, and
// the straightforward generator the issue measures against: an 8 ms Hann-windowed sinc per image,
// added one after another. Then one round trip of the convolutions' transforms a frame of output
// (overlap-save with a hall's 113 600-frame responses) at the size chosen for 4 and 2.5 times
// them, any 2^a 3^b 5^c (at 4 times, an odd one) and a multiple of 256.
#include <benchmark/benchmark.h>

#include <cmath>
#include <numbers>

#include "sim/room/absorption_solver.h"
#include "sim/room/band_response.h"
#include "sim/room/image_sources.h"
#include "sim/room/room_transforms.h"

namespace {

using namespace auralith;

// The absorption the solver finds for 2.0 s in every band to 4 kHz and 1.2 s at 8 kHz.
Room benchRoom() {
    Room room{25, 40, 16, {}};
    room.absorption.fill({0.4108, 0.3318, 0.3694, 0.3537, 0.3130, 0.2135, 0.1660});
    return room;
}

const ImageSet& benchImages() {
    static const ImageSet set = imageSources({benchRoom(), {12.5, 22, 3}, {12.5, 12, 3}, 2.6, 1, 1});
    return set;
}

void roomImages(benchmark::State& state) {
    for (auto _ : state) benchmark::DoNotOptimize(imageSources({benchRoom(), {12.5, 22, 3}, {12.5, 12, 3}, 2.6, 1, 1}));
    state.counters["images"] = static_cast<double>(benchImages().images.size());
}

void roomMicResponse(benchmark::State& state) {
    const ImageSet& set = benchImages();
    const BandMixer mixer({44100, 1}, setSpanFrames(set, 1, 44100));
    RigMic mic{0.2, 0, 0, 0.5, std::sqrt(0.75), 0, 0.5, {}};
    for (auto _ : state) {
        const std::vector<BandTap> taps = micBandTaps(set, mic, 44100);
        benchmark::DoNotOptimize(renderBandTaps(mixer, taps));
    }
}

void roomStraightforwardResponse(benchmark::State& state) {
    const ImageSet& set = benchImages();
    RigMic mic{0.2, 0, 0, 0.5, std::sqrt(0.75), 0, 0.5, {}};
    const std::vector<BandTap> taps = micBandTaps(set, mic, 44100);
    const int half = 176;  // 4 ms either side at 44.1 kHz
    for (auto _ : state) {
        std::vector<double> out(static_cast<std::size_t>(2.7 * 44100) + 2 * half);
        for (const BandTap& tap : taps) {
            const double gain = tap.gain[3];
            const auto centre = static_cast<long>(std::floor(tap.delay));
            for (long k = centre - half + 1; k <= centre + half; ++k) {
                const double t = static_cast<double>(k) - tap.delay;
                const double sinc = t == 0 ? 1 : std::sin(std::numbers::pi * t) / (std::numbers::pi * t);
                const double hann = 0.5 + 0.5 * std::cos(std::numbers::pi * t / half);
                const long at = k + half + 441;
                if (at >= 0 && at < static_cast<long>(out.size()))
                    out[static_cast<std::size_t>(at)] += gain * sinc * hann;
            }
        }
        benchmark::DoNotOptimize(out.data());
    }
}

// The processor time of a forward and an inverse transform, over the frames each block gives.
void roomTransformRoundTrip(benchmark::State& state) {
    constexpr long long span = 113600;
    const RoomTransforms t(transformSizeAtLeast(state.range(0) * span / 2, state.range(1)));
    auto real = roomBuffer<double>(static_cast<std::size_t>(t.size()));
    auto bins = roomBuffer<std::complex<double>>(static_cast<std::size_t>(t.bins()));
    for (int i = 0; i < t.size(); ++i) real[static_cast<std::size_t>(i)] = i % 97;
    for (auto _ : state) {
        t.forward(real.get(), bins.get());
        t.inverse(bins.get(), real.get());
    }
    state.counters["size"] = t.size();
    state.counters["ns_per_frame"] =
        benchmark::Counter(static_cast<double>(t.size() - span + 1),
                           benchmark::Counter::kIsIterationInvariantRate | benchmark::Counter::kInvert);
}

BENCHMARK(roomImages)->Unit(benchmark::kMillisecond);
BENCHMARK(roomMicResponse)->Unit(benchmark::kMillisecond);
BENCHMARK(roomStraightforwardResponse)->Unit(benchmark::kMillisecond)->Iterations(1);
BENCHMARK(roomTransformRoundTrip)->Args({8, 1})->Args({8, 256})->Args({5, 256})->Unit(benchmark::kMillisecond);

}  // namespace
