// auralith-compare's run of a stage, end to end: the players heard at once by every array, one
// render, one label a player and stage.csv; a room where nothing rings gives the free field's
// bytes; another rate is brought to the first one's; a player's file that cannot be read is
// refused by name, and nothing is written.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <sstream>

#include "job/compare/run.h"
#include "job/compare/stage_run.h"
#include "support/test_support.h"
#ifdef AURALITH_HAS_SNDFILE
#include <sndfile.h>

#include "support/sndfile_writer.h"
#endif
#include "wave/recording/rate_conversion.h"

namespace auralith {
namespace {

#ifdef AURALITH_ROOM_RENDER

using testing::ScratchDir;

struct Written {
    int status;
    std::string said;  // standard output and error
    std::map<std::string, std::string> files;
};

Written compare(const ScratchDir& dir, const std::string& folder, std::vector<std::string> args) {
    args.insert(args.end(), {"-a", "4,6", "-o", dir.file(folder)});
    std::FILE* sink = std::tmpfile();
    Written out{compareMain(args, {sink, sink, false}), {}, {}};
    std::rewind(sink);
    for (int c; (c = std::fgetc(sink)) != EOF;) out.said += static_cast<char>(c);
    std::fclose(sink);
    out.files = testing::filesIn(dir.file(folder));
    return out;
}

std::size_t lines(const std::string& text) {
    return static_cast<std::size_t>(std::count(text.begin(), text.end(), '\n'));
}

class StageRun : public ::testing::Test {
protected:
    void SetUp() override {
        testing::writeBytes(dir.file("vl.wav"), testing::monoWaveBytes(testing::whiteNoise(4410, 9000, 3)));
        testing::writeBytes(dir.file("vc.wav"), testing::monoWaveBytes(testing::whiteNoise(3000, 9000, 4)));
        testing::writeBytes(dir.file("hi.wav"), testing::monoWaveBytes(testing::whiteNoise(4800, 9000, 5), 1, 48000));
    }
    std::vector<std::string> players() const { return {dir.file("vl.wav") + "@-30", dir.file("vc.wav") + "@20:8"}; }
    ScratchDir dir;
};

// Two players through ORTF and the tree: a render each (its bytes fixed), a label a player at the
// sound's start, a row an array and player; a dead room's renders are the free field's.
TEST_F(StageRun, EveryArrayHearsThePlayersAtOnce) {
    const Written free = compare(dir, "free", players());
    ASSERT_EQ(free.status, 0) << free.said;
    EXPECT_NE(free.said.find("Stage of 2 players, 44 100 Hz"), std::string::npos) << free.said;
    EXPECT_EQ(lines(free.files.at("stage-4-ortf.txt")), 2u);
    EXPECT_EQ(free.files.at("stage-6-tree.txt").substr(0, 9), "1.000000\t");
    EXPECT_EQ(lines(free.files.at("stage.csv")), 1u + 2 * 2);
    EXPECT_FALSE(free.files.contains("report.csv"));
    // A second of silence, the farther player's 2 m (256 frames), its longer recording and its
    // later microphone's 5 frames, a second.
    EXPECT_EQ(free.files.at("stage-4-ortf.wav").size(), 44u + 4 * (44100 + 256 + 4410 + 5 + 44100));
    const std::string& ortf = free.files.at("stage-4-ortf.wav");
    EXPECT_EQ(testing::sha256Hex(ortf.data(), ortf.size()),
              "4ece569e34dfad895b8872b58c8188d74a6d2280044f987f77d945ff8414bebd");

    auto dead = players();
    dead.insert(dead.begin(), {"--room", "20x30x10", "--absorption", "1", "--no-air", "--array-at", "10,12,3"});
    const Written room = compare(dir, "dead", dead);
    ASSERT_EQ(room.status, 0) << room.said;
    EXPECT_EQ(room.files.at("stage-4-ortf.wav"), free.files.at("stage-4-ortf.wav"));
    EXPECT_EQ(room.files.at("stage-6-tree.wav"), free.files.at("stage-6-tree.wav"));
}

// A player at another rate is brought to the first one's, and the table says so.
TEST_F(StageRun, AnotherRateIsBroughtToTheFirstOnes) {
    if (!convertsRates()) GTEST_SKIP() << "built without libsamplerate";
    auto args = players();
    args.push_back(dir.file("hi.wav") + "@0:9");
    const Written out = compare(dir, "rates", args);
    ASSERT_EQ(out.status, 0) << out.said;
    EXPECT_NE(out.said.find("Brought to 44 100 Hz: " + dir.file("hi.wav") + " from 48 000 Hz"), std::string::npos)
        << out.said;
    EXPECT_EQ(lines(out.files.at("stage-4-ortf.txt")), 3u);
}

// A player's response holds its level: 6 dB less with --gain -6, sample for sample.
TEST_F(StageRun, AResponseHoldsItsPlayersLevel) {
    std::vector<std::vector<float>> heard;
    for (const std::string gain : {"0", "-6"}) {
        const Written out = compare(dir, "gain" + gain,
                                    {"--room", "12x16x6", "--rt60", "0.6", "--responses", "--gain",
                                     dir.file("vl.wav") + "=" + gain, dir.file("vl.wav") + "@-30:4"});
        ASSERT_EQ(out.status, 0) << out.said;
        const std::string& bytes = out.files.at("stage-4-ortf-response-vl.wav");
        std::vector<float>& samples = heard.emplace_back((bytes.size() - 58) / 4);  // after a 58-byte float header
        std::memcpy(samples.data(), bytes.data() + bytes.size() - 4 * samples.size(), 4 * samples.size());
    }
    ASSERT_EQ(heard[0].size(), heard[1].size());
    const double factor = std::pow(10.0, -6 / 20.0);
    for (std::size_t i = 0; i < heard[0].size(); ++i)
        ASSERT_NEAR(heard[1][i], heard[0][i] * factor, 1e-6 + 1e-6 * std::fabs(heard[1][i])) << i;
}

#ifdef AURALITH_HAS_SNDFILE
// Players whose files read again are not held but read a block at a time as the renders go: a
// 24-bit file's second channel and an excerpt render the bytes of the same samples held, cut
// beforehand, from files that do not read again (FLAC), in the free field and in a room.
TEST_F(StageRun, PlayersReadAgainRenderTheBytesOfHeldOnes) {
    const std::vector<std::int16_t> vl = testing::whiteNoise(4410, 9000, 3), vc = testing::whiteNoise(3000, 9000, 4);
    ASSERT_TRUE(testing::writeWithLibsndfile(dir.file("vl24.wav"), SF_FORMAT_WAV | SF_FORMAT_PCM_24, 44100, vl, 2));
    // 0.02 s is frame 882; 0.06 s more is 2646 frames, past the end of vc.
    ASSERT_TRUE(testing::writeWithLibsndfile(dir.file("vl.flac"), SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100,
                                             {vl.begin() + 882, vl.begin() + 882 + 2646}));
    ASSERT_TRUE(testing::writeWithLibsndfile(dir.file("vc.flac"), SF_FORMAT_FLAC | SF_FORMAT_PCM_16, 44100,
                                             {vc.begin() + 882, vc.end()}));
    for (const std::vector<std::string>& room : {std::vector<std::string>{}, {"--room", "12x16x6", "--rt60", "0.6"}}) {
        auto again = room, held = room;
        again.insert(again.end(),
                     {"--excerpt", "0.02:0.06", dir.file("vl24.wav") + "@-30#2", dir.file("vc.wav") + "@20:8"});
        held.insert(held.end(), {dir.file("vl.flac") + "@-30", dir.file("vc.flac") + "@20:8"});
        const Written a = compare(dir, "again", again), h = compare(dir, "held", held);
        ASSERT_EQ(a.status, 0) << a.said;
        ASSERT_EQ(h.status, 0) << h.said;
        for (const char* render : {"stage-4-ortf.wav", "stage-6-tree.wav"})
            EXPECT_TRUE(a.files.at(render) == h.files.at(render)) << render << (room.empty() ? "" : " in a room");
        std::filesystem::remove_all(dir.file("again"));
        std::filesystem::remove_all(dir.file("held"));
    }
}
#endif

// A player's file cut short after it was read: a block past the cut is refused, naming the file;
// a block in the silence that pads the player to the longest reads only what the file holds.
TEST_F(StageRun, AFileCutAfterItWasReadIsToldByName) {
    StageRecordings read;
    read.recordings.emplace_back().wave.sampleCount = 6000;
    read.files.push_back(PlayerFile{{dir.file("vl.wav")}, 0, 4410});
    StageReading reading;
    const StageTracks tracks = stageTracks(read, reading);
    const std::vector<std::int16_t> vl = testing::whiteNoise(4410, 9000, 3);
    std::vector<std::int16_t> block(1000, 7);
    ASSERT_TRUE(tracks.read(0, 4000, 1000, block.data()));
    EXPECT_TRUE(std::equal(vl.begin() + 4000, vl.end(), block.begin()));
    EXPECT_TRUE(std::all_of(block.begin() + 410, block.end(), [](std::int16_t v) { return v == 0; }));
    testing::writeBytes(dir.file("vl.wav"), testing::monoWaveBytes(testing::whiteNoise(2000, 9000, 3)));
    EXPECT_TRUE(tracks.read(0, 0, 1000, block.data()));
    EXPECT_FALSE(tracks.read(0, 3000, 1000, block.data()));
    ASSERT_TRUE(reading.failed);
    EXPECT_EQ(reading.failed->path, dir.file("vl.wav"));
    EXPECT_EQ(reading.failed->why, "it has changed since it was read");
}

// A missing or unreadable player: one line naming it, status 1, no folder left.
TEST_F(StageRun, APlayerThatCannotBeReadIsRefusedByName) {
    testing::writeBytes(dir.file("text.wav"), {'n', 'o', 't', ' ', 'a', ' ', 'w', 'a', 'v', 'e'});
    for (const std::string bad : {"gone.wav", "text.wav"}) {
        auto args = players();
        args.push_back(dir.file(bad) + "@0");
        const Written out = compare(dir, "refused", args);
        EXPECT_EQ(out.status, 1);
        EXPECT_EQ(out.said.rfind("auralith-compare: " + dir.file(bad) + ": ", 0), 0u) << out.said;
        EXPECT_EQ(lines(out.said), 1u) << out.said;
        EXPECT_FALSE(std::filesystem::exists(dir.file("refused")));
    }
}

#endif

}  // namespace
}  // namespace auralith
