// The six arrays of the menu and the arithmetic of their model, stated once: what each makes of
// one position of the sweep (the factors its microphones scale the source by and, for
// microphones that stand apart, their whole-frame delays), a microphone's value for one input
// sample, and the tree's mix. The straightforward renderers compute every value with these; the
// fast renderers approximate in double precision and come back here for every value they must
// compute exactly.
#pragma once

#include <cstdint>

#include "sim/model/sweep.h"

namespace auralith {

enum class MicArray {
    blumleinPair = 1,
    cardioidPair = 2,
    faulknerPair = 3,
    ortfPair = 4,
    spacedOmniPair = 5,
    threeOmniTree = 6,
};

inline constexpr int micArrayCount = 6;

// The arrays' measures, stated once for their arithmetic and for their drawings on the page: the
// angle of each directional pair's axes either side of the front, in degrees, and the distances in
// metres. Their types are the ones the arithmetic has always computed with.
inline constexpr int blumleinHalfAngle = 45;
inline constexpr float cardioidHalfAngle = 52.5f;
inline constexpr int ortfHalfAngle = 55;
inline constexpr float faulknerHalfSpacing = 0.1f;
inline constexpr float ortfHalfSpacing = 0.085f;
inline constexpr double spacedOmniHalfSpacing = 1;
inline constexpr float treeCentreForward = 1.5f;

// The coincident pairs: one factor per channel, no delay.
struct ChannelFactors {
    long double left;
    long double right;
};

// Per position: delay and factor of each channel's microphone.
struct PairPlacement {
    std::int16_t leftDelay;
    std::int16_t rightDelay;
    long double leftFactor;
    long double rightFactor;
};

struct TreePlacement {
    PairPlacement outer;
    std::int16_t centreDelay;
    long double centreFactor;
};

// The same arithmetic at any source angle in degrees (negative to the left), with the delays
// before their rounding: the localisation analysis follows the arrays off the sweep's thirteen
// positions. At a position's angle (sweepAngle) each gives the position's values exactly. The
// source stands on the arc of `radius` metres; the delays count from its arrival at the centre.
struct PairGeometry {
    long double leftDelay;  // frames, unrounded
    long double rightDelay;
    long double leftFactor;
    long double rightFactor;
};

struct TreeGeometry {
    PairGeometry outer;
    long double centreDelay;
    long double centreFactor;
};

ChannelFactors blumleinResponsesAt(long double degrees, double deg);
ChannelFactors cardioidResponsesAt(long double degrees, double deg);
PairGeometry faulknerGeometryAt(long double degrees, double deg, std::int32_t rate, double radius = defaultArcRadius);
PairGeometry ortfGeometryAt(long double degrees, double deg, std::int32_t rate, double radius = defaultArcRadius);
PairGeometry spacedOmniGeometryAt(long double degrees, double deg, std::int32_t rate, double reference,
                                  double radius = defaultArcRadius);
TreeGeometry treeGeometryAt(long double degrees, double deg, std::int32_t rate, double reference,
                            double radius = defaultArcRadius);

// The renderers' values at one position: the geometry at its angle, delays rounded to whole
// frames (nearest, ties to even).
ChannelFactors blumleinResponses(int position, double deg);
ChannelFactors cardioidResponses(int position, double deg);
PairPlacement faulknerPlacement(int position, double deg, std::int32_t rate);
PairPlacement ortfPlacement(int position, double deg, std::int32_t rate);

// The spaced microphones' reference distance: the left one's at the first position, the
// shortest of the sweep, so that no level factor exceeds 1.
double omniReferenceDistance(double deg, double radius = defaultArcRadius);
PairPlacement spacedOmniPlacement(int position, double deg, std::int32_t rate, double reference);
TreePlacement treePlacement(int position, double deg, std::int32_t rate, double reference);

// A microphone's value for input sample x: x times its factor times the guard gain, in that
// order, in extended precision. The pairs convert it as it stands.
inline long double channelValue(std::int16_t x, long double factor, double gain) {
    return static_cast<long double>(x) * factor * gain;
}

// The tree holds each microphone's value as a double until its mix.
inline double treeHeldValue(std::int16_t x, long double factor, double gain) {
    return static_cast<double>(channelValue(x, factor, gain));
}

// Each channel of the tree: half the centre microphone plus its outer one, times 0.7612.
inline constexpr float treeMixScale = 0.7612f;

inline long double treeMix(double centre, double outer) {
    return (static_cast<long double>(centre) * 0.5f + outer) * treeMixScale;
}

}  // namespace auralith
