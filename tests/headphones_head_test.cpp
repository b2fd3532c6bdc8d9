// The headphone chain below the program: the head as read from SOFA files, the loudspeakers'
// paths and their equalisation, the convolution, and the cues at the ears against the MIT KEMAR
// measurement and against heads whose answers are known.
#include <gtest/gtest.h>

#include <cmath>
#include <complex>
#include <filesystem>
#include <functional>
#include <limits>
#include <optional>
#include <variant>

#include "binaural/stand_ins.h"
#include "sim/headphones/binaural_render.h"
#include "sim/headphones/ear_cue_meter.h"
#include "sim/headphones/ear_frames.h"
#include "sim/headphones/fftw_plans.h"
#include "sim/headphones/speaker_paths.h"
#include "sim/scene/loudspeakers.h"
#include "support/sofa_writer.h"
#include "support/test_support.h"
#include "wave/sofa/sofa_file.h"

namespace auralith {
namespace {

using testing::ScratchDir;

MeasuredHead headFrom(const std::string& file, std::int32_t rate = 44100) {
    auto read = readSofaResponses(file, rate);
    if (const auto* why = std::get_if<std::string>(&read)) ADD_FAILURE() << file << ": " << *why;
    if (!std::holds_alternative<SofaResponses>(read)) return {};
    SofaResponses r = std::get<SofaResponses>(std::move(read));
    return {r.rate, r.taps, std::move(r.azimuth), std::move(r.elevation), std::move(r.values)};
}

const MeasuredHead& kemar() {
    static const MeasuredHead head = headFrom(AURALITH_DEFAULT_SOFA);
    return head;
}

SpeakerPaths pathsAt(const MeasuredHead& head, double base, Equalisation eq) {
    const NearestMeasurement left = nearestInHorizontalPlane(head, base);
    const NearestMeasurement right = nearestInHorizontalPlane(head, -base);
    EXPECT_LT(left.degreesAway, 1e-3);
    EXPECT_LT(right.degreesAway, 1e-3);
    const std::size_t measurements[] = {left.index, right.index};
    return speakerPaths(head, measurements, eq).value();
}

struct KemarCase {
    double base;
    int itd;                    // samples, the left loudspeaker alone
    std::optional<int> itdLow;  // below 1.5 kHz
    double ild;                 // dB
};

class KemarCues : public ::testing::TestWithParam<KemarCase> {};

// As computed from the MIT KEMAR data at 0 degrees elevation: the left ear leads, and is louder.
TEST_P(KemarCues, OneLoudspeakerAloneGivesTheHeadsOwnCues) {
    const KemarCase c = GetParam();
    const EarCueMeter meter = EarCueMeter::create(pathsAt(kemar(), c.base, Equalisation::none)).value();
    const EarCues left = meter.cuesOfChannels(1, 0);
    EXPECT_EQ(left.itdFrames, c.itd);
    EXPECT_NEAR(left.itdMs, c.itd / 44.1, 1e-9);
    if (c.itdLow) {
        EXPECT_EQ(left.itdLowFrames, *c.itdLow);
    }
    EXPECT_NEAR(left.ildDb, c.ild, 0.005);
    const EarCues right = meter.cuesOfChannels(0, 1);
    EXPECT_EQ(right.itdFrames, -c.itd);
    EXPECT_NEAR(right.ildDb, -c.ild, 0.005);
    const EarCues both = meter.cuesOfChannels(1, 1);
    EXPECT_EQ(both.itdFrames, 0);
    EXPECT_EQ(both.itdLowFrames, 0);
    EXPECT_LT(std::fabs(both.ildDb), 0.1);
}

INSTANTIATE_TEST_SUITE_P(Bases, KemarCues,
                         ::testing::Values(KemarCase{30, 11, 12, 8.45}, KemarCase{45, 17, std::nullopt, 10.65}));

// The render itself, measured: white noise in the left loudspeaker gives the cues above.
TEST(HeadphoneRender, WhiteNoiseInOneLoudspeakerReachesTheEarsWithTheHeadsCues) {
    const BinauralRender render = BinauralRender::create(pathsAt(kemar(), 30, Equalisation::none)).value();
    const std::vector<std::int16_t> noise = testing::whiteNoise(44100, 8000);
    std::vector<std::int16_t> stereo(2 * noise.size(), 0), ears(stereo.size());
    for (std::size_t i = 0; i < noise.size(); ++i) stereo[2 * i] = noise[i];
    ASSERT_EQ(render.renderOnCores(stereo, ears, 0, 44100), 0);
    const testing::MeasuredEars m = testing::measureEars(ears, 1024, 44100, 40);
    EXPECT_EQ(m.lag, 11);
    EXPECT_NEAR(m.ildDb, 8.45, 0.05);
}

// A head whose ears hear each loudspeaker as two impulses: the render is those impulses scaled
// by the gain, at every place of the blocks, however the frames are split between calls.
TEST(HeadphoneRender, AHeadOfImpulsesGivesTheImpulsesAtEveryPlaceOfTheBlocks) {
    const ScratchDir dir;
    ASSERT_TRUE(testing::writeSofa(dir.file("plain.sofa"), testing::plainHead(11, 0.5)));
    const SpeakerPaths paths = pathsAt(headFrom(dir.file("plain.sofa")), 30, Equalisation::none);
    // One ear hears 1 and 0.5 at most together: no full-scale sine passes full scale.
    EXPECT_NEAR(paths.gain, 2.0 / 3, 1e-12);
    const BinauralRender render = BinauralRender::create(paths).value();
    const std::int64_t hop = render.blockFrames(), frames = 5 * hop + 17;
    std::vector<std::int16_t> stereo(2 * static_cast<std::size_t>(frames), 0);
    const std::int64_t places[] = {0, hop - 12, hop - 1, hop, 2 * hop + 5, frames - 1};
    for (const std::int64_t f : places) stereo[2 * static_cast<std::size_t>(f)] = 30000;
    stereo[2 * static_cast<std::size_t>(3 * hop) + 1] = -3000;
    std::vector<std::int16_t> expected(stereo.size(), 0);
    const auto at = [&](std::int64_t f, int ear) -> std::int16_t& {
        return expected[2 * static_cast<std::size_t>(f) + ear];
    };
    for (const std::int64_t f : places) {
        at(f, 0) = 20000;
        if (f + 11 < frames) at(f + 11, 1) = 10000;
    }
    at(3 * hop, 1) = -2000;
    at(3 * hop + 11, 0) = -1000;
    std::vector<std::int16_t> whole(stereo.size()), pieces(stereo.size());
    ASSERT_EQ(render.render(stereo, whole, 0, frames), 0);
    EXPECT_EQ(whole, expected);
    ASSERT_EQ(render.renderOnCores(stereo, pieces, 0, 2 * hop + 3, 3), 0);
    ASSERT_EQ(render.render(stereo, pieces, 2 * hop + 3, frames), 0);
    EXPECT_EQ(pieces, expected);
}

// Full scale in both loudspeakers, each the signs of its path to the left ear backwards, adds up
// past full scale there: clipped, and counted.
TEST(HeadphoneRender, WhatPassesFullScaleIsClippedAndCounted) {
    const SpeakerPaths paths = pathsAt(kemar(), 30, Equalisation::diffuseField);
    const BinauralRender render = BinauralRender::create(paths).value();
    const int taps = paths.taps;
    std::vector<std::int16_t> stereo(4 * static_cast<std::size_t>(taps), 0), out(stereo.size());
    for (int i = 0; i < taps; ++i)
        for (const std::size_t s : {0, 1})
            stereo[2 * static_cast<std::size_t>(taps - 1 - i) + s] =
                paths.path(s, Ear::left)[static_cast<std::size_t>(i)] >= 0 ? 32767 : -32767;
    EXPECT_GT(render.render(stereo, out, 0, 2 * taps).value(), 0);
    EXPECT_EQ(out[2 * static_cast<std::size_t>(taps - 1)], 32767);
}

// A path's spectrum on 8192 points.
std::vector<std::complex<double>> spectrumOf(const std::vector<float>& taps) {
    const DoubleTransforms t(8192);
    std::vector<double> in(8192, 0.0);
    std::copy(taps.begin(), taps.end(), in.begin());
    std::vector<std::complex<double>> out(4097);
    t.forward(in.data(), out.data());
    return out;
}

// The interaural transfer function (one ear's spectrum over the other's) of each loudspeaker,
// bin by bin, from 100 Hz to 16 kHz.
std::vector<std::complex<double>> interaural(const SpeakerPaths& paths, std::size_t s) {
    const auto left = spectrumOf(paths.path(s, Ear::left)), right = spectrumOf(paths.path(s, Ear::right));
    std::vector<std::complex<double>> ratio;
    for (std::size_t k = 8192 * 100 / 44100 + 1; k < 8192 * 16000 / 44100; ++k) ratio.push_back(left[k] / right[k]);
    return ratio;
}

double levelAt(const SpeakerPaths& paths, double hz) {
    const auto bins = spectrumOf(paths.path(0, Ear::left));
    return 20 * std::log10(std::abs(bins[static_cast<std::size_t>(std::lrint(hz * 8192 / 44100))]));
}

TEST(HeadphoneEqualisation, IsOneFilterOnBothEarsAndFlattensTheEarCanal) {
    const SpeakerPaths raw = pathsAt(kemar(), 30, Equalisation::none);
    const SpeakerPaths equalised = pathsAt(kemar(), 30, Equalisation::diffuseField);
    for (const std::size_t s : {0, 1}) {
        const auto before = interaural(raw, s), after = interaural(equalised, s);
        ASSERT_EQ(before.size(), after.size());
        double worstDb = 0, worstPhase = 0;
        for (std::size_t k = 0; k < before.size(); ++k) {
            worstDb = std::max(worstDb, std::fabs(20 * std::log10(std::abs(after[k]) / std::abs(before[k]))));
            worstPhase = std::max(worstPhase, std::fabs(std::arg(after[k] / before[k])));
        }
        EXPECT_LT(worstDb, 0.01);
        EXPECT_LT(worstPhase, 0.001);
    }
    // The frontal ear's resonance at 2.5 kHz over 250 Hz: some 20 dB as measured, far less after.
    const double rawLift = levelAt(raw, 2500) - levelAt(raw, 250);
    const double equalisedLift = levelAt(equalised, 2500) - levelAt(equalised, 250);
    EXPECT_GT(rawLift, 12);
    EXPECT_LT(equalisedLift, rawLift - 8);
}

// A stereo layout's left loudspeaker (negative degrees) stands in as the head's direction to the
// left (positive azimuth): the very paths above, and the left ear louder for the left loudspeaker.
TEST(HeadphoneLayout, AStereoLayoutGivesTheHeadsLeftAndRightPaths) {
    for (const double base : {30.0, 45.0}) {
        const auto standIns = std::get<std::vector<std::size_t>>(standInsOf(kemar(), stereoLayout(base)));
        const SpeakerPaths paths = speakerPaths(kemar(), standIns, Equalisation::none).value();
        const SpeakerPaths today = pathsAt(kemar(), base, Equalisation::none);
        EXPECT_EQ(paths.paths, today.paths);
        EXPECT_EQ(paths.gain, today.gain);
        EXPECT_GT(EarCueMeter::create(paths)->cuesOfChannels(1, 0).ildDb, 8) << base;
    }
}

// L, C and R at -30, 0 and +30 through the head of impulses: each ear sums the three loudspeakers
// (gain 1 / (1 + 1 + 0.5)), the centre alone reaches both ears alike; the cue meter, fed a
// stereo pickup, takes two loudspeakers only; a loudspeaker far from every direction is refused.
TEST(HeadphoneLayout, ThreeLoudspeakersAreSummedIntoEachEar) {
    const ScratchDir dir;
    ASSERT_TRUE(testing::writeSofa(dir.file("plain.sofa"), testing::plainHead(11, 0.5)));
    const MeasuredHead head = headFrom(dir.file("plain.sofa"));
    const LoudspeakerLayout lcr{{{"L", -30}, {"C", 0}, {"R", 30}}};
    const auto standIns = std::get<std::vector<std::size_t>>(standInsOf(head, lcr));
    const SpeakerPaths paths = speakerPaths(head, standIns, Equalisation::none).value();
    EXPECT_NEAR(paths.gain, 0.4, 1e-12);
    EXPECT_FALSE(EarCueMeter::create(paths));
    const BinauralRender render = BinauralRender::create(paths).value();
    ASSERT_EQ(render.channels(), 3);
    const std::int64_t frames = 2 * render.blockFrames() + 9;
    std::vector<std::int16_t> in(3 * static_cast<std::size_t>(frames), 0), ears(2 * in.size() / 3);
    std::vector<std::int16_t> expected(ears.size(), 0);
    const auto put = [](std::vector<std::int16_t>& v, int width, std::int64_t f, int c, int value) {
        v[static_cast<std::size_t>(width * f + c)] = static_cast<std::int16_t>(value);
    };
    put(in, 3, 5, 1, 20000);  // the centre alone: both ears at once
    put(expected, 2, 5, 0, 8000);
    put(expected, 2, 5, 1, 8000);
    put(in, 3, frames - 20, 0, 20000);  // the left loudspeaker, the right ear 11 frames later
    put(expected, 2, frames - 20, 0, 8000);
    put(expected, 2, frames - 9, 1, 4000);
    put(in, 3, render.blockFrames() - 3, 2, -10000);  // the right one, across a block's edge
    put(expected, 2, render.blockFrames() - 3, 1, -4000);
    put(expected, 2, render.blockFrames() + 8, 0, -2000);
    ASSERT_EQ(render.renderOnCores(in, ears, 0, frames, 2), 0);
    EXPECT_EQ(ears, expected);
    const LoudspeakerLayout surround{{{"L", -30}, {"LS", -110}}};
    EXPECT_EQ(std::get<std::string>(standInsOf(head, surround)),
              "it has no direction within 5 degrees of 110 degrees left in the horizontal plane");
}

// The vector loops against the plain ones: ties, the edges of the 16 bits, values far beyond
// them, and every length of a tail.
TEST(EarFrames, TheVectorLoopsGiveThePlainLoopsValues) {
    std::vector<float> values{0.5f,     1.5f,      2.5f,      -0.5f,    -1.5f, 32766.5f, 32767.49f, 32767.5f,
                              32768.0f, -32768.4f, -32768.5f, -32769.f, 1e10f, -1e10f,   3e9f,      -7.25f};
    std::uint32_t seed = 5;
    while (values.size() < 203) {
        seed = seed * 1664525u + 1013904223u;
        values.push_back((static_cast<float>(seed >> 8) / (1u << 24) - 0.5f) * 80000);
    }
    for (std::size_t count = 0; count <= 101; ++count) {
        std::vector<std::int16_t> plain(2 * count), vector(2 * count);
        const float* right = values.data() + 101;
        EXPECT_EQ(joinFrames(values.data(), right, count, vector.data()),
                  joinFramesPlain(values.data(), right, count, plain.data()));
        EXPECT_EQ(vector, plain) << count;
        std::vector<float> l1(count), r1(count), l2(count), r2(count);
        splitFrames(plain.data(), count, l1.data(), r1.data());
        splitFramesPlain(plain.data(), count, l2.data(), r2.data());
        EXPECT_EQ(l1, l2);
        EXPECT_EQ(r1, r2);
    }
}

TEST(SofaFile, ResponsesComeAtTheRateAskedFor) {
    const ScratchDir dir;
    EXPECT_EQ(kemar().taps, 512);
    EXPECT_EQ(kemar().count(), 710u);
    const MeasuredHead fast = headFrom(AURALITH_DEFAULT_SOFA, 96000);
    EXPECT_EQ(fast.rate, 96000);
    EXPECT_NEAR(fast.taps, 512 * 96000 / 44100.0, 2);
    // The longest tap count is taken at the file's own rate and after the resampling.
    ASSERT_TRUE(testing::writeSofa(dir.file("h.sofa"), testing::plainHead(11, 0.5, 16000)));
    EXPECT_TRUE(std::holds_alternative<std::string>(readSofaResponses(dir.file("h.sofa"), 48000)));
}

// A head file as the test makes it, from KEMAR's bytes or from a head of chosen values.
using HeadMaker = std::function<bool(const std::string& path)>;

HeadMaker kemarBytes(std::size_t keep, std::size_t changed = 0, std::uint8_t value = 0) {
    return [=](const std::string& path) {
        std::vector<std::uint8_t> bytes = testing::readBytes(AURALITH_DEFAULT_SOFA);
        bytes.resize(std::min(keep, bytes.size()));
        if (changed != 0) bytes.at(changed) = value;
        testing::writeBytes(path, bytes);
        return true;
    };
}

HeadMaker plainWith(const std::function<void(testing::SofaHead&)>& change) {
    return [=](const std::string& path) {
        testing::SofaHead head = testing::plainHead();
        change(head);
        return testing::writeSofa(path, head);
    };
}

// The plain head with one byte changed in the size of a variable's first attribute, after which
// libmysofa reads for ever.
bool endlessHead(const std::string& path) {
    if (!testing::writeSofa(path, testing::plainHead())) return false;
    std::vector<std::uint8_t> bytes = testing::readBytes(path);
    const std::string mark = "_Netcdf4Coordinates";
    const auto at = std::search(bytes.begin(), bytes.end(), mark.begin(), mark.end());
    if (bytes.end() - at < 64) return false;
    at[38] = 0xff;
    testing::writeBytes(path, bytes);
    return true;
}

struct DamagedHead {
    const char* name;
    HeadMaker make;
    std::string why;  // the whole line
    std::int32_t rate = 44100;
    int longest = longestHeadResponse;
};

void PrintTo(const DamagedHead& c, std::ostream* out) { *out << c.name; }

class DamagedHeads : public ::testing::TestWithParam<DamagedHead> {};

// Whatever the file holds, the reader answers with one line, and the tests' own process lives.
TEST_P(DamagedHeads, AreRefusedInOneLine) {
    const DamagedHead& c = GetParam();
    const ScratchDir dir;
    ASSERT_TRUE(c.make(dir.file("h.sofa")));
    SofaLimits limits;
    limits.longestResponse = c.longest;
    limits.cpuSeconds = 1;
    const auto read = readSofaResponses(dir.file("h.sofa"), c.rate, limits);
    ASSERT_TRUE(std::holds_alternative<std::string>(read));
    EXPECT_EQ(std::get<std::string>(read), c.why);
}

const std::string notSofa = "it is not a SOFA file that libmysofa reads";
const double nan = std::numeric_limits<double>::quiet_NaN();
const double inf = std::numeric_limits<double>::infinity();

INSTANTIATE_TEST_SUITE_P(
    Files, DamagedHeads,
    ::testing::Values(
        DamagedHead{"kemar512", kemarBytes(512), notSofa}, DamagedHead{"kemar50k", kemarBytes(50000), notSofa},
        DamagedHead{"kemar120k", kemarBytes(120000), notSofa}, DamagedHead{"kemar300k", kemarBytes(300000), notSofa},
        DamagedHead{"endless", endlessHead,
                    "libmysofa did not finish reading it within 1 s of processor time: it is damaged or not a SOFA "
                    "file"},
        DamagedHead{"nanTap", plainWith([](auto& h) { h.directions[1].right[5] = nan; }),
                    "measurement 2 of 4 (azimuth -30°, elevation 0°) holds a tap that is not a finite number (the "
                    "right ear's tap 6 is nan)"},
        DamagedHead{"infTap", plainWith([](auto& h) { h.directions[3].left[63] = -inf; }),
                    "measurement 4 of 4 (azimuth 90°, elevation 0°) holds a tap that is not a finite number (the "
                    "left ear's tap 64 is -inf)"},
        DamagedHead{"nanDirection", plainWith([](auto& h) { h.directions[2].elevation = nan; }),
                    "measurement 3 of 4 has a direction that is not a finite number"},
        DamagedHead{"negativeDelay", plainWith([](auto& h) {
                        h.delays = {-5, 0};
                    }),
                    "it gives the left ear a delay of -5 samples: a delay is a finite number of samples, 0 or more"},
        DamagedHead{"nanDelay", plainWith([](auto& h) { h.delays = {0, 0, 0, 0, 0, nan, 0, 0}; }),
                    "measurement 3 of 4 (azimuth 0°, elevation 0°) gives the right ear a delay of nan samples: a "
                    "delay is a finite number of samples, 0 or more"},
        DamagedHead{"hugeDelay", plainWith([](auto& h) {
                        h.delays = {1e9, 0};
                    }),
                    "its responses, with their delays, are 1000000064 taps long at 44100 Hz, more than 16384 (371.5 "
                    "ms)"},
        DamagedHead{"lowRate", plainWith([](auto& h) { h.rate = 100; }),
                    "its responses would be 28224 taps long at 44100 Hz (64 taps at 100 Hz), more than 16384 (371.5 "
                    "ms)"},
        DamagedHead{"nanRate", plainWith([](auto& h) { h.rate = nan; }),
                    "its sampling rate is nan Hz: a rate is a finite number of hertz above 0"},
        DamagedHead{"halfSecond", plainWith([](auto& h) {
                        h.rate = 8000;
                        h.delays = {0, 3937};
                    }),
                    "its responses, with their delays, are 4001 taps long at 8000 Hz, more than 4000 (500.0 ms)", 8000,
                    4000},
        DamagedHead{"empty", plainWith([](auto& h) { h.directions.clear(); }), "it holds no measurements"},
        DamagedHead{"oneEar", plainWith([](auto& h) { h.receivers = 1; }), "it has 1 receiver; a head has two"}),
    [](const auto& info) { return std::string(info.param.name); });

// A delay puts silence before the ear's taps, at the file's rate and at another.
TEST(SofaFile, DelaysAreHonoured) {
    const ScratchDir dir;
    testing::SofaHead head = testing::plainHead();
    head.delays = {3, 0};
    ASSERT_TRUE(testing::writeSofa(dir.file("d.sofa"), head));
    const MeasuredHead same = headFrom(dir.file("d.sofa"));
    EXPECT_EQ(same.taps, 67);
    EXPECT_EQ(same.response(0, 0)[3], 1.0f);  // the left loudspeaker's impulse at the left ear
    EXPECT_EQ(same.response(0, 1)[11], 0.5f);
    head.rate = 22050;
    ASSERT_TRUE(testing::writeSofa(dir.file("d.sofa"), head));
    const MeasuredHead twice = headFrom(dir.file("d.sofa"));
    const auto left = twice.response(0, 0), right = twice.response(0, 1);
    EXPECT_EQ(std::max_element(left.begin(), left.end()) - left.begin(), 6);
    EXPECT_EQ(std::max_element(right.begin(), right.end()) - right.begin(), 22);
}

}  // namespace
}  // namespace auralith
