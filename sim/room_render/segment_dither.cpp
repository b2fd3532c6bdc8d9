#include "sim/room_render/segment_dither.h"

#include <algorithm>

#include "sim/model/arrays.h"

namespace auralith {

namespace {

// A channel's reflections at a frame, as segmentValues adds them.
long double reflectionAt(const std::vector<double>& wet, std::int64_t at, double g) {
    return at >= 0 && at < std::ssize(wet) ? static_cast<long double>(wet[static_cast<std::size_t>(at)] * g) : 0.0L;
}

std::int16_t ditherCounted(long double value, RandomState& random, std::int64_t& clipped) {
    const double first = unitRandom(random);
    const double second = unitRandom(random);
    const long k = ditheredInteger(value, first, second);
    clipped += clipsAtFullScale(k);
    return static_cast<std::int16_t>(std::clamp<long>(k, -32768, 32767));
}

}  // namespace

long double foldedValue(const Renderer& r, std::size_t p, const SegmentWet& wet, std::size_t c, std::int64_t i) {
    const PlanSegment& s = r.sweep.plan.segments[p];
    const PlanTap& tap = s.taps[c].front();
    long double v = i >= 0 && i < s.length ? channelValue(r.x[static_cast<std::size_t>(i)], tap.factor, r.g) : 0.0L;
    if (!wet[c].empty()) v += reflectionAt(wet[c], tap.delay + i - r.sweep.reflections[p][c].start, r.g);
    return v;
}

void heldTracks(const Renderer& r, const PlanSegment& s, std::int64_t frame, std::span<double> tracks) {
    for (std::size_t m = 0; m < tracks.size(); ++m) {
        tracks[m] = 0;
        for (const PlanTap& tap : s.taps[m])
            if (const std::int64_t i = frame - s.start - tap.delay; i >= 0 && i < s.length)
                tracks[m] += treeHeldValue(r.x[static_cast<std::size_t>(i)], tap.factor, r.g);
    }
}

long double heldValue(const Renderer& r, std::size_t p, std::span<const double> tracks, const SegmentWet& wet,
                      std::size_t c, std::int64_t frame) {
    const RenderPlan& plan = r.sweep.plan;
    long double sum = 0;
    for (std::size_t m = 0; m < tracks.size(); ++m)
        if (const long double share = plan.shares[m][c]; share != 0) sum += share * tracks[m];
    long double v = sum * plan.scale;
    if (!wet[c].empty())
        v += reflectionAt(wet[c], frame - plan.segments[p].start - r.sweep.reflections[p][c].start, r.g);
    return v;
}

void ditherFolded(const Renderer& r, const SegmentWork& w, std::size_t p, const SegmentWet& wet, RandomState& random,
                  std::int64_t& clipped) {
    const PlanSegment& s = r.sweep.plan.segments[p];
    const std::size_t channels = wet.size();
    for (std::int64_t i = w.from; i < w.end; ++i)
        for (std::size_t c = 0; c < channels; ++c) {
            const std::int64_t frame = s.start + s.taps[c].front().delay + i;
            r.out[channels * static_cast<std::size_t>(frame) + c] =
                ditherCounted(foldedValue(r, p, wet, c, i), random, clipped);
        }
}

// The tracks are worked out once a frame, for all its channels.
void ditherHeld(const Renderer& r, const SegmentWork& w, std::size_t p, const SegmentWet& wet, RandomState& random,
                std::int64_t& clipped) {
    const PlanSegment& s = r.sweep.plan.segments[p];
    const std::size_t channels = wet.size();
    std::vector<double> tracks(s.taps.size());
    for (std::int64_t frame = w.from; frame < w.end; ++frame) {
        const bool inside = frame >= w.stretch.first && frame < w.stretch.end;
        if (inside) heldTracks(r, s, frame, tracks);
        for (std::size_t c = 0; c < channels; ++c)
            r.out[channels * static_cast<std::size_t>(frame) + c] =
                ditherCounted(inside ? heldValue(r, p, tracks, wet, c, frame) : 0.0L, random, clipped);
    }
}

}  // namespace auralith
