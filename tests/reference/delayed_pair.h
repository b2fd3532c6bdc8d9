// The pairs whose microphones stand apart: each microphone's converted signal goes through a
// track of its own, shifted by its whole-frame delay, and the two tracks are interleaved at the end.
#pragma once

#include <cstdint>

#include "sim/frame.h"
#include "sim/mic_track.h"
#include "sim/placement.h"

namespace auralith::reference {

// placementAt(p) is called once per position, in order. Each value is x * factor * gain,
// converted left first and stored at p*B + rate + i + delay.
template <typename PlacementAt>
bool renderDelayedPair(const SweepInput& in, StereoBuffer& out, RandomState& random, std::int32_t margin,
                       PlacementAt placementAt) {
    auto left = createMicTrack<std::int16_t>(in.frames, margin);
    auto right = createMicTrack<std::int16_t>(in.frames, margin);
    if (!left || !right) return false;
    for (int p = 0; p < sweepPositions; ++p) {
        const PairPlacement place = placementAt(p);
        const std::int64_t start = static_cast<std::int64_t>(p) * in.blockFrames + in.rate;
        auto* leftAt = left->entries.data() + (start + place.leftDelay);
        auto* rightAt = right->entries.data() + (start + place.rightDelay);
        for (std::int32_t i = 0; i < in.n; ++i) {
            const long double x = in.x[i];
            leftAt[i] = ditherToSample(x * place.leftFactor * in.gain, random);
            rightAt[i] = ditherToSample(x * place.rightFactor * in.gain, random);
        }
    }
    interleaveTracks(*left, *right, out);
    return true;
}

}  // namespace auralith::reference
