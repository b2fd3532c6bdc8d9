// Whole output files of one fixed recording, one per array: any change to one byte shows here.
#include <gtest/gtest.h>

#include <string>

#include "sim/fast/vector_width.h"
#include "sim/render.h"
#include "support/sim_support.h"
#include "support/test_support.h"
#include "wave/output_wave.h"

namespace auralith {
namespace {

// At every vector width the processor has (the widths it lacks are reported as skipped).
class GoldenOutput : public ::testing::TestWithParam<int> {};

INSTANTIATE_TEST_SUITE_P(Widths, GoldenOutput, ::testing::Values(2, 4, 8),
                         [](const ::testing::TestParamInfo<int>& info) { return std::to_string(info.param) + "Wide"; });

TEST_P(GoldenOutput, EveryArrayGivesItsKnownFile) {
    if (!processorHasVectorWidth(GetParam()))
        GTEST_SKIP() << "this processor cannot run " << GetParam() << " conversions side by side";
    const std::vector<std::int16_t> wave = testing::goldenRecording();
    EXPECT_EQ(measureGuardGain(wave), 32766.0 / 32768);
    testing::ScratchDir dir;
    for (int choice = 1; choice <= 6; ++choice) {
        const StereoBuffer out =
            testing::renderFresh(static_cast<MicArray>(choice), wave, RenderOptions{0, GetParam()});
        const std::string path = dir.file("out" + std::to_string(choice) + ".wav");
        ASSERT_TRUE(writeOutputWave(path, out.frames, out.view(), 44100, 16));
        const auto bytes = testing::readBytes(path);
        EXPECT_EQ(bytes.size(), 44u + 4u * (13u * 47100u + 44100u));
        EXPECT_EQ(testing::sha256Hex(bytes), testing::goldenDigests[choice - 1]) << "choice " << choice;
    }
}

TEST_P(GoldenOutput, DescribedArraysGiveTheirKnownFiles) {
    // A subcardioid pair 2 m apart, axes 60 degrees apart (the near microphone's factor above 1,
    // so that the golden recording's full-scale samples clip), and the widest, deepest tree, of
    // p = 0.3: the same bytes on every platform and at every width.
    if (!processorHasVectorWidth(GetParam()))
        GTEST_SKIP() << "this processor cannot run " << GetParam() << " conversions side by side";
    const std::pair<Rig, const char*> described[] = {
        {pairLayout(0.7, 60, 200), "eee80cc5948ac63a0fb8b789a60a0483913c3d70687f3b4d605c85d722f0f2b4"},
        {treeLayout(4, 3, 0.3), "20f981d05ca9bdd777dacdad90170faec97dd7509e8df436d372cdd37b5d8a2e"},
    };
    testing::ScratchDir dir;
    for (const auto& [layout, digest] : described) {
        RandomState random;
        const std::vector<std::int16_t> wave = testing::goldenRecording();
        const auto out =
            renderStereo(layout, wave, 44100, measureGuardGain(wave), random, RenderOptions{0, GetParam()});
        ASSERT_TRUE(out.has_value());
        const std::string path = dir.file("described.wav");
        ASSERT_TRUE(writeOutputWave(path, out->frames, out->view(), 44100, 16));
        EXPECT_EQ(testing::sha256Hex(testing::readBytes(path)), digest) << layout.count() << " microphones";
    }
}

TEST(Digest, OfKnownText) {
    EXPECT_EQ(testing::sha256Hex("abc", 3), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(testing::sha256Hex("", 0), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    const std::string million(1000000, 'a');
    EXPECT_EQ(testing::sha256Hex(million.data(), million.size()),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

}  // namespace
}  // namespace auralith
