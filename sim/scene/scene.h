// A scene: the surroundings, the sources in them and the rig that listens. What the surroundings
// make of each source at each microphone is an echogram (echogram.h).
#pragma once

#include <cstdint>
#include <variant>
#include <vector>

#include "sim/scene/rig.h"
#include "sim/scene/room_shape.h"

namespace auralith {

// A source's place, in metres from the rig's centre: to the right, ahead, above.
struct SourcePoint {
    double lateral = 0;
    double forward = 0;
    double up = 0;
};

// No surface: each microphone hears the direct sound alone.
struct FreeField {};

// A shoebox room around the rig, which faces the stage end (+y) from `arrayAt`, its left towards
// x = 0; the sources stand on the arc at `sourceHeight` above the floor. Each microphone hears
// the direct sound as in the free field, and the reflections besides (sim/room_render/), with the
// air's absorption on their paths unless `air` is false; `seed` displaces the images.
struct RoomField {
    Room room;
    RoomPoint arrayAt;
    double sourceHeight = 0;
    bool air = true;
    std::uint64_t seed = 1;
};

using Surroundings = std::variant<FreeField, RoomField>;

struct Scene {
    Surroundings surroundings;
    std::vector<SourcePoint> sources;
    Rig rig;
};

}  // namespace auralith
