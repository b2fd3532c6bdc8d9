#include "sim/analysis/envelope.h"

#include <algorithm>
#include <cstdlib>

namespace auralith {

Envelope peakEnvelope(std::span<const std::int16_t> samples, int buckets) {
    Envelope envelope;
    envelope.frames = static_cast<std::int64_t>(samples.size() / 2);
    const std::int64_t count = std::min<std::int64_t>(std::max(buckets, 0), envelope.frames);
    envelope.peaks.reserve(static_cast<std::size_t>(count));
    for (std::int64_t b = 0; b < count; ++b) {
        // Sample indices, two a frame: the bucket's frames as the header says.
        const auto from = static_cast<std::size_t>(envelope.frames * b / count) * 2;
        const auto to = static_cast<std::size_t>(envelope.frames * (b + 1) / count) * 2;
        std::int32_t peak = 0;
        for (std::size_t i = from; i < to; ++i) peak = std::max(peak, std::abs(std::int32_t{samples[i]}));
        envelope.peaks.push_back(peak);
    }
    return envelope;
}

void takeLouder(Envelope& into, const Envelope& other) {
    if (into.peaks.empty()) {
        into = other;
        return;
    }
    for (std::size_t b = 0; b < into.peaks.size() && b < other.peaks.size(); ++b)
        into.peaks[b] = std::max(into.peaks[b], other.peaks[b]);
}

}  // namespace auralith
