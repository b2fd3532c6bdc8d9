// Two omnidirectional microphones 2 m apart: delay and inverse-distance level tell left from right.
#include <cmath>

#include "sim/model/arrays.h"
#include "sim/model/sweep.h"

namespace auralith {

double omniReferenceDistance(double deg, double radius) {
    return micDistance(sourceAtAngle(sweepAngle(0), deg, radius), -spacedOmniHalfSpacing, 0);
}

PairGeometry spacedOmniGeometryAt(long double degrees, double deg, std::int32_t rate, double reference, double radius) {
    const SourcePlace source = sourceAtAngle(degrees, deg, radius);
    const double rL = micDistance(source, -spacedOmniHalfSpacing, 0);
    const double rR = micDistance(source, spacedOmniHalfSpacing, 0);
    return {micDelayFrames(rL, rate, radius), micDelayFrames(rR, rate, radius),
            static_cast<long double>(reference) / rL, static_cast<long double>(reference) / rR};
}

PairPlacement spacedOmniPlacement(int position, double deg, std::int32_t rate, double reference) {
    const PairGeometry g = spacedOmniGeometryAt(sweepAngle(position), deg, rate, reference);
    return {static_cast<std::int16_t>(std::lrint(g.leftDelay)), static_cast<std::int16_t>(std::lrint(g.rightDelay)),
            g.leftFactor, g.rightFactor};
}

}  // namespace auralith
