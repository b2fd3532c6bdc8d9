// auralith-compare's run in a room, end to end: a room where nothing rings writes the free field's
// files byte for byte; a room that rings writes longer renders, laid out as its labels say, with
// the room's numbers; a source outside the room is refused; the hall's late coherence is the
// diffuse field's.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <cstring>
#include <filesystem>
#include <map>
#include <numbers>
#include <set>
#include <sstream>

#include "job/compare/options.h"
#include "job/compare/run.h"
#include "sim/room/room.h"
#include "support/test_support.h"

namespace auralith {
namespace {

#ifdef AURALITH_ROOM_RENDER

using testing::ScratchDir;

struct Outcome {
    int status;
    std::vector<std::vector<std::uint8_t>> audio;  // ORTF's, then the described pair's
};

Outcome runIn(const ScratchDir& dir, const std::string& folder, const std::optional<RoomRun>& room) {
    const ParsedOptions parsed =
        parseCompareOptions({dir.file("take.wav"), "-q", "-a", "4,pair:cardioid:110:17", "-o", dir.file(folder)});
    EXPECT_EQ(parsed.action, ParsedOptions::Action::run) << parsed.error;
    std::FILE* sink = std::tmpfile();
    const int status = runCompare(parsed.options, {sink, sink, false}, room);
    std::fclose(sink);
    Outcome out{status, {}};
    std::set<std::filesystem::path> names;  // in the order of their names, which the slugs give
    if (std::filesystem::exists(dir.file(folder)))
        for (const auto& entry : std::filesystem::directory_iterator(dir.file(folder)))
            if (entry.path().extension() == ".wav") names.insert(entry.path());
    for (const auto& name : names) out.audio.push_back(testing::readBytes(name.string()));
    return out;
}

TEST(CompareRoom, NothingRingingWritesTheFreeFieldsFilesAndARoomLongerOnes) {
    const ScratchDir dir;
    testing::writeBytes(dir.file("take.wav"), testing::monoWaveBytes(testing::whiteNoise(4410, 12000, 3)));
    const Outcome free = runIn(dir, "free", std::nullopt);
    ASSERT_EQ(free.status, 0);
    ASSERT_EQ(free.audio.size(), 2u);
    const Outcome dead = runIn(dir, "dead", RoomRun{{uniformRoom(20, 30, 10, 1), {8.3, 12, 3}, 3, false, 1}, 10});
    ASSERT_EQ(dead.status, 0);
    EXPECT_EQ(dead.audio, free.audio);
    const Outcome hall = runIn(dir, "hall", RoomRun{{uniformRoom(20, 30, 10, 0.3), {8.3, 12, 3}, 3, true, 1}, 10});
    ASSERT_EQ(hall.status, 0);
    ASSERT_EQ(hall.audio.size(), 2u);
    for (std::size_t k = 0; k < 2; ++k) EXPECT_GT(hall.audio[k].size(), free.audio[k].size() + 13 * 4 * 4410);
    // The arc of 10 m reaches past a room 12 m wide: refused, status 1, nothing left behind.
    const Outcome narrow = runIn(dir, "narrow", RoomRun{{uniformRoom(12, 30, 10, 0.3), {6, 12, 3}, 3, true, 1}, 10});
    EXPECT_EQ(narrow.status, 1);
    EXPECT_TRUE(narrow.audio.empty());
}

// What a run of auralith-compare wrote: its status, and each file of its folder by name.
struct Written {
    int status;
    std::map<std::string, std::string> files;
};

Written compare(const ScratchDir& dir, const std::string& folder, std::vector<std::string> args,
                const std::string& input = "take.wav") {
    args.insert(args.begin(), {dir.file(input), "-q", "-o", dir.file(folder)});
    std::FILE* sink = std::tmpfile();
    Written out{compareMain(args, {sink, sink, false}), {}};
    std::fclose(sink);
    out.files = testing::filesIn(dir.file(folder));
    return out;
}

// A CSV file's rows as cells, a quoted cell (an array's name) taken whole.
std::vector<std::vector<std::string>> csvRows(const std::string& csv) {
    std::vector<std::vector<std::string>> rows;
    std::istringstream lines(csv);
    for (std::string line; std::getline(lines, line);) {
        auto& row = rows.emplace_back(1);
        bool quoted = false;
        for (const char c : line) {
            if (c == '"') quoted = !quoted;
            if (c == ',' && !quoted)
                row.emplace_back();
            else
                row.back() += c;
        }
    }
    return rows;
}

// The column named `name` of a CSV file's rows after the header.
std::vector<std::string> column(const std::string& csv, const std::string& name) {
    const auto rows = csvRows(csv);
    const auto at = std::find(rows[0].begin(), rows[0].end(), name) - rows[0].begin();
    std::vector<std::string> cells;
    for (std::size_t r = 1; r < rows.size(); ++r) cells.push_back(rows[r].at(static_cast<std::size_t>(at)));
    return cells;
}

// The CSV file without the columns only a room has.
std::string withoutRoomColumns(const std::string& csv) {
    const std::set<std::string> room{"drr_left_db", "drr_right_db", "critical_distance_m", "distance_m"};
    const auto rows = csvRows(csv);
    std::string kept;
    for (const auto& row : rows) {
        std::string line;
        for (std::size_t c = 0; c < row.size(); ++c)
            if (!room.contains(rows[0][c])) line += (line.empty() ? "" : ",") + row[c];
        kept += line + "\n";
    }
    return kept;
}

TEST(CompareRoomOptions, NothingRingingWritesTheFreeFieldsBytes) {
    const ScratchDir dir;
    testing::writeBytes(dir.file("take.wav"), testing::monoWaveBytes(testing::whiteNoise(4410, 12000, 5)));
    const std::vector<std::string> arrays{"-a", "4,pair:cardioid:110:17"};
    const Written free = compare(dir, "free", arrays);
    std::vector<std::string> dead = arrays;
    dead.insert(dead.end(), {"--room", "20x30x10", "--absorption", "1", "--no-air"});
    const Written room = compare(dir, "room", dead);
    ASSERT_EQ(free.status, 0);
    ASSERT_EQ(room.status, 0);
    ASSERT_EQ(free.files.size(), 7u);  // two renders, two label tracks, two CSV files and the page
    for (const auto& [name, bytes] : free.files) {
        ASSERT_TRUE(room.files.contains(name)) << name;
        // The page names the room; the CSV files have the room's columns besides.
        if (name.ends_with(".html")) continue;
        const bool csv = name.ends_with(".csv");
        EXPECT_EQ(csv ? withoutRoomColumns(room.files.at(name)) : room.files.at(name),
                  csv ? withoutRoomColumns(bytes) : bytes)
            << name;
    }
    EXPECT_EQ(room.files.size(), 9u);  // and coherence.csv and room.csv
    EXPECT_EQ(column(room.files.at("report.csv"), "drr_left_db"), std::vector<std::string>(26, "inf"));
}

// --distance moves the arc in free field: omnis 40 cm apart hear the source at 45 degrees left
// 5 m away with their distances' ratio, 20 log10(r_right / r_left).
TEST(CompareRoomOptions, TheDistanceMovesTheArcInFreeFieldToo) {
    const ScratchDir dir;
    testing::writeBytes(dir.file("take.wav"), testing::monoWaveBytes(testing::whiteNoise(4410, 12000, 5)));
    const Written run = compare(dir, "near", {"-a", "ab40", "--distance", "5", "--no-audio"});
    ASSERT_EQ(run.status, 0);
    const double s = 5 * std::sqrt(0.5);
    const double icld = 20 * std::log10(std::hypot(s + 0.2, s) / std::hypot(s - 0.2, s));
    EXPECT_NEAR(std::stod(column(run.files.at("report.csv"), "icld_db")[0]), icld, 0.0015);
    EXPECT_NE(run.files.at("report.html").find("a source 5 m from the array's centre"), std::string::npos);
}

#ifdef AURALITH_HAS_HEADPHONES
// The ears' IACC at the centre position through the default head: in 0..1 (Cauchy-Schwarz); 1 for
// two omnis at one point (both loudspeakers fed alike, KEMAR's sides mirror each other); far less
// late for spaced omnis, whose late channels are nearly incoherent (sin x / x). Early above late
// is usual but not the physics' rule: not asserted.
TEST(CompareRoomOptions, TheEarsCorrelationAtTheCentrePosition) {
    const ScratchDir dir;
    testing::writeBytes(dir.file("take.wav"), testing::monoWaveBytes(testing::whiteNoise(4410, 12000, 5)));
    const Written run = compare(dir, "ears", {"-H", "-a", "1,5,pair:omni:0:0", "--room", "studio"});
    ASSERT_EQ(run.status, 0);
    const std::string& arrays = run.files.at("arrays.csv");
    ASSERT_EQ(column(arrays, "array"), (std::vector<std::string>{"1", "5", "pair:omni:0:0"}));
    std::vector<double> early, late;
    for (const std::string& cell : column(arrays, "iacc_early")) early.push_back(std::stod(cell));
    for (const std::string& cell : column(arrays, "iacc_late")) late.push_back(std::stod(cell));
    for (std::size_t r = 0; r < 3; ++r) EXPECT_TRUE(early[r] >= 0 && early[r] <= 1 && late[r] >= 0 && late[r] <= 1);
    EXPECT_GT(std::min(early[2], late[2]), 0.99);
    EXPECT_LT(late[1], 0.7);
    EXPECT_NE(run.files.at("report.html").find("At the ears, from the centre position: IACC early "),
              std::string::npos);
    // A stage of the take alone straight ahead: the ears hear that player's response, the sweep's
    // centre position's at another gain, and the page names it.
    const Written stage = compare(dir, "stage", {"-H", "-a", "1,5,pair:omni:0:0", "--room", "studio"}, "take.wav@0");
    ASSERT_EQ(stage.status, 0);
    EXPECT_EQ(column(stage.files.at("arrays.csv"), "iacc_early"), column(arrays, "iacc_early"));
    EXPECT_EQ(column(stage.files.at("arrays.csv"), "iacc_late"), column(arrays, "iacc_late"));
    const std::string& page = stage.files.at("report.html");
    EXPECT_NE(page.find("At the ears, from take, the player nearest straight ahead: IACC "), std::string::npos);
    EXPECT_NE(page.find("summed over the players,"), std::string::npos);
}
#endif

// The render's 16-bit frames after its header, left and right interleaved.
std::vector<std::int16_t> renderSamples(const std::string& wave) {
    const std::size_t data = wave.find("data") + 8;
    std::vector<std::int16_t> samples((wave.size() - data) / 2);
    std::memcpy(samples.data(), wave.data() + data, samples.size() * 2);
    return samples;
}

double rmsDb(const std::vector<std::int16_t>& stereo, double from, double to) {
    double sum = 0;
    const auto first = static_cast<std::size_t>(from * 44100) * 2, last = static_cast<std::size_t>(to * 44100) * 2;
    for (std::size_t i = first; i < last; ++i) sum += double(stereo[i]) * stereo[i];
    return 10 * std::log10(sum / static_cast<double>(last - first) + 1e-9);
}

TEST(CompareRoomOptions, ARingingRoomsLabelsFollowItsSoundAndItsNumbersAreWritten) {
    const ScratchDir dir;
    testing::writeBytes(dir.file("take.wav"), testing::monoWaveBytes(testing::whiteNoise(4410, 12000, 5)));
    const Written run = compare(dir, "room", {"-a", "4,ab40", "--room", "20x30x10", "--absorption", "0.3"});
    ASSERT_EQ(run.status, 0);
    ASSERT_EQ(run.files.size(), 9u);
    // Both arrays' positions lie alike: the page switches between them at the same moment.
    const auto labelStarts = [&](const std::string& name) {
        std::vector<double> starts;
        std::istringstream lines(run.files.at(name));
        for (std::string line; std::getline(lines, line);) starts.push_back(std::stod(line));
        return starts;
    };
    const std::vector<double> starts = labelStarts("take-4-ortf.txt");
    EXPECT_EQ(labelStarts("take-ab40.txt"), starts);
    ASSERT_EQ(starts.size(), 13u);
    EXPECT_EQ(starts[0], 1.0);
    for (const auto& name : {"take-4-ortf.wav", "take-ab40.wav"}) {
        const std::vector<std::int16_t> stereo = renderSamples(run.files.at(name));
        for (std::size_t p = 0; p + 1 < starts.size(); ++p) {
            // The room rings longer than the free field's second of silence, and dies away before the next sound.
            EXPECT_GT(starts[p + 1] - starts[p], 0.1 + 1.2) << p;
            EXPECT_LT(rmsDb(stereo, starts[p + 1] - 0.15, starts[p + 1] - 0.1),
                      rmsDb(stereo, starts[p], starts[p] + 0.1) - 45)
                << name << " before position " << p + 1;
        }
    }
    // The page jumps to the labels' times; every channel's DRR is a finite number of dB.
    const std::string& page = run.files.at("report.html");
    for (std::size_t p = 0, at = 0; p < starts.size(); ++p) {
        at = page.find("{\"start\":", at + 1);
        ASSERT_NE(at, std::string::npos);
        EXPECT_EQ(std::stod(page.substr(at + 9, 12)), starts[p]);
    }
    const std::string& report = run.files.at("report.csv");
    for (const auto& name : {"drr_left_db", "drr_right_db"})
        for (const std::string& cell : column(report, name)) EXPECT_TRUE(std::isfinite(std::stod(cell))) << cell;
    // The critical distance 0.057 sqrt(Q V / T), T the mean of 500 Hz and 1 kHz as measured: Q 3 for
    // cardioids, 1 for omnis.
    const std::string& room = run.files.at("room.csv");
    EXPECT_EQ(column(room, "absorption"), std::vector<std::string>(7, "0.3000"));
    EXPECT_EQ(column(room, "target_s"), std::vector<std::string>(7, ""));
    const double tMid =
        (std::stod(column(room, "measured_t30_s")[2]) + std::stod(column(room, "measured_t30_s")[3])) / 2;
    const std::vector<std::string> distances = column(run.files.at("arrays.csv"), "critical_distance_m");
    EXPECT_NEAR(std::stod(distances[0]), 0.057 * std::sqrt(3 * 6000 / tMid), 0.02);
    EXPECT_NEAR(std::stod(distances[1]), 0.057 * std::sqrt(1 * 6000 / tMid), 0.02);
    EXPECT_EQ(column(run.files.at("arrays.csv"), "distance_m"), std::vector<std::string>(2, "10.00"));
    EXPECT_EQ(run.files.at("arrays.csv").find("iacc_"), std::string::npos);  // the ears' need -H
    EXPECT_EQ(csvRows(run.files.at("coherence.csv")).size(), 1 + 2 * 7u);
}

// The hall's late coherence, the array off the room's centre line: XY cardioids within 0.1 of the
// diffuse field's 0.75, omnis 40 cm apart within 0.2 of sin x / x, in each band from 250 Hz to 4 kHz.
TEST(CompareRoomOptions, TheHallsLateCoherenceIsTheDiffuseFields) {
    const ScratchDir dir;
    testing::writeBytes(dir.file("take.wav"), testing::monoWaveBytes(testing::whiteNoise(4410, 12000, 5)));
    const Written run = compare(dir, "hall", {"-a", "xy,ab40", "--room", "hall", "--no-audio"});
    ASSERT_EQ(run.status, 0);
    const auto rows = csvRows(run.files.at("coherence.csv"));
    ASSERT_EQ(rows.size(), 15u);
    for (std::size_t r = 1; r < rows.size(); ++r) {
        const double hertz = std::stod(rows[r][2]), measured = std::stod(rows[r][3]);
        if (hertz < 250 || hertz > 4000) continue;
        const double x = 2 * std::numbers::pi * hertz * 0.4 / soundSpeed;
        const bool xy = rows[r][0] == "xy";
        EXPECT_NEAR(measured, xy ? 0.75 : std::sin(x) / x, xy ? 0.1 : 0.2) << rows[r][0] << " at " << hertz << " Hz";
    }
}

#endif

}  // namespace
}  // namespace auralith
