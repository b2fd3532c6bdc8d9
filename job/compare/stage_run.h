// A run of a stage: the players' recordings read and brought to one length, the players as the
// reports name them, and, where the build renders rooms (FFTW3), every array's stage heard in the
// free field or the run's room, its numbers, its render and its response files.
#pragma once

#include <memory>
#include <mutex>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "job/compare/options.h"
#include "job/compare/response_files.h"
#include "job/compare/room_run.h"
#include "report/results.h"
#include "wave/recording/recording.h"
#ifdef AURALITH_ROOM_RENDER
#include "sim/stage/stage.h"
#include "sim/stage/stage_render.h"
#include "sim/stage/stage_tracks.h"
#endif

namespace auralith {

// Where a player's samples are read again, a block at a time as the renders go, so that a long
// stage holds none of its recordings.
struct PlayerFile {
    RecordingRequest request;  // the file and its channel
    std::int64_t from = 0;     // the file's frame of the player's first sample (the excerpt's start)
    std::int64_t count = 0;    // the player's own samples, before the silence that pads it
};

// The players' recordings as the options take them (each one's channel, the excerpt), at the
// first one's rate and padded with silence to the longest. The samples of a player whose file
// reads again are not kept (each recording's wave then holds its fields alone); one brought to
// another rate, or in a file that does not read again, is held.
struct StageRecordings {
    std::vector<Recording> recordings;
    std::vector<std::string> conversions;          // each recording brought to the first one's rate
    std::vector<std::optional<PlayerFile>> files;  // [player]: none where it is held
};

// The recordings, or the first refusal, naming its file.
std::variant<StageRecordings, FileRefusal> readStage(const CompareOptions& options);

// The players, named after their files' stems ("vl1"; "vl1-2" for a second file of that stem).
std::vector<StagePlayer> stagePlayers(const CompareOptions& options, const StageRecordings& read);

// Every array's stage: how it hears each player.
struct StageHeard {
#ifdef AURALITH_ROOM_RENDER
    std::vector<RoomSweep> arrays;
    std::vector<double> levels;  // each player's factor in the mix
    // The transforms and buffers every array's render takes in turn.
    std::shared_ptr<StageRenderer> renderer = std::make_shared<StageRenderer>();
#endif
};

// How an array hears each player: its cues and image, and with the array's numbers in a room
// (one segment a player) its DRR.
std::vector<PlayerHeard> playersHeard(const std::vector<StagePlayer>& players, const AnyArray& array, std::int32_t rate,
                                      const LoudspeakerBase& base, const ArrayRoomResult* room);

#ifdef AURALITH_ROOM_RENDER

// The first read of the players' samples that failed, naming its file; reads from several
// threads at once tell it here.
struct StageReading {
    std::mutex mutex;
    std::optional<FileRefusal> failed;
};

// The players' samples as a stage's render reads them: from memory, or from their files again.
// `read` and `reading` must outlive the tracks.
StageTracks stageTracks(const StageRecordings& read, StageReading& reading);

// Every array's stage in the free field or the run's room, `radius` the arc's (a player there is
// heard as recorded); the reason when a player cannot stand where it is asked to.
std::variant<StageHeard, std::string> hearStage(const std::vector<StagePlayer>& players, const RoomRun* room,
                                                double radius, std::span<const AnyArray> arrays, std::int32_t rate,
                                                std::int32_t n);

// Array `index`'s render of the stage, built in the file `outputName` where it allows it.
std::variant<RenderedOutput, std::string> renderStage(const StageHeard& heard, std::size_t index,
                                                      const StageRecordings& read, double gain, RandomState& random,
                                                      const std::string& outputName);

#endif

// "<stem>-<slug>-response-<player>.wav".
std::string playerResponseName(std::string_view stem, std::string_view slug, std::string_view player);

// With --responses in a room: each array's response to each player, as the response files of the
// sweep are written; nothing, or the first refusal.
std::optional<FileRefusal> writeStageResponses(const StageHeard& heard, const std::string& folder,
                                               const std::vector<ArrayResult>& arrays, std::int32_t rate, double gain);

}  // namespace auralith
