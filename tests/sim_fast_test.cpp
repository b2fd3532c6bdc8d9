// The program's renderers against the straightforward ones, byte for byte, with one and more
// threads; and the pieces that make them fast: the jump-ahead generator and the double-precision
// conversion with its exact fallback.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <iostream>
#include <random>
#include <string>
#include <utility>

#include "sim/fast/dither_batch.h"
#include "sim/fast/pair_render.h"
#include "sim/fast/tree_render.h"
#include "sim/fast/vector_width.h"
#include "sim/model/arrays.h"
#include "sim/plan/pickup.h"
#include "sim/reference/reference_renderers.h"
#include "sim/render.h"
#include "support/sim_support.h"
#include "support/test_support.h"

namespace auralith {
namespace {

using Recording = std::vector<std::int16_t>;

SweepInput sweepOf(const Recording& samples) { return sweepInputFor(samples, 44100, measureGuardGain(samples)); }

StereoBuffer renderProgram(const AnyArray& choice, const Recording& samples, RandomState& random, int threads,
                           int vectorWidth) {
    const RenderOptions options{threads, vectorWidth};
    std::optional<StereoBuffer> out = renderStereo(choice, samples, 44100, measureGuardGain(samples), random, options);
    EXPECT_TRUE(out.has_value());
    return out ? std::move(*out) : StereoBuffer{};
}

// Described arrays that reach what the built-in pairs never do: hypercardioids whose axes turn
// 140 degrees, with rear lobes in antiphase; subcardioids 2 m apart, the near one's factor above
// 1 (a full-scale recording clips); two figures of eight back to back (one channel the other's
// negative); the widest and deepest tree, whose centre microphone's factor nears 10 / 7.
const std::vector<Rig> describedArrays{pairLayout(0.25, 140, 200), pairLayout(0.7, 60, 200), pairLayout(0, 180, 0),
                                       treeLayout(4, 3, 0.3)};

// Every array (the six of the menu, else those given), with 1, 2 and 3 parts and `width`
// conversions side by side, gives the reference's samples and count of clipped ones, and leaves
// the generator where the reference leaves it.
void expectSameAsReference(const std::vector<std::int16_t>& samples, const char* what, int width,
                           const std::vector<Rig>& described = {}) {
    std::vector<AnyArray> arrays(described.empty() ? 6 : 0);  // each a built-in array at first
    for (std::size_t k = 0; k < arrays.size(); ++k) std::get<MicArray>(arrays[k]) = static_cast<MicArray>(k + 1);
    arrays.insert(arrays.end(), described.begin(), described.end());
    for (std::size_t choice = 0; choice < arrays.size(); ++choice) {
        const AnyArray& array = arrays[choice];
        RandomState referenceState;
        const StereoBuffer expected = reference::renderReference(array, sweepOf(samples), referenceState);
        for (int threads : {1, 2, 3}) {
            RandomState random;
            const StereoBuffer actual = renderProgram(array, samples, random, threads, width);
            ASSERT_EQ(actual.frames, expected.frames);
            std::size_t firstDifference = 0;
            while (firstDifference < expected.samples.size() &&
                   actual.samples[firstDifference] == expected.samples[firstDifference])
                ++firstDifference;
            EXPECT_EQ(firstDifference, expected.samples.size())
                << what << ", array " << choice + 1 << ", " << threads << " threads, width " << width
                << ": first difference at sample " << firstDifference;
            EXPECT_EQ(random.s, referenceState.s) << what << ", array " << choice + 1 << ", " << threads << " threads";
            EXPECT_EQ(actual.clipped, expected.clipped) << what << ", array " << choice + 1 << ", " << threads;
        }
    }
}

// The renderers at each width: two (any processor), four (AVX2), eight (AVX-512). A width this
// processor lacks is reported as skipped: the samples of that code were not checked here.
class FastRenderers : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override {
        if (!processorHasVectorWidth(GetParam()))
            GTEST_SKIP() << "this processor cannot run " << GetParam() << " conversions side by side";
    }
};

INSTANTIATE_TEST_SUITE_P(Widths, FastRenderers, ::testing::Values(2, 4, 8),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param) + "Wide"; });

std::vector<std::int16_t> randomRecording(std::size_t n, std::uint32_t seed) {
    std::mt19937 engine(seed);
    std::uniform_int_distribution<int> value(-32768, 32767);
    std::vector<std::int16_t> samples(n);
    for (auto& s : samples) s = static_cast<std::int16_t>(value(engine));
    return samples;
}

