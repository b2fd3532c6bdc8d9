// How a sweep in a room is laid out in time: where each segment's sound begins, so that each
// position's reverberation dies away before the next one's sound. Plain values, without the
// responses (and their transforms), so that a run can hold the layout while no response is kept.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

namespace auralith {

// Where each segment's sound begins in the output, and the output's frames.
struct SweepLayout {
    std::vector<std::int64_t> starts;
    std::int64_t frames = 0;
};

// What one segment's sound reaches around it, in frames: `early` (0 or fewer) against its start,
// `late` (0 or more) after its last sample of sound.
struct SegmentExtent {
    std::int64_t early = 0;
    std::int64_t late = 0;
};

// The layout that holds every one of several sweeps of the same positions and recording of n
// samples: each segment a second after the previous one's sound, or later where any sweep's
// reverberation (or its next segment's early reflections) needs it, and a second after the last
// sound or the longest tail. One sweep's extents give that sweep's own layout.
SweepLayout sharedLayout(std::span<const std::vector<SegmentExtent>> sweeps, std::int32_t n, std::int32_t rate);

}  // namespace auralith
