// The two coincident pairs: two directional microphones at one point, so the channels differ
// only in level, without delay.
#include "sim/model/arrays.h"
#include "sim/model/extended_math.h"

namespace auralith {

ChannelFactors blumleinResponses(int position, double deg) {
    // The angle between the source and the left figure of eight's axis, 0 to 90 degrees; the
    // right one's axis stands 90 degrees further, so its response is the sine.
    const auto theta = static_cast<double>((7.5f * static_cast<long double>(position)) * deg);
    return {extendedCos(theta), extendedSin(theta)};
}

ChannelFactors cardioidResponses(int position, double deg) {
    // Axes 52.5 degrees either side: a is the source's angle off the left axis, 105 - a off the
    // right one.
    const auto a = static_cast<double>(7.5f * static_cast<long double>(position) + 7.5f);
    const auto beta = static_cast<double>(deg * (105 - static_cast<long double>(a)));
    const auto alpha = static_cast<double>(deg * static_cast<long double>(a));
    return {extendedCos(alpha) * 0.5f + 0.5f, extendedCos(beta) * 0.5f + 0.5f};
}

}  // namespace auralith
