// The rooms auralith-compare knows by name (--room studio, chamber, hall, church): each the size
// and the reverberation times per octave band of a real room of its kind, and the place a
// recording engineer would give the array in it.
#pragma once

#include <span>
#include <string>
#include <string_view>

#include "sim/room/room.h"

namespace auralith {

struct RoomPreset {
    std::string_view key;     // what --room takes
    std::string_view title;   // the room it stands for
    std::string_view source;  // where its size and reverberation times are published
    double width = 0;         // metres across, x
    double depth = 0;         // metres from the back wall to the stage's end wall, y
    double height = 0;        // metres, z
    BandValues seconds{};     // the reverberation time in each band, 125 Hz to 8 kHz
    RoomPoint arrayAt;        // the array's default place
    double distance = 0;      // the sweep's default radius: the arc fits the room
    // The absorption that meets `seconds` as measured (solveAbsorption, the array at its place,
    // the arc's centre at its radius and height, the air absorbing), and the T30 it measures:
    // found once, so that a run in the preset as it stands does not spend a second finding it
    // again, and the same on every machine (a test finds it again).
    BandValues absorption{};
    BandValues measured{};
};

std::span<const RoomPreset> roomPresets();

// The preset of that key, or nothing.
const RoomPreset* roomPreset(std::string_view key);

// "studio, chamber, hall, church".
std::string roomPresetKeys();

}  // namespace auralith
