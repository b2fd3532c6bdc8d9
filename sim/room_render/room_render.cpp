#include "sim/room_render/room_render.h"

#include <algorithm>
#include <cstdlib>
#include <new>

#include "sim/fast/parallel.h"
#include "sim/fast/vector_width.h"
#include "sim/model/arrays.h"
#include "sim/room_render/segment_dither.h"

namespace auralith {

namespace {

Stretch stretchOf(const RoomSweep& sweep, std::size_t p) {
    const PlanSegment& s = sweep.plan.segments[p];
    std::int32_t low = 0, high = 0;
    bool any = false;
    for (const auto& taps : s.taps)
        for (const PlanTap& tap : taps) {
            low = any ? std::min(low, tap.delay) : tap.delay;
            high = any ? std::max(high, tap.delay) : tap.delay;
            any = true;
        }
    return {s.start + low + sweep.reach[p].lead, s.start + high + s.length + sweep.reach[p].tail};
}

// The direct sound's values over the stretch: each folded channel's x * factor * gain at its tap,
// or the held mix of the microphones' tracks, as the straightforward renderer computes them.
void addDirect(const RenderPlan& plan, const PlanSegment& s, std::span<const std::int16_t> x, double gain,
               SegmentValues& v) {
    const auto at = [&](std::int32_t delay) { return static_cast<std::size_t>(s.start + delay - v.first); };
    if (plan.mix == ChannelMix::folded) {
        for (std::size_t c = 0; c < v.channels.size(); ++c) {
            const PlanTap& tap = s.taps[c].front();
            for (std::int32_t i = 0; i < s.length; ++i)
                v.channels[c][at(tap.delay) + static_cast<std::size_t>(i)] =
                    channelValue(x[static_cast<std::size_t>(i)], tap.factor, gain);
        }
        return;
    }
    const std::size_t frames = v.channels.front().size();
    std::vector<std::vector<double>> tracks(s.taps.size(), std::vector<double>(frames));
    for (std::size_t m = 0; m < tracks.size(); ++m)
        for (const PlanTap& tap : s.taps[m])
            for (std::int32_t i = 0; i < s.length; ++i)
                tracks[m][at(tap.delay) + static_cast<std::size_t>(i)] +=
                    treeHeldValue(x[static_cast<std::size_t>(i)], tap.factor, gain);
    for (std::size_t c = 0; c < v.channels.size(); ++c)
        for (std::size_t k = 0; k < frames; ++k) {
            long double sum = 0;
            for (std::size_t m = 0; m < tracks.size(); ++m)
                if (const long double share = plan.shares[m][c]; share != 0) sum += share * tracks[m][k];
            v.channels[c][k] = sum * plan.scale;
        }
}

std::vector<SegmentWork> segmentWork(const RoomSweep& sweep) {
    const RenderPlan& plan = sweep.plan;
    const auto channels = static_cast<std::uint64_t>(plan.format.channels);
    std::vector<SegmentWork> work;
    std::uint64_t draws = 0;
    for (std::size_t p = 0; p < plan.segments.size(); ++p) {
        SegmentWork w{stretchOf(sweep, p), sweep.reach[p].lead, plan.segments[p].length + sweep.reach[p].tail, 0, 0};
        if (plan.mix == ChannelMix::held) {
            w.from = p == 0 ? 0 : work.back().stretch.end;
            w.end = p + 1 == plan.segments.size() ? plan.frames : w.stretch.end;
            draws = 2 * channels * static_cast<std::uint64_t>(w.from);
        }
        w.firstDraw = draws;
        w.draws = 2 * channels * static_cast<std::uint64_t>(w.end - w.from);
        draws += w.draws;
        work.push_back(w);
    }
    return work;
}

// One segment: each channel's reflections convolved, then its frames dithered from its draws on.
bool renderSegment(const Renderer& r, const SegmentWork& w, std::size_t p, ConvolutionScratch& scratch, SegmentWet& wet,
                   std::int64_t& clipped) {
    for (std::size_t c = 0; c < wet.size(); ++c) {
        const RoomResponse& response = r.sweep.reflections[p][c];
        // Every value of a kept buffer is written again: only its growth is zeroed.
        if (response.samples.empty())
            wet[c].clear();
        else if (!convolveRecordingInto(r.spectra, response.samples, scratch, wet[c]))
            return false;
    }
    RandomState random = randomStateAfter(r.random, w.firstDraw);
    const bool folded = r.sweep.plan.mix == ChannelMix::folded;
    if (r.width > 1 && wet.size() == 2 && stereoBatchesHold(r, p)) {
        if (folded)
            ditherFoldedStereo(r, w, p, wet, random.s, clipped);
        else
            ditherHeldStereo(r, w, p, wet, random.s, clipped);
    } else if (folded) {
        ditherFolded(r, w, p, wet, random, clipped);
    } else {
        ditherHeld(r, w, p, wet, random, clipped);
    }
    return true;
}

// A part's buffers for its segments' reflections, each with room for the longest: a segment
// whose response is longer than the one before then neither moves nor copies them.
std::optional<SegmentWet> wetBuffers(int channels, const RecordingSpectra& spectra) {
    try {
        SegmentWet wet(static_cast<std::size_t>(channels));
        for (auto& w : wet) w.reserve(static_cast<std::size_t>(spectra.samples + spectra.longest - 1));
        return wet;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

// The recording's largest size, which bounds every value of the direct sound.
double peakOf(std::span<const std::int16_t> x) {
    int peak = 0;
    for (const std::int16_t v : x) peak = std::max(peak, std::abs(static_cast<int>(v)));
    return peak;
}

// 1 for one value at a time; else the width asked for (0: the widest), as the processor has it.
int conversionWidth(int asked) {
    if (asked == 1) return 1;
    return std::min(vectorWidthFor(RenderOptions{0, asked}), 4);
}

}  // namespace

std::optional<RecordingSpectra> sweepSpectra(const RoomSweep& sweep, std::span<const std::int16_t> x) {
    return recordingSpectra(x, longestReflection(sweep));
}

std::optional<SegmentValues> segmentValues(const RoomSweep& sweep, const RecordingSpectra& spectra,
                                           std::span<const std::int16_t> x, double gain, int segment) {
    const auto p = static_cast<std::size_t>(segment);
    const PlanSegment& s = sweep.plan.segments[p];
    const Stretch stretch = stretchOf(sweep, p);
    const double g = gain * sweep.gain;
    SegmentValues v;
    v.first = stretch.first;
    try {
        v.channels.assign(static_cast<std::size_t>(sweep.plan.format.channels),
                          std::vector<long double>(static_cast<std::size_t>(stretch.end - stretch.first)));
        addDirect(sweep.plan, s, x.first(static_cast<std::size_t>(s.length)), g, v);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    bool had = true;
    runParts(static_cast<int>(v.channels.size()), [&](int c) {
        const RoomResponse& r = sweep.reflections[p][static_cast<std::size_t>(c)];
        if (r.samples.empty()) return;
        const auto wet = convolveRecording(spectra, r.samples);
        if (!wet) {
            had = false;
            return;
        }
        auto* at = v.channels[static_cast<std::size_t>(c)].data() + (s.start + r.start - v.first);
        for (std::size_t i = 0; i < wet->size(); ++i) at[i] += static_cast<long double>((*wet)[i] * g);
    });
    if (!had) return std::nullopt;
    return v;
}

RenderOutcome renderRoomInto(const RoomSweep& sweep, std::span<const std::int16_t> x, double gain, RandomState& random,
                             std::span<std::int16_t> out, const RoomRenderOptions& options) {
    const RenderPlan& plan = sweep.plan;
    if (out.size() != static_cast<std::size_t>(plan.frames) * static_cast<std::size_t>(plan.format.channels))
        return {false, 0, "the output does not hold the plan's samples"};
    const bool shared = options.spectra != nullptr && options.spectra->longest >= longestReflection(sweep) &&
                        options.spectra->samples == std::ssize(x);
    const auto own = shared ? std::nullopt : sweepSpectra(sweep, x);
    const RecordingSpectra* spectra = shared ? options.spectra : own ? &*own : nullptr;
    if (spectra == nullptr) return {false, 0, "there is not enough memory for the recording's transforms"};
    const std::vector<SegmentWork> work = segmentWork(sweep);
    const int count = std::min<int>(static_cast<int>(work.size()), partsFor(std::uint64_t{1} << 20, options.parts));
    std::vector<std::int64_t> clipped(static_cast<std::size_t>(std::max(count, 1)), 0);
    std::vector<char> done(clipped.size(), 1);
    const Renderer renderer{sweep,  *spectra, x,         gain * sweep.gain,
                            random, out,      peakOf(x), conversionWidth(options.vectorWidth)};
    // Each part takes every count-th segment, starting its dither at that segment's own draws.
    runParts(count, [&](int k) {
        auto scratch = convolutionScratch(*spectra);
        auto wet = wetBuffers(plan.format.channels, *spectra);
        const bool ready = scratch && wet;
        // Counted here, not in the shared vector: the parts' counts share a cache line.
        std::int64_t clips = 0;
        for (std::size_t p = static_cast<std::size_t>(k); p < work.size() && done[static_cast<std::size_t>(k)];
             p += static_cast<std::size_t>(count))
            done[static_cast<std::size_t>(k)] = ready && renderSegment(renderer, work[p], p, *scratch, *wet, clips);
        clipped[static_cast<std::size_t>(k)] = clips;
    });
    if (std::find(done.begin(), done.end(), 0) != done.end())
        return {false, 0, "there is not enough memory for the room's render"};
    random = randomStateAfter(random, work.empty() ? 0 : work.back().firstDraw + work.back().draws);
    std::int64_t total = 0;
    for (const std::int64_t c : clipped) total += c;
    return {true, total, {}};
}

}  // namespace auralith
