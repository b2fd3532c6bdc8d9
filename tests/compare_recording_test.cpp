// The recordings auralith-compare reads, made here with libsndfile itself in the formats engineers
// have: each gives back the 16-bit samples it was made from, at its own rate, with a description
// of what was read.
#include <gtest/gtest.h>

#ifdef AURALITH_HAS_SNDFILE
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <string>
#include <variant>
#include <vector>

#include "support/sndfile_writer.h"
#include "support/test_support.h"
#include "wave/recording/read_sndfile.h"
#include "wave/recording/recording.h"
#include "wave/recording/source_format.h"

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
    // Uncompressed samples read again from any frame are the same; FLAC's are not read again.
    EXPECT_EQ(r.readsAgain, (c.format & SF_FORMAT_TYPEMASK) != SF_FORMAT_FLAC);
    if (!r.readsAgain) return;
    const RecordingRequest again{path, c.channels == 1 ? 0 : c.channels};
    for (const auto& [from, count] : {std::pair{0, 7}, {5, 1000}, {1999, 1008}}) {
        std::vector<std::int16_t> block(static_cast<std::size_t>(count), 99);
        EXPECT_EQ(readRecordingBlock(again, from, count, block.data()), "");
        EXPECT_TRUE(std::equal(block.begin(), block.end(), samples.begin() + from)) << from;
    }
    std::int16_t past[2];
    EXPECT_NE(readRecordingBlock(again, 3006, 2, past), "");  // past its end
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

// A file read while it is cut short: its length as it was, its bytes only up to the cut.
class CutWhileRead : public ReadableFile {
public:
    CutWhileRead(std::vector<std::uint8_t> bytes, std::size_t cut) : bytes_(std::move(bytes)), cut_(cut) {}
    std::uint64_t length() override { return bytes_.size(); }

protected:
    std::size_t readPiece(std::uint64_t offset, unsigned char* into, std::size_t length) override {
        if (offset >= cut_) return 0;
        const std::size_t got = std::min<std::size_t>(length, cut_ - static_cast<std::size_t>(offset));
        std::copy_n(bytes_.begin() + static_cast<std::ptrdiff_t>(offset), got, into);
        return got;
    }

private:
    std::vector<std::uint8_t> bytes_;
    std::size_t cut_;
};

// What is read and what is refused: a file that ends early while it is read (FLAC and WAVE, mono
// and one channel of two) is a failure, never zeros; samples that are not numbers are counted,
// and a file of nothing else refused; a recording too long for one output file says the limit.
TEST(Recording, DamagedAndIncompleteRecordingsAreToldNotRenderedAsSilence) {
    ScratchDir dir;
    std::vector<std::int16_t> samples(100000);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = static_cast<std::int16_t>((i * 7919) % 20000 - 10000);
    for (const auto& [format, channels] : {std::pair{SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 1},
                                           {SF_FORMAT_WAV | SF_FORMAT_PCM_16, 1},
                                           {SF_FORMAT_WAV | SF_FORMAT_PCM_24, 2}}) {
        ASSERT_TRUE(testing::writeWithLibsndfile(dir.file("take"), format, 44100, samples, channels));
        std::vector<std::uint8_t> bytes = testing::readBytes(dir.file("take"));
        CutWhileRead cut(bytes, bytes.size() / 2);
        auto read = readRecordingFrom(cut, {"take", channels == 1 ? 0 : 2, true});
        ASSERT_TRUE(std::holds_alternative<std::string>(read)) << format;
        EXPECT_TRUE(std::get<std::string>(read).starts_with("it ended after ")) << std::get<std::string>(read);
        EXPECT_TRUE(
            std::get<std::string>(read).ends_with(" of its 100 000 samples: it changed while it was read, or "
                                                  "is damaged"));
    }

    SF_INFO info{0, 48000, 1, SF_FORMAT_WAV | SF_FORMAT_FLOAT, 0, 0};
    const std::string path = dir.file("nan.wav");
    SNDFILE* file = sf_open(path.c_str(), SFM_WRITE, &info);
    ASSERT_NE(file, nullptr);
    const float values[] = {0.5f, NAN, -0.25f, NAN, INFINITY};
    sf_writef_float(file, values, 5);
    sf_close(file);
    auto read = readRecording({path, 0, true});
    ASSERT_TRUE(std::holds_alternative<Recording>(read));
    EXPECT_EQ(std::get<Recording>(read).wave.samples, (std::vector<std::int16_t>{16384, 0, -8192, 0, 32767}));
    EXPECT_EQ(std::get<Recording>(read).notNumbers, 2);
    EXPECT_EQ(std::get<Recording>(read).description, "48 000 Hz, 32-bit float, mono, 2 samples not a number");

    file = sf_open(path.c_str(), SFM_WRITE, &info);
    const float nothing[] = {NAN, -NAN, NAN};
    sf_writef_float(file, nothing, 3);
    sf_close(file);
    read = readRecording({path, 0, true});
    ASSERT_TRUE(std::holds_alternative<std::string>(read));
    EXPECT_EQ(std::get<std::string>(read), "none of its 3 samples is a number");

    EXPECT_EQ(refusalOf({96000, 1, 82492140, "24-bit"}, 0),
              "it is too long: 82 492 140 samples, where one output file at 96 000 Hz holds at most 82 492 139 (14 "
              "minutes)");
    EXPECT_EQ(refusalOf({44100, 1, 82548031, "16-bit"}, 0), std::nullopt);
}

}  // namespace
}  // namespace auralith
#endif
