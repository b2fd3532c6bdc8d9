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
    // libebur128 sums a block over its 400 ms ring buffer from the ring's start: a part that
    // starts on a multiple of 400 ms sums each block in the order the one pass does (the blocks
    // step by 100 ms).
    const std::int64_t block = static_cast<std::int64_t>(rate) + n;
    // Between positions 6 and 7 no microphone hears anything from 7 B + 94 to 7 B + rate - 198
    // (the widest delays). The second part starts at least 0.1 s into that silence, when the one
    // pass's filter has all but come to rest, and at least 0.3 s before its end, by when the
    // little left of the difference has decayed far below the last bit of any sound.
    return loudnessSplitIn(rate, 7 * block + 94, 7 * block + rate - 198);
}

std::int64_t loudnessSplitIn(std::int32_t rate, std::int64_t quietFrom, std::int64_t quietTo) {
    if (rate < 10 || rate % 10 != 0) return 0;
    const std::int64_t hop = rate / 10;
    const std::int64_t ring = 4 * hop;
    const std::int64_t start = (quietFrom + hop + ring - 1) / ring * ring;
    return start <= quietTo - 3 * hop ? start : 0;
}

std::optional<double> sweepLoudness(std::span<const std::int16_t> samples, std::int32_t rate, std::int32_t n) {
    const auto frames = static_cast<std::int64_t>(samples.size() / 2);
    return loudnessInParts(samples, rate, frames == outputFrameCount(rate, n) ? sweepLoudnessSplit(rate, n) : 0);
}

std::optional<double> loudnessInParts(std::span<const std::int16_t> samples, std::int32_t rate, std::int64_t start) {
    const std::int64_t firstEnd = start + 3 * (rate / 10);
    if (start <= 0 || firstEnd > static_cast<std::int64_t>(samples.size() / 2))
        return integratedLoudness(samples, rate);
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

LoudnessMeter::LoudnessMeter(void* state, std::int32_t rate)
    : state_(state, [](void* p) { Release{}(static_cast<ebur128_state*>(p)); }), rate_(rate) {}

std::optional<LoudnessMeter> LoudnessMeter::create(std::int32_t rate) {
    ebur128_state* state = ebur128_init(2, static_cast<unsigned long>(rate), EBUR128_MODE_I);
    if (state == nullptr) return std::nullopt;
    return LoudnessMeter(state, rate);
}

bool LoudnessMeter::add(std::span<const std::int16_t> samples) {
    return addFrames(static_cast<ebur128_state*>(state_.get()), samples, rate_);
}

std::optional<double> integratedOfParts(const LoudnessMeter& first, const LoudnessMeter& second) {
    ebur128_state* both[2] = {static_cast<ebur128_state*>(first.state_.get()),
                              static_cast<ebur128_state*>(second.state_.get())};
    double loudness = 0;
    if (ebur128_loudness_global_multiple(both, 2, &loudness) != EBUR128_SUCCESS) return std::nullopt;
    return loudness;
}

std::optional<double> LoudnessMeter::integrated() const {
    double loudness = 0;
    if (ebur128_loudness_global(static_cast<ebur128_state*>(state_.get()), &loudness) != EBUR128_SUCCESS)
        return std::nullopt;
    return loudness;
}

}  // namespace auralith
