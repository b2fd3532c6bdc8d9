#include "sim/room_render/sweep_layout.h"

#include <algorithm>

namespace auralith {

SweepLayout sharedLayout(std::span<const std::vector<SegmentExtent>> sweeps, std::int32_t n, std::int32_t rate) {
    // A second of silence after each sound, as in the free field, unless the frames a segment
    // reaches (its direct taps' spread, its reflections) need more in any of the sweeps.
    SweepLayout layout;
    const std::size_t segments = sweeps.empty() ? 0 : sweeps.front().size();
    std::int64_t soundEnd = 0, reachEnd = 0;
    for (std::size_t p = 0; p < segments; ++p) {
        std::int64_t start = soundEnd + rate;
        for (const auto& extents : sweeps)
            start = std::max(start, (p > 0 ? soundEnd + extents[p - 1].late : 0) - extents[p].early);
        layout.starts.push_back(start);
        soundEnd = start + n;
    }
    for (const auto& extents : sweeps)
        if (segments > 0) reachEnd = std::max(reachEnd, soundEnd + extents[segments - 1].late);
    layout.frames = std::max(soundEnd + rate, reachEnd);
    return layout;
}

}  // namespace auralith
