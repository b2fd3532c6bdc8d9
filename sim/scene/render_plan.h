// What a renderer is given: the output's format and length, and for each segment of the program the
// stretch of the recording it plays and its taps (whole-frame delays and level factors), with the
// rig's shares and mix. Plans of one shape run on the fast kernels; any plan runs on the
// straightforward renderer, which the fast ones must equal.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/scene/audio_format.h"
#include "sim/scene/rig.h"

namespace auralith {

struct PlanTap {
    std::int32_t delay;  // whole frames against the segment's start (may be negative)
    long double factor;
};

struct PlanSegment {
    std::int64_t start = 0;   // the first frame of its sound
    std::int32_t length = 0;  // the recording's samples it plays, from the first
    // The folded mix: the taps of each channel, the shares already in the factors. The held mix:
    // the taps of each microphone.
    std::vector<std::vector<PlanTap>> taps;
};

struct RenderPlan {
    AudioFormat format;
    std::int64_t frames = 0;
    ChannelMix mix = ChannelMix::folded;
    std::vector<std::vector<long double>> shares;  // the held mix: [microphone][channel]
    float scale = 1;                               // the held mix's common scale
    std::vector<PlanSegment> segments;
};

}  // namespace auralith
