#include "sim/plan/plan_builder.h"

#include <algorithm>
#include <cmath>
#include <variant>

#include "sim/model/frame.h"
#include "sim/plan/pickup.h"

namespace auralith {

namespace {

// One microphone as a segment hears it: its taps and its share in each channel.
struct HeardMic {
    std::vector<PlanTap> taps;
    std::vector<long double> shares;
};

std::int32_t wholeFrames(long double delay) { return static_cast<std::int32_t>(std::lrint(delay)); }

// The direct sound the surroundings give of the source at each of the rig's microphones: in a
// room the free field's, from the source's height; its reflections are convolved apart from the
// plan (sim/room_render/), which holds taps of whole frames.
std::vector<HeardMic> rigHears(const Rig& rig, const Surroundings& surroundings, long double degrees, std::int32_t rate,
                               double radius) {
    SourcePoint source = sourcePoint(sourceAtAngle(degrees, degreesToRadiansFactor(), radius));
    if (const auto* room = std::get_if<RoomField>(&surroundings)) source.up = room->sourceHeight - room->arrayAt.z;
    std::vector<HeardMic> heard;
    for (const RigMic& mic : rig.mics) {
        const Echogram echogram = freeFieldEchogram(mic, source, rate, radius);
        HeardMic& h = heard.emplace_back();
        for (const Tap& tap : echogram.taps) h.taps.push_back({wholeFrames(tap.delay), tap.gain});
        h.shares = mic.shares;
        h.shares.resize(static_cast<std::size_t>(rig.channels), 0);
    }
    return heard;
}

// A built-in array's microphones, by its own arithmetic: the renderers' placements.
std::vector<HeardMic> builtInHears(MicArray array, long double degrees, std::int32_t rate, double radius) {
    std::vector<HeardMic> heard;
    for (const Microphone& mic : renderedPickupAtAngle(array, degrees, rate, radius).mics)
        heard.push_back({{{wholeFrames(mic.delay), mic.factor}}, {mic.leftShare, mic.rightShare}});
    return heard;
}

// The folded mix's taps of each channel: every microphone's taps times its share there, taps
// that arrive at one frame summed into one, microphone after microphone.
std::vector<std::vector<PlanTap>> foldedTaps(const std::vector<HeardMic>& mics, int channels) {
    std::vector<std::vector<PlanTap>> taps(static_cast<std::size_t>(channels));
    for (std::size_t c = 0; c < taps.size(); ++c)
        for (const HeardMic& mic : mics) {
            if (mic.shares[c] == 0) continue;
            for (const PlanTap& tap : mic.taps) {
                const long double factor = mic.shares[c] * tap.factor;
                auto same = std::find_if(taps[c].begin(), taps[c].end(),
                                         [&](const PlanTap& t) { return t.delay == tap.delay; });
                if (same == taps[c].end())
                    taps[c].push_back({tap.delay, factor});
                else
                    same->factor += factor;
            }
        }
    return taps;
}

}  // namespace

RenderPlan planFor(const AnyArray& array, const Program& program, const Surroundings& surroundings) {
    RenderPlan plan;
    const Rig* rig = std::get_if<Rig>(&array);
    plan.format = {program.format.rate, rig != nullptr ? rig->channels : 2};
    plan.frames = program.frames;
    const bool tree = rig == nullptr && std::get<MicArray>(array) == MicArray::threeOmniTree;
    plan.mix = rig != nullptr ? rig->mix : tree ? ChannelMix::held : ChannelMix::folded;
    plan.scale = rig != nullptr ? rig->scale : tree ? treeMixScale : 1.0f;
    for (const Segment& segment : program.segments) {
        const std::vector<HeardMic> mics =
            rig != nullptr
                ? rigHears(*rig, surroundings, segment.sourceDegrees, program.format.rate, program.radius)
                : builtInHears(std::get<MicArray>(array), segment.sourceDegrees, program.format.rate, program.radius);
        PlanSegment& planned = plan.segments.emplace_back(PlanSegment{segment.start, segment.length, {}});
        if (plan.mix == ChannelMix::folded) {
            planned.taps = foldedTaps(mics, plan.format.channels);
            continue;
        }
        if (plan.shares.empty())
            for (const HeardMic& mic : mics) plan.shares.push_back(mic.shares);
        for (const HeardMic& mic : mics) planned.taps.push_back(mic.taps);
    }
    return plan;
}

}  // namespace auralith