TEST_P(FastRenderers, RandomRecordings) {
    expectSameAsReference(randomRecording(3000, 1), "3000 random samples", GetParam());
    expectSameAsReference(randomRecording(4097, 2), "4097 random samples", GetParam());
    auto quiet = randomRecording(2500, 3);
    for (auto& s : quiet) s = static_cast<std::int16_t>(s / 4096);  // within +-8: ties are near
    expectSameAsReference(quiet, "quiet random samples", GetParam());
}

TEST_P(FastRenderers, FullScaleRecordings) {
    expectSameAsReference(std::vector<std::int16_t>(2000, 32767), "all 32767", GetParam());
    expectSameAsReference(std::vector<std::int16_t>(2000, -32768), "all -32768", GetParam());
    expectSameAsReference(std::vector<std::int16_t>(2000, 32766), "all 32766", GetParam());
    std::vector<std::int16_t> square(3000);
    for (std::size_t i = 0; i < square.size(); ++i) square[i] = (i / 400) % 2 ? -32768 : 32767;
    expectSameAsReference(square, "full-scale square wave (the tree saturates)", GetParam());
}

TEST_P(FastRenderers, DescribedArrays) {
    expectSameAsReference(randomRecording(3000, 4), "3000 random samples", GetParam(), describedArrays);
    std::vector<std::int16_t> square(3000);
    for (std::size_t i = 0; i < square.size(); ++i) square[i] = (i / 300) % 2 ? -32768 : 32767;
    expectSameAsReference(square, "full-scale square wave", GetParam(), describedArrays);
}

// A constant full-scale recording through subcardioids 2 m apart: a value 32766 * factor clips
// whatever the dither where it reaches 32768.5, and never below 32766.5, so the count follows from
// the factors alone: the recording's length for each position and channel past full scale.
TEST_P(FastRenderers, ClippedSamplesAreThoseTheFactorsTakePastFullScale) {
    const Rig layout = pairLayout(0.7, 60, 200);
    const Recording samples(1500, 32767);
    const SweepInput in = sweepOf(samples);
    std::int64_t expected = 0;
    for (int p = 0; p < sweepPositions; ++p) {
        const Pickup place = pickupAtPosition(layout, p, in.rate);
        for (const long double factor : {place.mics[0].factor, place.mics[1].factor}) {
            const long double value = 32767 * factor * in.gain;
            ASSERT_TRUE(value >= 32768.5L || value < 32766.5L) << "position " << p << ": the dither would decide";
            expected += value >= 32768.5L ? in.n : 0;
        }
    }
    ASSERT_GT(expected, 0);
    RandomState random;
    EXPECT_EQ(renderProgram(layout, samples, random, 2, GetParam()).clipped, expected);
}

TEST(FastRenderersRefuse, AFactorPastTheBoundOfTheDoublePath) {
    const Recording samples = randomRecording(100, 5);
    const SweepInput in = sweepOf(samples);
    std::vector<std::int16_t> out(2 * static_cast<std::size_t>(in.frames));
    RandomState random;
    const SweepPlan pair = sweepPlan([](int p) { return PairPlacement{0, 0, 1, p == 12 ? -2.0L : 1}; });
    EXPECT_FALSE(renderPairs(in, {}, pair, out, random));
    const TreePlan tree = sweepPlan([](int p) { return TreePlacement{{0, 0, 1, 1}, -3, p == 0 ? 2.0L : 1}; });
    EXPECT_FALSE(renderTreePlan(in, {}, tree, out, random));
    EXPECT_EQ(random.s, RandomState{}.s);  // nothing drawn
}

TEST_P(FastRenderers, ShortRecordingsAndEveryDelayAtTheBlockEdges) {
    for (std::size_t n : {0u, 1u, 2u, 3u, 9u, 87u, 94u, 128u, 192u, 200u})
        expectSameAsReference(randomRecording(n, static_cast<std::uint32_t>(100 + n)), "short recording", GetParam());
}

TEST_P(FastRenderers, GoldenRecording) {
    expectSameAsReference(testing::goldenRecording(), "golden recording", GetParam());
}

