// The render of a sweep in a room: each value is the free field's, computed as its renderers
// compute it (a folded channel's x * factor * gain, the held mix of each microphone's track),
// plus the recording convolved with the channel's reflections times the gain, before the dither;
// the guard gain and the room's gain are one factor. The dither's draws follow the free field's
// order: a folded plan channel after channel for every sample of a segment and its reverberation,
// a held plan every frame of the output; so a room where nothing rings gives the free field's bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/model/frame.h"
#include "sim/model/random.h"
#include "sim/room_render/recording_transforms.h"
#include "sim/room_render/room_sweep.h"

namespace auralith {

// The recording's transforms for the sweep's longest reflection; nothing when the memory cannot
// be had.
std::optional<RecordingSpectra> sweepSpectra(const RoomSweep& sweep, std::span<const std::int16_t> x);

// One segment's values before the dither, per channel, from frame `first` of the output on: the
// frames its direct sound and reflections reach. Nothing when the memory cannot be had.
struct SegmentValues {
    std::int64_t first = 0;
    std::vector<std::vector<long double>> channels;
};
std::optional<SegmentValues> segmentValues(const RoomSweep& sweep, const RecordingSpectra& spectra,
                                           std::span<const std::int16_t> x, double gain, int segment);

// How a room's render runs; the bytes are the same for every setting. The segments are shared out
// among `parts` threads (0: one per core). A stereo plan's values are dithered `vectorWidth` at a
// time in double precision (2 or 4; 0: the widest the processor has), those near a tie again in
// extended precision; 1 dithers every value on its own in extended precision, as other plans are.
// `spectra`: the recording's transforms, made for reflections at least as long as the sweep's
// (the renders of several arrays share them); none, or too short: made here.
struct RoomRenderOptions {
    int parts = 0;
    int vectorWidth = 0;
    const RecordingSpectra* spectra = nullptr;
};

// Renders into `out`, which holds the plan's frames times channels zero samples, with the guard
// gain `gain`; refused when the memory cannot be had, else with the count of samples clipped.
// Each segment's dither starts at its own draws of the serial order, so the bytes and the
// generator's state after are the same for any options.
RenderOutcome renderRoomInto(const RoomSweep& sweep, std::span<const std::int16_t> x, double gain, RandomState& random,
                             std::span<std::int16_t> out, const RoomRenderOptions& options = {});

}  // namespace auralith
