// What each channel of an array picks up from a source at one angle: every microphone with its
// level factor, its delay against the array's centre and its share in each of the two channels,
// from the model the renderers use (a built-in array's own arithmetic, or the free field's rule
// for a rig). The plans and the analysis both start here.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/free/mic_layout.h"
#include "sim/model/arrays.h"
#include "sim/model/sweep.h"

namespace auralith {

struct Microphone {
    long double factor;      // the level factor the source is scaled by
    long double delay;       // frames against the array's centre
    long double leftShare;   // how much of it the left channel takes
    long double rightShare;  // and the right one
};

struct Pickup {
    std::vector<Microphone> mics;
    int count() const { return static_cast<int>(mics.size()); }
};

// At one of the sweep's positions, with the whole-frame delays the renderer uses.
Pickup pickupAtPosition(const AnyArray& array, int position, std::int32_t rate);

// At any angle in degrees (negative to the left) on the arc of `radius`, delays unrounded, so
// that values follow the angle smoothly.
Pickup pickupAtAngle(const AnyArray& array, long double degrees, std::int32_t rate, double radius = defaultArcRadius);

// The same with each delay rounded to the nearest frame (ties to even), as the renderers take it.
Pickup renderedPickupAtAngle(const AnyArray& array, long double degrees, std::int32_t rate,
                             double radius = defaultArcRadius);

// A rig's pickup of a source at that place (delays unrounded): pickupAtAngle at the place's
// angle, for a caller that has the place already. The rig's first two channels are its left and
// right. The place stands on the arc of `radius`, whose distance gives gain 1 and no delay.
Pickup layoutPickup(const Rig& rig, const SourcePlace& source, std::int32_t rate, double radius = defaultArcRadius);

// The same into a pickup that is filled again, so that a scan of many places allocates once.
void layoutPickupInto(const Rig& rig, const SourcePlace& source, std::int32_t rate, Pickup& pickup,
                      double radius = defaultArcRadius);

}  // namespace auralith
