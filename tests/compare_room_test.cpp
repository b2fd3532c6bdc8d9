// The room's options: each bad value refused in its own words, what the good ones resolve to, and
// the presets' rooms ringing as their sources say.
#include <gtest/gtest.h>

#include <cmath>
#include <ostream>
#include <string>
#include <vector>

#include "catalogue/rooms.h"
#include "job/compare/options.h"
#include "sim/room/air_absorption.h"
#include "support/test_support.h"
#if AURALITH_ROOM_RESPONSES
#include "sim/room/absorption_solver.h"
#endif

namespace auralith {
namespace {

using testing::words;

struct BadRoom {
    std::string args;     // before the input's name
    std::string message;  // the whole message, or its start where the solver gives the limit
    bool whole = true;
};

void PrintTo(const BadRoom& bad, std::ostream* out) { *out << bad.args; }

class RoomUsageError : public ::testing::TestWithParam<BadRoom> {};

TEST_P(RoomUsageError, SaysWhatIsWrong) {
    const ParsedOptions parsed = parseCompareOptions(words(GetParam().args + " take.wav"));
    EXPECT_EQ(parsed.action, ParsedOptions::Action::usageError);
    if (GetParam().whole)
        EXPECT_EQ(parsed.error, GetParam().message);
    else
        EXPECT_EQ(parsed.error.substr(0, GetParam().message.size()), GetParam().message) << parsed.error;
}

const std::string presets = "studio, chamber, hall, church";
const std::string bands = "125, 250, 500, 1k, 2k, 4k, 8k";

// Each bad value and its message; the times a room can ring are measured on its responses, where
// the build has them.
std::vector<BadRoom> badRooms() {
    std::vector<BadRoom> rows{
        BadRoom{"--room 26x42", "--room '26x42' is neither WxDxH in metres (such as 26x42x17) nor one of " + presets},
        BadRoom{"--room arena", "--room 'arena' is neither WxDxH in metres (such as 26x42x17) nor one of " + presets},
        BadRoom{"--room 1.5x42x17", "--room '1.5x42x17': W '1.5' is not a length of 2 to 100 metres"},
        BadRoom{"--room=26x42x100.5", "--room '26x42x100.5': H '100.5' is not a length of 2 to 100 metres"},
        BadRoom{"--room hall --rt60 0",
                "--rt60 '0' is neither a time of above 0 to 7.9 seconds nor BAND:T,... for the bands " + bands},
        BadRoom{"--room hall --rt60 8",
                "--rt60 '8' is neither a time of above 0 to 7.9 seconds nor BAND:T,... for "
                "the bands " +
                    bands},
        BadRoom{"--room hall --rt60 125:2,3k:1", "--rt60 '125:2,3k:1': '3k:1' is not BAND:T, BAND one of " + bands},
        BadRoom{"--room hall --rt60 125:2,1k:x",
                "--rt60 '125:2,1k:x': 'x' at 1k is not a time of above 0 to 7.9 "
                "seconds"},
        BadRoom{"--room hall --rt60 1k:2,1k:2", "--rt60 '1k:2,1k:2': 1k is given twice"},
        BadRoom{"--room hall --rt60 125:2,250:2,500:2,1k:2,2k:2,4k:2",
                "--rt60 '125:2,250:2,500:2,1k:2,2k:2,4k:2': 8k is missing (all seven bands, or one time for all)"},
        BadRoom{"--room hall --absorption 0.1,0.2",
                "--absorption '0.1,0.2' is neither one value of 0 to 1 nor six "
                "(left, right, stage end, back, floor, ceiling)"},
        BadRoom{"--room hall --absorption 1.5", "--absorption '1.5': '1.5' is not a number of 0 to 1"},
        BadRoom{"--room hall --array-at 8,30",
                "--array-at '8,30' is not X,Y,Z in metres from the left wall, the "
                "back wall and the floor (such as 8.3,30.8,3.5)"},
        BadRoom{"--distance 0.5", "--distance '0.5' is not a distance of 1 to 100 metres"},
        BadRoom{"--source-height 2m", "--source-height '2m' is not a height of -100 to 100 metres"},
        BadRoom{"--rt60 2", "--rt60 goes with --room"},
        BadRoom{"--absorption 0.3", "--absorption goes with --room"},
        BadRoom{"--no-air", "--no-air goes with --room"},
        BadRoom{"--source-height 1", "--source-height goes with --room"},
        BadRoom{"--array-at 1,1,1", "--array-at goes with --room"},
        BadRoom{"--room hall --rt60 2 --absorption 0.3", "--rt60 and --absorption cannot go together"},
        BadRoom{"--room 26x42x17", "--room 26 x 42 x 17 m needs --rt60 or --absorption"},
        BadRoom{"--responses", "--responses goes with --room"},
        BadRoom{"--room studio --responses --no-audio",
                "--responses goes with the renders: it cannot go with --no-audio"},
        BadRoom{"--room hall --array-at 0.3,20,3",
                "the array (x 0.3, y 20, z 3 m) is 0.3 m from the left wall (0.5 m "
                "at least)"},
        BadRoom{"--room hall --array-at 8,60,3",
                "the array (x 8, y 60, z 3 m) lies outside the room, past the stage "
                "end wall"},
        BadRoom{"--room hall --distance 20",
                "the source at -45 degrees (x -5.84, y 44.94, z 3.5 m) lies outside the room, past the left wall"},
        BadRoom{"--room studio --source-height 8.2",
                "the source at -45 degrees (x 2.37, y 14.13, z 8.2 m) is 0.3 m from the ceiling (0.5 m at least)"},
        BadRoom{"--room 20x30x10 --absorption 0.001",
                "--absorption: a room of 20 x 30 x 10 m that absorbs so little "
                "rings too long to be simulated (some ",
                false}};
#if AURALITH_ROOM_RESPONSES
    rows.push_back(
        {"--room hall --rt60 0.3", "--rt60: 0.3 s at 125 Hz is shorter than this room can ring: at least ", false});
    rows.push_back({"--room hall --rt60 125:2,250:2,500:2,1k:2,2k:2,4k:2,8k:3",
                    "--rt60: 3 s at 8 kHz is longer than this room can ring: at most 1.", false});
#endif
    return rows;
}

INSTANTIATE_TEST_SUITE_P(EachValue, RoomUsageError, ::testing::ValuesIn(badRooms()));

// The options' values as the room takes them, in free field and in a room of one's own size.
TEST(RoomSetting, WhatTheOptionsResolveTo) {
    const ParsedOptions free = parseCompareOptions(words("--distance 7.5 take.wav"));
    EXPECT_EQ(free.options.distance, 7.5);
    EXPECT_FALSE(free.options.room.has_value());
    EXPECT_EQ(parseCompareOptions({"--design", "90", "--distance", "5"}).error,
              "--design takes none of the room's options");

    const auto walls = parseCompareOptions(words("--room 20x30x10 --absorption 0.1,0.2,0.3,0.4,0.5,0.6 take.wav"));
    ASSERT_TRUE(walls.options.room.has_value()) << walls.error;
    const RoomSetting& w = *walls.options.room;
    EXPECT_EQ(w.name, "20 x 30 x 10 m");
    EXPECT_FALSE(w.targeted);
    // Off the centre line, the arc's centre 2 m before the stage's end wall, 3 m up.
    EXPECT_NEAR(w.arrayAt.x, 9.2, 1e-12);
    EXPECT_NEAR(w.arrayAt.y, 18, 1e-12);
    EXPECT_EQ(w.arrayAt.z, 3);
    for (int s = 0; s < surfaceCount; ++s)
        for (double alpha : w.room.absorption[static_cast<std::size_t>(s)]) EXPECT_NEAR(alpha, 0.1 * (s + 1), 1e-12);

#if AURALITH_ROOM_RESPONSES
    // One time for every band: the air keeps 8 kHz below 2 s in any room, so it gets the longest it can.
    const auto own = parseCompareOptions(
        words("--room=26x42x17 --rt60 2 --array-at 12,20,3 --distance 8 --source-height 2.5 take.wav"));
    ASSERT_TRUE(own.options.room.has_value()) << own.error;
    const RoomSetting& r = *own.options.room;
    EXPECT_EQ(own.options.distance, 8);
    EXPECT_EQ(r.sourceHeight, 2.5);
    EXPECT_TRUE(r.air);
    EXPECT_TRUE(r.targeted);
    for (int b = 0; b < bandCount; ++b) {
        EXPECT_EQ(r.airLimited[static_cast<std::size_t>(b)], b == 6) << b;
        EXPECT_EQ(r.target[static_cast<std::size_t>(b)] == 2, b < 6) << b;
        EXPECT_NEAR(r.measured[static_cast<std::size_t>(b)] / r.target[static_cast<std::size_t>(b)], 1, 0.05) << b;
    }
    EXPECT_LT(r.target[6], 1.66);
#endif
}

#if AURALITH_ROOM_RESPONSES

// Each preset's room rings as its source says, measured on its own response, with the array off
// the centre line; its 8 kHz time is the 4 kHz one with the air's absorption at 8 kHz instead.
// The absorption a preset holds is what the solver finds for it as it stands (to another
// machine's rounding of the transforms), and what a run in it takes.
TEST(RoomSetting, EachPresetMeetsItsTimesAsMeasured) {
    const double airTerm = 4 * (airAbsorptionDbPerMetre(8000) - airAbsorptionDbPerMetre(4000)) / (10 / std::log(10.0)) /
                           (24 * std::log(10.0) / soundSpeed);
    for (const RoomPreset& preset : roomPresets()) {
        EXPECT_NEAR(preset.seconds[6], 1 / (1 / preset.seconds[5] + airTerm), 0.005) << preset.key;
        const ParsedOptions parsed = parseCompareOptions({"--room", std::string(preset.key), "take.wav"});
        ASSERT_TRUE(parsed.options.room.has_value()) << parsed.error;
        const RoomSetting& s = *parsed.options.room;
        EXPECT_EQ(s.name, preset.key);
        EXPECT_EQ(parsed.options.distance, preset.distance);
        EXPECT_GE(std::abs(s.arrayAt.x - preset.width / 2), 0.5) << preset.key;
        for (int b = 0; b < bandCount; ++b)
            EXPECT_NEAR(s.measured[static_cast<std::size_t>(b)] / preset.seconds[static_cast<std::size_t>(b)], 1, 0.05)
                << preset.key << " " << bandCentres[static_cast<std::size_t>(b)];
        EXPECT_EQ(s.room.absorption[0], preset.absorption);
        const auto found = solveAbsorption({preset.width,
                                            preset.depth,
                                            preset.height,
                                            preset.arrayAt,
                                            sourceOnArc(preset.arrayAt, preset.distance, preset.arrayAt.z, 0),
                                            preset.seconds,
                                            {44100, 1},
                                            1,
                                            true});
        ASSERT_TRUE(std::holds_alternative<AbsorptionFit>(found)) << preset.key;
        for (std::size_t b = 0; b < bandCount; ++b) {
            EXPECT_NEAR(std::get<AbsorptionFit>(found).absorption[b], preset.absorption[b], 1e-9) << preset.key;
            EXPECT_NEAR(std::get<AbsorptionFit>(found).measured[b], preset.measured[b], 1e-9) << preset.key;
        }
    }
}
#endif

}  // namespace
}  // namespace auralith
