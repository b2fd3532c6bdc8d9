// The envelope the page draws under its time line, on signals whose loudest stretches are known.
#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

#include "sim/analysis/envelope.h"

namespace auralith {
namespace {

// A burst of full scale (-32768, whose magnitude 16 bits cannot hold) on the right over frames
// 1234 to 1256 of 4000 is in the buckets of ten frames 123 to 125 alone. Silence gives zeros,
// one bucket a frame where there are fewer frames than buckets.
TEST(CompareEnvelope, ABurstShowsInItsBucketsAlone) {
    std::vector<std::int16_t> samples(2 * 4000, 0);
    for (int frame = 1234; frame <= 1256; ++frame) samples[2 * frame + 1] = -32768;
    std::vector<std::int32_t> expected(400, 0);
    std::fill(expected.begin() + 123, expected.begin() + 126, 32768);
    EXPECT_EQ(peakEnvelope(samples, 400).frames, 4000);
    EXPECT_EQ(peakEnvelope(samples, 400).peaks, expected);
    for (const std::size_t frames : {0, 7, 1001, 44100 * 3})
        EXPECT_EQ(peakEnvelope(std::vector<std::int16_t>(2 * frames, 0), 400).peaks,
                  std::vector<std::int32_t>(std::min<std::size_t>(frames, 400), 0))
            << frames;
}

}  // namespace
}  // namespace auralith
