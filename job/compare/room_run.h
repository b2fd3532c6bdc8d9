// A run in a room: the room the sweep is heard in and the arc's radius, what each array makes of
// it (its numbers, and how far its positions' reverberation reaches), and each array's render
// there. The options that set a room resolve to this (the run takes it beside its options).
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "job/compare/room_setting.h"
#include "job/output/rendered_output.h"
#include "report/results.h"
#include "sim/room_render/sweep_layout.h"
#include "sim/scene/scene.h"

namespace auralith {

struct Listening;  // binaural/listening.h: the head, with --headphones

struct RoomRun {
    RoomField field;
    double distance = defaultArcRadius;  // the arc's radius, metres
};

// The run of a room the options resolved.
RoomRun roomRunOf(const RoomSetting& setting);

// How every array's render lines up: one layout (each position as far from the previous one as
// the longest reverberation of any array needs) and one room's gain (the least any array needs),
// so that the page switches arrays at the same moment and their loudness compares as in the free
// field.
struct RoomAlignment {
    SweepLayout layout;
    double gain = 1;
};

// One array in the room before its render: what the reports say of it, how far each position
// reaches around its sound, and the room's gain it would take alone.
struct RoomHearing {
    ArrayRoomResult numbers;
    std::vector<SegmentExtent> extents;
    double gain = 1;
};

// The reason, as renderInRoom gives it, when the array cannot be heard there. `seconds` is the
// room's reverberation time in each band (the critical distance takes its mid-band value). With a
// head, the ears' IACC early and late of the position nearest straight ahead (the centre
// position of the default sweep): its stereo response as mixed, played through the two
// loudspeakers and received by the head as measured.
std::variant<RoomHearing, std::string> hearInRoom(const RoomRun& room, const AnyArray& array, std::int32_t rate,
                                                  std::int32_t n, const SweepPositions& positions,
                                                  const BandValues& seconds, const Listening* listening = nullptr);

// The alignment of the arrays heard.
RoomAlignment roomAlignment(const std::vector<RoomHearing>& arrays, std::int32_t rate, std::int32_t n);

// The room's part of the reports: the setting's name, targets and measured times when it has
// them (else T30 measured here on an omni's response at the array's point, the source at the
// sweep's centre), the classical formulas' times, and the room's gain.
RoomResults roomResultsOf(const RoomRun& room, const std::optional<RoomSetting>& setting, double gain);

// The array's render in the room, in memory, with the clipped samples counted, laid out and at
// the gain `alignment` gives (its own without one); the reason when a source of the sweep would
// stand outside the room or the memory cannot be had.
std::variant<RenderedOutput, std::string> renderInRoom(const RoomRun& room, const AnyArray& array,
                                                       const InputWave& wave, double gain, RandomState& random,
                                                       const SweepPositions& positions,
                                                       const std::optional<RoomAlignment>& alignment = std::nullopt);

}  // namespace auralith
