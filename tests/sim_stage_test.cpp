// A stage: several sources at their places heard at once. One source at a sweep position is that
// position's segment of the sweep; the sources' timing and levels follow their distances; the
// render's bytes do not depend on how it is shared out.
#include <gtest/gtest.h>

#ifdef AURALITH_ROOM_RESPONSES
#include <cmath>

#include "sim/room_render/room_render.h"
#include "sim/stage/stage.h"
#include "sim/stage/stage_render.h"

namespace auralith {
namespace {

std::vector<std::int16_t> tone(std::size_t n, double hertz, std::uint32_t seed) {
    std::vector<std::int16_t> x(n);
    for (std::size_t i = 0; i < n; ++i) {
        seed = seed * 1664525u + 1013904223u;
        const double noise = static_cast<double>(seed >> 20) - 2048;
        x[i] = static_cast<std::int16_t>(std::lrint(12000 * std::sin(0.000142 * hertz * i) + 4 * noise));
    }
    return x;
}

RoomField smallRoom() { return {uniformRoom(12, 16, 6, 0.35), {5.3, 4, 2}, 2, true, 1}; }

// One source at position p of the sweep: its values before the dither are the segment's, frame
// for frame; exactly in the free field, to the transforms' rounding in a room.
class OneSourceIsTheSegment : public testing::TestWithParam<std::tuple<int, int, bool>> {};

TEST_P(OneSourceIsTheSegment, BeforeTheDither) {
    const auto [arrayNumber, p, inRoom] = GetParam();
    // 0 and 7: described rigs, cardioids 110° and 17 cm apart, and a tree 1.5 m wide.
    const AnyArray array = arrayNumber == 0   ? AnyArray(pairLayout(0.5, 110, 17))
                           : arrayNumber == 7 ? AnyArray(treeLayout(1.5, 0.75, 0))
                                              : AnyArray(static_cast<MicArray>(arrayNumber));
    const RoomField field = inRoom ? smallRoom() : RoomField{uniformRoom(12, 16, 6, 1), {5.3, 4, 2}, 2, false, 1};
    const std::vector<std::int16_t> x = tone(3000, 440, 7);
    const std::int32_t n = 3000;
    auto responses = roomResponses(array, field, {}, 4, 44100);
    ASSERT_TRUE(std::holds_alternative<RoomResponses>(responses));
    const RoomSweep sweep = roomSweep(array, field, std::get<RoomResponses>(std::move(responses)), n, {}, 4);
    const auto spectra = sweepSpectra(sweep, x);
    const auto segment = segmentValues(sweep, *spectra, x, 0.75, p);
    ASSERT_TRUE(segment);

    const SweepPositions positions;
    const StageSource source{positions.from + p * positions.step, 4, 2, 1};
    const Surroundings around = inRoom ? Surroundings(field) : Surroundings(FreeField{});
    auto stages = stageSweeps(std::span(&array, 1), around, std::span(&source, 1), n, 44100);
    ASSERT_TRUE(std::holds_alternative<std::vector<RoomSweep>>(stages));
    RoomSweep& stage = std::get<std::vector<RoomSweep>>(stages).front();
    stage.gain = sweep.gain;
    const std::span<const std::int16_t> recordings[] = {x};
    const double level = 1;
    const std::int64_t shift = stage.plan.segments[0].start - sweep.plan.segments[static_cast<std::size_t>(p)].start;
    const std::int64_t count = std::ssize(segment->channels[0]);
    const auto values =
        stageValues(stage, {heldTracks(recordings), std::span(&level, 1), 0.75}, segment->first + shift, count);
    ASSERT_TRUE(values);
    for (std::size_t c = 0; c < 2; ++c)
        for (std::int64_t k = 0; k < count; ++k) {
            const long double want = segment->channels[c][static_cast<std::size_t>(k)];
            const long double got = (*values)[c][static_cast<std::size_t>(k)];
            if (inRoom)
                ASSERT_NEAR(static_cast<double>(got), static_cast<double>(want), 1e-6) << c << " " << k;
            else
                ASSERT_EQ(got, want) << c << " " << k;
        }
}

INSTANTIATE_TEST_SUITE_P(PairsAndTheTree, OneSourceIsTheSegment,
                         testing::Combine(testing::Values(0, 1, 4, 5, 6, 7), testing::Values(0, 5, 12),
                                          testing::Bool()));

// A player 5 m behind the nearest is heard 641 frames later at 44.1 kHz (sound at 344 m/s);
// one at half the arc's radius twice as loud, with its own gain on top.
TEST(StageTiming, LagsAndLevelsFollowTheDistances) {
    const StageSource sources[] = {{-30000, 10, 0, 1}, {20000, 13.44, 0, 1}, {0, 5, 0, 0.5}};
    const StageTiming timing = stageTiming(sources, 44100);
    EXPECT_EQ(timing.soundStart, 44100);
    EXPECT_EQ(timing.lags, (std::vector<std::int32_t>{641, 1082, 0}));
    EXPECT_EQ(stageLevels(sources, 10), (std::vector<double>{1, 10 / 13.44, 1}));
}

// The mix's guard gain: a single recording's own; two that add past full scale brought to 32766.
TEST(StageTiming, OneGuardGainForTheMix) {
    const std::vector<std::int16_t> loud{-32768, 1200, 32767}, soft{20000, -30000, 100};
    const double one = 1, both[] = {1, 0.5};
    const auto gainOf = [](std::vector<std::span<const std::int16_t>> x, std::span<const double> levels) {
        return stageGuardGain(heldTracks(x), levels);
    };
    EXPECT_EQ(gainOf({loud}, std::span(&one, 1)), measureGuardGain(loud));
    EXPECT_EQ(gainOf({soft}, std::span(&one, 1)), 1.0);
    EXPECT_EQ(gainOf({loud, soft}, both), static_cast<double>(32766.0L / 32817.0L));
}

// Four players in a room: the same bytes, clipped count and generator after, in one part or
// several, with buffers of its own or kept from another array's render, converted in batches or
// a value at a time, and the same bytes handed on in order as the blocks are made; silence until 0.1 s before the first
// sound and after the last reflection.
TEST(StageRender, TheSameBytesInAnyNumberOfParts) {
    const AnyArray arrays[] = {MicArray::ortfPair, MicArray::threeOmniTree};
    const StageSource sources[] = {
        {-30000, 4, 1.5, 1}, {-10000, 4.5, 2, 0.7}, {10000, 3.5, 1.2, 1}, {30000, 4, 2.5, 1.3}};
    const std::int32_t n = 20000;
    std::vector<std::vector<std::int16_t>> x;
    for (int s = 0; s < 4; ++s) x.push_back(tone(n, 220.0 * (s + 1), static_cast<std::uint32_t>(s)));
    const std::span<const std::int16_t> recordings[] = {x[0], x[1], x[2], x[3]};
    const std::vector<double> levels = stageLevels(sources, 4);
    auto stages = stageSweeps(arrays, smallRoom(), sources, n, 44100);
    ASSERT_TRUE(std::holds_alternative<std::vector<RoomSweep>>(stages));
    StageRenderer kept;  // the last render of each array takes the buffers the one before left
    for (const RoomSweep& stage : std::get<std::vector<RoomSweep>>(stages)) {
        std::vector<std::vector<std::int16_t>> outs;
        std::vector<RandomState> after;
        for (const int parts : {1, 2, 3, 2, 1}) {
            // The fourth streamed: no output, the blocks handed on alone.
            std::vector<std::int16_t>& out = outs.emplace_back(static_cast<std::size_t>(stage.plan.frames) * 2);
            RandomState random;
            std::vector<std::int16_t> handed;
            const RenderOutcome done = renderStageInto(
                stage, {heldTracks(recordings), levels, 1}, random,
                outs.size() == 4 ? std::span<std::int16_t>() : std::span<std::int16_t>(out),
                {parts, outs.size() == 4 ? &kept : nullptr,
                 [&](std::span<const std::int16_t> run) { handed.insert(handed.end(), run.begin(), run.end()); },
                 outs.size() == 5 ? 1 : 0});
            ASSERT_TRUE(done);
            if (outs.size() == 4) out = handed;
            EXPECT_EQ(handed, out) << parts << " parts";
            after.push_back(random);
        }
        EXPECT_EQ(outs[0], outs[1]);
        EXPECT_EQ(outs[0], outs[2]);
        EXPECT_EQ(outs[0], outs[3]);
        EXPECT_EQ(outs[0], outs[4]) << "converted a value at a time";
        EXPECT_EQ(after[0].s, after[2].s);
        EXPECT_TRUE(std::all_of(outs[0].begin(), outs[0].begin() + 2 * 39000, [](std::int16_t v) { return v == 0; }));
        EXPECT_TRUE(std::all_of(outs[0].end() - 2 * 39000, outs[0].end(), [](std::int16_t v) { return v == 0; }));
        EXPECT_GT(std::count_if(outs[0].begin(), outs[0].end(), [](std::int16_t v) { return std::abs(v) > 1000; }),
                  2 * n / 2);
    }
}

// Samples that cannot be had part way (a file changed under the render): the render and the guard
// gain are refused, in the free field and in a room, whatever the number of parts.
TEST(StageRender, SamplesThatCannotBeHadRefuseTheRender) {
    const AnyArray array = MicArray::ortfPair;
    const StageSource sources[] = {{-20000, 4, 1.5, 1}, {25000, 6, 1.5, 1}};
    const std::int32_t n = 150000;
    const std::vector<std::int16_t> a = tone(n, 330, 1), b = tone(n, 440, 2);
    const std::span<const std::int16_t> recordings[] = {a, b};
    StageTracks failing = heldTracks(recordings);
    failing.read = [held = failing.read](std::size_t s, std::int64_t from, std::int64_t count, std::int16_t* into) {
        return from + count < 100000 && held(s, from, count, into);
    };
    const std::vector<double> levels = stageLevels(sources, 4);
    EXPECT_FALSE(stageGuardGain(failing, levels));
    for (const Surroundings& around : {Surroundings(FreeField{}), Surroundings(smallRoom())}) {
        auto stages = stageSweeps(std::span(&array, 1), around, sources, n, 44100);
        ASSERT_TRUE(std::holds_alternative<std::vector<RoomSweep>>(stages));
        const RoomSweep& stage = std::get<std::vector<RoomSweep>>(stages).front();
        std::vector<std::int16_t> out(static_cast<std::size_t>(stage.plan.frames) * 2);
        for (const int parts : {1, 2}) {
            RandomState random;
            EXPECT_FALSE(renderStageInto(stage, {failing, levels, 1}, random, out, {parts}));
        }
    }
}

// A long free-field stage goes in blocks of 65 536 frames: three parts finish them out of order,
// and they are still handed on in order, the silence before and after with them.
TEST(StageRender, HandsOnItsBlocksInOrder) {
    const AnyArray arrays[] = {MicArray::spacedOmniPair};
    const StageSource sources[] = {{-20000, 4, 1.5, 1}, {25000, 6, 1.5, 1}};
    const std::int32_t n = 300000;
    const std::vector<std::int16_t> a = tone(n, 330, 1), b = tone(n, 440, 2);
    const std::span<const std::int16_t> recordings[] = {a, b};
    const std::vector<double> levels = stageLevels(sources, 4);
    auto stages = stageSweeps(arrays, FreeField{}, sources, n, 44100);
    ASSERT_TRUE(std::holds_alternative<std::vector<RoomSweep>>(stages));
    const RoomSweep& stage = std::get<std::vector<RoomSweep>>(stages).front();
    std::vector<std::int16_t> out(static_cast<std::size_t>(stage.plan.frames) * 2), handed, streamed;
    RandomState random, again;
    ASSERT_TRUE(renderStageInto(
        stage, {heldTracks(recordings), levels, 1}, random, out,
        {3, nullptr, [&](std::span<const std::int16_t> run) { handed.insert(handed.end(), run.begin(), run.end()); }}));
    EXPECT_EQ(handed, out);
    // Streamed: no output to render into, each block handed on from its own buffer.
    ASSERT_TRUE(renderStageInto(stage, {heldTracks(recordings), levels, 1}, again, {},
                                {3, nullptr, [&](std::span<const std::int16_t> run) {
                                     streamed.insert(streamed.end(), run.begin(), run.end());
                                 }}));
    EXPECT_TRUE(streamed == out);
    EXPECT_EQ(again.s, random.s);
}

}  // namespace
}  // namespace auralith
#endif
