// The envelope the page draws under its time line, on signals whose loudest stretches are known.
#include <gtest/gtest.h>

#include <algorithm>
#include <span>
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

// Fed a run at a time as a render is handed on, in runs of any length (one frame, odd ones, one
// bucket and a bit), the envelope is the whole render's, with fewer frames than buckets too.
TEST(CompareEnvelope, FedInRunsItIsTheWholeRendersEnvelope) {
    for (const std::size_t frames : {5, 4000, 10007}) {
        std::vector<std::int16_t> samples(2 * frames);
        for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::int16_t>((i * 7919) % 65536);
        const Envelope whole = peakEnvelope(samples, 400);
        for (const std::size_t run : {1, 3, 26, 4096}) {
            EnvelopeMeter meter = envelopeMeter(static_cast<std::int64_t>(frames), 400);
            for (std::size_t at = 0; at < frames; at += run)
                addToEnvelope(meter, std::span(samples).subspan(2 * at, 2 * std::min(run, frames - at)));
            EXPECT_EQ(meter.envelope.frames, whole.frames);
            EXPECT_EQ(meter.envelope.peaks, whole.peaks) << frames << " frames in runs of " << run;
        }
    }
}

}  // namespace
}  // namespace auralith
