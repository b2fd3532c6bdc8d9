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

EnvelopeMeter envelopeMeter(std::int64_t frames, int buckets) {
    EnvelopeMeter meter;
    meter.envelope.frames = frames;
    meter.envelope.peaks.assign(static_cast<std::size_t>(std::min<std::int64_t>(std::max(buckets, 0), frames)), 0);
    return meter;
}

void addToEnvelope(EnvelopeMeter& meter, std::span<const std::int16_t> samples) {
    Envelope& e = meter.envelope;
    const auto count = std::ssize(e.peaks);
    for (std::size_t i = 0; i + 1 < samples.size() && meter.bucket < count; i += 2) {
        // The frame lies in bucket b while it comes before the next bucket's first frame.
        while (meter.bucket + 1 < count && meter.seen >= e.frames * (meter.bucket + 1) / count) ++meter.bucket;
        std::int32_t& peak = e.peaks[static_cast<std::size_t>(meter.bucket)];
        peak = std::max({peak, std::abs(std::int32_t{samples[i]}), std::abs(std::int32_t{samples[i + 1]})});
        ++meter.seen;
    }
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
