// The recordings auralith-compare reads, made here with libsndfile itself in the formats engineers
// have: each gives back the 16-bit samples it was made from, at its own rate, with a description
// of what was read.
#include <gtest/gtest.h>

#ifdef AURALITH_HAS_SNDFILE
#include <sndfile.h>

#include <string>
#include <variant>
#include <vector>

#include "support/sndfile_writer.h"
#include "support/test_support.h"
#include "wave/recording/recording.h"

namespace auralith {
namespace {

using testing::ScratchDir;

// Full scale both ways, small values of both signs, and a ramp.
std::vector<std::int16_t> knownSamples() {
    std::vector<std::int16_t> s = {0, 1, -1, 32767, -32768, 12345, -23456};
    for (int i = 0; i < 3000; ++i) s.push_back(static_cast<std::int16_t>(i * 21 - 31500));
    return s;
}

struct FormatCase {
    const char* name;
    int format;  // libsndfile's major format and subtype
    int rate;
    int channels;  // the samples are in the last channel
    const char* description;
    bool broadcast = false;  // a bext chunk before the samples
};

class RecordingFormat : public ::testing::TestWithParam<FormatCase> {};

TEST_P(RecordingFormat, GivesBackTheSamplesItWasMadeFrom) {
    const FormatCase& c = GetParam();
    ScratchDir dir;
    const std::string path = dir.file("take");
    const std::vector<std::int16_t> samples = knownSamples();
    ASSERT_TRUE(testing::writeWithLibsndfile(path, c.format, c.rate, samples, c.channels, c.broadcast));
    auto read = readRecording({path, c.channels == 1 ? 0 : c.channels, true});
    ASSERT_TRUE(std::holds_alternative<Recording>(read)) << std::get<std::string>(read);
    const Recording& r = std::get<Recording>(read);
    EXPECT_EQ(r.wave.sampleRate, c.rate);
    EXPECT_EQ(r.wave.sampleCount, static_cast<std::int32_t>(samples.size()));
    EXPECT_EQ(r.wave.channels, 1);
    EXPECT_EQ(r.wave.bitsPerSample, 16);
    EXPECT_EQ(r.wave.samples, samples);
    EXPECT_EQ(r.description, c.description);
}

const FormatCase formats[] = {
    {"Wave16BroadcastExtension", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 1, "44 100 Hz, 16-bit, mono", true},
    {"Wave24At48k", SF_FORMAT_WAV | SF_FORMAT_PCM_24, 48000, 1, "48 000 Hz, 24-bit, mono"},
    {"WaveExtensible32At96k", SF_FORMAT_WAVEX | SF_FORMAT_PCM_32, 96000, 1, "96 000 Hz, 32-bit, mono"},
    {"WaveFloat", SF_FORMAT_WAV | SF_FORMAT_FLOAT, 44100, 1, "44 100 Hz, 32-bit float, mono"},
    {"WaveStereoSecondChannel", SF_FORMAT_WAV | SF_FORMAT_PCM_16, 44100, 2, "44 100 Hz, 16-bit, channel 2 of 2"},
    {"Rf64At192k", SF_FORMAT_RF64 | SF_FORMAT_PCM_24, 192000, 1, "192 000 Hz, 24-bit, mono"},
    {"Flac16", SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100, 1, "44 100 Hz, 16-bit, mono"},
    {"Flac24At96kThirdOfThree", SF_FORMAT_FLAC | SF_FORMAT_PCM_24, 96000, 3, "96 000 Hz, 24-bit, channel 3 of 3"},
    {"Aiff16", SF_FORMAT_AIFF | SF_FORMAT_PCM_16, 44100, 1, "44 100 Hz, 16-bit, mono"},
    {"AiffC24At8k", SF_FORMAT_AIFF | SF_FORMAT_PCM_24, 8000, 1, "8 000 Hz, 24-bit, mono"},
    {"W64", SF_FORMAT_W64 | SF_FORMAT_PCM_16, 22050, 1, "22 050 Hz, 16-bit, mono"},
    {"CafFloat", SF_FORMAT_CAF | SF_FORMAT_FLOAT, 48000, 1, "48 000 Hz, 32-bit float, mono"},
};

INSTANTIATE_TEST_SUITE_P(Recording, RecordingFormat, ::testing::ValuesIn(formats),
                         [](const auto& info) { return std::string(info.param.name); });

// Floating-point samples beyond full scale are clipped, not wrapped, and not scaled by the
// file's peak: a quiet file stays quiet.
TEST(Recording, FloatingPointSamplesKeepTheirLevelAndClip) {
    ScratchDir dir;
    const std::string path = dir.file("float.wav");
    SF_INFO info{0, 44100, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    const float values[] = {0.25f, -0.1f, 1.5f, -2.0f, 0.5f / 32768.0f, 1.5f / 32768.0f};
    sf_writef_float(file, values, 6);
    sf_close(file);
    auto read = readRecording({path, 0, true});
    ASSERT_TRUE(std::holds_alternative<Recording>(read));
    // 0.1 * 32768 = 3276.8; the halves go to the even neighbour.
    EXPECT_EQ(std::get<Recording>(read).wave.samples, (std::vector<std::int16_t>{8192, -3277, 32767, -32768, 0, 2}));
}

}  // namespace
}  // namespace auralith
#endif
