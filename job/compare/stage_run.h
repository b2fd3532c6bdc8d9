// A run of a stage: the players' recordings read and brought to one length, the players as the
// reports name them, and, where the build renders rooms (FFTW3), every array's stage heard in the
// free field or the run's room, its numbers, its render and its response files.
#pragma once

#include <memory>
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
#endif

namespace auralith {

// The players' recordings as the options take them (each one's channel, the excerpt), at the
// first one's rate and padded with silence to the longest.
struct StageRecordings {
    std::vector<Recording> recordings;
    std::vector<std::string> conversions;  // each recording brought to the first one's rate
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
