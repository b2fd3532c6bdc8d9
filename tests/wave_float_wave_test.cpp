// The floating-point writer: its header's fields at their offsets, the samples' IEEE 754 bytes
// little-endian, and what it refuses without writing anything.
#include <gtest/gtest.h>

#include <cerrno>
#include <filesystem>
#include <vector>

#include "support/test_support.h"
#include "wave/float_wave.h"

namespace auralith {
namespace {

using Bytes = std::vector<std::uint8_t>;

// Three stereo frames at 48 kHz; 1, -0.5 and 0.1 have the bits 3F800000, BF000000 and 3DCCCCCD.
TEST(FloatWave, WritesTheHeaderFieldsAtTheirOffsetsAndEachFloatsBytes) {
    const testing::ScratchDir dir;
    const std::vector<float> samples{1.0f, -0.5f, 0.1f, 0.0f, -1.0f, 2.0f};
    ASSERT_TRUE(writeFloatWave(dir.file("r.wav"), samples, 2, 48000));
    const Bytes bytes = testing::readBytes(dir.file("r.wav"));
    const Bytes expected{'R',  'I',  'F',  'F',  74,  0,   0,    0,                          // 58 + 24 - 8 bytes follow
                         'W',  'A',  'V',  'E',  'f', 'm', 't',  ' ',  18,   0,    0,    0,  // 18 bytes of format
                         3,    0,    2,    0,                                                // IEEE float, two channels
                         0x80, 0xBB, 0,    0,                                                // 48 000 Hz
                         0x00, 0xDC, 0x05, 0,                                                // 384 000 bytes a second
                         8,    0,    32,   0,    0,   0,  // 8 bytes a frame, 32 bits, no extension
                         'f',  'a',  'c',  't',  4,   0,   0,    0,    3,    0,    0,    0,  // three frames
                         'd',  'a',  't',  'a',  24,  0,   0,    0,                          // 24 sample bytes
                         0,    0,    0x80, 0x3F, 0,   0,   0,    0xBF, 0xCD, 0xCC, 0xCC, 0x3D,
                         0,    0,    0,    0,    0,   0,   0x80, 0xBF, 0,    0,    0,    0x40};
    EXPECT_EQ(bytes, expected);
}

TEST(FloatWave, RefusesWhatIsNotWholeFramesAndWritesNothing) {
    const testing::ScratchDir dir;
    const std::vector<float> five(5, 0.25f);
    EXPECT_EQ(writeFloatWave(dir.file("odd.wav"), five, 2, 44100).error, EINVAL);
    EXPECT_EQ(writeFloatWave(dir.file("none.wav"), five, 0, 44100).error, EINVAL);
    EXPECT_EQ(writeFloatWave(dir.file("rate.wav"), five, 1, 0).error, EINVAL);
    EXPECT_TRUE(std::filesystem::is_empty(dir.path()));
    // No frames is a file all the same: the header alone.
    ASSERT_TRUE(writeFloatWave(dir.file("empty.wav"), {}, 1, 44100));
    EXPECT_EQ(testing::readBytes(dir.file("empty.wav")).size(), floatWaveHeaderSize);
}

}  // namespace
}  // namespace auralith
