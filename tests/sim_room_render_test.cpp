// The room heard: the arc's radius and the air, the room's responses per position and channel, the
// segments with their tails, the render beside the free field's, and the responses written out.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <tuple>

#include "sim/free/mic_layout.h"
#include "sim/plan/pickup.h"
#include "sim/room/air_absorption.h"
#include "sim/room/image_sources.h"

namespace auralith {
namespace {

// One reflecting surface (the stage end, 28 m deep) on arcs of two radii, with and without the air:
// the tap's delay counts from the sound's arrival from R, its level is R / r times the wall's
// factor and, with the air, the air's over r.
class ArcAndAir : public ::testing::TestWithParam<std::tuple<double, bool>> {};

TEST_P(ArcAndAir, OneWallsTapFromTheGeometry) {
    const auto [radius, air] = GetParam();
    const RoomPoint centre{9, 2, 2}, source{9, 2 + radius, 2};
    Room room = uniformRoom(18, 28, 6, 1);
    room.absorption[static_cast<int>(Surface::stageEnd)].fill(0.36);
    const ImageSet set = imageSources({room, source, centre, 0.5, 0, 7, 0, radius, air});
    const auto taps = micBandTaps(set, RigMic{}, 48000);
    ASSERT_EQ(taps.size(), 1u);
    const double r = 2 * 28 - (2 + radius) - 2;
    EXPECT_NEAR(taps[0].delay, (r - radius) / 344 * 48000, 1e-9);
    for (int b = 0; b < bandCount; ++b)
        EXPECT_NEAR(taps[0].gain[b],
                    radius / r * 0.8 * (air ? std::pow(10, -airAbsorptionDbPerMetre(bandCentres[b]) * r / 20) : 1),
                    1e-12);
}

INSTANTIATE_TEST_SUITE_P(Room, ArcAndAir,
                         ::testing::Combine(::testing::Values(10.0, 17.0), ::testing::Values(true, false)));

// The free field on another arc: a rig's microphone 1 m right hears a source straight ahead with
// R / r and (r - R) / 344 * rate; the built-in spaced omnis hear it the same, at their reference
// distance instead of R.
TEST(ArcRadius, TheFreeFieldsRuleOnAnotherArc) {
    for (const double radius : {5.0, 10.0, 23.0}) {
        const double r = std::sqrt(radius * radius + 1);
        RigMic omni;
        omni.lateral = 1;
        const MicHearing heard = hearSource(omni, {0, radius, 0}, 44100, radius);
        EXPECT_NEAR(static_cast<double>(heard.factor), radius / r, 1e-15);
        EXPECT_NEAR(static_cast<double>(heard.delay), (r - radius) / 344 * 44100, 1e-9);
        const Pickup builtIn = pickupAtAngle(MicArray::spacedOmniPair, 0, 44100, radius);
        const double reference =
            std::hypot(radius * std::sin(-std::numbers::pi / 4) + 1, radius * std::cos(std::numbers::pi / 4));
        EXPECT_NEAR(static_cast<double>(builtIn.mics[1].factor), reference / r, 1e-9) << radius;
        EXPECT_NEAR(static_cast<double>(builtIn.mics[1].delay), (r - radius) / 344 * 44100, 1e-6) << radius;
    }
}

}  // namespace
}  // namespace auralith
