// The envelope the page draws under its time line, on signals whose loudest stretches are known.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <vector>

#include "sim/analysis/envelope.h"

namespace auralith {
namespace {

// Interleaved stereo: a burst of full scale (-32768, the one magnitude 16 bits cannot take as a
// positive number) on the right over frames 1234 to 1256 of 4000, which are in the buckets of ten
// frames 123 to 125, and nowhere else; silence gives zeros whatever the length.
TEST(CompareEnvelope, ABurstShowsInItsBucketsAlone) {
    std::vector<std::int16_t> samples(2 * 4000, 0);
    for (int frame = 1234; frame <= 1256; ++frame) samples[2 * frame + 1] = -32768;
    const Envelope burst = peakEnvelope(samples, 400);
    EXPECT_EQ(burst.frames, 4000);
    ASSERT_EQ(burst.peaks.size(), 400u);
    for (std::size_t b = 0; b < burst.peaks.size(); ++b)
        EXPECT_EQ(burst.peaks[b], b >= 123 && b <= 125 ? 32768 : 0) << "bucket " << b;

    for (const std::size_t frames : {0, 7, 399, 400, 44100 * 3 + 1}) {
        const Envelope silence = peakEnvelope(std::vector<std::int16_t>(2 * frames, 0), 400);
        EXPECT_EQ(silence.peaks, std::vector<std::int32_t>(std::min<std::size_t>(frames, 400), 0)) << frames;
    }
}

// 1001 frames in 400 buckets: each frame's left sample its number from 1, so that a bucket's peak
// is its last frame's number. Every frame is in exactly one bucket, and every bucket holds two or
// three of them, in order.
TEST(CompareEnvelope, EveryFrameInOneBucketAndNoneEmpty) {
    std::vector<std::int16_t> samples(2 * 1001, 0);
    for (int frame = 0; frame < 1001; ++frame) samples[2 * frame] = static_cast<std::int16_t>(frame + 1);
    const Envelope ramp = peakEnvelope(samples, 400);
    ASSERT_EQ(ramp.peaks.size(), 400u);
    EXPECT_EQ(ramp.peaks.back(), 1001);
    for (std::size_t b = 0; b < ramp.peaks.size(); ++b) {
        const std::int32_t held = ramp.peaks[b] - (b == 0 ? 0 : ramp.peaks[b - 1]);
        EXPECT_TRUE(held == 2 || held == 3) << "bucket " << b << " holds " << held;
    }
}

// The page draws the louder of the renders at each bucket; an empty one takes the other whole.
TEST(CompareEnvelope, TheLouderOfTwoRenders) {
    Envelope both;
    takeLouder(both, {6, {0, 500, 7}});
    EXPECT_EQ(both.frames, 6);
    takeLouder(both, {6, {3, 20, 9}});
    EXPECT_EQ(both.peaks, (std::vector<std::int32_t>{3, 500, 9}));
}

}  // namespace
}  // namespace auralith