TEST_P(FastRenderers, TreeValueNearATieIsConvertedExactly) {
    // Found by search: with these two samples the left channel of the frame where the left
    // microphone is first heard (the centre one hears sample 41 there) lies within 2^-30 of a
    // half-integer after the dither, so the tree must redo it from the exact held values.
    std::vector<std::int16_t> samples(100, 0);
    samples[0] = -21129;
    samples[41] = 13057;
    const SweepInput in = sweepOf(samples);
    const TreePlacement place = treePlacement(0, in.deg, in.rate, omniReferenceDistance(in.deg));
    const std::int64_t frame = in.rate + place.outer.leftDelay;
    ASSERT_EQ(frame - (in.rate + place.centreDelay), 41);
    RandomState draws = randomStateAfter(RandomState{}, 4 * static_cast<std::uint64_t>(frame));
    const double first = unitRandom(draws);
    const double second = unitRandom(draws);
    const auto centre = static_cast<double>(place.centreFactor * 13057 * in.gain);
    const auto left = static_cast<double>(place.outer.leftFactor * -21129 * in.gain);
    long double w = (static_cast<long double>(centre) * 0.5f + left) * 0.7612f + first;
    w = w + second;
    w = w - 1;
    EXPECT_LT(std::fabs(w - std::floor(w) - 0.5L), 0x1p-30L);
    expectSameAsReference(samples, "a tree value near a tie", GetParam());
}

TEST_P(FastRenderers, LongRecordingOfTheTree) {
    // Many stretches and batches per part, the parts meeting inside a position's sound.
    const Recording samples = randomRecording(270000, 9);
    RandomState referenceState;
    const StereoBuffer expected = reference::renderReference(MicArray::threeOmniTree, sweepOf(samples), referenceState);
    for (int threads : {1, 2}) {
        RandomState random;
        const StereoBuffer actual = renderProgram(MicArray::threeOmniTree, samples, random, threads, GetParam());
        EXPECT_TRUE(actual.samples == expected.samples) << threads << " threads";
        EXPECT_EQ(random.s, referenceState.s);
    }
}

TEST(VectorWidths, TheWidestThisProcessorHasIsTaken) {
    std::string widths;
    for (int width : {2, 4, 8})
        if (processorHasVectorWidth(width)) widths += " " + std::to_string(width);
    // Shown in the test log, so that a run says which widths its machine could check.
    std::cout << "widths this processor can run:" << widths << "\n";
    ::testing::Test::RecordProperty("vector_widths", widths);
    const int widest = processorHasVectorWidth(8) ? 8 : processorHasVectorWidth(4) ? 4 : 2;
    EXPECT_EQ(vectorWidthFor(RenderOptions{0, 0}), widest);
    EXPECT_EQ(vectorWidthFor(RenderOptions{0, 2}), 2);
    EXPECT_EQ(vectorWidthFor(RenderOptions{0, 8}), widest);
    EXPECT_EQ(vectorWidthFor(RenderOptions{0, 4}), std::min(widest, 4));
}

TEST(JumpAhead, MatchesStepByStep) {
    RandomState stepped;
    for (std::uint64_t k = 0; k <= 5000; ++k) {
        ASSERT_EQ(randomStateAfter(RandomState{}, k).s, stepped.s) << k;
        unitRandom(stepped);
    }
    RandomState from{12345u};
    RandomState step = from;
    for (int k = 0; k < 1000; ++k) unitRandom(step);
    EXPECT_EQ(randomStateAfter(from, 1000).s, step.s);
    // The period is 2^32: a whole period comes back to the start.
    EXPECT_EQ(randomStateAfter(from, std::uint64_t{1} << 32).s, from.s);
}

// The value whose conversion with the draws of s1 and s2 lands exactly on w.
long double valueLandingOn(long double w, std::uint32_t s1, std::uint32_t s2) {
    return w + 1 - drawOf(s1) - drawOf(s2);
}

// Converts a batch the way the renderers do: side by side in double precision, then exactly
// where a value lies near a tie.
std::vector<std::int16_t> convertLikeTheRenderers(const std::vector<double>& approximate,
                                                  const std::vector<long double>& exact,
                                                  const std::vector<std::uint64_t>& first,
                                                  const std::vector<std::uint64_t>& second) {
    const int count = static_cast<int>(approximate.size());
    std::vector<double> rounded(approximate.size());
    const bool near = roundBatch(approximate.data(), first.data(), second.data(), count, rounded.data());
    std::vector<std::int16_t> samples;
    for (int k = 0; k < count; ++k) {
        const auto s1 = static_cast<std::uint32_t>(first[k]);
        const auto s2 = static_cast<std::uint32_t>(second[k]);
        const bool exactly = near && needsExactConversion(approximate[k], s1, s2);
        samples.push_back(exactly ? ditherWithDraws(exact[k], drawOf(s1), drawOf(s2)) : saturatedSample(rounded[k]));
    }
    return samples;
}

