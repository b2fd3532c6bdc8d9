// The inverse question: for a wanted stereo recording angle, the spacing at which a pair of a
// given pattern has it, at each angle between the axes. What Williams' "stereo zoom" charts and
// MARRS's configuration search give, here on the same rule and the same code as every recording
// angle the reports show.
#pragma once

#include <optional>
#include <vector>

#include "sim/analysis/localisation.h"

namespace auralith {

inline constexpr int designAngleStep = 10;        // degrees between the axes, 0 to 180
inline constexpr int designMostSpacing = 2000;    // tenths of a centimetre: 200 cm
inline constexpr double designAnglesMatch = 0.2;  // degrees: the most a listed spacing may miss by

struct SpacingFound {
    int angle = 0;                  // degrees between the axes
    std::optional<int> spacing;     // tenths of a centimetre; empty when no spacing gives it
    RecordingAngle recordingAngle;  // at that spacing
    // Why none does: what the pairs of this angle span, at 0 and at 200 cm; or, when the wanted
    // angle lies between those, the tenth of a centimetre past which the recording angle jumps
    // over it.
    RecordingAngle coincident;
    RecordingAngle widest;
    std::optional<int> jumpsAfter;
};

// One row for each angle between the axes, 0 to 180 degrees in steps of 10. Each is a bracketed
// search on the grid of tenths of a centimetre, between a spacing whose recording angle is at
// least the wanted one (none counts as wider than any) and one whose is at most, down to two
// neighbours; the nearer of them is kept when it is within designAnglesMatch of the wanted angle
// (where the recording angle jumps, neither is).
std::vector<SpacingFound> spacingsFor(double wanted, double pattern, const LoudspeakerBase& base = base30);

}  // namespace auralith
