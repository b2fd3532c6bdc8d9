#include "sim/model/frame.h"

#include <cstdlib>

namespace auralith {

double degreesToRadiansFactor() {
    // pi is taken as the double nearest to 3.14159265359, not the full-precision constant.
    const double pi = 3.14159265359;
    return static_cast<double>(static_cast<long double>(pi) / 180);
}

std::int64_t outputFrameCount(std::int32_t rate, std::int32_t n, int positions) {
    return (static_cast<std::int64_t>(rate) + n) * positions + rate;
}

namespace {

std::int32_t peakOf(std::span<const std::int16_t> samples) {
    std::int32_t peak = 0;  // 32768 does not fit in 16 bits
    for (const std::int16_t sample : samples) {
        const std::int32_t magnitude = std::abs(static_cast<std::int32_t>(sample));
        if (magnitude > peak) peak = magnitude;
    }
    return peak;
}

}  // namespace

double measureGuardGain(std::span<const std::int16_t> samples) {
    const std::int32_t peak = peakOf(samples);
    if (peak > 32766) return static_cast<double>(32766.0L / peak);
    return 1.0;
}

SweepInput sweepInputFor(std::span<const std::int16_t> samples, std::int32_t rate, double gain, int positions) {
    SweepInput in;
    in.x = samples;
    in.n = static_cast<std::int32_t>(samples.size());
    in.peak = peakOf(samples);
    in.rate = rate;
    in.gain = gain;
    in.deg = degreesToRadiansFactor();
    in.blockFrames = rate + in.n;
    in.positions = positions;
    in.frames = static_cast<std::int32_t>(outputFrameCount(rate, in.n, positions));
    return in;
}

}  // namespace auralith
