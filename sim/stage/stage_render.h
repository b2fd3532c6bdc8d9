// The render of a stage: every source's direct sound and reflections summed into each channel,
// then the dither. In the free field each value is what the sweep's renderer would give for the
// sources one by one, added: a folded channel's x * factor * gain of each source at each of its
// taps, the held mix of each microphone's track of every source. In a room the direct sound goes
// through the filters with the reflections (stage_filters.h), to the transforms' rounding. The
// dither runs over every frame from the first sound to the last reflection, channel after
// channel, as the held mix of a sweep does; the silence before and after stays silent.
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <vector>

#include "sim/model/frame.h"
#include "sim/model/random.h"
#include "sim/room_render/room_sweep.h"
#include "sim/stage/stage_filters.h"

namespace auralith {

// The sources' recordings (all of one length) and the factor each is heard at (stageLevels);
// `gain` is the guard gain of the mix, which the stage's room gain multiplies.
struct StageInput {
    StageTracks x;
    std::span<const double> levels;
    double gain = 1;
};

// What the renders of several arrays' stages share: the transforms, the filters' buffers and each
// part's scratch, made by the first render and kept while they take the next stage.
struct StageRenderer {
    StageFilters filters;
    std::vector<StageScratch> scratch;
};

// The blocks are shared out among `parts` threads (0: one per core); the bytes are the same for
// every setting. `shared`: the buffers to render with and keep; none: made for this render.
// `made`, where given, is handed the output's samples in order, from its first frame to its last,
// a run at a time as the blocks are done (the part that made a block hands it on once the blocks
// before it are), so that what reads the whole render in order (its loudness) reads it as it is
// made and not in a pass of its own after.
// `width` 1 converts a value at a time where a ringing stereo stage's are otherwise converted
// two side by side; the bytes are the same.
struct StageRenderOptions {
    int parts = 0;
    StageRenderer* shared = nullptr;
    std::function<void(std::span<const std::int16_t>)> made{};
    int width = 0;
};

// Renders into `out`, which holds the stage's frames times channels zero samples, or, where `out`
// is empty, only through options.made, each block from a buffer of its own kept until it is handed
// on (so that a render written to its file as it goes is never held whole); refused when the
// memory or the recordings' samples cannot be had, else with the count of samples clipped. The
// generator ends where the serial order leaves it.
RenderOutcome renderStageInto(const RoomSweep& stage, const StageInput& input, RandomState& random,
                              std::span<std::int16_t> out, const StageRenderOptions& options = {});

// The values before the dither at frames [first, first + count), per channel; nothing when the
// memory or the recordings' samples cannot be had.
std::optional<std::vector<std::vector<long double>>> stageValues(const RoomSweep& stage, const StageInput& input,
                                                                 std::int64_t first, std::int64_t count);

}  // namespace auralith
