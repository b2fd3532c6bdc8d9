// What the ears receive from a response played through the loudspeakers: the convolution against
// a case worked by hand, and the ears' direct sound where it first reaches a tenth of the peak.
#include <gtest/gtest.h>

#include "sim/headphones/ear_responses.h"

namespace auralith {
namespace {

TEST(EarResponses, EachLoudspeakerReachesEachEarThroughItsPath) {
    // Paths [2 * speaker + ear]; the channels interleaved: left 1, 2 and right 0, -1.
    const SpeakerPaths paths{44100, 3, {{1, 0.5, 0}, {0, 0.25, 0}, {0, 0, 0.5}, {2, 0, 0}}, 0.1};
    const std::vector<double> stereo{1, 0, 2, -1};
    const std::optional<EarResponses> ears = earResponses(stereo, paths);
    ASSERT_TRUE(ears);
    // Left: (1, 2) * (1, 0.5, 0) + (0, -1) * (0, 0, 0.5); right: (1, 2) * (0, 0.25, 0) + (0, -1) * (2, 0, 0).
    const std::vector<double> left{1, 2.5, 1, -0.5}, right{0, -1.75, 0.5, 0};
    ASSERT_EQ(ears->left.size(), 4u);
    ASSERT_EQ(ears->right.size(), 4u);
    for (std::size_t i = 0; i < 4; ++i) {
        EXPECT_NEAR(ears->left[i], left[i], 1e-12) << i;
        EXPECT_NEAR(ears->right[i], right[i], 1e-12) << i;
    }
    // Frames that are not the loudspeakers' two channels, or none.
    EXPECT_FALSE(earResponses(std::vector<double>{1, 0, 2}, paths));
    EXPECT_FALSE(earResponses({}, paths));
}

TEST(EarResponses, TheDirectSoundBeginsAtATenthOfTheLargerEarsPeak) {
    EXPECT_EQ(earsArrival({{0, 0.05, 0.09, 0.2, 1}, {0, 0, -0.05, 0, -0.5}}), 3);
    EXPECT_EQ(earsArrival({{0, 0, 0.05}, {0, 0, -0.1, 0, 0.5}}), 2);  // either ear, either sign
    EXPECT_EQ(earsArrival({{0, 0}, {0}}), 0);
}

}  // namespace
}  // namespace auralith
