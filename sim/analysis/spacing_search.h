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
inline constexpr int designMostSpacing = 200000;  // thousandths of a centimetre: 200 cm
inline constexpr int designCoarseStep = 100;      // thousandths of a centimetre: the first grid's tenth
inline constexpr double designAnglesMatch = 0.2;  // degrees: the most a listed spacing may miss by

struct SpacingFound {
    int angle = 0;                  // degrees between the axes
    std::optional<int> spacing;     // thousandths of a centimetre; empty when no spacing gives it
    RecordingAngle recordingAngle;  // at that spacing
    // Why none does: what the pairs of this angle span, at 0 and at 200 cm; or, when the wanted
    // angle lies between those, the two neighbouring thousandths of a centimetre between which
    // the recording angle jumps over it, and their recording angles.
    RecordingAngle coincident;
    RecordingAngle widest;
    std::optional<int> jumpsAfter;
    RecordingAngle jumpFrom;
    RecordingAngle jumpTo;
};

// One row for each angle between the axes, 0 to 180 degrees in steps of 10; for omnis, whose
// response is the same at every angle of incidence, the one row of 0 degrees, since the axes
// change nothing. Each row is a bracketed search between a spacing whose recording angle is at
// least the wanted one (none counts as wider than any: the image would need a source past the
// arc's end) and one whose is at most, down to two neighbours on the grid of tenths of a
// centimetre, and where neither of those is within designAnglesMatch of the wanted angle, on
// between them down to two neighbouring thousandths, the finest spacing -a takes. The nearer of
// the last two is kept when it is within designAnglesMatch (where the recording angle jumps,
// neither is).
std::vector<SpacingFound> spacingsFor(double wanted, double pattern, const LoudspeakerBase& base = base30);

}  // namespace auralith
