#include "sim/reference/reference_renderers.h"

#include <variant>

#include "sim/reference/mic_track.h"

namespace auralith::reference {

namespace {

// The first frame of position p's sound: one second into its block.
std::int64_t soundStart(const SweepInput& in, int p) { return static_cast<std::int64_t>(p) * in.blockFrames + in.rate; }

// ditherToSample, with the value counted in `clipped` when it lies beyond full scale.
std::int16_t ditherToSample(long double value, RandomState& random, std::int64_t& clipped) {
    const double first = unitRandom(random);
    const double second = unitRandom(random);
    clipped += clipsAtFullScale(ditheredInteger(value, first, second));
    return ditherWithDraws(value, first, second);
}

// The coincident pairs: each value converted left first, straight into the output.
template <typename ResponsesAt>
RenderOutcome renderCoincident(const SweepInput& in, RandomState& random, std::span<std::int16_t> out,
                               ResponsesAt responsesAt) {
    std::int64_t clipped = 0;
    for (int p = 0; p < sweepPositions; ++p) {
        const ChannelFactors r = responsesAt(p, in.deg);
        const auto first = static_cast<std::size_t>(soundStart(in, p));
        for (std::int32_t i = 0; i < in.n; ++i) {
            const std::size_t frame = first + static_cast<std::size_t>(i);
            out[2 * frame] = ditherToSample(channelValue(in.x[i], r.left, in.gain), random, clipped);
            out[2 * frame + 1] = ditherToSample(channelValue(in.x[i], r.right, in.gain), random, clipped);
        }
    }
    return {true, clipped};
}

// The pairs whose microphones stand apart: each converted value goes into its microphone's
// track at p*B + rate + i + delay, left first, and the tracks are interleaved at the end.
// placementAt(p) is called once per position, in order.
template <typename PlacementAt>
RenderOutcome renderDelayedPair(const SweepInput& in, RandomState& random, std::span<std::int16_t> out,
                                std::int32_t margin, PlacementAt placementAt) {
    auto left = createMicTrack<std::int16_t>(in.frames, margin);
    auto right = createMicTrack<std::int16_t>(in.frames, margin);
    if (!left || !right) return {};
    std::int64_t clipped = 0;
    for (int p = 0; p < sweepPositions; ++p) {
        const PairPlacement place = placementAt(p);
        std::int16_t* leftAt = left->entries.data() + (soundStart(in, p) + place.leftDelay);
        std::int16_t* rightAt = right->entries.data() + (soundStart(in, p) + place.rightDelay);
        for (std::int32_t i = 0; i < in.n; ++i) {
            leftAt[i] = ditherToSample(channelValue(in.x[i], place.leftFactor, in.gain), random, clipped);
            rightAt[i] = ditherToSample(channelValue(in.x[i], place.rightFactor, in.gain), random, clipped);
        }
    }
    interleaveTracks(*left, *right, out);
    return {true, clipped};
}

// The tree: every microphone's held value into its track, then one mixing pass over every frame.
// The outer tracks have `margin` entries past F; placementAt(p) is called once per position, in
// order.
template <typename PlacementAt>
RenderOutcome renderTree(const SweepInput& in, RandomState& random, std::span<std::int16_t> out, std::int32_t margin,
                         PlacementAt placementAt) {
    auto left = createMicTrack<double>(in.frames, margin);
    auto right = createMicTrack<double>(in.frames, margin);
    auto centre = createMicTrack<double>(in.frames, 0);
    if (!left || !right || !centre) return {};

    for (int p = 0; p < sweepPositions; ++p) {
        const TreePlacement place = placementAt(p);
        double* leftAt = left->entries.data() + (soundStart(in, p) + place.outer.leftDelay);
        double* rightAt = right->entries.data() + (soundStart(in, p) + place.outer.rightDelay);
        double* centreAt = centre->entries.data() + (soundStart(in, p) + place.centreDelay);
        for (std::int32_t i = 0; i < in.n; ++i) {
            leftAt[i] = treeHeldValue(in.x[i], place.outer.leftFactor, in.gain);
            rightAt[i] = treeHeldValue(in.x[i], place.outer.rightFactor, in.gain);
            centreAt[i] = treeHeldValue(in.x[i], place.centreFactor, in.gain);
        }
    }
    const auto frames = static_cast<std::size_t>(in.frames);
    std::int64_t clipped = 0;
    for (std::size_t j = 0; j < frames; ++j) {
        out[2 * j] = ditherToSample(treeMix(centre->entries[j], left->entries[j]), random, clipped);
        out[2 * j + 1] = ditherToSample(treeMix(centre->entries[j], right->entries[j]), random, clipped);
    }
    return {true, clipped};
}

}  // namespace

RenderOutcome renderReferenceInto(MicArray choice, const SweepInput& in, RandomState& random,
                                  std::span<std::int16_t> out) {
    const double deg = in.deg;
    const std::int32_t rate = in.rate;
    switch (choice) {
        case MicArray::blumleinPair: return renderCoincident(in, random, out, blumleinResponses);
        case MicArray::cardioidPair: return renderCoincident(in, random, out, cardioidResponses);
        case MicArray::faulknerPair:
            return renderDelayedPair(in, random, out, 8, [&](int p) { return faulknerPlacement(p, deg, rate); });
        case MicArray::ortfPair:
            return renderDelayedPair(in, random, out, 8, [&](int p) { return ortfPlacement(p, deg, rate); });
        case MicArray::spacedOmniPair: {
            const double reference = omniReferenceDistance(deg);
            return renderDelayedPair(in, random, out, 93,
                                     [&](int p) { return spacedOmniPlacement(p, deg, rate, reference); });
        }
        case MicArray::threeOmniTree: {
            const double reference = omniReferenceDistance(deg);
            return renderTree(in, random, out, 93, [&](int p) { return treePlacement(p, deg, rate, reference); });
        }
    }
    return {};
}

RenderOutcome renderReferenceInto(const MicLayout& layout, const SweepInput& in, RandomState& random,
                                  std::span<std::int16_t> out) {
    // A described array's microphones stand at most 3 m from the centre, so every delay is far
    // within a second: each position's sound stays inside the output, and no track needs a margin.
    const double deg = in.deg;
    const std::int32_t rate = in.rate;
    if (layout.count == 3)
        return renderTree(in, random, out, 0, [&](int p) { return layoutTreePlacement(layout, p, deg, rate); });
    return renderDelayedPair(in, random, out, 0, [&](int p) { return layoutPairPlacement(layout, p, deg, rate); });
}

StereoBuffer renderReference(const AnyArray& choice, const SweepInput& in, RandomState& random) {
    StereoBuffer out;
    out.frames = in.frames;
    out.samples = SampleStorage::zeroed(2 * static_cast<std::size_t>(in.frames));
    if (out.samples.size() == 0 && in.frames > 0) return {};
    const auto render = [&](const auto& array) { return renderReferenceInto(array, in, random, out.view()); };
    const RenderOutcome rendered = std::visit(render, choice);
    if (!rendered) return {};
    out.clipped = rendered.clipped;
    return out;
}

}  // namespace auralith::reference
