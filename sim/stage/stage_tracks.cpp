#include "sim/stage/stage_tracks.h"

#include <algorithm>
#include <cmath>
#include <vector>

namespace auralith {

StageTracks heldTracks(std::span<const std::span<const std::int16_t>> x) {
    std::vector<std::span<const std::int16_t>> held(x.begin(), x.end());
    const std::int64_t n = held.empty() ? 0 : std::ssize(held.front());
    return {held.size(), n, [held](std::size_t s, std::int64_t from, std::int64_t count, std::int16_t* into) {
                std::copy_n(held[s].begin() + from, count, into);
                return true;
            }};
}

bool trackBlock(const StageTracks& tracks, std::size_t s, std::int64_t from, std::int64_t size, std::int16_t* samples,
                double* real) {
    const std::int64_t lo = std::clamp<std::int64_t>(-from, 0, size);
    const std::int64_t hi = std::clamp<std::int64_t>(tracks.n - from, lo, size);
    if (hi > lo && !tracks.read(s, from + lo, hi - lo, samples)) return false;
    std::fill(real, real + lo, 0.0);
    for (std::int64_t i = lo; i < hi; ++i) real[i] = samples[i - lo];
    std::fill(real + hi, real + size, 0.0);
    return true;
}

std::optional<double> stageGuardGain(const StageTracks& tracks, std::span<const double> levels) {
    constexpr std::int64_t block = 1 << 16;
    std::vector<std::vector<std::int16_t>> x(tracks.count, std::vector<std::int16_t>(block));
    double peak = 0;
    for (std::int64_t at = 0; at < tracks.n; at += block) {
        const std::int64_t count = std::min(block, tracks.n - at);
        for (std::size_t s = 0; s < x.size(); ++s)
            if (!tracks.read(s, at, count, x[s].data())) return std::nullopt;
        for (std::int64_t i = 0; i < count; ++i) {
            double sum = 0;
            for (std::size_t s = 0; s < x.size(); ++s) sum += levels[s] * x[s][static_cast<std::size_t>(i)];
            peak = std::max(peak, std::fabs(sum));
        }
    }
    return peak > 32766 ? static_cast<double>(32766.0L / peak) : 1.0;
}

}  // namespace auralith
