// The simulation frame: generator, dither, guard gain, layout of the output in time.
#include <gtest/gtest.h>

#include <cmath>

#include "sim/model/random.h"
#include "sim/model/sweep.h"
#include "sim/render.h"
#include "support/sim_support.h"

namespace auralith {
namespace {

using testing::leftAt;
using testing::recordingOf;
using testing::renderFresh;
using testing::rightAt;

TEST(Generator, FirstFourValuesFromTheStartingState) {
    RandomState random;
    EXPECT_EQ(unitRandom(random), 0.9686200609430671);
    EXPECT_EQ(unitRandom(random), 0.20171141158789396);
    EXPECT_EQ(unitRandom(random), 0.519515969324857);
    EXPECT_EQ(unitRandom(random), 0.13224066281691194);
}

TEST(Generator, ValuesStayInTheUnitIntervalWith31BitResolution) {
    RandomState random;
    for (int i = 0; i < 100000; ++i) {
        const double r = unitRandom(random);
        ASSERT_GE(r, 0.0);
        ASSERT_LT(r, 1.0);
        ASSERT_EQ(r * 0x1p31, std::floor(r * 0x1p31));
    }
}

TEST(Dither, FirstConversionsOfAJob) {
    // Draws 0.96862... and 0.20171...: w = 0.1703..., so 0 stays 0 and 100 stays 100.
    RandomState a;
    EXPECT_EQ(ditherToSample(0, a), 0);
    RandomState b;
    EXPECT_EQ(ditherToSample(100, b), 100);
    EXPECT_EQ(b.s, a.s) << "each conversion takes exactly two draws";
}

// The model value that makes w land exactly on `w` with the next two draws of `state`.
long double valueGiving(long double w, RandomState state) {
    const double r1 = unitRandom(state);
    const double r2 = unitRandom(state);
    return w + 1 - r1 - r2;  // exact: the draws have 31 bits, the sum fits 64
}

TEST(Dither, TiesGoToTheEvenNeighbour) {
    const struct {
        long double w;
        int expected;
    } cases[] = {{2.5L, 2}, {-0.5L, 0}, {3.5L, 4}, {-1.5L, -2}, {0.5L, 0}, {32766.5L, 32766}};
    for (const auto& c : cases) {
        RandomState random;
        const long double v = valueGiving(c.w, random);
        EXPECT_EQ(ditherToSample(v, random), c.expected) << "w = " << static_cast<double>(c.w);
    }
}

TEST(Dither, ValuesPastTheSixteenBitRangeSaturate) {
    RandomState a;
    EXPECT_EQ(ditherToSample(37852, a), 32767);
    RandomState b;
    EXPECT_EQ(ditherToSample(-37852, b), -32768);
    RandomState c;
    EXPECT_EQ(ditherToSample(valueGiving(-32768, c), c), -32768);
}

TEST(Dither, NoiseIsTriangularWithinOneStep) {
    RandomState random;
    int counts[3] = {0, 0, 0};
    for (int i = 0; i < 40000; ++i) {
        const int k = ditherToSample(0, random);
        ASSERT_GE(k, -1);
        ASSERT_LE(k, 1);
        ++counts[k + 1];
    }
    // Zero about three times in four, -1 and +1 about one in eight each.
    EXPECT_NEAR(counts[1] / 40000.0, 0.75, 0.02);
    EXPECT_NEAR(counts[0] / 40000.0, 0.125, 0.02);
    EXPECT_NEAR(counts[2] / 40000.0, 0.125, 0.02);
}

TEST(GuardGain, OnlyFullScaleRecordingsAreScaled) {
    EXPECT_EQ(measureGuardGain(recordingOf({})), 1.0);
    EXPECT_EQ(measureGuardGain(recordingOf({0, 0, 0})), 1.0);
    EXPECT_EQ(measureGuardGain(recordingOf({100, -32766, 32766})), 1.0);
    EXPECT_EQ(measureGuardGain(recordingOf({5, 32767, 3})), static_cast<double>(32766.0L / 32767));
    EXPECT_EQ(measureGuardGain(recordingOf({-32768, 0, 32767})), 32766.0 / 32768);
    EXPECT_EQ(measureGuardGain(recordingOf({32767, 1, -32768, 2})), 32766.0 / 32768)
        << "-32768 anywhere decides, whatever comes after it";
}

TEST(Layout, FrameCounts) {
    EXPECT_EQ(outputFrameCount(44100, 44100), 1190700);
    EXPECT_EQ(outputFrameCount(44100, 1), 617413);
    EXPECT_EQ(outputFrameCount(44100, 0), 617400);
    EXPECT_EQ(outputFrameCount(44100, 82548031), 1073741803);
}

TEST(Layout, DegreesFactorUsesTheShortPi) {
    EXPECT_EQ(degreesToRadiansFactor(), static_cast<double>(static_cast<long double>(3.14159265359) / 180));
    EXPECT_NE(degreesToRadiansFactor(), static_cast<double>(3.14159265358979323846L / 180));
}

TEST(Layout, EachPositionsSoundStartsOneSecondIntoItsBlock) {
    // A recording of two loud samples: under the Blumlein pair position p starts at p*B + rate.
    const auto wave = recordingOf({20000, 20000});
    const StereoBuffer out = renderFresh(MicArray::blumleinPair, wave);
    ASSERT_EQ(out.frames, 617426);
    const std::int64_t block = 44102;
    for (int p = 0; p < 13; ++p) {
        const std::int64_t first = p * block + 44100;
        const int loud = std::abs(leftAt(out, first)) + std::abs(rightAt(out, first));
        EXPECT_GT(loud, 14000) << "position " << p;
        EXPECT_EQ(leftAt(out, first - 1), 0);
        EXPECT_EQ(rightAt(out, first - 1), 0);
        EXPECT_EQ(leftAt(out, first + 2), 0);
        EXPECT_EQ(rightAt(out, first + 2), 0);
    }
}

TEST(Layout, AllZeroRecordingGivesDitherOnlyWhereSoundIs) {
    const auto wave = recordingOf(std::vector<std::int16_t>(50, 0));
    for (int choice = 1; choice <= 5; ++choice) {
        const StereoBuffer out = renderFresh(static_cast<MicArray>(choice), wave);
        for (std::int64_t f = 0; f < out.frames; ++f) {
            bool nearSound = false;
            for (std::int64_t p = 0; p < 13; ++p) {
                const std::int64_t start = p * 44150 + 44100;
                nearSound = nearSound || (f >= start - 90 && f < start + 50 + 95);
            }
            if (!nearSound) {
                ASSERT_EQ(leftAt(out, f), 0) << "choice " << choice << " frame " << f;
                ASSERT_EQ(rightAt(out, f), 0) << "choice " << choice << " frame " << f;
            } else {
                ASSERT_LE(std::abs(leftAt(out, f)), 1);
                ASSERT_LE(std::abs(rightAt(out, f)), 1);
            }
        }
    }
}

TEST(Layout, SameRecordingAndChoiceGiveTheSameSamples) {
    std::vector<std::int16_t> samples;
    for (int i = 0; i < 500; ++i) samples.push_back(static_cast<std::int16_t>((i * 7919) % 65536 - 32768));
    const auto wave = recordingOf(samples);
    for (int choice = 1; choice <= 6; ++choice) {
        EXPECT_EQ(renderFresh(static_cast<MicArray>(choice), wave).samples,
                  renderFresh(static_cast<MicArray>(choice), wave).samples);
    }
}

TEST(Sweep, SourceStaysTenMetresFromTheCentre) {
    const double deg = degreesToRadiansFactor();
    for (int p = 0; p < 13; ++p) {
        const SourcePlace s = sourceAt(p, deg);
        EXPECT_NEAR(std::hypot(s.lateral, s.forward), 10.0, 1e-12);
        EXPECT_NEAR(s.azimuth / deg, 7.5 * p - 45, 1e-9);
    }
    EXPECT_EQ(micDelay(10.0, 44100), 0);
    // 344 m/s: one metre more is 128.197... frames.
    EXPECT_EQ(micDelay(11.0, 44100), 128);
    EXPECT_EQ(micDelay(9.0, 44100), -128);
}

}  // namespace
}  // namespace auralith
