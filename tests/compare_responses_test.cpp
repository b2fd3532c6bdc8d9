// --responses, end to end: a run in the studio writes one floating-point response per position,
// whose first sound comes 0.1 s in, and the recording convolved with a position's response is
// that position's render up to the dither.
#include <gtest/gtest.h>

#include <bit>
#include <cmath>
#include <cstdio>
#include <filesystem>
#include <sstream>

#ifdef AURALITH_HAS_SNDFILE
#include <sndfile.h>
#endif

#include "job/compare/options.h"
#include "job/compare/response_files.h"
#include "job/compare/run.h"
#include "support/test_support.h"

namespace auralith {
namespace {

TEST(CompareResponses, FilesAreNumberedWithTwoDigitsOrAsManyAsThePositionsNeed) {
    EXPECT_EQ(responseFileName("take", "4-ortf", 0, 13), "take-4-ortf-response-p00.wav");
    EXPECT_EQ(responseFileName("take", "nos", 12, 13), "take-nos-response-p12.wav");
    EXPECT_EQ(responseFileName("t", "ab", 7, 361), "t-ab-response-p007.wav");
}

#ifdef AURALITH_ROOM_RENDER

using Bytes = std::vector<std::uint8_t>;

std::uint32_t field(const Bytes& b, std::size_t at, int size = 4) {
    std::uint32_t v = 0;
    for (int i = size - 1; i >= 0; --i) v = (v << 8) | b[at + static_cast<std::size_t>(i)];
    return v;
}

// A response file's samples, checked against its header (IEEE float, stereo, 44.1 kHz) and as
// libsndfile reads them where the tests have it.
std::vector<float> responseSamples(const std::string& path) {
    const Bytes b = testing::readBytes(path);
    EXPECT_GE(b.size(), 58u);
    if (b.size() < 58) return {};
    EXPECT_EQ(field(b, 20, 2), 3u);
    EXPECT_EQ(field(b, 22, 2), 2u);
    EXPECT_EQ(field(b, 24), 44100u);
    std::vector<float> samples((b.size() - 58) / 4);
    for (std::size_t i = 0; i < samples.size(); ++i) samples[i] = std::bit_cast<float>(field(b, 58 + 4 * i));
#ifdef AURALITH_HAS_SNDFILE
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    EXPECT_NE(file, nullptr) << path;
    if (file == nullptr) return samples;
    EXPECT_EQ(info.format, SF_FORMAT_WAV | SF_FORMAT_FLOAT);
    EXPECT_EQ(info.frames * 2, static_cast<sf_count_t>(samples.size()));
    std::vector<float> read(samples.size());
    EXPECT_EQ(sf_read_float(file, read.data(), std::ssize(read)), std::ssize(read));
    sf_close(file);
    EXPECT_EQ(read, samples);
#endif
    return samples;
}

// Where each position's sound begins in the render, from its label track (seconds to 1 us).
std::vector<std::int64_t> labelStarts(const std::string& path) {
    std::vector<std::int64_t> starts;
    const Bytes bytes = testing::readBytes(path);
    std::istringstream lines(std::string(bytes.begin(), bytes.end()));
    for (std::string line; std::getline(lines, line);) starts.push_back(std::lrint(std::stod(line) * 44100));
    return starts;
}

// Two arrays: their renders share the room's gain of the one that needs the least (the omnis'),
// and ORTF's responses carry that gain, not its own.
TEST(CompareResponses, TheRecordingConvolvedWithAResponseIsThatPositionsRender) {
    const testing::ScratchDir dir;
    const std::vector<std::int16_t> x = testing::whiteNoise(2205, 12000, 5);
    testing::writeBytes(dir.file("take.wav"), testing::monoWaveBytes(x));
    const ParsedOptions parsed = parseCompareOptions(
        {dir.file("take.wav"), "-q", "-a", "4,ab40", "--room", "studio", "--responses", "-o", dir.file("out")});
    ASSERT_EQ(parsed.action, ParsedOptions::Action::run) << parsed.error;
    std::FILE* sink = std::tmpfile();
    ASSERT_EQ(runCompare(parsed.options, {sink, sink, false}), 0);
    std::fclose(sink);

    const std::vector<std::int64_t> starts = labelStarts(dir.file("out/take-4-ortf.txt"));
    ASSERT_EQ(starts.size(), 13u);
    const Bytes render = testing::readBytes(dir.file("out/take-4-ortf.wav"));
    const auto rendered = [&](std::int64_t frame, std::size_t c) {
        return static_cast<double>(
            static_cast<std::int16_t>(field(render, 44 + 4 * static_cast<std::size_t>(frame) + 2 * c, 2)));
    };
    int files = 0;
    for (const auto& entry : std::filesystem::directory_iterator(dir.file("out")))
        files += entry.path().filename().string().find("-response-p") != std::string::npos;
    EXPECT_EQ(files, 26);
    for (int p = 0; p < 13; ++p) {
        const std::vector<float> r = responseSamples(dir.file(responseFileName("out/take", "4-ortf", p, 13)));
        const auto frames = static_cast<std::int64_t>(r.size() / 2);
        ASSERT_GT(frames, 4410 + 2205) << p;
        // The loudest tap is the direct sound, within the pair's 0.5 ms of the arrival at the centre.
        const auto loudest =
            std::max_element(r.begin(), r.end(), [](float a, float b) { return std::abs(a) < std::abs(b); });
        EXPECT_NEAR(static_cast<double>((loudest - r.begin()) / 2), 4410, 23) << p;
        // Before it, only the band filters' spread, 80 dB and more below it.
        const auto early = std::max_element(r.begin(), r.begin() + 2 * (4410 - 23),
                                            [](float a, float b) { return std::abs(a) < std::abs(b); });
        EXPECT_LT(std::abs(*early), 1e-4 * std::abs(*loudest)) << p;
        if (p % 6 != 0) continue;
        const std::int64_t origin = starts[static_cast<std::size_t>(p)] - 4410;
        double largest = 0;
        for (std::int64_t k = 4410; k < frames + 2205; k += 331)
            for (std::size_t c = 0; c < 2; ++c) {
                double sum = 0;
                for (std::int64_t i = std::max<std::int64_t>(0, k - frames + 1); i <= k && i < 2205; ++i)
                    sum += x[static_cast<std::size_t>(i)] *
                           static_cast<double>(r[static_cast<std::size_t>(k - i) * 2 + c]);
                // The triangular dither moves a value by less than 1, the rounding by at most 0.5.
                EXPECT_NEAR(rendered(origin + k, c), sum, 1.51) << p << " " << k << " " << c;
                largest = std::max(largest, std::abs(sum));
            }
        EXPECT_GT(largest, 3000) << p;
    }
}

#endif

}  // namespace
}  // namespace auralith
