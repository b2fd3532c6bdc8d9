#include "reference/reference_renderers.h"

#include <cstdint>

#include "reference/delayed_pair.h"
#include "sim/mic_track.h"
#include "sim/placement.h"

namespace auralith::reference {

namespace {

// Each value is x * response * gain, in that order, converted left first, straight into the buffer.
template <typename ResponsesAt>
void renderCoincident(const SweepInput& in, StereoBuffer& out, RandomState& random, ResponsesAt responsesAt) {
    for (int p = 0; p < sweepPositions; ++p) {
        const ChannelFactors r = responsesAt(p, in.deg);
        const std::size_t first = static_cast<std::size_t>(p) * static_cast<std::size_t>(in.blockFrames) +
                                  static_cast<std::size_t>(in.rate);
        for (std::int32_t i = 0; i < in.n; ++i) {
            const long double x = in.x[i];
            const std::size_t frame = first + static_cast<std::size_t>(i);
            out.samples[2 * frame] = ditherToSample(x * r.left * in.gain, random);
            out.samples[2 * frame + 1] = ditherToSample(x * r.right * in.gain, random);
        }
    }
}

}  // namespace

bool renderBlumleinPair(const SweepInput& in, StereoBuffer& out, RandomState& random) {
    renderCoincident(in, out, random, blumleinResponses);
    return true;
}

bool renderCardioidPair(const SweepInput& in, StereoBuffer& out, RandomState& random) {
    renderCoincident(in, out, random, cardioidResponses);
    return true;
}

bool renderFaulknerPair(const SweepInput& in, StereoBuffer& out, RandomState& random) {
    return renderDelayedPair(in, out, random, 8, [&](int p) { return faulknerPlacement(p, in.deg, in.rate); });
}

bool renderOrtfPair(const SweepInput& in, StereoBuffer& out, RandomState& random) {
    return renderDelayedPair(in, out, random, 8, [&](int p) { return ortfPlacement(p, in.deg, in.rate); });
}

bool renderSpacedOmniPair(const SweepInput& in, StereoBuffer& out, RandomState& random) {
    const double reference = omniReferenceDistance(in.deg);
    return renderDelayedPair(in, out, random, 93,
                             [&](int p) { return spacedOmniPlacement(p, in.deg, in.rate, reference); });
}

bool renderThreeOmniTree(const SweepInput& in, StereoBuffer& out, RandomState& random) {
    auto left = createMicTrack<double>(in.frames, 93);
    auto right = createMicTrack<double>(in.frames, 93);
    auto centre = createMicTrack<double>(in.frames, 0);
    if (!left || !right || !centre) return false;

    const double reference = omniReferenceDistance(in.deg);
    for (int p = 0; p < sweepPositions; ++p) {
        const TreePlacement place = treePlacement(p, in.deg, in.rate, reference);
        const std::int64_t start = static_cast<std::int64_t>(p) * in.blockFrames + in.rate;
        double* leftAt = left->entries.data() + (start + place.outer.leftDelay);
        double* rightAt = right->entries.data() + (start + place.outer.rightDelay);
        double* centreAt = centre->entries.data() + (start + place.centreDelay);
        for (std::int32_t i = 0; i < in.n; ++i) {
            const long double x = in.x[i];
            leftAt[i] = static_cast<double>(place.outer.leftFactor * x * in.gain);
            rightAt[i] = static_cast<double>(place.outer.rightFactor * x * in.gain);
            centreAt[i] = static_cast<double>(place.centreFactor * x * in.gain);
        }
    }
    const auto frames = static_cast<std::size_t>(in.frames);
    for (std::size_t j = 0; j < frames; ++j) {
        const long double halfCentre = static_cast<long double>(centre->entries[j]) * 0.5f;
        out.samples[2 * j] = ditherToSample((halfCentre + left->entries[j]) * 0.7612f, random);
        out.samples[2 * j + 1] = ditherToSample((halfCentre + right->entries[j]) * 0.7612f, random);
    }
    return true;
}

StereoBuffer renderReference(MicArray choice, const SweepInput& in, RandomState& random) {
    StereoBuffer out;
    out.frames = in.frames;
    out.samples = SampleStorage::zeroed(2 * static_cast<std::size_t>(in.frames));
    switch (choice) {
        case MicArray::blumleinPair: reference::renderBlumleinPair(in, out, random); break;
        case MicArray::cardioidPair: reference::renderCardioidPair(in, out, random); break;
        case MicArray::faulknerPair: reference::renderFaulknerPair(in, out, random); break;
        case MicArray::ortfPair: reference::renderOrtfPair(in, out, random); break;
        case MicArray::spacedOmniPair: reference::renderSpacedOmniPair(in, out, random); break;
        case MicArray::threeOmniTree: reference::renderThreeOmniTree(in, out, random); break;
    }
    return out;
}

}  // namespace auralith::reference
