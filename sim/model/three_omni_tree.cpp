// The three-omni tree: the spaced pair plus a centre microphone 1.5 m ahead of it.
#include <cmath>

#include "sim/model/arrays.h"
#include "sim/model/sweep.h"

namespace auralith {

TreeGeometry treeGeometryAt(long double degrees, double deg, std::int32_t rate, double reference, double radius) {
    const SourcePlace source = sourceAtAngle(degrees, deg, radius);
    const double rC = micDistance(source, 0, treeCentreForward);
    return {spacedOmniGeometryAt(degrees, deg, rate, reference, radius), micDelayFrames(rC, rate, radius),
            static_cast<long double>(reference) / rC};
}

TreePlacement treePlacement(int position, double deg, std::int32_t rate, double reference) {
    const SourcePlace source = sourceAt(position, deg);
    const double rC = micDistance(source, 0, treeCentreForward);
    return {spacedOmniPlacement(position, deg, rate, reference), micDelay(rC, rate),
            static_cast<long double>(reference) / rC};
}

}  // namespace auralith
