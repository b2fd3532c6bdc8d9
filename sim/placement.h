// What each array makes of one position of the sweep: the factors its channels are scaled by
// and, for microphones that stand apart, their whole-frame delays. Worked out once per position.
#pragma once

#include <cstdint>

namespace auralith {

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

ChannelFactors blumleinResponses(int position, double deg);
ChannelFactors cardioidResponses(int position, double deg);
PairPlacement faulknerPlacement(int position, double deg, std::int32_t rate);
PairPlacement ortfPlacement(int position, double deg, std::int32_t rate);

// The spaced microphones' reference distance: the left one's at the first position, the
// shortest of the sweep.
double omniReferenceDistance(double deg);
PairPlacement spacedOmniPlacement(int position, double deg, std::int32_t rate, double reference);
TreePlacement treePlacement(int position, double deg, std::int32_t rate, double reference);

}  // namespace auralith
