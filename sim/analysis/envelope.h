// Where the sound is in a render: its largest sample in each of a few hundred equal stretches of
// time, for the page to draw under the time line. Integers, so that every platform draws the same.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace auralith {

struct Envelope {
    std::int64_t frames = 0;          // the render's frames, which the buckets divide
    std::vector<std::int32_t> peaks;  // per bucket, the largest |sample| of either channel (0 to 32768)
};

// Of 16-bit stereo samples interleaved by frame: bucket b holds the frames from frames * b / B up
// to frames * (b + 1) / B, so that every frame is in exactly one and none is empty. B is `buckets`,
// or the frames where there are fewer (a render of no frames has no buckets).
Envelope peakEnvelope(std::span<const std::int16_t> samples, int buckets);

// The same worked out as the samples come, a run at a time in order (a render handed on as its
// blocks are made): begun with the render's frames, it holds peakEnvelope's once every frame has
// come.
struct EnvelopeMeter {
    Envelope envelope;
    std::int64_t seen = 0;    // frames come so far
    std::int64_t bucket = 0;  // the bucket the next frame falls in
};
EnvelopeMeter envelopeMeter(std::int64_t frames, int buckets);
void addToEnvelope(EnvelopeMeter& meter, std::span<const std::int16_t> samples);

// Bucket by bucket the larger of two envelopes of the same frames and buckets (`into` when empty
// takes `other` as it is): one drawing for renders that are all heard at the same moments.
void takeLouder(Envelope& into, const Envelope& other);

}  // namespace auralith
