// The tree's renderer: instead of filling a track per microphone and mixing them, the mix reads
// each microphone's sound straight from the recording: the frames are cut into stretches within
// which each microphone is silent or hears one position.
#include "sim/fast/tree_render.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <numeric>
#include <optional>
#include <vector>

#include "sim/fast/batch_convert.h"
#include "sim/fast/dither_batch.h"
#include "sim/fast/parallel.h"
#include "sim/fast/vector_width.h"
#include "sim/model/arrays.h"

namespace auralith {

namespace {

// One microphone's sound at one position: frames [start, start + n), scaled by `factor`;
// `scale` is factor * gain rounded to double, for the approximate held values.
struct Window {
    std::int64_t start;
    long double factor;
    double scale;
};

// The windows of the left, right and centre microphones at every position.
using TreeWindows = std::array<std::vector<Window>, 3>;

// One microphone in one batch of frames: its samples from the batch's first frame on, and its
// factor. A silent microphone reads zeros with factor 0, which holds exactly 0 as the model does.
struct HeardMic {
    const std::int16_t* x;
    long double factor;
    double scale;
};

// The mix is first worked out in double precision from approximate held values, x * scale. Each
// differs from the exact held value by less than 3.02 * 2^-53 of itself, and held values stay
// below 2^16 (factors below 2: the built-in tree's at most 1.0964, a described tree's, whose
// microphones stand at least 7 m from the source, at most 10 / 7; |x * gain| at most 32768), so
// by less than 2^-35; the mix,
// 0.7612 * (outer + centre / 2) with two more double roundings below 2^-38 each, is then within
// 2^-34 of the exact one. That is well inside the 2^-30 by which a dithered value must clear a
// half-integer for the double path to stand (dither_batch.h); nearer ones are done again from
// the exact held values, here. Returns what that changes in the batch's count of clipped values.
int convertMixNearTies(const MixBatch& b, const HeardMic (&mics)[3], double gain) {
    BatchDraws draws;
    double mixed[2][batchSteps];
    mixValues(b, mixed);
    drawBatch(b.s, b.count, draws);
    return convertNearTiesExactly(
        draws, mixed, b.count,
        [&](int channel, int k) {
            return treeMix(treeHeldValue(mics[2].x[k], mics[2].factor, gain),
                           treeHeldValue(mics[channel].x[k], mics[channel].factor, gain));
        },
        [&](int channel, int k, std::int16_t sample) { b.at[2 * k + channel] = sample; });
}

// Empty when a delay would take a position's sound into another's block or out of the output,
// or a factor would take a held value past the bound of the mix above.
std::optional<TreeWindows> treeWindows(const SweepInput& in, const TreePlan& plan) {
    if (plan.size() != static_cast<std::size_t>(in.positions)) return std::nullopt;
    TreeWindows windows{};
    for (int p = 0; p < in.positions; ++p) {
        const TreePlacement& place = plan[static_cast<std::size_t>(p)];
        const std::int64_t start = static_cast<std::int64_t>(p) * in.blockFrames + in.rate;
        const std::int16_t delays[3] = {place.outer.leftDelay, place.outer.rightDelay, place.centreDelay};
        const long double factors[3] = {place.outer.leftFactor, place.outer.rightFactor, place.centreFactor};
        for (std::size_t m = 0; m < 3; ++m) {
            if (std::abs(delays[m]) >= in.rate / 2 || std::fabs(factors[m]) >= 2) return std::nullopt;
            windows[m].push_back(Window{start + delays[m], factors[m], static_cast<double>(factors[m] * in.gain)});
        }
    }
    return windows;
}

// The frames where any microphone's sound starts or ends, with the first and the end, in order:
// between two of them each microphone is either silent or heard from one position.
std::vector<std::int64_t> stretchCuts(const SweepInput& in, const TreeWindows& windows) {
    std::vector<std::int64_t> cuts{0, in.frames};
    for (const auto& mic : windows)
        for (const Window& w : mic) {
            cuts.push_back(w.start);
            cuts.push_back(w.start + in.n);
        }
    std::sort(cuts.begin(), cuts.end());
    cuts.erase(std::unique(cuts.begin(), cuts.end()), cuts.end());
    return cuts;
}

// What each microphone hears in the batch at frame `batch`, given the windows heard in its stretch.
void hearBatch(const SweepInput& in, const Window* const (&heard)[3], std::int64_t batch, HeardMic (&mics)[3]) {
    static constexpr std::int16_t silence[batchSteps] = {};
    for (std::size_t m = 0; m < 3; ++m) {
        mics[m] = heard[m] == nullptr
                      ? HeardMic{silence, 0.0L, 0.0}
                      : HeardMic{in.x.data() + (batch - heard[m]->start), heard[m]->factor, heard[m]->scale};
    }
}

// Whether the mix of these microphones can take the recording's peak past full scale.
bool mayClip(const SweepInput& in, const HeardMic (&mics)[3]) {
    const double outer = std::max(std::fabs(mics[0].scale), std::fabs(mics[1].scale));
    return in.peak * (0.5 * std::fabs(mics[2].scale) + outer) * static_cast<double>(treeMixScale) >
           largestUnclippedValue;
}

// Frames [first, last) of one stretch, in batches whose draws are worked out together; returns
// the generator's state after them, and adds the samples it clipped to `clipped`.
std::uint32_t mixStretch(const SweepInput& in, const TreeWindows& windows, std::int64_t first, std::int64_t last,
                         MixConverter convert, std::uint32_t s, std::span<std::int16_t> out, std::int64_t& clipped) {
    const Window* heard[3] = {nullptr, nullptr, nullptr};
    for (std::size_t m = 0; m < 3; ++m)
        for (const Window& w : windows[m])
            if (w.start <= first && first < w.start + in.n) heard[m] = &w;
    for (std::int64_t frame = first; frame < last; frame += batchSteps) {
        const int count = static_cast<int>(std::min<std::int64_t>(last - frame, batchSteps));
        HeardMic mics[3];
        hearBatch(in, heard, frame, mics);
        const MixBatch batch{{mics[0].x, mics[1].x, mics[2].x},
                             {mics[0].scale, mics[1].scale, mics[2].scale},
                             count,
                             s,
                             out.data() + 2 * frame};
        if (mayClip(in, mics)) clipped += clippedInBatch(batch);
        if (convert(batch)) clipped += convertMixNearTies(batch, mics, in.gain);
        s = stateAfterBatch(s, count);
    }
    return s;
}

}  // namespace

RenderOutcome renderTreePlan(const SweepInput& in, const RenderOptions& options, const TreePlan& plan,
                             std::span<std::int16_t> out, RandomState& random) {
    const std::optional<TreeWindows> windows = treeWindows(in, plan);
    if (!windows) return {};
    const std::vector<std::int64_t> cuts = stretchCuts(in, *windows);
    const auto total = static_cast<std::uint64_t>(in.frames);
    const int parts = partsFor(total, options.threads);
    const MixConverter convert = mixConverterFor(vectorWidthFor(options));
    // Each part mixes its own run of frames, starting where the generator stands at its first.
    std::vector<std::int64_t> clipped(static_cast<std::size_t>(parts));
    runParts(parts, [&](int part) {
        const auto partFirst = static_cast<std::int64_t>(partStart(total, parts, part));
        const auto partLast = static_cast<std::int64_t>(partStart(total, parts, part + 1));
        std::uint32_t s = randomStateAfter(random, 4 * static_cast<std::uint64_t>(partFirst)).s;
        for (std::size_t c = 0; c + 1 < cuts.size(); ++c) {
            const std::int64_t first = std::max(cuts[c], partFirst);
            const std::int64_t last = std::min(cuts[c + 1], partLast);
            if (first < last)
                s = mixStretch(in, *windows, first, last, convert, s, out, clipped[static_cast<std::size_t>(part)]);
        }
    });
    random = randomStateAfter(random, 4 * total);
    return {true, std::accumulate(clipped.begin(), clipped.end(), std::int64_t{0}), {}};
}

}  // namespace auralith
