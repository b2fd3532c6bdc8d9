// A run in a room: the room the sweep is heard in and the arc's radius, what each array makes of
// it (its numbers, and how far its positions' reverberation reaches), and each array's render
// there. The options that set a room resolve to this (the run takes it beside its options).
#pragma once

#include <cstdint>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "job/compare/room_setting.h"
#include "job/output/rendered_output.h"
#include "report/results.h"
#include "sim/room_render/sweep_layout.h"
#ifdef AURALITH_ROOM_RENDER
#include "sim/room_render/recording_transforms.h"
#include "sim/room_render/room_sweep.h"
#endif
#include "sim/scene/scene.h"

namespace auralith {

struct Listening;  // binaural/listening.h: the head, with --headphones

struct RoomRun {
    RoomField field;
    double distance = defaultArcRadius;  // the arc's radius, metres
};

// The run of a room the options resolved.
RoomRun roomRunOf(const RoomSetting& setting);

struct RoomHeard;  // below, where the build renders rooms

#ifdef AURALITH_ROOM_RENDER

// One array in the room: what the reports say of it, and its sweep there as the render and the
// response files take it (laid out and at the room's gain all arrays share).
struct HeardArray {
    ArrayRoomResult numbers;
    RoomSweep sweep;
};

// Every array heard in the room, from one set of responses: their sweeps laid out alike (each
// position as far from the previous one as the longest reverberation of any array needs) and at
// one room's gain (the least any array needs), so that the page switches arrays at the same
// moment and their loudness compares as in the free field.
struct RoomHeard {
    std::vector<HeardArray> arrays;
    SweepLayout layout;
    double gain = 1;
    std::optional<RecordingSpectra> spectra;  // the recording's transforms every render shares
};

// The arrays heard in the room, or the reason they cannot be (a source outside the room, the
// memory). `seconds` is the room's reverberation time in each band (the critical distance takes
// its mid-band value). With a head, the ears' IACC early and late of the position nearest
// straight ahead (the centre position of the default sweep): its stereo response as mixed,
// played through the two loudspeakers and received by the head as measured.
std::variant<RoomHeard, std::string> hearInRoom(const RoomRun& room, std::span<const AnyArray> arrays,
                                                std::int32_t rate, std::int32_t n, const SweepPositions& positions,
                                                const BandValues& seconds, const Listening* listening = nullptr);

// The ears' IACC early and late from one segment of the sweep (a position, or a stage's player),
// its time origin the ears' direct sound, into `numbers`; false when the memory cannot be had.
bool hearEars(const RoomSweep& sweep, int segment, const Listening& listening, ArrayRoomResult& numbers);

// The recording's transforms for the longest reflection of any array, made once for every
// render; false when the memory cannot be had.
bool transformRecording(RoomHeard& heard, std::span<const std::int16_t> x);

// Whether a stereo 16-bit render of `frames` frames fits a WAVE file, whose size is 32-bit.
bool fitsWaveFile(std::int64_t frames);

// A render of `frames` stereo frames at the wave's rate and depth, built by `render` in the file
// `outputName` where it allows it (the samples neither zeroed in memory first nor copied after),
// else in memory; the reason when the memory cannot be had or the render would not fit a WAVE file.
std::variant<RenderedOutput, std::string> renderIntoOutput(
    std::int64_t frames, const InputWave& wave, RandomState& random, const std::string& outputName,
    const std::function<RenderOutcome(std::span<std::int16_t>, RandomState&)>& render);

// The room's numbers of each array's sweep (or stage, a segment a player), worked out side by
// side: each segment's DRR, the late coherence summed over the segments beside the diffuse
// field's, the critical distance.
std::vector<ArrayRoomResult> roomNumbersOf(std::span<const RoomSweep* const> sweeps, std::span<const AnyArray> arrays,
                                           const RoomRun& room, const BandValues& seconds);

// An array's render of its sweep (with the recording's transforms, where made), with the clipped samples counted: built
// in the file `outputName` where it allows it, else in memory; the reason when the memory cannot be had or the render
// would not fit a WAVE file.
std::variant<RenderedOutput, std::string> renderInRoom(const RoomSweep& sweep, const RecordingSpectra* spectra,
                                                       const InputWave& wave, double gain, RandomState& random,
                                                       const std::string& outputName);

#endif

// The room's part of the reports: the setting's name, targets and measured times when it has
// them (else T30 measured here on an omni's response at the array's point, the source at the
// sweep's centre), the classical formulas' times, and the room's gain.
RoomResults roomResultsOf(const RoomRun& room, const std::optional<RoomSetting>& setting, double gain);

}  // namespace auralith
