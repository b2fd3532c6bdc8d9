// Whole output files of one fixed recording, one per array: any change to one byte shows here.
#include <gtest/gtest.h>

#include "sim/render.h"
#include "support/sim_support.h"
#include "support/test_support.h"
#include "wave/output_wave.h"

namespace auralith {
namespace {

TEST(GoldenOutput, EveryArrayGivesItsKnownFile) {
    const std::vector<std::int16_t> wave = testing::goldenRecording();
    EXPECT_EQ(measureGuardGain(wave), 32766.0 / 32768);
    testing::ScratchDir dir;
    for (int choice = 1; choice <= 6; ++choice) {
        const StereoBuffer out = testing::renderFresh(static_cast<MicArray>(choice), wave);
        const std::string path = dir.file("out" + std::to_string(choice) + ".wav");
        ASSERT_TRUE(writeOutputWave(path, out.frames, out.view(), 44100, 16));
        const auto bytes = testing::readBytes(path);
        EXPECT_EQ(bytes.size(), 44u + 4u * (13u * 47100u + 44100u));
        EXPECT_EQ(testing::sha256Hex(bytes), testing::goldenDigests[choice - 1]) << "choice " << choice;
    }
}

TEST(GoldenOutput, DigestOfKnownText) {
    EXPECT_EQ(testing::sha256Hex("abc", 3), "ba7816bf8f01cfea414140de5dae2223b00361a396177a9cb410ff61f20015ad");
    EXPECT_EQ(testing::sha256Hex("", 0), "e3b0c44298fc1c149afbf4c8996fb92427ae41e4649b934ca495991b7852b855");
    const std::string million(1000000, 'a');
    EXPECT_EQ(testing::sha256Hex(million.data(), million.size()),
              "cdc76e5c9914fb9281a1c7e284d73e67f1809a48a497200e046d39ccc7112cd0");
}

}  // namespace
}  // namespace auralith
