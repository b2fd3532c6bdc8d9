// What a room does to an array in numbers: the direct-to-reverberant ratio, the critical
// distance, the diffuse field's coherence over frequency, the late coherence summed over the
// sweep's positions and the ears' cross-correlation, each against values worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <vector>

#include "sim/free/mic_layout.h"
#include "sim/room/room_numbers.h"
#ifdef AURALITH_ROOM_RESPONSES
#include "sim/room/measured_coherence.h"
#endif

namespace auralith {
namespace {

// Two taps of one frame add before squaring: (1 + 0.5)^2 = 2.25 over 0.25 + 0.25 + 0.0625.
TEST(RoomNumbers, DirectToReverberantRatio) {
    const std::vector<DirectTap> direct{{40, 1.0}, {12, 0.0}, {40, 0.5}};
    const std::vector<double> reflections{0.5, -0.5, 0, 0.25};
    EXPECT_NEAR(*directToReverberantDb(direct, reflections), 10 * std::log10(2.25 / 0.5625), 1e-12);
    EXPECT_EQ(*directToReverberantDb(direct, {}), INFINITY);
    EXPECT_EQ(*directToReverberantDb({}, reflections), -INFINITY);
    EXPECT_FALSE(directToReverberantDb(std::vector<DirectTap>{{3, 0.0}}, std::vector<double>{0.0}));
}

// 0.057 sqrt(Q V / T): an omni in 16 000 m^3 ringing 2 s, 0.057 sqrt(8000) = 5.098 m; a cardioid
// and a figure-of-eight (Q = 3) sqrt(3) times as far; the tree's channels, omnis, as the omni.
TEST(RoomNumbers, CriticalDistanceFollowsThePattern) {
    EXPECT_NEAR(criticalDistance(channelDirectivity(pairLayout(1, 0, 40), 0), 16000, 2), 5.098, 0.001);
    for (const double p : {0.5, 0.0}) EXPECT_NEAR(channelDirectivity(pairLayout(p, 90, 17), 1), 3, 1e-12) << p;
    EXPECT_NEAR(channelDirectivity(pairLayout(0.25, 110, 17), 0), 1 / (0.0625 + 0.5625 / 3), 1e-12);
    EXPECT_NEAR(channelDirectivity(treeLayout(2, 1.5, 1), 0), 1, 1e-12);
    // Mid-side, a forward cardioid and a sideways figure-of-eight at one point, left = M + S:
    // 0.5 + (0.5, 1).u, on axis 0.5 + sqrt(1.25), mean square 0.25 + 1.25 / 3.
    Rig ms = pairLayout(0.5, 0, 0);
    ms.mics[0].shares = {1, 1};
    ms.mics[1] = {0, 0, 0, 1, 0, 0, 0, {1, -1}};
    const double onAxis = 0.5 + std::sqrt(1.25);
    EXPECT_NEAR(channelDirectivity(ms, 0), onAxis * onAxis / (0.25 + 1.25 / 3), 1e-12);
    EXPECT_EQ(channelDirectivity(ms, 5), 0);  // no microphone has a share there
    EXPECT_NEAR(midBandSeconds({9, 9, 2.2, 1.8, 9, 9, 9}), 2.0, 1e-15);
}

// XY cardioids at 90 degrees: 0.75 at every frequency; omnis 40 cm apart: sin x / x,
// x = 2 pi f 0.4 / 344, through zero at 430 Hz.
TEST(RoomNumbers, DiffuseCoherenceCurves) {
    const auto xy = diffuseCoherenceCurve(pairLayout(0.5, 90, 0), 125, 8000, 3);
    ASSERT_EQ(xy.size(), 19u);
    EXPECT_DOUBLE_EQ(xy.back().frequency, 8000);
    for (const CoherencePoint& p : xy) EXPECT_NEAR(p.coherence, 0.75, 1e-12) << p.frequency;
    const auto omnis = diffuseCoherenceCurve(pairLayout(1, 0, 40), 430, 1720, 1);
    ASSERT_EQ(omnis.size(), 3u);
    for (const CoherencePoint& p : omnis) {
        const double x = 2 * std::numbers::pi * p.frequency * 0.4 / 344;
        EXPECT_NEAR(p.coherence, std::sin(x) / x, 1e-12) << p.frequency;
    }
    EXPECT_NEAR(omnis[0].coherence, 0, 1e-12);
}

// Noise that begins 5 ms after the direct sound and ends before 60 ms, from a fixed generator.
std::vector<double> burst(std::size_t frames) {
    std::vector<double> noise(frames);
    std::uint32_t s = 12345;
    for (std::size_t i = 220; i < 2640; ++i) {
        s = s * 1664525u + 1013904223u;
        noise[i] = static_cast<double>(s >> 8) / 16777216.0 - 0.5;
    }
    return noise;
}

std::vector<double> delayed(const std::vector<double>& samples, std::size_t frames) {
    std::vector<double> later(samples.size(), 0.0);
    for (std::size_t i = frames; i < samples.size(); ++i) later[i] = samples[i - frames];
    return later;
}

// ISO 3382-1's IACC takes the largest correlation within +-1 ms: identical ears and a 0.5 ms
// delay (22 frames) give 1, a 1.5 ms delay of noise (66 frames) far less; the late window from
// 80 ms sees a second burst at 100 ms, and a window with no sound gives nothing.
TEST(RoomNumbers, InterauralCrossCorrelation) {
    const std::vector<double> left = burst(8820);
    EXPECT_NEAR(*earlyAndLateIacc(left, left, 44100, 0).early, 1, 1e-12);
    EXPECT_NEAR(*earlyAndLateIacc(left, delayed(left, 22), 44100, 0).early, 1, 1e-12);
    EXPECT_NEAR(*earlyAndLateIacc(delayed(left, 22), left, 44100, 0).early, 1, 1e-12);
    EXPECT_LT(*earlyAndLateIacc(left, delayed(left, 66), 44100, 0).early, 0.2);
    EXPECT_FALSE(earlyAndLateIacc(left, left, 44100, 0).late);
    const std::vector<double> both = delayed(left, 0), tail = delayed(left, 4410);
    std::vector<double> l(both), r(both);
    for (std::size_t i = 0; i < l.size(); ++i) {
        l[i] += tail[i];
        r[i] -= tail[i];
    }
    const EarCorrelation split = earlyAndLateIacc(l, r, 44100, 0);
    EXPECT_NEAR(*split.early, 1, 1e-12);
    EXPECT_NEAR(*split.late, 1, 1e-12);  // the absolute value: antiphase ears correlate fully
    EXPECT_NEAR(*earlyAndLateIacc(l, delayed(r, 44), 44100, 0).late, 1, 1e-12);
}

#ifdef AURALITH_ROOM_RESPONSES
// Summed over positions, each position weighs by its energy: one position with alike channels,
// one twice as loud in antiphase, gives (1 - 4) / (1 + 4) = -0.6 in every band.
TEST(RoomNumbers, LateCoherenceSummedOverPositions) {
    const BandMixer mixer({44100, 1}, 8820);
    RoomResponse a{{44100, 1}, 0, burst(8820)};
    for (std::size_t i = 0; i < a.samples.size(); ++i) a.samples[i] += delayed(burst(8820), 4410)[i];
    RoomResponse loud = a, inverted = a;
    for (double& s : loud.samples) s *= 2;
    for (double& s : inverted.samples) s *= -2;
    const std::vector<ResponsePair> pairs{{&a, &a}, {&loud, &inverted}};
    const auto summed = summedLateCoherence(mixer, pairs, 0.08);
    ASSERT_TRUE(summed);
    for (int b = 0; b < bandCount; ++b) EXPECT_NEAR((*summed)[b], -0.6, 1e-9) << bandCentres[b];
    const auto one = summedLateCoherence(mixer, std::span(pairs).first(1), 0.08);
    ASSERT_TRUE(one);
    EXPECT_NEAR((*one)[3], *lateCoherence(mixer, a, a, 3, 0.08), 1e-12);
    EXPECT_FALSE(summedLateCoherence(mixer, pairs, 1.0));  // nothing after a second
}
#endif

}  // namespace
}  // namespace auralith
