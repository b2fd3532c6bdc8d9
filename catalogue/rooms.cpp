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
               11.6, 18.3, 8.5, BandValues{1.4, 1.3, 1.2, 1.2, 1.1, 1.0, 0.70}, RoomPoint{5.2, 11.3, 2.5}, 4,
               BandValues{0x1.32ce186045742p-2, 0x1.12d4b976cea04p-2, 0x1.0ca007f21ab6ep-2, 0x1.2bbbd9ae40d7ap-2,
                          0x1.26f0b5f39f35ap-2, 0x1.12eda4c5f5f96p-2, 0x1.06c212bc799f2p-2},
               BandValues{0x1.654be586fea72p+0, 0x1.4777377d460dfp+0, 0x1.2f358ab023f6bp+0, 0x1.37000c724eb4ep+0,
                          0x1.186ec31268f51p+0, 0x1.ff8bfbd59747fp-1, 0x1.66f6a14910f7ap-1}},
    RoomPreset{"chamber", "Brahms-Saal of the Musikverein, Vienna",
               "size: the Gesellschaft der Musikfreunde's description, 32.5 x 10.3 x 11 m; times: the "
               "occupied room's 1.6 s at mid band, the bands shaped as a plastered shoebox's",
               10.3, 32.5, 11, BandValues{1.8, 1.7, 1.6, 1.6, 1.5, 1.3, 0.83}, RoomPoint{4.55, 22.5, 3}, 5,
               BandValues{0x1.703f6badcf246p-2, 0x1.2ee4761ed5672p-2, 0x1.511c232677ec2p-2, 0x1.3aaa836bd88cep-2,
                          0x1.32bc0ca0355cap-2, 0x1.195cb3084a462p-2, 0x1.f95e439fc3614p-3},
               BandValues{0x1.cb5949d0bde82p+0, 0x1.b05648ced8ff5p+0, 0x1.97bb72f6d20f3p+0, 0x1.9a7bd62df202cp+0,
                          0x1.8014d9df12239p+0, 0x1.4cb0d43e7fdcbp+0, 0x1.a8ec197ea823fp-1}},
    RoomPreset{"hall", "Grosser Musikvereinssaal, Vienna",
               "after L. L. Beranek, Concert Halls and Opera Houses, 2nd ed., Springer 2004: 48.8 x 19.1 x "
               "17.75 m; times shaped after the occupied hall's 2.0 s at mid band",
               19.1, 48.8, 17.75, BandValues{2.4, 2.2, 2.1, 2.0, 1.9, 1.6, 0.94}, RoomPoint{8.3, 30.8, 3.5}, 10,
               BandValues{0x1.91081f572af24p-2, 0x1.6afd8911aaaeap-2, 0x1.650923e923276p-2, 0x1.9de27beb22742p-2,
                          0x1.6e8b0b5340ecp-2, 0x1.46bc3c6a555cap-2, 0x1.3cb3630db518p-2},
               BandValues{0x1.332599ef1b81ap+1, 0x1.1bdade6221965p+1, 0x1.0ca454c9e6e0ap+1, 0x1.00e3db3f703ccp+1,
                          0x1.e6b380ef10d23p+0, 0x1.99d015594d573p+0, 0x1.e1898b1aab097p-1}},
    RoomPreset{"church", "King's College Chapel, Cambridge",
               "size: the chapel's 289 x 40 x 80 ft; times: the empty chapel's some 4.5 s at mid band, the "
               "bands shaped as a stone nave's",
               12.2, 88.4, 24.4, BandValues{5.0, 4.9, 4.6, 4.2, 3.5, 2.6, 1.22}, RoomPoint{5.5, 52, 3}, 6,
               BandValues{0x1.5ca2c4f56531cp-2, 0x1.10ec9b23602aap-2, 0x1.0372e8aa5c9ap-2, 0x1.3bac2e4a1dea2p-2,
                          0x1.02349a07c70acp-2, 0x1.6dccb24045882p-3, 0x1.5ba68b589501p-3},
               BandValues{0x1.44d62426c8259p+2, 0x1.3b87e4a4e5c65p+2, 0x1.2498a067b1b83p+2, 0x1.114319e6fb37ep+2,
                          0x1.b9946f4952464p+1, 0x1.4d2d01d4087b6p+1, 0x1.38d61a9855fcbp+0}},
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
