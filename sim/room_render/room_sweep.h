// The sweep in a room: the direct sound's plan over a program whose segments leave room for each
// position's reverberation, each segment's reflections per channel, and the room's gain. With
// nothing ringing (absorption 1, no air) the program is the free field's, segments a second apart.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/room_render/room_responses.h"
#include "sim/room_render/sweep_layout.h"
#include "sim/scene/render_plan.h"

namespace auralith {

// Frames around a segment's direct sound that its reflections reach: `lead` (0 or fewer) before
// each channel's earliest direct tap, `tail` (0 or more) after its last sample.
struct SegmentReach {
    std::int32_t lead = 0;
    std::int32_t tail = 0;
};

struct RoomSweep {
    RenderPlan plan;                                     // the direct sound, as the free field's plan has it
    std::vector<std::vector<RoomResponse>> reflections;  // [segment][channel], frames against its start
    std::vector<SegmentReach> reach;                     // [segment]
    // The level every value is scaled by: the square root of the loudest channel's direct energy
    // over the loudest channel's whole energy (direct and reflections), over all positions, so
    // that the room adds no more power than the loudest direct sound had and a recording that
    // does not clip in the free field seldom clips here; 1 when nothing rings.
    double gain = 1;
};

// Each segment's extent in a sweep: its direct taps' spread and its reflections' reach.
std::vector<SegmentExtent> segmentExtents(const RoomSweep& sweep);

// The sweep laid out again, and heard at another gain: several arrays' renders then line up in
// time, and their levels compare as in the free field.
void placeSweep(RoomSweep& sweep, const SweepLayout& layout, double gain);

// The frames [from, to) from halfway through a segment's reverberation after its sound (each
// response ends where what is left of it has fallen 60 dB, so from there on it lies some 30 dB
// below its start) to the next segment's first sound; none (from >= to) after the last segment.
struct FadedFrames {
    std::int64_t from = 0;
    std::int64_t to = 0;
};
FadedFrames fadedAfter(const RoomSweep& sweep, int segment);

// The frames of the longest reflection of any segment and channel: what the recording's
// transforms and the late coherence's must take.
std::int64_t longestReflection(const RoomSweep& sweep);

// A segment's direct sound per channel: (delay, amplitude) with the shares and the held mix's
// scale, not the room's gain.
std::vector<std::vector<PlanTap>> directTaps(const RoomSweep& sweep, int segment);

// The program for a recording of n samples: each segment starts a second after the previous one's
// sound ends, or later where its reverberation (or the next one's early reflections) needs it,
// and the output ends a second after the last sound or with its tail.
RoomSweep roomSweep(const AnyArray& array, const RoomField& field, RoomResponses responses, std::int32_t n,
                    const SweepPositions& positions, double radius);

// A position's response as mixed, per channel: the direct taps and the reflections, times the
// room's gain, interleaved, sample 0 being 0.1 s before the sound reaches the array's centre from
// the arc. The recording convolved with a channel's response, times the guard gain, is that
// channel's values before the dither.
struct MixedResponse {
    AudioFormat format;
    std::vector<double> samples;
};
MixedResponse mixedResponse(const RoomSweep& sweep, int segment);

}  // namespace auralith
