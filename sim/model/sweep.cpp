#include "sim/model/sweep.h"

#include <cmath>

#include "sim/model/extended_math.h"

namespace auralith {

SourcePlace sourceAt(int position, double deg) {
    // The azimuth runs from -45 to +45 degrees in steps of 7.5 (a single-precision constant).
    return sourceAtAngle(sweepAngle(position), deg);
}

SourcePlace sourceAtAngle(long double degrees, double deg, double radius) {
    SourcePlace place{};
    place.azimuth = static_cast<double>(deg * degrees);
    const auto r = static_cast<long double>(radius);
    place.lateral = static_cast<double>(extendedSin(place.azimuth) * r);
    place.forward = static_cast<double>(extendedCos(place.azimuth) * r);
    return place;
}

double micDistance(const SourcePlace& source, long double lateralOffset, long double forwardOffset) {
    const long double forward = source.forward - forwardOffset;
    const long double lateral = source.lateral - lateralOffset;
    return static_cast<double>(std::sqrt(forward * forward + lateral * lateral));
}

long double micDelayFrames(double distance, std::int32_t rate, double radius) {
    return ((distance - static_cast<long double>(radius)) / 344) * rate;
}

std::int16_t micDelay(double distance, std::int32_t rate) {
    return static_cast<std::int16_t>(std::lrint(micDelayFrames(distance, rate)));
}

}  // namespace auralith
