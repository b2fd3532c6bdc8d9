// Plans beyond the sweep's built-in shapes: rigs of any size through the straightforward renderer,
// taps of several arrivals, and sweeps of other positions on the fast renderers.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "sim/plan/plan_builder.h"
#include "sim/reference/plan_render.h"
#include "sim/reference/reference_renderers.h"
#include "sim/render.h"

namespace auralith {
namespace {

// Four omnis at the corners of a 2 m square, mixed into three channels: left, centre, right.
Rig squareRig() {
    Rig rig;
    rig.channels = 3;
    rig.mix = ChannelMix::held;
    rig.scale = 0.5f;
    rig.mics = {{-1, -1, 0, 0, 1, 0, 1, {1, 0.5L, 0}},
                {1, -1, 0, 0, 1, 0, 1, {0, 0.5L, 1}},
                {-1, 1, 0.5, 0, 1, 0, 1, {1, 0, 0}},
                {1, 1, 0.5, 0, 1, 0, 1, {0, 0, 1}}};
    return rig;
}

// A held rig of four microphones in three dimensions: in the middle of each position's constant
// sound, each channel is the sum of its shares of the microphones' levels 10 / r, with r from the
// geometry, times the mix's scale and the sound, within the dither's one step.
TEST(RigRender, FourMicrophonesIntoThreeChannels) {
    const std::vector<std::int16_t> sound(4000, 3000);
    const SweepPositions positions{-60000, 60000, 60000};
    const Program program = sweepProgram({8000, 2}, 4000, positions);
    const RenderPlan plan = planFor(squareRig(), program);
    ASSERT_EQ(plan.format.channels, 3);
    std::vector<std::int16_t> out(static_cast<std::size_t>(program.frames) * 3);
    RandomState random;
    ASSERT_TRUE(renderPlanInto(plan, sound, 1.0, random, out));
    const Rig rig = squareRig();
    for (int p = 0; p < positions.count(); ++p) {
        const double a = static_cast<double>(positions.degrees(p)) * std::acos(-1.0) / 180;
        const std::int64_t middle = program.segments[static_cast<std::size_t>(p)].start + 2000;
        for (std::size_t c = 0; c < 3; ++c) {
            double expected = 0;
            for (const RigMic& mic : rig.mics) {
                const double r = std::hypot(10 * std::sin(a) - mic.lateral, 10 * std::cos(a) - mic.forward, mic.up);
                expected += static_cast<double>(mic.shares[c]) * 10 / r * 3000 * 0.5;
            }
            EXPECT_NEAR(out[static_cast<std::size_t>(3 * middle) + c], expected, 1.0)
                << "position " << p << " channel " << c;
        }
    }
}

// Taps of several arrivals: an impulse comes out at each tap's frame with its factor, and a folded
// channel of two taps is refused with its reason rather than rendered wrong.
TEST(RigRender, EveryTapOfAnEchogramIsHeard) {
    RenderPlan plan;
    plan.format = {8000, 2};
    plan.frames = 100;
    plan.mix = ChannelMix::held;
    plan.shares = {{1, 0}, {0, 1}};
    plan.segments = {{10, 1, {{{0, 1}, {30, -0.5L}}, {{5, 0.25L}, {60, 1}}}}};
    const std::vector<std::int16_t> impulse{20000};
    std::vector<std::int16_t> out(200);
    RandomState random;
    ASSERT_TRUE(reference::renderPlan(plan, impulse, 1.0, random, out));
    for (const auto& [frame, channel, value] :
         std::vector<std::tuple<int, int, int>>{{10, 0, 20000}, {40, 0, -10000}, {15, 1, 5000}, {70, 1, 20000}})
        EXPECT_NEAR(out[static_cast<std::size_t>(2 * frame + channel)], value, 1) << frame;
    plan.mix = ChannelMix::folded;
    std::fill(out.begin(), out.end(), 0);
    const RenderOutcome refused = reference::renderPlan(plan, impulse, 1.0, random, out);
    EXPECT_FALSE(refused);
    EXPECT_NE(refused.why.find("one tap per channel"), std::string_view::npos);
}

// Sweeps of other positions run on the fast renderers and give the straightforward renderer's
// samples, past the loudspeakers' edge too.
TEST(RigRender, OtherPositionsOnTheFastRenderers) {
    std::vector<std::int16_t> sound(3000);
    for (std::size_t i = 0; i < sound.size(); ++i) sound[i] = static_cast<std::int16_t>((i * 7919) % 20001 - 10000);
    const SweepPositions positions{-90000, 90000, 22500};
    for (int k = 1; k <= 6; ++k) {
        const auto array = static_cast<MicArray>(k);
        RandomState expectedState, actualState;
        const StereoBuffer expected = reference::renderReference(
            array, sweepInputFor(sound, 44100, 1.0, positions.count()), expectedState, positions);
        const auto actual = renderStereo(array, sound, 44100, 1.0, actualState, {2, 0}, positions);
        ASSERT_TRUE(actual.has_value());
        EXPECT_EQ(actual->frames, 9 * (44100 + 3000) + 44100);
        EXPECT_TRUE(actual->samples == expected.samples) << "array " << k;
        EXPECT_EQ(actualState.s, expectedState.s);
    }
}

}  // namespace
}  // namespace auralith
