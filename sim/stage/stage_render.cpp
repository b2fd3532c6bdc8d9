#include "sim/stage/stage_render.h"

#include <algorithm>
#include <atomic>
#include <limits>
#include <map>
#include <mutex>
#include <new>
#include <utility>

#include "sim/fast/dither_batch.h"
#include "sim/fast/fast_dither.h"
#include "sim/fast/parallel.h"
#include "sim/model/arrays.h"
#include "sim/stage/stage_filters.h"

namespace auralith {

namespace {

// What every block of a render shares.
struct StageMix {
    const RoomSweep& stage;
    const StageInput& input;
    std::vector<double> g;  // each source's: the guard gain, the room's and its level
    const StageFilters& filters;
};

// The frames [first, end) any source's sound or reflections reach.
struct Reach {
    std::int64_t first = std::numeric_limits<std::int64_t>::max();
    std::int64_t end = 0;
};

Reach reachOf(const StageMix& m) {
    Reach r;
    const std::int64_t n = m.input.x.n;
    for (const PlanSegment& s : m.stage.plan.segments)
        for (const auto& taps : s.taps)
            for (const PlanTap& tap : taps)
                r = {std::min(r.first, s.start + tap.delay), std::max(r.end, s.start + tap.delay + n)};
    if (m.filters.rings())
        r = {std::min(r.first, m.filters.origin), std::max(r.end, m.filters.origin + m.filters.length)};
    if (r.first > r.end) r = {0, 0};
    return r;
}

// A tap as a chunk of frames [first, first + count) reads it: frames k in [from, to) take sample
// x[offset + k], the tap's delay and its source's start taken into the offset.
struct ChunkTap {
    const std::int16_t* x = nullptr;
    std::int64_t offset = 0;
    long double factor = 0;
    double gain = 0;
    std::int64_t from = 0;
    std::int64_t to = 0;
};

// A chunk's values, channel by channel, and the taps of each of its channels (or the held mix's
// microphones): kept by each part from chunk to chunk. In the free field, each source's samples
// the block's taps read, from its recording's sample `from` on.
struct BlockValues {
    std::vector<std::vector<long double>> values;    // [channel][frame]
    std::vector<std::vector<ChunkTap>> taps;         // [channel or microphone]
    std::vector<std::vector<double>> tracks;         // [microphone][frame]
    std::vector<std::vector<std::int16_t>> samples;  // [source]
    std::vector<std::int64_t> from;                  // [source]
};

// The samples of each source that the free field's taps read at frames [first, first + count)
// into b.samples; false when they cannot be had.
bool readSamples(const StageMix& m, std::int64_t first, std::int64_t count, BlockValues& b) {
    const std::vector<PlanSegment>& segments = m.stage.plan.segments;
    b.samples.resize(segments.size());
    b.from.resize(segments.size());
    for (std::size_t s = 0; s < segments.size(); ++s) {
        std::int64_t nearest = std::numeric_limits<std::int64_t>::max(), farthest = 0;
        for (const auto& taps : segments[s].taps)
            for (const PlanTap& tap : taps) {
                nearest = std::min<std::int64_t>(nearest, tap.delay);
                farthest = std::max<std::int64_t>(farthest, tap.delay);
            }
        const std::int64_t start = first - segments[s].start;
        const std::int64_t lo = std::clamp<std::int64_t>(start - farthest, 0, m.input.x.n);
        const std::int64_t hi = std::clamp<std::int64_t>(start + count - nearest, lo, m.input.x.n);
        b.from[s] = lo;
        b.samples[s].resize(static_cast<std::size_t>(hi - lo));
        if (hi > lo && !m.input.x.read(s, lo, hi - lo, b.samples[s].data())) return false;
    }
    return true;
}

void chunkTaps(const StageMix& m, std::int64_t first, std::int64_t count, BlockValues& b) {
    const RenderPlan& plan = m.stage.plan;
    b.taps.resize(plan.mix == ChannelMix::folded ? static_cast<std::size_t>(plan.format.channels) : plan.shares.size());
    for (auto& taps : b.taps) taps.clear();
    for (std::size_t s = 0; s < plan.segments.size(); ++s)
        for (std::size_t c = 0; c < plan.segments[s].taps.size(); ++c)
            for (const PlanTap& tap : plan.segments[s].taps[c]) {
                const std::int64_t offset = first - plan.segments[s].start - tap.delay;
                const std::int64_t from = std::clamp<std::int64_t>(-offset, 0, count);
                const std::int64_t to = std::clamp<std::int64_t>(m.input.x.n - offset, 0, count);
                if (from < to)
                    b.taps[c].push_back({b.samples[s].data(), offset - b.from[s], tap.factor, m.g[s], from, to});
            }
}

// A folded channel's value at each frame of the chunk: its taps in the sweep's order, source after
// source and tap after tap, summed in a register (a long double held in memory between terms
// costs more than its arithmetic).
void foldedValues(const std::vector<ChunkTap>& taps, std::int64_t count, long double* values) {
    for (std::int64_t k = 0; k < count; ++k) {
        long double v = 0;
        for (const ChunkTap& tap : taps)
            if (k >= tap.from && k < tap.to) v += channelValue(tap.x[tap.offset + k], tap.factor, tap.gain);
        values[k] = v;
    }
}

// The held mix: each microphone's track as a double, then each channel's mix of them at the
// common scale.
void heldValues(const StageMix& m, std::int64_t count, BlockValues& b) {
    const RenderPlan& plan = m.stage.plan;
    const auto n = static_cast<std::size_t>(count);
    b.tracks.resize(plan.shares.size());
    for (std::size_t mic = 0; mic < b.tracks.size(); ++mic) {
        b.tracks[mic].resize(n);
        for (std::int64_t k = 0; k < count; ++k) {
            double track = 0;
            for (const ChunkTap& tap : b.taps[mic])
                if (k >= tap.from && k < tap.to) track += treeHeldValue(tap.x[tap.offset + k], tap.factor, tap.gain);
            b.tracks[mic][static_cast<std::size_t>(k)] = track;
        }
    }
    for (std::size_t c = 0; c < b.values.size(); ++c)
        for (std::size_t k = 0; k < n; ++k) {
            long double sum = 0;
            for (std::size_t mic = 0; mic < b.tracks.size(); ++mic)
                if (const long double share = plan.shares[mic][c]; share != 0) sum += share * b.tracks[mic][k];
            b.values[c][k] = sum * plan.scale;
        }
}

// Every channel's value at frames [first, first + count) into b.values: in a room the filters'
// sums (the direct sound is in them), zero beyond their reach; in the free field the direct sound.
// `wet` holds the filters' sums of the block from frame first - at on.
void chunkValues(const StageMix& m, std::int64_t first, std::int64_t count, const std::vector<std::vector<double>>& wet,
                 std::int64_t at, BlockValues& b) {
    const RenderPlan& plan = m.stage.plan;
    b.values.resize(static_cast<std::size_t>(plan.format.channels));
    for (auto& v : b.values) v.resize(static_cast<std::size_t>(count));
    if (m.filters.rings()) {
        for (std::size_t c = 0; c < b.values.size(); ++c) std::copy_n(wet[c].begin() + at, count, b.values[c].begin());
        return;
    }
    chunkTaps(m, first, count, b);
    if (plan.mix != ChannelMix::folded) return heldValues(m, count, b);
    for (std::size_t c = 0; c < b.values.size(); ++c) foldedValues(b.taps[c], count, b.values[c].data());
}

// One block's values, a few thousand frames at a time (kept in the cache); take(t, values) is
// given the values from frame t on.
template <typename Take>
void blockValues(const StageMix& m, std::int64_t first, std::int64_t count, const std::vector<std::vector<double>>& wet,
                 BlockValues& b, Take take) {
    constexpr std::int64_t chunk = 4096;
    for (std::int64_t at = 0; at < count; at += chunk) {
        chunkValues(m, first + at, std::min(chunk, count - at), wet, at, b);
        take(first + at, std::as_const(b.values));
    }
}

// A ringing stereo stage's block dithered in batches (sim/fast/dither_batch.h): its values are the
// filters' sums, doubles, rounded side by side with the generator's draws worked out straight from
// the batch's first state (left first and second, right first and second, as the serial order
// has them); those near a tie are converted again exactly from the same doubles. `s` moves past
// the block; returns the samples clipped.
std::int64_t ditherStereoBlock(const std::vector<std::vector<double>>& wet, std::int64_t count, std::uint32_t& s,
                               std::int16_t* out) {
    std::int64_t clips = 0;
    for (std::int64_t at = 0; at < count; at += batchSteps) {
        const int n = static_cast<int>(std::min<std::int64_t>(batchSteps, count - at));
        double values[2][batchSteps];
        for (std::size_t c = 0; c < 2; ++c) std::copy_n(wet[c].begin() + at, n, values[c]);
        BatchDraws draws;
        s = drawBatch(s, n, draws);
        double rounded[2][batchSteps];
        const bool left = roundBatch(values[0], draws.state[0], draws.state[1], n, rounded[0]);
        const bool right = roundBatch(values[1], draws.state[2], draws.state[3], n, rounded[1]);
        std::int16_t* to = out + 2 * at;
        for (int k = 0; k < n; ++k)
            for (std::size_t c = 0; c < 2; ++c) {
                clips += clipsAtFullScale(rounded[c][k]);
                to[2 * k + static_cast<int>(c)] = saturatedSample(rounded[c][k]);
            }
        if (left || right)
            clips += convertNearTiesExactly(
                draws, values, n, [&](int c, int k) { return static_cast<long double>(values[c][k]); },
                [&](int c, int k, std::int16_t sample) { to[2 * k + c] = sample; });
    }
    return clips;
}

// A block's values dithered into `out` from generator state s, which moves past them: a ringing
// stereo stage's in batches, any other's a value at a time. Returns the samples clipped.
std::int64_t ditherBlock(const StageMix& m, const std::vector<std::vector<double>>& wet, std::int64_t first,
                         std::int64_t count, std::uint32_t& s, BlockValues& values, std::int16_t* out, int width) {
    const auto channels = static_cast<std::size_t>(m.stage.plan.format.channels);
    if (m.filters.rings() && channels == 2 && width != 1) return ditherStereoBlock(wet, count, s, out);
    std::int64_t clips = 0;
    blockValues(m, first, count, wet, values, [&](std::int64_t t, const auto& v) {
        std::int16_t* to = out + channels * static_cast<std::size_t>(t - first);
        for (std::size_t f = 0; f < v.front().size(); ++f)
            for (std::size_t c = 0; c < channels; ++c) {
                // The generator's steps written out here: a call a draw costs more than the step.
                s = nextState(s);
                const double one = drawOf(s);
                s = nextState(s);
                const double two = drawOf(s);
                const long q = ditheredInteger(v[c][f], one, two);
                clips += clipsAtFullScale(q);
                *to++ = static_cast<std::int16_t>(std::clamp<long>(q, -32768, 32767));
            }
    });
    return clips;
}

// Each part's scratch for the renderer's filters, kept where it fits them; false when the memory
// cannot be had.
bool scratchFor(StageRenderer& r, int parts) {
    if (r.scratch.size() < static_cast<std::size_t>(parts)) r.scratch.resize(static_cast<std::size_t>(parts));
    for (int k = 0; k < parts; ++k) {
        StageScratch& scratch = r.scratch[static_cast<std::size_t>(k)];
        if (scratchFits(scratch, r.filters)) continue;
        auto made = stageScratch(r.filters);
        if (!made) return false;
        scratch = std::move(*made);
    }
    return true;
}

// Blocks handed on in order. A part that finishes a block marks it done; whichever part finds the
// next block to hand on done hands on it and every done block after it, while the others go on
// rendering: no part waits for another (a part that could not have a thread of its own runs after
// the others, on this one). A streamed render's blocks wait here until they are handed on, their
// buffers then kept for the next blocks.
struct BlockOrder {
    std::mutex mutex;
    std::vector<char> done;
    std::int64_t next = 0;
    bool handing = false;
    std::map<std::int64_t, std::vector<std::int16_t>> waiting;
    std::vector<std::vector<std::int16_t>> spare;
};

// A buffer for a streamed block of `samples`.
std::vector<std::int16_t> blockBuffer(BlockOrder& order, std::size_t samples) {
    std::vector<std::int16_t> buffer;
    {
        const std::lock_guard lock(order.mutex);
        if (!order.spare.empty()) {
            buffer = std::move(order.spare.back());
            order.spare.pop_back();
        }
    }
    buffer.resize(samples);
    return buffer;
}

// `samples` zero samples, handed on a piece at a time.
void handSilence(const StageRenderOptions& options, std::size_t samples) {
    static const std::vector<std::int16_t> zeros(1 << 16, 0);
    for (std::size_t at = 0; at < samples; at += zeros.size())
        options.made(std::span(zeros).first(std::min(zeros.size(), samples - at)));
}

// Block b done, its samples block(b) in the output, or `streamed` (kept until handed on); hands on
// what is ready. `before`: the silence before the first sound, which goes with the first block.
template <typename Block>
void handOn(const StageRenderOptions& options, BlockOrder& order, std::int64_t b, std::size_t before, Block block,
            std::vector<std::int16_t>* streamed) {
    if (!options.made) return;
    std::unique_lock lock(order.mutex);
    order.done[static_cast<std::size_t>(b)] = 1;
    if (streamed != nullptr) order.waiting[b] = std::move(*streamed);
    if (order.handing) return;
    order.handing = true;
    while (order.next < std::ssize(order.done) && order.done[static_cast<std::size_t>(order.next)] != 0) {
        const std::int64_t k = order.next;
        std::vector<std::int16_t>* waiting = streamed != nullptr ? &order.waiting[k] : nullptr;
        lock.unlock();
        if (k == 0) handSilence(options, before);
        options.made(waiting != nullptr ? std::span<const std::int16_t>(*waiting) : block(k));
        lock.lock();
        if (waiting != nullptr) {
            order.spare.push_back(std::move(*waiting));
            order.waiting.erase(k);
        }
        ++order.next;
    }
    order.handing = false;
}

std::vector<double> sourceGains(const RoomSweep& stage, const StageInput& input) {
    std::vector<double> g;
    for (std::size_t s = 0; s < stage.plan.segments.size(); ++s) g.push_back(input.gain * stage.gain * input.levels[s]);
    return g;
}

}  // namespace

std::optional<std::vector<std::vector<long double>>> stageValues(const RoomSweep& stage, const StageInput& input,
                                                                 std::int64_t first, std::int64_t count) {
    const std::vector<double> g = sourceGains(stage, input);
    auto filters = stageFilters(stage, g, input.x.n);
    if (!filters) return std::nullopt;
    auto scratch = stageScratch(*filters);
    if (!scratch) return std::nullopt;
    const StageMix mix{stage, input, g, *filters};
    const auto channels = static_cast<std::size_t>(stage.plan.format.channels);
    std::vector<std::vector<long double>> out(channels, std::vector<long double>(static_cast<std::size_t>(count)));
    const std::int64_t step = filters->rings() ? filters->step : count;
    BlockValues values;
    for (std::int64_t at = 0; at < count; at += step) {
        const std::int64_t part = std::min(step, count - at);
        if (!stageReflections(*filters, input.x, first + at, part, *scratch, scratch->wet) ||
            (!filters->rings() && !readSamples(mix, first + at, part, values)))
            return std::nullopt;
        blockValues(mix, first + at, part, scratch->wet, values, [&](std::int64_t t, const auto& v) {
            for (std::size_t c = 0; c < channels; ++c)
                std::copy(v[c].begin(), v[c].end(), out[c].begin() + (t - first));
        });
    }
    return out;
}

namespace {

// What the parts of one render share.
struct PartsRun {
    const StageMix& mix;
    StageRenderer& r;
    const StageRenderOptions& options;
    std::span<std::int16_t> out;  // empty: streamed, each block handed on from a buffer of its own
    Reach reach;
    std::int64_t step = 0;
    std::int64_t blocks = 0;
    int parts = 0;
    RandomState start;
    BlockOrder order{};
    std::atomic<bool> unread = false;  // a block's samples could not be had: every part stops
    // The next block to render, taken by whichever part is free: the part that hands blocks on
    // takes fewer, where blocks dealt out in turn would leave the others waiting for it at the end.
    std::atomic<std::int64_t> unclaimed = 0;
};

// Part k's blocks, as it claims them: their samples clipped.
std::int64_t renderPart(PartsRun& run, int k) {
    const auto channels = static_cast<std::size_t>(run.mix.stage.plan.format.channels);
    StageScratch& scratch = run.r.scratch[static_cast<std::size_t>(k)];
    std::int64_t clips = 0;
    BlockValues values;
    std::vector<std::int16_t> streamed;
    const auto inOutput = [&](std::int64_t b) {
        const std::int64_t first = run.reach.first + b * run.step;
        return std::span<const std::int16_t>(run.out).subspan(
            channels * static_cast<std::size_t>(first),
            channels * static_cast<std::size_t>(std::min(run.step, run.reach.end - first)));
    };
    for (std::int64_t b = run.unclaimed++; b < run.blocks && !run.unread; b = run.unclaimed++) {
        const std::int64_t first = run.reach.first + b * run.step;
        const std::int64_t count = std::min(run.step, run.reach.end - first);
        if (!stageReflections(run.r.filters, run.mix.input.x, first, count, scratch, scratch.wet) ||
            (!run.r.filters.rings() && !readSamples(run.mix, first, count, values))) {
            run.unread = true;
            break;
        }
        if (run.out.empty()) streamed = blockBuffer(run.order, channels * static_cast<std::size_t>(count));
        std::int16_t* to =
            run.out.empty() ? streamed.data() : run.out.data() + channels * static_cast<std::size_t>(first);
        // Two draws a value, channel after channel, from the stage's first frame on.
        RandomState state =
            randomStateAfter(run.start, 2 * channels * static_cast<std::uint64_t>(first - run.reach.first));
        clips += ditherBlock(run.mix, scratch.wet, first, count, state.s, values, to, run.options.width);
        handOn(run.options, run.order, b, channels * static_cast<std::size_t>(run.reach.first), inOutput,
               run.out.empty() ? &streamed : nullptr);
    }
    return clips;
}

}  // namespace

RenderOutcome renderStageInto(const RoomSweep& stage, const StageInput& input, RandomState& random,
                              std::span<std::int16_t> out, const StageRenderOptions& options) {
    const auto channels = static_cast<std::size_t>(stage.plan.format.channels);
    const auto samples = static_cast<std::size_t>(stage.plan.frames) * channels;
    if (out.empty() ? !options.made : out.size() != samples)
        return {false, 0, "the output does not hold the stage's samples"};
    const std::vector<double> g = sourceGains(stage, input);
    StageRenderer own;
    StageRenderer& r = options.shared != nullptr ? *options.shared : own;
    if (!fillStageFilters(r.filters, stage, g, input.x.n))
        return {false, 0, "there is not enough memory for the stage's render"};
    const StageMix mix{stage, input, g, r.filters};
    const Reach reach = reachOf(mix);
    const std::int64_t step = r.filters.rings() ? r.filters.step : std::int64_t{1} << 16;
    const std::int64_t blocks = (reach.end - reach.first + step - 1) / step;
    const int parts = static_cast<int>(
        std::min<std::int64_t>(std::max<std::int64_t>(blocks, 1),
                               partsFor(static_cast<std::uint64_t>(reach.end - reach.first), options.parts)));
    if (!scratchFor(r, parts)) return {false, 0, "there is not enough memory for the stage's render"};
    PartsRun run{mix, r, options, out, reach, step, blocks, parts, random, {}, false, 0};
    run.order.done.assign(static_cast<std::size_t>(options.made ? run.blocks : 0), 0);
    std::vector<std::int64_t> clipped(static_cast<std::size_t>(run.parts), 0);
    // Counted by each part apart: the parts' counts in one vector would share a cache line.
    runParts(run.parts, [&](int k) { clipped[static_cast<std::size_t>(k)] = renderPart(run, k); });
    if (run.unread) return {false, 0, "the recordings' samples could not be had"};
    // The silence after the last reflection (or the whole render, where nothing sounds).
    if (options.made)
        handSilence(options, samples - (run.blocks > 0 ? channels * static_cast<std::size_t>(run.reach.end) : 0));
    random = randomStateAfter(run.start, 2 * channels * static_cast<std::uint64_t>(run.reach.end - run.reach.first));
    std::int64_t total = 0;
    for (const std::int64_t c : clipped) total += c;
    return {true, total, {}};
}

}  // namespace auralith
