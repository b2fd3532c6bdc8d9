#include "sim/headphones/sweep_headphones.h"

#include <algorithm>
#include <array>
#include <new>
#include <vector>

#include "sim/analysis/loudness.h"
#include "sim/fast/parallel.h"
#include "sim/model/frame.h"

namespace auralith {
namespace {

// Runs of this many blocks are rendered, measured and handed on at a time.
constexpr std::int64_t blocksPerRun = 16;

// One part: frames [from, to) handed on, and the frames [to, measuredTo) its meter reads beyond
// them, which the other part hands on and this one renders for its meter alone.
struct Part {
    std::int64_t from = 0;
    std::int64_t to = 0;
    std::int64_t measuredTo = 0;
    std::optional<LoudnessMeter> meter;
    std::int64_t clipped = 0;
    bool done = false;
};

bool renderPart(const BinauralRender& render, std::span<const std::int16_t> in, Part& part, const HeadphoneRun& put) {
    const std::int64_t run = blocksPerRun * render.blockFrames();
    std::vector<std::int16_t> buffer;
    try {
        buffer.resize(2 * static_cast<std::size_t>(std::max(run, part.measuredTo - part.to)));
    } catch (const std::bad_alloc&) {
        return false;
    }
    for (std::int64_t begin = part.from; begin < part.to; begin += run) {
        const std::int64_t end = std::min(part.to, begin + run);
        const std::span<std::int16_t> made(buffer.data(), 2 * static_cast<std::size_t>(end - begin));
        const std::optional<std::int64_t> clipped = render.render(in, made, begin, end, begin);
        if (!clipped) return false;
        part.clipped += *clipped;
        if (part.meter && !part.meter->add(made)) return false;
        if (!put(begin, made)) return false;
    }
    if (!part.meter || part.measuredTo == part.to) return true;
    const std::span<std::int16_t> beyond(buffer.data(), 2 * static_cast<std::size_t>(part.measuredTo - part.to));
    return render.render(in, beyond, part.to, part.measuredTo, part.to) && part.meter->add(beyond);
}

}  // namespace

MeasuredHeadphones renderSweepHeadphones(const BinauralRender& render, std::span<const std::int16_t> in,
                                         std::int32_t rate, std::int32_t n, const HeadphoneRun& put, bool measure) {
    const auto frames = static_cast<std::int64_t>(in.size() / static_cast<std::size_t>(render.channels()));
    // Measured, the parts meet where the loudness's parts do; else halfway, on a block.
    const std::int64_t hop = render.blockFrames();
    const std::int64_t split = !measure ? std::min(frames, (frames / 2 + hop - 1) / hop * hop)
                               : frames == outputFrameCount(rate, n) ? sweepLoudnessSplit(rate, n)
                                                                     : 0;
    std::array<Part, 2> parts;
    const std::int64_t firstTo = split > 0 ? split : frames;
    parts[0] = {0, firstTo, split > 0 && measure ? std::min(frames, split + 3 * (rate / 10)) : firstTo, {}, 0, false};
    parts[1] = {split, frames, frames, {}, 0, false};
    const int count = split > 0 ? 2 : 1;
    for (int k = 0; k < count && measure; ++k)
        if (!(parts[static_cast<std::size_t>(k)].meter = LoudnessMeter::create(rate))) return {};
    runParts(count, [&](int k) {
        Part& part = parts[static_cast<std::size_t>(k)];
        part.done = renderPart(render, in, part, put);
    });
    MeasuredHeadphones result;
    result.done = parts[0].done && (count == 1 || parts[1].done);
    if (!result.done) return result;
    result.clipped = parts[0].clipped + (count == 2 ? parts[1].clipped : 0);
    if (measure)
        result.loudness =
            count == 1 ? parts[0].meter->integrated() : integratedOfParts(*parts[0].meter, *parts[1].meter);
    return result;
}

}  // namespace auralith
