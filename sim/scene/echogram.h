// What the surroundings make of one source at one microphone: the sound's arrivals, each a delay
// and a level. The free field gives one; a room gives one per reflection.
#pragma once

#include <vector>

namespace auralith {

struct Tap {
    long double delay;  // frames against the sound's arrival at the rig's centre, unrounded
    long double gain;   // the level factor the source is scaled by, the pattern's response included
};

struct Echogram {
    std::vector<Tap> taps;
};

}  // namespace auralith
