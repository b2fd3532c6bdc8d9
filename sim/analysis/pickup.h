// What each channel of an array picks up from a source at one angle: every microphone with its
// level factor, its delay against the array's centre and its share in each channel, from the
// model the renderers use.
#pragma once

#include <array>
#include <cstdint>

#include "sim/model/arrays.h"

namespace auralith {

struct Microphone {
    long double factor;      // the level factor the source is scaled by
    long double delay;       // frames against the array's centre
    long double leftShare;   // how much of it the left channel takes
    long double rightShare;  // and the right one
};

struct Pickup {
    int count = 0;  // 2, or 3 for the tree
    std::array<Microphone, 3> mics{};
};

// At one of the sweep's positions, with the whole-frame delays the renderer uses.
Pickup pickupAtPosition(MicArray array, int position, std::int32_t rate);

// At any angle in degrees (negative to the left), delays unrounded, so that values follow the
// angle smoothly.
Pickup pickupAtAngle(MicArray array, long double degrees, std::int32_t rate);

}  // namespace auralith
