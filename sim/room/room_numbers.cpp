#include "sim/room/room_numbers.h"

#include <algorithm>
#include <cmath>

#include "sim/room/diffuse_coherence.h"

namespace auralith {

std::optional<double> directToReverberantDb(std::span<const DirectTap> direct, std::span<const double> reflections) {
    std::vector<DirectTap> taps(direct.begin(), direct.end());
    std::sort(taps.begin(), taps.end(), [](const DirectTap& a, const DirectTap& b) { return a.frame < b.frame; });
    double directEnergy = 0;
    for (std::size_t i = 0; i < taps.size();) {
        double sum = 0;
        const std::int64_t frame = taps[i].frame;
        for (; i < taps.size() && taps[i].frame == frame; ++i) sum += taps[i].gain;
        directEnergy += sum * sum;
    }
    double rest = 0;
    for (const double s : reflections) rest += s * s;
    if (directEnergy == 0 && rest == 0) return std::nullopt;
    if (rest == 0) return INFINITY;
    if (directEnergy == 0) return -INFINITY;
    return 10 * std::log10(directEnergy / rest);
}

double channelDirectivity(const Rig& rig, int channel) {
    // The channel's response to a plane wave from u is a + b.u: a the shares of the patterns'
    // omni parts, b the shares of their figure-of-eight parts along each axis.
    double a = 0, bx = 0, by = 0, bz = 0;
    for (const RigMic& m : rig.mics) {
        if (static_cast<std::size_t>(channel) >= m.shares.size()) continue;
        const auto share = static_cast<double>(m.shares[static_cast<std::size_t>(channel)]);
        a += share * m.pattern;
        bx += share * (1 - m.pattern) * static_cast<double>(m.axisLateral);
        by += share * (1 - m.pattern) * static_cast<double>(m.axisForward);
        bz += share * (1 - m.pattern) * static_cast<double>(m.axisUp);
    }
    const double b2 = bx * bx + by * by + bz * bz;
    const double meanSquare = a * a + b2 / 3;
    if (!(meanSquare > 0)) return 0;  // a silent channel
    const double onAxis = std::fabs(a) + std::sqrt(b2);
    return onAxis * onAxis / meanSquare;
}

double criticalDistance(double directivity, double volume, double seconds) {
    return 0.057 * std::sqrt(directivity * volume / seconds);
}

double midBandSeconds(const BandValues& seconds) { return (seconds[2] + seconds[3]) / 2; }

std::vector<CoherencePoint> diffuseCoherenceCurve(const Rig& rig, double from, double to, int perOctave) {
    const long steps = std::lrint(std::log2(to / from) * perOctave);
    std::vector<CoherencePoint> curve;
    for (long k = 0; k <= steps; ++k) {
        const double f = from * std::exp2(static_cast<double>(k) / perOctave);
        curve.push_back({f, channelCoherence(rig, 0, 1, f)});
    }
    return curve;
}

namespace {

// A frame `seconds` after `direct`, within 0 .. size.
std::int64_t frameAfter(std::int64_t direct, double seconds, std::int32_t rate, std::size_t size) {
    const double at = static_cast<double>(direct) + (std::isinf(seconds) ? 1e18 : std::rint(seconds * rate));
    return static_cast<std::int64_t>(std::clamp(at, 0.0, static_cast<double>(size)));
}

double energyOf(std::span<const double> samples, std::int64_t first, std::int64_t end) {
    double energy = 0;
    for (std::int64_t i = first; i < end; ++i)
        energy += samples[static_cast<std::size_t>(i)] * samples[static_cast<std::size_t>(i)];
    return energy;
}

}  // namespace

std::optional<double> interauralCrossCorrelation(std::span<const double> left, std::span<const double> right,
                                                 std::int32_t rate, std::int64_t direct, double from, double to) {
    const std::size_t size = std::min(left.size(), right.size());
    const std::int64_t first = frameAfter(direct, from, rate, size), end = frameAfter(direct, to, rate, size);
    const double energies = energyOf(left, first, end) * energyOf(right, first, end);
    if (!(energies > 0)) return std::nullopt;
    const long lags = std::lrint(0.001 * rate);
    double largest = 0;
    for (long lag = -lags; lag <= lags; ++lag) {
        // The right ear's samples beyond its response are silence.
        const std::int64_t lo = std::max<std::int64_t>(first, -lag);
        const std::int64_t hi = std::min<std::int64_t>(end, static_cast<std::int64_t>(right.size()) - lag);
        double sum = 0;
        for (std::int64_t t = lo; t < hi; ++t)
            sum += left[static_cast<std::size_t>(t)] * right[static_cast<std::size_t>(t + lag)];
        largest = std::max(largest, std::fabs(sum));
    }
    return largest / std::sqrt(energies);
}

EarCorrelation earlyAndLateIacc(std::span<const double> left, std::span<const double> right, std::int32_t rate,
                                std::int64_t direct) {
    return {interauralCrossCorrelation(left, right, rate, direct, 0, 0.08),
            interauralCrossCorrelation(left, right, rate, direct, 0.08, INFINITY)};
}

}  // namespace auralith