TEST(FastConversion, NearTiesTakeTheExactPath) {
    std::uint32_t s = 77;
    for (long double offset : {0.0L, 0x1p-40L, -0x1p-40L, 0x1p-33L, -0x1p-33L, 0x1p-20L, -0x1p-20L, 0.25L}) {
        // The approximation may be off by as much as the renderers' own.
        for (double error : {0.0, 0x1p-36, -0x1p-36}) {
            std::vector<double> approximate;
            std::vector<long double> exact;
            std::vector<std::uint64_t> first;
            std::vector<std::uint64_t> second;
            std::vector<std::int16_t> expected;
            for (int k = 0; k < 61; ++k) {  // an odd count: the last value goes alone
                const std::uint32_t s1 = nextState(s);
                const std::uint32_t s2 = nextState(s1);
                s = s2;
                const long double value = valueLandingOn((k * 997 % 65536 - 32768) + 0.5L + offset, s1, s2);
                approximate.push_back(static_cast<double>(value) + error);
                exact.push_back(value);
                first.push_back(s1);
                second.push_back(s2);
                expected.push_back(ditherWithDraws(value, drawOf(s1), drawOf(s2)));
            }
            EXPECT_EQ(convertLikeTheRenderers(approximate, exact, first, second), expected)
                << "offset " << static_cast<double>(offset) << ", error " << error;
        }
    }
}

TEST(FastConversion, SaturatesLikeTheExactPath) {
    std::vector<long double> values = {40000.0L, -40000.0L, 32767.4L, -32768.4L, 32767.6L, -32768.6L};
    std::vector<double> approximate;
    std::vector<std::int16_t> expected;
    for (long double v : values) {
        approximate.push_back(static_cast<double>(v));
        expected.push_back(ditherWithDraws(v, drawOf(1), drawOf(2)));
    }
    const std::vector<std::uint64_t> first(values.size(), 1);
    const std::vector<std::uint64_t> second(values.size(), 2);
    EXPECT_EQ(convertLikeTheRenderers(approximate, values, first, second), expected);
}

// A value within 2^-30 of the half-integer past full scale may be clipped or not by the double
// path's rounding; the exact conversion corrects the batch's count to what the model clips.
TEST(FastConversion, TheExactPathCorrectsTheCountOfClippedValues) {
    const std::uint32_t s1 = nextState(99);
    const std::uint32_t s2 = nextState(s1);
    int disagreements = 0;
    for (const long double edge : {32767.5L, -32768.5L})
        for (const long double offset : {0x1p-40L, -0x1p-40L})
            for (const double error : {0x1p-36, -0x1p-36}) {
                const long double value = valueLandingOn(edge + offset, s1, s2);
                BatchDraws draws{};
                draws.state[0][0] = s1;
                draws.state[1][0] = s2;
                const double approximate[2][batchSteps] = {{static_cast<double>(value) + error}, {0.0}};
                const double rounded = nearestInteger(ditheredValue(approximate[0][0], s1, s2));
                std::int16_t stored = 0;
                const int change = convertNearTiesExactly(
                    draws, approximate, 1, [&](int, int) { return value; },
                    [&](int, int, std::int16_t sample) { stored = sample; });
                const long exact = ditheredInteger(value, drawOf(s1), drawOf(s2));
                EXPECT_EQ(clipsAtFullScale(rounded) + change, clipsAtFullScale(exact)) << static_cast<double>(offset);
                EXPECT_EQ(stored, ditherWithDraws(value, drawOf(s1), drawOf(s2)));
                disagreements += clipsAtFullScale(rounded) != clipsAtFullScale(exact);
            }
    EXPECT_GT(disagreements, 0);  // the double path alone would have miscounted
}

TEST(FastConversion, BatchDrawsFollowTheGenerator) {
    BatchDraws draws;
    RandomState stepped{4242u};
    const std::uint32_t after = drawBatch(stepped.s, batchSteps, draws);
    for (int k = 0; k < batchSteps; ++k)
        for (int d = 0; d < 4; ++d) {
            unitRandom(stepped);
            ASSERT_EQ(draws.state[d][k], stepped.s) << "step " << k << ", draw " << d;
        }
    EXPECT_EQ(after, stepped.s);
}

}  // namespace
}  // namespace auralith
