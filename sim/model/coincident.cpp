// The two coincident pairs: two directional microphones at one point, so the channels differ
// only in level, without delay.
#include "sim/model/arrays.h"
#include "sim/model/extended_math.h"
#include "sim/model/sweep.h"

namespace auralith {

ChannelFactors blumleinResponsesAt(long double degrees, double deg) {
    // The angle between the source and the left figure of eight's axis (0 to 90 degrees over the
    // sweep); the right one's axis stands 90 degrees further, so its response is the sine.
    const auto theta = static_cast<double>((degrees + blumleinHalfAngle) * deg);
    return {extendedCos(theta), extendedSin(theta)};
}

ChannelFactors cardioidResponsesAt(long double degrees, double deg) {
    // Axes 52.5 degrees either side: a is the source's angle off the left axis, 105 - a off the
    // right one.
    const auto a = static_cast<double>(degrees + cardioidHalfAngle);
    const auto beta = static_cast<double>(deg * (2 * cardioidHalfAngle - static_cast<long double>(a)));
    const auto alpha = static_cast<double>(deg * static_cast<long double>(a));
    return {extendedCos(alpha) * 0.5f + 0.5f, extendedCos(beta) * 0.5f + 0.5f};
}

ChannelFactors blumleinResponses(int position, double deg) { return blumleinResponsesAt(sweepAngle(position), deg); }

ChannelFactors cardioidResponses(int position, double deg) { return cardioidResponsesAt(sweepAngle(position), deg); }

}  // namespace auralith
