// A scene: the surroundings, the sources in them and the rig that listens. What the surroundings
// make of each source at each microphone is an echogram (echogram.h).
#pragma once

#include <variant>
#include <vector>

#include "sim/scene/rig.h"

namespace auralith {

// A source's place, in metres from the rig's centre: to the right, ahead, above.
struct SourcePoint {
    double lateral = 0;
    double forward = 0;
    double up = 0;
};

// No surface: each microphone hears the direct sound alone.
struct FreeField {};

using Surroundings = std::variant<FreeField>;

struct Scene {
    Surroundings surroundings;
    std::vector<SourcePoint> sources;
    Rig rig;
};

}  // namespace auralith
