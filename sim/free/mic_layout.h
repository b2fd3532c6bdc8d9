// The free field, and the arrays described by their microphones (rigs) instead of built in: the
// rigs of the described pairs and trees, and the one rule that gives any microphone its delay and
// level for a source anywhere, the direct sound being all the free field gives. The plans take
// the echograms this gives at the program's places, the analysis the same microphones at any
// angle. The six built-in arrays keep their own arithmetic (arrays.h), which
// differs from this rule in its conventions; their bytes never come from here.
#pragma once

#include <cstdint>
#include <variant>

#include "sim/model/arrays.h"
#include "sim/model/sweep.h"
#include "sim/scene/echogram.h"
#include "sim/scene/rig.h"
#include "sim/scene/scene.h"

namespace auralith {

// Ranges of the descriptions: what keeps every microphone at least 7 m from the source, so that
// no level factor reaches 2 and every model value stays below 2^16 (what the renderers' error
// bound asks, fast_dither.h).
inline constexpr double maxPairAngle = 180;    // degrees between the axes
inline constexpr double maxPairSpacing = 200;  // centimetres
inline constexpr double maxTreeWidth = 4;      // metres between the outer microphones
inline constexpr double maxTreeDepth = 3;      // metres the centre one stands forward

// A pair of one pattern, the axes `angle` degrees apart and symmetric about the front, the
// microphones `spacing` centimetres apart on the line across the front.
Rig pairLayout(double pattern, double angle, double spacing);

// The tree's layout: outer microphones `width` metres apart, the centre one `depth` metres
// forward, all of one pattern and all facing the front.
Rig treeLayout(double width, double depth, double pattern);

// What one microphone makes of a source: its level factor, and its delay against the array's
// centre in frames before the rounding.
struct MicHearing {
    long double factor;
    long double delay;
};

// The rule: the delay from the exact path length, ((r - R) / 344) * rate frames; the level the
// pattern's response at the angle between the axis and the direction from the microphone's own
// position to the source, times the inverse distance relative to the arc's radius, R / r (R is
// 10 m unless a run sets another).
MicHearing hearSource(const RigMic& mic, const SourcePoint& source, std::int32_t rate,
                      double radius = defaultArcRadius);

// The source at a place of the sweep's circle, as a point of the scene.
SourcePoint sourcePoint(const SourcePlace& place);

// What the free field makes of a source at a microphone: the direct sound alone, by the rule above.
Echogram freeFieldEchogram(const RigMic& mic, const SourcePoint& source, std::int32_t rate,
                           double radius = defaultArcRadius);

// Any array the programs can render and analyse: a built-in one of the menu, or one described.
using AnyArray = std::variant<MicArray, Rig>;

// A built-in array's microphones as a rig: where they stand, their axes and patterns, for what
// its own arithmetic does not model (a room's reflections). Its direct sound never comes from here.
Rig builtInRig(MicArray array);

// The rig of any array: a described one's own, a built-in one's by builtInRig.
Rig rigOf(const AnyArray& array);

// Whether two arrays are one: the same built-in array, or described microphones in the same
// places with the same patterns, shares and axes (an omni's axis counts for nothing: its response
// is 1 whatever the angle). Such arrays give the same samples and numbers however they were asked for.
bool sameArray(const AnyArray& a, const AnyArray& b);

}  // namespace auralith
