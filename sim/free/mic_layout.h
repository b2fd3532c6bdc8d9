// Arrays described by their microphones instead of built in: each microphone's place, the
// direction of its axis, its first-order pattern and its share in each channel, and the one rule
// that gives any such microphone its delay and level for a source on the sweep's circle. The
// renderers take the placements this gives at the sweep's positions, the analysis the same
// microphones at any angle. The six built-in arrays keep their own arithmetic (arrays.h), which
// differs from this rule in its conventions; their bytes never come from here.
#pragma once

#include <array>
#include <cstdint>
#include <variant>

#include "sim/model/arrays.h"
#include "sim/model/sweep.h"

namespace auralith {

struct PlacedMic {
    double lateral = 0;  // metres to the right of the array's centre
    double forward = 0;  // metres ahead of it, towards the source
    // The axis as a unit vector (sine and cosine of its angle from straight ahead, negative to
    // the left), worked out once so that no evaluation repeats the trigonometry.
    long double axisLateral = 0;
    long double axisForward = 1;
    double pattern = 1;  // p: the response is p + (1 - p) cos(psi) at psi off the axis
    long double leftShare = 0;
    long double rightShare = 0;
};

// Two microphones (left, then right, each all of its own channel), or three mixed as the
// built-in tree mixes: left, right, and the centre at half in each channel, each channel's sum
// scaled by 0.7612.
struct MicLayout {
    int count = 2;
    std::array<PlacedMic, 3> mics{};
};

// Ranges of the descriptions: what keeps every microphone at least 7 m from the source, so that
// no level factor reaches 2 and every model value stays below 2^16 (what the renderers' error
// bound asks, fast_dither.h).
inline constexpr double maxPairAngle = 180;    // degrees between the axes
inline constexpr double maxPairSpacing = 200;  // centimetres
inline constexpr double maxTreeWidth = 4;      // metres between the outer microphones
inline constexpr double maxTreeDepth = 3;      // metres the centre one stands forward

// A pair of one pattern, the axes `angle` degrees apart and symmetric about the front, the
// microphones `spacing` centimetres apart on the line across the front.
MicLayout pairLayout(double pattern, double angle, double spacing);

// The tree's layout: outer microphones `width` metres apart, the centre one `depth` metres
// forward, all of one pattern and all facing the front.
MicLayout treeLayout(double width, double depth, double pattern);

// What one microphone makes of a source: its level factor, and its delay against the array's
// centre in frames before the rounding.
struct MicHearing {
    long double factor;
    long double delay;
};

// The rule: the delay from the exact path length, ((r - 10) / 344) * rate frames; the level the
// pattern's response at the angle between the axis and the direction from the microphone's own
// position to the source, times the inverse distance relative to the 10 m of the centre, 10 / r.
MicHearing hearSource(const PlacedMic& mic, const SourcePlace& source, std::int32_t rate);

// The renderers' values at a position: delays rounded to the nearest frame, ties to even.
PairPlacement layoutPairPlacement(const MicLayout& layout, int position, double deg, std::int32_t rate);
TreePlacement layoutTreePlacement(const MicLayout& layout, int position, double deg, std::int32_t rate);

// Any array the programs can render and analyse: a built-in one of the menu, or one described.
using AnyArray = std::variant<MicArray, MicLayout>;

// Whether two arrays are one: the same built-in array, or described microphones in the same
// places with the same patterns, shares and axes (an omni's axis counts for nothing: its response
// is 1 whatever the angle). Such arrays give the same samples and numbers however they were asked for.
bool sameArray(const AnyArray& a, const AnyArray& b);

}  // namespace auralith
