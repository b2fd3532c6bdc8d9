// The loudness against a reference signal whose loudness is known, and the measurement in two
// parts against the one pass it stands for.
#include <gtest/gtest.h>

#include <cmath>
#include <variant>
#include <vector>

#include "sim/analysis/loudness.h"
#include "sim/render.h"
#include "wave/input_wave.h"

namespace auralith {
namespace {

TEST(CompareLoudness, EbuTech3341FirstCase) {
    // A 1 kHz sine at -23 dBFS in both channels of a stereo signal, 20 s: -23.0 LUFS within 0.1.
    const double amplitude = 32768 * std::pow(10.0, -23.0 / 20);
    std::vector<std::int16_t> samples;
    for (int i = 0; i < 20 * 44100; ++i) {
        const auto v =
            static_cast<std::int16_t>(std::lrint(amplitude * std::sin(2 * 3.141592653589793 * 1000 * i / 44100.0)));
        samples.push_back(v);
        samples.push_back(v);
    }
    const std::optional<double> loudness = integratedLoudness(samples, 44100);
    ASSERT_TRUE(loudness.has_value());
    EXPECT_NEAR(*loudness, -23.0, 0.1);
    // 10 dB lower, 10 LU lower; silence is left out by every gate.
    for (auto& s : samples) s = static_cast<std::int16_t>(std::lrint(s * std::pow(10.0, -0.5)));
    EXPECT_NEAR(*integratedLoudness(samples, 44100), -33.0, 0.1);
    EXPECT_EQ(*integratedLoudness(std::vector<std::int16_t>(2 * 44100, 0), 44100), -INFINITY);
}

TEST(CompareLoudness, TwoPartsGiveExactlyTheOnePassValue) {
    // (The tree, whose silence is dither, is measured in one pass; the pairs' silence is zeros.)
    auto header = readInputHeader(AURALITH_SOURCE_DIR "/examples/demo.wav");
    ASSERT_TRUE(std::holds_alternative<InputWave>(header));
    InputWave wave = std::get<InputWave>(header);
    ASSERT_TRUE(loadInputSamples(wave));
    const std::int64_t split = sweepLoudnessSplit(44100, wave.sampleCount);
    EXPECT_EQ(split % 17640, 0);  // on the 400 ms grid
    // In the silence between positions 6 and 7, at least 0.1 s after its start, 0.3 s before its end.
    const std::int64_t block = 44100 + wave.sampleCount;
    EXPECT_GE(split, 7 * block + 94 + 4410);
    EXPECT_LE(split, 7 * block + 44100 - 198 - 13230);
    for (int k = 1; k <= 6; ++k) {
        RandomState random;
        const auto out = renderStereo(static_cast<MicArray>(k), wave.samples, 44100, 1.0, random);
        ASSERT_TRUE(out.has_value());
        const std::optional<double> whole = integratedLoudness(out->view(), 44100);
        const std::optional<double> parts =
            sweepLoudness(static_cast<MicArray>(k), out->view(), 44100, wave.sampleCount);
        ASSERT_TRUE(whole && parts);
        EXPECT_EQ(*whole, *parts) << "array " << k;
        EXPECT_GT(*whole, -40.0);
    }
}

}  // namespace
}  // namespace auralith
