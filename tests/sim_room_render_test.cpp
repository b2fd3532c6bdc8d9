// The room heard: the arc's radius and the air, the room's responses per position and channel, the
// segments with their tails, the render beside the free field's, and the responses written out.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <tuple>

#include "sim/analysis/loudness.h"
#include "sim/free/mic_layout.h"
#include "sim/plan/pickup.h"
#include "sim/render.h"
#include "sim/room/air_absorption.h"
#include "sim/room/image_sources.h"
#ifdef AURALITH_ROOM_RESPONSES
#include "sim/room_render/room_render.h"
#include "sim/room_render/segment_dither.h"
#endif

namespace auralith {
namespace {

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

#ifdef AURALITH_ROOM_RESPONSES

// Noise that reaches full scale, so that the guard gain is below 1 and takes part.
std::vector<std::int16_t> noise(std::size_t n, std::uint32_t seed) {
    std::vector<std::int16_t> x(n);
    for (auto& v : x) {
        seed = seed * 1664525u + 1013904223u;
        v = static_cast<std::int16_t>(static_cast<std::int32_t>(seed >> 16) - 32768);
    }
    x[n / 2] = -32768;
    return x;
}

// Mid-side as ms:cardioid:1 describes it: a forward cardioid in both channels, a figure of eight
// facing left added to the left and taken from the right.
Rig midSide() {
    Rig rig;
    rig.mics = {{0, 0, 0, 0, 1, 0, 0.5, {1, 1}}, {0, 0, 0, -1, 0, 0, 0, {1, -1}}};
    return rig;
}

RoomField fieldIn(double alpha, bool air) { return {uniformRoom(20, 30, 10, alpha), {8.3, 12, 3}, 3, air, 1}; }

struct RoomRender {
    RoomSweep sweep;
    std::vector<std::int16_t> out;
    RenderOutcome outcome;
};

RoomRender renderInRoom(const AnyArray& array, const RoomField& field, std::span<const std::int16_t> x, double radius) {
    auto responses = roomResponses(array, field, {}, radius, 44100);
    EXPECT_TRUE(std::holds_alternative<RoomResponses>(responses)) << std::get<std::string>(responses);
    RoomRender r{roomSweep(array, field, std::get<RoomResponses>(std::move(responses)),
                           static_cast<std::int32_t>(x.size()), {}, radius),
                 {},
                 {}};
    r.out.assign(static_cast<std::size_t>(r.sweep.plan.frames) * 2, 0);
    RandomState random;
    r.outcome = renderRoomInto(r.sweep, x, measureGuardGain(x), random, r.out);
    return r;
}

// The room's sound is added to the free field's values: where every surface absorbs all and the
// air is left out, every byte is the free field's, for built-in arrays (the pairs' folded mix, the
// tree's held one) and described ones alike.
class NothingRings : public ::testing::TestWithParam<AnyArray> {};

TEST_P(NothingRings, TheFreeFieldsBytes) {
    const auto x = noise(3000, 5);
    const RoomRender room = renderInRoom(GetParam(), fieldIn(1, false), x, 10);
    ASSERT_TRUE(room.outcome);
    EXPECT_EQ(room.sweep.gain, 1);
    RandomState random;
    const auto free = renderStereo(GetParam(), x, 44100, measureGuardGain(x), random);
    ASSERT_TRUE(free);
    ASSERT_EQ(room.out.size(), free->view().size());
    EXPECT_TRUE(std::equal(room.out.begin(), room.out.end(), free->view().begin()));
    EXPECT_EQ(room.outcome.clipped, free->clipped);
}

INSTANTIATE_TEST_SUITE_P(Room, NothingRings,
                         ::testing::Values(AnyArray{MicArray::ortfPair}, AnyArray{MicArray::threeOmniTree},
                                           AnyArray{MicArray::blumleinPair}, AnyArray{pairLayout(0.5, 110, 17)},
                                           AnyArray{midSide()}, AnyArray{treeLayout(2, 1.5, 0.5)}));

// A room that rings: each segment's reverberation has died away before the next segment's first
// frame, the room's gain is below 1, and a sample past full scale is clipped, never wrapped.
TEST(RoomRender, TailsLieAfterEachSegmentAndNothingWraps) {
    for (const AnyArray& array : {AnyArray{MicArray::spacedOmniPair}, AnyArray{MicArray::threeOmniTree}}) {
        std::vector<std::int16_t> x(2000, 32767);
        for (std::size_t i = 1000; i < x.size(); ++i) x[i] = -32768;
        const RoomRender room = renderInRoom(array, fieldIn(0.25, true), x, 8);
        ASSERT_TRUE(room.outcome);
        EXPECT_LT(room.sweep.gain, 0.9);
        // Measured in two parts, split where the middle position's reverberation has faded, the
        // loudness is the one pass's far below the two decimals it is given with.
        const FadedFrames faded = fadedAfter(room.sweep, 5);
        const std::int64_t split = loudnessSplitIn(44100, faded.from, faded.to);
        EXPECT_GT(split, faded.from);
        EXPECT_NEAR(loudnessInParts(room.out, 44100, split).value_or(0),
                    integratedLoudness(room.out, 44100).value_or(1), 1e-6);
        const auto& segments = room.sweep.plan.segments;
        for (std::size_t p = 0; p < segments.size(); ++p) {
            std::int64_t last = 0;
            for (const RoomResponse& r : room.sweep.reflections[p]) {
                ASSERT_FALSE(r.samples.empty());
                last = std::max<std::int64_t>(last, segments[p].start + r.start + std::ssize(r.samples) + 2000 - 2);
            }
            const std::int64_t next = p + 1 < segments.size() ? segments[p + 1].start - 100 : room.sweep.plan.frames;
            EXPECT_LT(last, next) << p;
            if (p > 0) {
                EXPECT_GT(segments[p].start - segments[p - 1].start, 2000 + 44100 + 4410) << p;
            }
        }
        // The values before the dither, where they pass full scale, become full scale of their sign.
        const auto spectra = sweepSpectra(room.sweep, x);
        ASSERT_TRUE(spectra);
        const double gain = measureGuardGain(x) * 4;  // loud enough to pass full scale
        const auto values = segmentValues(room.sweep, *spectra, x, gain, 6);
        ASSERT_TRUE(values);
        RoomSweep loud = room.sweep;
        std::vector<std::int16_t> out(room.out.size());
        RandomState random;
        const RenderOutcome outcome = renderRoomInto(loud, x, gain, random, out);
        EXPECT_GT(outcome.clipped, 0);
        std::int64_t checked = 0;
        for (std::size_t c = 0; c < 2; ++c)
            for (std::size_t k = 0; k < values->channels[c].size(); ++k)
                if (const long double v = values->channels[c][k]; std::abs(v) > 32769) {
                    EXPECT_EQ(out[2 * (static_cast<std::size_t>(values->first) + k) + c], v > 0 ? 32767 : -32768);
                    ++checked;
                }
        EXPECT_GT(checked, 100);
    }
}

// --responses: the recording convolved with a position's response as mixed (sample 0 is 0.1 s
// before the sound reaches the centre), times the guard gain, is that position's values before
// the dither, for the folded mix (ORTF) and the held one (the tree). The dither is left out: the
// values compared are the render's own, before it.
TEST(RoomRender, ARecordingConvolvedWithAResponseIsThatPositionsValues) {
    const auto x = noise(500, 9);
    const double guard = measureGuardGain(x);
    for (const AnyArray& array : {AnyArray{MicArray::ortfPair}, AnyArray{MicArray::threeOmniTree}}) {
        const RoomRender room = renderInRoom(array, fieldIn(0.6, true), x, 10);
        const auto spectra = sweepSpectra(room.sweep, x);
        ASSERT_TRUE(spectra);
        for (const int p : {0, 9}) {
            const MixedResponse mixed = mixedResponse(room.sweep, p);
            const auto values = segmentValues(room.sweep, *spectra, x, guard, p);
            ASSERT_TRUE(values);
            const std::int64_t origin = room.sweep.plan.segments[static_cast<std::size_t>(p)].start - 4410;
            const auto length = static_cast<std::int64_t>(mixed.samples.size() / 2);
            for (std::size_t c = 0; c < 2; ++c) {
                double largest = 0;
                for (std::size_t k = 0; k < values->channels[c].size(); k += 7) {
                    const std::int64_t at = values->first + static_cast<std::int64_t>(k) - origin;
                    double sum = 0;
                    for (std::int64_t j = 0; j < std::ssize(x); ++j)
                        if (at - j >= 0 && at - j < length)
                            sum += x[static_cast<std::size_t>(j)] *
                                   mixed.samples[static_cast<std::size_t>(at - j) * 2 + c];
                    EXPECT_NEAR(static_cast<double>(values->channels[c][k]), sum * guard, 1e-6) << p << " " << k;
                    largest = std::max(largest, std::abs(sum));
                }
                EXPECT_GT(largest, 1000);
            }
        }
    }
}

// The arrays at one place share the images of each position: each array's responses are the
// ones it has alone, bit for bit, though the set is made for the farthest microphone of them all,
// over the sweep (a part a position) and at a stage's one position (a part an array, the arrays
// whose mixers have one size sharing one).
TEST(RoomResponses, SharedImagesGiveEachArraysOwnResponses) {
    const std::vector<AnyArray> arrays{MicArray::ortfPair, MicArray::blumleinPair, MicArray::threeOmniTree,
                                       treeLayout(4, 3, 1)};
    const RoomField field = fieldIn(0.3, true);
    for (const SweepPositions at : {SweepPositions{}, SweepPositions{10000, 10000, 1}}) {
        const auto shared = roomResponsesOf(arrays, field, at, 10, 44100);
        ASSERT_EQ(shared.size(), arrays.size());
        for (std::size_t a = 0; a < arrays.size(); ++a) {
            const auto alone = roomResponses(arrays[a], field, at, 10, 44100);
            const auto& one = std::get<RoomResponses>(shared[a]).channels;
            const auto& other = std::get<RoomResponses>(alone).channels;
            ASSERT_EQ(one.size(), static_cast<std::size_t>(at.count()));
            ASSERT_EQ(one.size(), other.size());
            for (std::size_t p = 0; p < one.size(); ++p)
                for (std::size_t c = 0; c < one[p].size(); ++c) {
                    EXPECT_EQ(one[p][c].start, other[p][c].start) << a << " " << p;
                    EXPECT_EQ(one[p][c].samples, other[p][c].samples) << a << " " << p;
                }
        }
    }
}

// The serial order's render: each segment's values (segmentValues) dithered in turn, the folded
// mix channel after channel from each tap's frames, the held mix every frame; with the value
// whose dithered sum lies nearest a half-integer (of those past 100 in size).
struct SerialRender {
    double gain = 0;
    std::vector<std::int16_t> out;
    std::int64_t clipped = 0;
    RandomState after;
    long double tieDistance = 1, value = 0, dither = 0;  // the one nearest a tie, and its r1 + r2 - 1
};

SerialRender serialRender(const RoomRender& room, std::span<const std::int16_t> x, double gain) {
    const auto spectra = sweepSpectra(room.sweep, x);
    const RenderPlan& plan = room.sweep.plan;
    SerialRender r;
    r.gain = gain;
    r.out.resize(room.out.size());
    std::int64_t next = 0;
    const auto dither = [&](long double v, std::int64_t frame, std::size_t c) {
        const double first = unitRandom(r.after), second = unitRandom(r.after);
        r.clipped += clipsAtFullScale(ditheredInteger(v, first, second));
        r.out[2 * static_cast<std::size_t>(frame) + c] = ditherWithDraws(v, first, second);
        const long double w = v + first + second - 1, tie = std::fabs(w - std::floor(w) - 0.5L);
        if (std::fabs(v) > 100 && tie < r.tieDistance)
            std::tie(r.tieDistance, r.value, r.dither) = std::tuple{tie, v, w - v};
    };
    for (std::size_t p = 0; p < plan.segments.size(); ++p) {
        const auto v = segmentValues(room.sweep, *spectra, x, gain, static_cast<int>(p));
        const PlanSegment& s = plan.segments[p];
        const std::int64_t end = v->first + std::ssize(v->channels[0]);
        for (std::int64_t i = room.sweep.reach[p].lead;
             plan.mix == ChannelMix::folded && i < s.length + room.sweep.reach[p].tail; ++i)
            for (std::size_t c = 0; c < 2; ++c) {
                const std::int64_t frame = s.start + s.taps[c].front().delay + i;
                dither(v->channels[c][static_cast<std::size_t>(frame - v->first)], frame, c);
            }
        for (; plan.mix == ChannelMix::held && next < plan.frames; ++next) {
            if (next >= end && p + 1 < plan.segments.size()) break;
            for (std::size_t c = 0; c < 2; ++c)
                dither(
                    next >= v->first && next < end ? v->channels[c][static_cast<std::size_t>(next - v->first)] : 0.0L,
                    next, c);
        }
    }
    return r;
}

// The render's parts and conversion widths: any of them gives the serial order's bytes, clipped
// count and generator state; width 1 one value at a time in extended precision, 2 and 4 the
// stereo batches in double. Then again at a gain that puts the value nearest a tie on it (every
// value scales with the gain), which the batches must convert again exactly.
TEST(RoomRender, AnyNumberOfPartsGivesTheSerialOrdersBytes) {
    const auto x = noise(700, 3);
    for (const AnyArray& array :
         {AnyArray{MicArray::faulknerPair}, AnyArray{MicArray::threeOmniTree}, AnyArray{treeLayout(2, 1.5, 0.5)}}) {
        const RoomRender room = renderInRoom(array, fieldIn(0.4, true), x, 9);
        const SerialRender loud = serialRender(room, x, measureGuardGain(x) * 2);  // clips now and then
        EXPECT_GT(loud.clipped, 0);
        const long double half = std::floor(loud.value + loud.dither) + 0.5L;
        const SerialRender tied =
            serialRender(room, x, loud.gain * static_cast<double>((half - loud.dither) / loud.value));
        EXPECT_LT(tied.tieDistance, 0x1p-30L);
        for (const SerialRender* serial : {&loud, &tied})
            for (const auto& [parts, width] : {std::pair{1, 1}, {2, 1}, {5, 1}, {1, 2}, {2, 4}, {5, 0}}) {
                std::vector<std::int16_t> out(room.out.size());
                RandomState random;
                const RenderOutcome outcome = renderRoomInto(room.sweep, x, serial->gain, random, out, {parts, width});
                ASSERT_TRUE(outcome);
                EXPECT_TRUE(out == serial->out) << parts << " " << width;
                EXPECT_EQ(outcome.clipped, serial->clipped) << parts << " " << width;
                EXPECT_EQ(random.s, serial->after.s) << parts << " " << width;
            }
    }
}

// The batches stand for the model's values while the direct sound stays small enough (the bound
// of stereo_dither.cpp): at the guard gain and twice it for the pairs and the trees every segment
// takes them, a thousand times louder none does (every value is far past full scale then).
TEST(RoomRender, TheBatchesTakeEveryRenderUpToTwiceTheGuardGain) {
    const auto x = noise(700, 3);
    for (const AnyArray& array : {AnyArray{MicArray::faulknerPair}, AnyArray{MicArray::threeOmniTree}}) {
        const RoomRender room = renderInRoom(array, fieldIn(0.4, true), x, 9);
        const auto spectra = sweepSpectra(room.sweep, x);
        ASSERT_TRUE(spectra);
        std::vector<std::int16_t> out(room.out.size());
        const RandomState random;
        for (const auto& [times, hold] : {std::pair{1.0, true}, {2.0, true}, {1000.0, false}}) {
            const double g = measureGuardGain(x) * times * room.sweep.gain;
            const Renderer r{room.sweep, *spectra, x, g, random, out, 32768, 4};
            for (std::size_t p = 0; p < room.sweep.plan.segments.size(); ++p)
                EXPECT_EQ(stereoBatchesHold(r, p), hold) << times << " " << p;
        }
    }
}

#endif

}  // namespace
}  // namespace auralith
