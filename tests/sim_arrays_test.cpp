// The six array models: their reference values per position and the worked renders.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>

#include "sim/model/arrays.h"
#include "sim/render.h"
#include "support/sim_support.h"

namespace auralith {
namespace {

using testing::leftAt;
using testing::recordingOf;
using testing::renderFresh;
using testing::rightAt;

const double deg = degreesToRadiansFactor();

struct FactorRow {
    double left;
    double right;
};

void expectFactors(const char* what, int p, long double left, long double right, FactorRow expected, double tolerance) {
    EXPECT_NEAR(static_cast<double>(left), expected.left, tolerance) << what << " left, position " << p;
    EXPECT_NEAR(static_cast<double>(right), expected.right, tolerance) << what << " right, position " << p;
}

TEST(CoincidentPairs, ResponsesByPosition) {
    const FactorRow blumlein[13] = {{1, 0},
                                    {0.991445, 0.130526},
                                    {0.965926, 0.258819},
                                    {0.923880, 0.382683},
                                    {0.866025, 0.500000},
                                    {0.793353, 0.608761},
                                    {0.707107, 0.707107},
                                    {0.608761, 0.793353},
                                    {0.500000, 0.866025},
                                    {0.382683, 0.923880},
                                    {0.258819, 0.965926},
                                    {0.130526, 0.991445},
                                    {0, 1}};
    const FactorRow cardioids[13] = {
        {0.995722, 0.434737}, {0.982963, 0.500000}, {0.961940, 0.565263}, {0.933013, 0.629410}, {0.896677, 0.691342},
        {0.853553, 0.750000}, {0.804381, 0.804381}, {0.750000, 0.853553}, {0.691342, 0.896677}, {0.629410, 0.933013},
        {0.565263, 0.961940}, {0.500000, 0.982963}, {0.434737, 0.995722}};
    for (int p = 0; p < 13; ++p) {
        const ChannelFactors b = blumleinResponses(p, deg);
        expectFactors("Blumlein", p, b.left, b.right, blumlein[p], 5e-7);
        EXPECT_NEAR(static_cast<double>(b.left * b.left + b.right * b.right), 1.0, 1e-15);
        const ChannelFactors c = cardioidResponses(p, deg);
        expectFactors("cardioids", p, c.left, c.right, cardioids[p], 5e-7);
    }
}

TEST(CoincidentPairs, BlumleinLastPositionLeftIsTheShortPisResidue) {
    const ChannelFactors b = blumleinResponses(12, deg);
    EXPECT_NEAR(static_cast<double>(b.left), -1.03e-13, 0.01e-13);
    EXPECT_EQ(b.right, 1.0L);
    EXPECT_EQ(blumleinResponses(0, deg).left, 1.0L);
    EXPECT_EQ(blumleinResponses(0, deg).right, 0.0L);
}

TEST(CoincidentPairs, ThreeSampleRecording) {
    const auto wave = recordingOf({1000, 2000, -3000});
    const StereoBuffer blumlein = renderFresh(MicArray::blumleinPair, wave);
    const std::int16_t expected1[][2] = {{1000, 0}, {2000, 0}, {-3000, 1}, {991, 131}, {1983, 261}, {-2974, -392}};
    const std::int64_t frames[] = {44100, 44101, 44102, 88203, 88204, 88205};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(leftAt(blumlein, frames[k]), expected1[k][0]) << "frame " << frames[k];
        EXPECT_EQ(rightAt(blumlein, frames[k]), expected1[k][1]) << "frame " << frames[k];
    }
    for (std::int64_t f = 0; f <= 88202; ++f) {
        if (f >= 44100 && f <= 44102) continue;
        ASSERT_EQ(leftAt(blumlein, f), 0) << f;
        ASSERT_EQ(rightAt(blumlein, f), 0) << f;
    }
    const StereoBuffer cardioids = renderFresh(MicArray::cardioidPair, wave);
    const std::int16_t expected2[][2] = {{996, 434}, {1991, 870},  {-2987, -1304},
                                         {983, 500}, {1966, 1000}, {-2948, -1500}};
    for (int k = 0; k < 6; ++k) {
        EXPECT_EQ(leftAt(cardioids, frames[k]), expected2[k][0]) << "frame " << frames[k];
        EXPECT_EQ(rightAt(cardioids, frames[k]), expected2[k][1]) << "frame " << frames[k];
    }
}

TEST(NearCoincidentPairs, DelaysAndResponsesByPosition) {
    const int faulknerLeftDelay[13] = {-9, -8, -6, -5, -3, -2, 0, 2, 3, 5, 6, 8, 9};
    const FactorRow faulkner[13] = {
        {0.712124, 0.702125}, {0.798187, 0.788528}, {0.870344, 0.861685}, {0.927389, 0.920318}, {0.968387, 0.963388},
        {0.992692, 0.990104}, {0.999950, 0.999950}, {0.990104, 0.992692}, {0.963388, 0.968387}, {0.920318, 0.927389},
        {0.861685, 0.870344}, {0.788528, 0.798187}, {0.702125, 0.712124}};
    const int ortfLeftDelay[13] = {-8, -7, -5, -4, -3, -1, 0, 1, 3, 4, 5, 7, 8};
    const FactorRow ortf[13] = {{0.992404, 0.413176}, {0.976858, 0.478190}, {0.953154, 0.543578}, {0.921696, 0.608220},
                                {0.883022, 0.671010}, {0.837795, 0.730874}, {0.786788, 0.786788}, {0.730874, 0.837795},
                                {0.671010, 0.883022}, {0.608220, 0.921696}, {0.543578, 0.953154}, {0.478190, 0.976858},
                                {0.413176, 0.992404}};
    for (int p = 0; p < 13; ++p) {
        const PairPlacement f = faulknerPlacement(p, deg, 44100);
        EXPECT_EQ(f.leftDelay, faulknerLeftDelay[p]) << p;
        EXPECT_EQ(f.rightDelay, -faulknerLeftDelay[p]) << p;
        expectFactors("Faulkner", p, f.leftFactor, f.rightFactor, faulkner[p], 5e-7);
        const PairPlacement o = ortfPlacement(p, deg, 44100);
        EXPECT_EQ(o.leftDelay, ortfLeftDelay[p]) << p;
        EXPECT_EQ(o.rightDelay, -ortfLeftDelay[p]) << p;
        expectFactors("ORTF", p, o.leftFactor, o.rightFactor, ortf[p], 5e-7);
    }
}

void expectRun(const StereoBuffer& out, bool left, std::int64_t first, std::vector<int> values) {
    for (std::size_t k = 0; k < values.size(); ++k) {
        const std::int64_t f = first + static_cast<std::int64_t>(k);
        EXPECT_EQ(left ? leftAt(out, f) : rightAt(out, f), values[k]) << (left ? "left" : "right") << " frame " << f;
        EXPECT_EQ(left ? rightAt(out, f) : leftAt(out, f), 0) << "other channel, frame " << f;
    }
}

TEST(NearCoincidentPairs, ThreeSampleRecording) {
    const auto wave = recordingOf({1000, 2000, -3000});
    const StereoBuffer faulkner = renderFresh(MicArray::faulknerPair, wave);
    expectRun(faulkner, true, 44091, {712, 1424, -2136});
    expectRun(faulkner, false, 44109, {702, 1405, -2106});
    expectRun(faulkner, true, 88195, {798, 1597, -2394});
    expectRun(faulkner, false, 88211, {789, 1577, -2366});
    const StereoBuffer ortf = renderFresh(MicArray::ortfPair, wave);
    expectRun(ortf, true, 44092, {993, 1985, -2977});
    expectRun(ortf, false, 44108, {413, 827, -1239});
    expectRun(ortf, true, 88196, {977, 1954, -2930});
    expectRun(ortf, false, 88210, {479, 957, -1435});
}

TEST(NearCoincidentPairs, OneSampleGivesOneFramePerChannelAndPosition) {
    const auto wave = recordingOf({12345});
    for (MicArray choice : {MicArray::faulknerPair, MicArray::ortfPair}) {
        const StereoBuffer out = renderFresh(choice, wave);
        int leftNonZero = 0;
        int rightNonZero = 0;
        for (std::int64_t f = 0; f < out.frames; ++f) {
            leftNonZero += std::abs(leftAt(out, f)) > 1;
            rightNonZero += std::abs(rightAt(out, f)) > 1;
        }
        EXPECT_EQ(leftNonZero, 13);
        EXPECT_EQ(rightNonZero, 13);
    }
}

TEST(SpacedOmnis, ReferenceValues) {
    const double reference = omniReferenceDistance(deg);
    EXPECT_NEAR(reference, std::sqrt(101 - 20 * std::sin(std::numbers::pi / 4)), 1e-6);
    EXPECT_NEAR(reference, 9.3198, 5e-5);
    const struct {
        int p;
        int dL, dR;
        FactorRow factors;
    } rows[] = {{0, -87, 94, {1.00000, 0.86854}},
                {1, -74, 82, {0.98887, 0.87605}},
                {6, 6, 6, {0.92735, 0.92735}},
                {11, 82, -74, {0.87605, 0.98887}},
                {12, 94, -87, {0.86854, 1.00000}}};
    for (const auto& row : rows) {
        const PairPlacement place = spacedOmniPlacement(row.p, deg, 44100, reference);
        EXPECT_EQ(place.leftDelay, row.dL) << row.p;
        EXPECT_EQ(place.rightDelay, row.dR) << row.p;
        expectFactors("spaced omnis", row.p, place.leftFactor, place.rightFactor, row.factors, 5e-6);
    }
    EXPECT_EQ(spacedOmniPlacement(0, deg, 44100, reference).leftFactor, 1.0L);
    for (int p = 0; p <= 12; ++p) {
        const PairPlacement a = spacedOmniPlacement(p, deg, 44100, reference);
        const PairPlacement b = spacedOmniPlacement(12 - p, deg, 44100, reference);
        EXPECT_EQ(a.leftDelay, b.rightDelay) << "mirror at " << p;
        EXPECT_NEAR(static_cast<double>(a.leftFactor), static_cast<double>(b.rightFactor), 1e-12);
        EXPECT_LE(a.leftFactor, 1.0L);
        EXPECT_LE(a.rightFactor, 1.0L);
    }
}

TEST(SpacedOmnis, SingleFullScaleSample) {
    const StereoBuffer out = renderFresh(MicArray::spacedOmniPair, recordingOf({32766}));
    ASSERT_EQ(out.frames, 617413);
    EXPECT_GE(leftAt(out, 44013), 32765);
    EXPECT_LE(leftAt(out, 44013), 32767);
    EXPECT_NEAR(rightAt(out, 44194), 0.86854 * 32766, 1.5);
    for (std::int64_t f = 0; f < 88000; ++f) {
        if (f != 44013) {
            ASSERT_EQ(leftAt(out, f), 0) << f;
        }
        if (f != 44194) {
            ASSERT_EQ(rightAt(out, f), 0) << f;
        }
    }
}

TEST(SpacedOmnis, EmptyRecordingIsFourteenSecondsOfExactSilence) {
    const StereoBuffer out = renderFresh(MicArray::spacedOmniPair, recordingOf({}));
    ASSERT_EQ(out.frames, 14 * 44100);
    for (const std::int16_t s : out.samples) ASSERT_EQ(s, 0);
}

TEST(ThreeOmniTree, CentreMicrophoneReferenceValues) {
    const double reference = omniReferenceDistance(deg);
    const struct {
        int p;
        int d;
        double factor;
    } rows[] = {{0, -128, 1.03529}, {1, -147, 1.05223}, {6, -192, 1.09644}, {11, -147, 1.05223}, {12, -128, 1.03529}};
    for (const auto& row : rows) {
        const TreePlacement place = treePlacement(row.p, deg, 44100, reference);
        EXPECT_EQ(place.centreDelay, row.d) << row.p;
        EXPECT_NEAR(static_cast<double>(place.centreFactor), row.factor, 5e-6) << row.p;
    }
    for (int p = 0; p < 13; ++p) {
        const TreePlacement place = treePlacement(p, deg, 44100, reference);
        EXPECT_LE(place.centreDelay, -128);
        EXPECT_GE(place.centreDelay, -192);
        EXPECT_GT(place.centreFactor, 1.0L);
    }
}

TEST(ThreeOmniTree, SingleFullScaleSample) {
    const StereoBuffer out = renderFresh(MicArray::threeOmniTree, recordingOf({32766}));
    EXPECT_NEAR(leftAt(out, 44100 - 128), 12911, 1);
    EXPECT_NEAR(rightAt(out, 44100 - 128), 12911, 1);
    EXPECT_NEAR(leftAt(out, 44100 - 87), 24941, 1);
    EXPECT_NEAR(rightAt(out, 44100 + 94), 21663, 1);
    for (std::int64_t f = 0; f < 44101; ++f) {
        if (f != 44100 - 128 && f != 44100 - 87) {
            ASSERT_LE(std::abs(leftAt(out, f)), 1) << f;
        }
        if (f != 44100 - 128 && f != 44100 + 94) {
            ASSERT_LE(std::abs(rightAt(out, f)), 1) << f;
        }
    }
}

TEST(ThreeOmniTree, EmptyRecordingIsDitherAlone) {
    const StereoBuffer out = renderFresh(MicArray::threeOmniTree, recordingOf({}));
    ASSERT_EQ(out.frames, 14 * 44100);
    std::size_t zeros = 0;
    for (const std::int16_t s : out.samples) {
        ASSERT_LE(std::abs(s), 1);
        zeros += s == 0;
    }
    EXPECT_NEAR(static_cast<double>(zeros) / static_cast<double>(out.samples.size()), 0.75, 0.01);
}

TEST(ThreeOmniTree, LoudLowMaterialSaturatesInsteadOfWrapping) {
    // A long full-scale square wave: outer and centre sound add up past the 16-bit range.
    std::vector<std::int16_t> samples(4000);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = (i / 1000) % 2 ? -32768 : 32767;
    const StereoBuffer out = renderFresh(MicArray::threeOmniTree, recordingOf(samples));
    int top = 0;
    int bottom = 0;
    for (std::int64_t f = 44100; f < 44100 + 4000; ++f) {
        top += leftAt(out, f) == 32767;
        bottom += leftAt(out, f) == -32768;
    }
    EXPECT_GT(top, 500);
    EXPECT_GT(bottom, 500);
    // Never a wrapped sign: straight ahead the loud half-periods stay loud and positive.
    for (std::int64_t f = 6 * 48100 + 44100 + 300; f < 6 * 48100 + 44100 + 700; ++f)
        EXPECT_GT(leftAt(out, f), 20000) << f;
}

}  // namespace
}  // namespace auralith
