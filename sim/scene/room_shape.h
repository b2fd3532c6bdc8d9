// A shoebox room as a scene's surroundings hold it: its size, what each of its six surfaces absorbs
// in each octave band, and points in it. x runs across the width from the left wall (as seen from
// the array, which faces the stage), y from the back wall to the stage's end wall, z up. What the
// room does with them (images, responses, decay) is sim/room/'s.
#pragma once

#include <array>

namespace auralith {

// The octave bands the room is described in, by their centres in hertz.
inline constexpr int bandCount = 7;
inline constexpr std::array<double, bandCount> bandCentres{125, 250, 500, 1000, 2000, 4000, 8000};
using BandValues = std::array<double, bandCount>;

enum class Surface { left, right, stageEnd, back, floor, ceiling };
inline constexpr int surfaceCount = 6;

struct Room {
    double width = 0;                                   // x
    double depth = 0;                                   // y
    double height = 0;                                  // z
    std::array<BandValues, surfaceCount> absorption{};  // alpha per surface (Surface's order), per band
};

struct RoomPoint {
    double x = 0;
    double y = 0;
    double z = 0;
};

}  // namespace auralith
