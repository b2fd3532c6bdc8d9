// auralith-compare's run in a room, end to end: a room where nothing rings writes the free field's
// files byte for byte; a room that rings writes longer renders; a source outside the room is refused.
#include <gtest/gtest.h>

#include <cstdio>
#include <filesystem>
#include <set>

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
    testing::writeBytes(dir.file("take.wav"), testing::monoWaveBytes(testing::whiteNoise(4410, 0.5, 3)));
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

#endif

}  // namespace
}  // namespace auralith
