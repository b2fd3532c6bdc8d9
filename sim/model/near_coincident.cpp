// The two near-coincident pairs: directional microphones a few centimetres apart, so the
// channels differ in level (polar response) and in arrival time (whole-frame delay).
#include <cmath>

#include "sim/model/arrays.h"
#include "sim/model/extended_math.h"
#include "sim/model/sweep.h"

namespace auralith {

namespace {

PairPlacement rounded(const PairGeometry& g) {
    return {static_cast<std::int16_t>(std::lrint(g.leftDelay)), static_cast<std::int16_t>(std::lrint(g.rightDelay)),
            g.leftFactor, g.rightFactor};
}

}  // namespace

PairGeometry faulknerGeometryAt(long double degrees, double deg, std::int32_t rate, double radius) {
    // Two figures of eight facing straight ahead; each sees the source at the angle from its
    // own position.
    const long double h = faulknerHalfSpacing;
    const SourcePlace source = sourceAtAngle(degrees, deg, radius);
    const double rL = micDistance(source, -h, 0);
    const double rR = micDistance(source, h, 0);
    const auto alphaL = static_cast<double>(extendedAtan((h + source.lateral) / source.forward));
    const auto alphaR = static_cast<double>(extendedAtan((source.lateral - h) / source.forward));
    return {micDelayFrames(rL, rate, radius), micDelayFrames(rR, rate, radius), extendedCos(alphaL),
            extendedCos(alphaR)};
}

PairGeometry ortfGeometryAt(long double degrees, double deg, std::int32_t rate, double radius) {
    // Two cardioids with axes 55 degrees either side; their angles are taken from the centre.
    const long double h = ortfHalfSpacing;
    const SourcePlace source = sourceAtAngle(degrees, deg, radius);
    const double rL = micDistance(source, -h, 0);
    const double rR = micDistance(source, h, 0);
    const auto a = static_cast<double>(degrees + ortfHalfAngle);
    const auto alphaR = static_cast<double>(deg * (2 * ortfHalfAngle - static_cast<long double>(a)));
    const auto alphaL = static_cast<double>(deg * static_cast<long double>(a));
    return {micDelayFrames(rL, rate, radius), micDelayFrames(rR, rate, radius), extendedCos(alphaL) * 0.5f + 0.5f,
            extendedCos(alphaR) * 0.5f + 0.5f};
}

PairPlacement faulknerPlacement(int position, double deg, std::int32_t rate) {
    return rounded(faulknerGeometryAt(sweepAngle(position), deg, rate));
}

PairPlacement ortfPlacement(int position, double deg, std::int32_t rate) {
    return rounded(ortfGeometryAt(sweepAngle(position), deg, rate));
}

}  // namespace auralith
