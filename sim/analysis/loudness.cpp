#include "sim/analysis/loudness.h"

#include <ebur128.h>

#include <memory>
#include <thread>

#include "sim/model/frame.h"

namespace auralith {

namespace {

struct Release {
    void operator()(ebur128_state* state) const { ebur128_destroy(&state); }
};
using Meter = std::unique_ptr<ebur128_state, Release>;

// libebur128 takes its frames in runs of any length; a second at a time keeps its own buffer small.
bool addFrames(ebur128_state* meter, std::span<const std::int16_t> samples, std::int32_t rate) {
    const std::size_t frames = samples.size() / 2;
    const auto run = static_cast<std::size_t>(rate);
    for (std::size_t at = 0; at < frames; at += run) {
        const std::size_t count = std::min(run, frames - at);
        if (ebur128_add_frames_short(meter, samples.data() + 2 * at, count) != EBUR128_SUCCESS) return false;
    }
    return true;
}

Meter measured(std::span<const std::int16_t> samples, std::int32_t rate) {
    Meter meter(ebur128_init(2, static_cast<unsigned long>(rate), EBUR128_MODE_I));
    if (meter && !addFrames(meter.get(), samples, rate)) meter.reset();
    return meter;
}

}  // namespace

std::optional<double> integratedLoudness(std::span<const std::int16_t> samples, std::int32_t rate) {
    const Meter meter = measured(samples, rate);
    double loudness = 0;
    if (!meter || ebur128_loudness_global(meter.get(), &loudness) != EBUR128_SUCCESS) return std::nullopt;
    return loudness;
}

std::int64_t sweepLoudnessSplit(std::int32_t rate, std::int32_t n) {
    if (rate < 10 || rate % 10 != 0) return 0;
    const std::int64_t hop = rate / 10;  // the blocks' 100 ms step
    const std::int64_t block = static_cast<std::int64_t>(rate) + n;
    // Between positions 6 and 7 no microphone hears anything from 7 B + 94 to 7 B + rate - 198
    // (the widest delays); the middle of that, rounded down to the grid, lies at least 0.4 s
    // from either end.
    const std::int64_t middle = 7 * block + rate / 2;
    return middle / hop * hop;
}

std::optional<double> sweepLoudness(std::span<const std::int16_t> samples, std::int32_t rate, std::int32_t n) {
    const std::int64_t start = sweepLoudnessSplit(rate, n);
    const auto frames = static_cast<std::int64_t>(samples.size() / 2);
    if (start == 0 || frames != outputFrameCount(rate, n)) return integratedLoudness(samples, rate);
    const std::int64_t firstEnd = start + 3 * (rate / 10);
    Meter second;
    std::thread other;
    try {
        other = std::thread([&] { second = measured(samples.subspan(2 * static_cast<std::size_t>(start)), rate); });
    } catch (const std::system_error&) {
        return integratedLoudness(samples, rate);
    }
    const Meter first = measured(samples.first(2 * static_cast<std::size_t>(firstEnd)), rate);
    other.join();
    if (!first || !second) return std::nullopt;
    ebur128_state* both[2] = {first.get(), second.get()};
    double loudness = 0;
    if (ebur128_loudness_global_multiple(both, 2, &loudness) != EBUR128_SUCCESS) return std::nullopt;
    return loudness;
}

}  // namespace auralith
