#include "catalogue/rooms.h"

#include <array>

namespace auralith {

namespace {

// The sizes are the rooms' inner measures, rounded; their balconies, coffers and vaults are left
// out, so each shoebox holds somewhat more air than its room. The times are for the room as it is
// recorded in (the hall and the chamber with an audience, the studio and the church empty), from
// 125 Hz to 4 kHz after what the sources give, rounded to a tenth of a second: they stand for a
// room of the kind rather than quote a measurement band by band. No source gives 8 kHz:
// it is the 4 kHz time with the air's absorption at 8 kHz in place of that at 4 kHz (ISO 9613-1,
// 20 degrees, 50 %), by Sabine's rule 1/T8 = 1/T4 + 4 (m8 - m4) / (24 ln 10 / c) = 1/T4 + 0.433 /s.
//
// Each array stands off the room's centre line: on it, the side walls' images come in mirror
// pairs, so the two channels of a spaced pair hear alike tails, and their late coherence lies far
// above a real hall's. The sweep's arc fits inside the room at least 0.5 m from every wall for the
// default positions, and its centre stands where the players would be.
constexpr std::array presets{
    RoomPreset{"studio", "Abbey Road Studio Two, London",
               "size: Abbey Road Studios' description of Studio Two, 60 x 38 x 28 ft; times: the mid-band "
               "1.2 s the studio is known for, the bands shaped as a panelled live room's",
               11.6, 18.3, 8.5, BandValues{1.4, 1.3, 1.2, 1.2, 1.1, 1.0, 0.70}, RoomPoint{5.2, 11.3, 2.5}, 4},
    RoomPreset{"chamber", "Brahms-Saal of the Musikverein, Vienna",
               "size: the Gesellschaft der Musikfreunde's description, 32.5 x 10.3 x 11 m; times: the "
               "occupied room's 1.6 s at mid band, the bands shaped as a plastered shoebox's",
               10.3, 32.5, 11, BandValues{1.8, 1.7, 1.6, 1.6, 1.5, 1.3, 0.83}, RoomPoint{4.55, 22.5, 3}, 5},
    RoomPreset{"hall", "Grosser Musikvereinssaal, Vienna",
               "after L. L. Beranek, Concert Halls and Opera Houses, 2nd ed., Springer 2004: 48.8 x 19.1 x "
               "17.75 m; times shaped after the occupied hall's 2.0 s at mid band",
               19.1, 48.8, 17.75, BandValues{2.4, 2.2, 2.1, 2.0, 1.9, 1.6, 0.94}, RoomPoint{8.3, 30.8, 3.5}, 10},
    RoomPreset{"church", "King's College Chapel, Cambridge",
               "size: the chapel's 289 x 40 x 80 ft; times: the empty chapel's some 4.5 s at mid band, the "
               "bands shaped as a stone nave's",
               12.2, 88.4, 24.4, BandValues{5.0, 4.9, 4.6, 4.2, 3.5, 2.6, 1.22}, RoomPoint{5.5, 52, 3}, 6},
};

}  // namespace

std::span<const RoomPreset> roomPresets() { return presets; }

const RoomPreset* roomPreset(std::string_view key) {
    for (const RoomPreset& preset : presets)
        if (preset.key == key) return &preset;
    return nullptr;
}

std::string roomPresetKeys() {
    std::string keys;
    for (const RoomPreset& preset : presets) keys += (keys.empty() ? "" : ", ") + std::string(preset.key);
    return keys;
}

}  // namespace auralith
