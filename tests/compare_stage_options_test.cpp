// A stage's command line: each player's file, place and channel as read, and each wrong one
// refused in one line that names it.
#include <gtest/gtest.h>

#include <optional>
#include <ostream>
#include <string>
#include <vector>

#include "job/compare/options.h"
#include "support/test_support.h"

namespace auralith {
namespace {

using testing::words;

// A room that needs no solving, 20 x 30 x 10 m: the array at (9.2, 18, 3), the arc's radius 10.
const std::string room = "--room 20x30x10 --absorption 0.3 ";

struct GoodEntry {
    std::string args;
    std::size_t player;  // which of the players is looked at
    StageEntry want;
};

void PrintTo(const GoodEntry& good, std::ostream* out) { *out << good.args; }

class StageEntryRead : public ::testing::TestWithParam<GoodEntry> {};

TEST_P(StageEntryRead, HoldsFilePlaceAndChannel) {
    const ParsedOptions parsed = parseCompareOptions(words(GetParam().args));
    ASSERT_EQ(parsed.action, ParsedOptions::Action::run) << parsed.error;
    EXPECT_EQ(parsed.options.input, "");
    ASSERT_LT(GetParam().player, parsed.options.stage.size());
    const StageEntry& got = parsed.options.stage[GetParam().player];
    const StageEntry& want = GetParam().want;
    EXPECT_EQ(got.entry, want.entry);
    EXPECT_EQ(got.file, want.file);
    EXPECT_EQ(got.millidegrees, want.millidegrees);
    EXPECT_EQ(got.distance, want.distance);
    EXPECT_EQ(got.height, want.height);
    EXPECT_EQ(got.channel, want.channel);
    EXPECT_EQ(got.gainDb, want.gainDb);
}

INSTANTIATE_TEST_SUITE_P(
    Players, StageEntryRead,
    ::testing::Values(
        GoodEntry{"vl.wav@-30", 0, {"vl.wav@-30", "vl.wav", -30000, {}, {}, 0, 0}},
        GoodEntry{"me@home.wav@12.125:8", 0, {"me@home.wav@12.125:8", "me@home.wav", 12125, 8.0, {}, 0, 0}},
        GoodEntry{room + "vl.wav@-30 vc.wav@30:9:1.2#2", 1, {"vc.wav@30:9:1.2#2", "vc.wav", 30000, 9.0, 1.2, 2, 0}},
        GoodEntry{"x.wav@+90#12 y.wav@-90", 0, {"x.wav@+90#12", "x.wav", 90000, {}, {}, 12, 0}},
        GoodEntry{"--gain=v=1=-3.5 --gain x=24 v=1@0 x@20 v=1@40:2", 2, {"v=1@40:2", "v=1", 40000, 2.0, {}, 0, -3.5}}));

// One argument without a place stays the sweep's recording, '@' and all.
TEST(StageEntryRead, AnArgumentWithoutAPlaceIsTheSweep) {
    const ParsedOptions parsed = parseCompareOptions({"me@home.wav"});
    EXPECT_EQ(parsed.options.input, "me@home.wav");
    EXPECT_TRUE(parsed.options.stage.empty());
}

struct BadStage {
    std::string args;
    std::string message;  // a fragment of it
};

void PrintTo(const BadStage& bad, std::ostream* out) { *out << bad.args; }

class StageUsageError : public ::testing::TestWithParam<BadStage> {};

TEST_P(StageUsageError, NamesTheEntry) {
    const ParsedOptions parsed = parseCompareOptions(words(GetParam().args));
    EXPECT_EQ(parsed.action, ParsedOptions::Action::usageError);
    EXPECT_NE(parsed.error.find(GetParam().message), std::string::npos) << parsed.error;
    EXPECT_EQ(parsed.error.find('\n'), std::string::npos);
}

std::string crowd() {
    std::string players;
    for (int k = 0; k <= 64; ++k)
        players += (k > 0 ? " p" : "p") + std::to_string(k) + ".wav@" + std::to_string(k - 64);
    return players;
}

INSTANTIATE_TEST_SUITE_P(
    Refusals, StageUsageError,
    ::testing::Values(
        BadStage{"a.wav@-30 b.wav", "'b.wav' has no place: a player is FILE@ANGLE"},
        BadStage{"a.wav@ b.wav@10", "'a.wav@': the angle is empty"},
        BadStage{"a.wav@x1 b.wav@10", "'a.wav@x1': the angle 'x1' is not a number"},
        BadStage{"a.wav@1:2:3:4 b.wav@10", "'a.wav@1:2:3:4': more than ANGLE:DISTANCE:HEIGHT"},
        BadStage{"a.wav@10#x b.wav@20", "'a.wav@10#x': '#x' is not #N"},
        BadStage{"a.wav@10#0", "'a.wav@10#0': '#0' is not a channel number"},
        BadStage{"a.wav@95", "'a.wav@95': the angle '95' is not a number of degrees from -90 to 90"},
        BadStage{"a.wav@10.0005", "the angle '10.0005' is not a number of degrees"},
        BadStage{"a.wav@10:0.5", "'a.wav@10:0.5': the distance '0.5' is not a distance of 1 to 100"},
        BadStage{"@10", "'@10': the file's name is empty"},
        BadStage{"a.wav@10:9:1.2", "'a.wav@10:9:1.2': a height goes with --room"},
        BadStage{room + "a.wav@10:9:101", "the height '101' is not a height of 0 to 100 metres"},
        BadStage{"--gain a.wav a.wav@10", "--gain 'a.wav' is not FILE=DB"},
        BadStage{"--gain a.wav=25 a.wav@10", "--gain 'a.wav=25': '25' is not a gain of -60 to 24 dB"},
        BadStage{"--gain b.wav=-3 a.wav@10", "--gain 'b.wav=-3': no player plays 'b.wav'"},
        BadStage{"--gain a.wav=1 --gain a.wav=2 a.wav@10", "--gain 'a.wav=2': 'a.wav' is given a gain twice"},
        BadStage{"--gain a.wav=1 a.wav", "--gain 'a.wav=1' goes with a stage"},
        BadStage{crowd(), "'p64.wav@0': at most 64 players"},
        BadStage{"--distance 5 a.wav@0 b.wav@0:5", "'b.wav@0:5': stands where 'a.wav@0' stands"},
        BadStage{room + "a.wav@0 b.wav@0:10:3", "'b.wav@0:10:3': stands where 'a.wav@0' stands"},
        BadStage{"a.wav@10 b.wav@12", "'b.wav@12': stands within 0.5 m of 'a.wav@10'"},
        BadStage{room + "a.wav@0:10:9.8", "'a.wav@0:10:9.8' (x 9.2, y 28, z 9.8 m) is 0.2 m from the ceiling"},
        BadStage{room + "a.wav@-90:10", "'a.wav@-90:10' (x -0.8, y 18, z 3 m) lies outside the room"},
        BadStage{"--positions -30:30:10 a.wav@0", "--positions goes with a single recording"},
        BadStage{"--design 90 a.wav@0", "--design takes no recording ('a.wav@0')"}));

}  // namespace
}  // namespace auralith
