// The three-omni tree: the spaced pair plus a centre microphone 1.5 m ahead. The tracks hold
// unconverted model values; one mixing pass converts every frame, silent ones included.
#include <cmath>

#include "sim/frame.h"
#include "sim/mic_track.h"
#include "sim/placement.h"
#include "sim/sweep.h"

namespace auralith {

namespace {

constexpr std::int32_t outerMargin = 93;  // outer delays reach at most 94 frames late
constexpr float centreForward = 1.5f;
constexpr float mixScale = 0.7612f;

}  // namespace

TreePlacement treePlacement(int position, double deg, std::int32_t rate, double reference) {
    const SourcePlace source = sourceAt(position, deg);
    const double rC = micDistance(source, 0, centreForward);
    return {spacedOmniPlacement(position, deg, rate, reference), micDelay(rC, rate),
            static_cast<long double>(reference) / rC};
}

bool renderThreeOmniTree(const SweepInput& in, StereoBuffer& out, RandomState& random) {
    auto left = createMicTrack<double>(in.frames, outerMargin);
    auto right = createMicTrack<double>(in.frames, outerMargin);
    auto centre = createMicTrack<double>(in.frames, 0);  // always early: it never passes F
    if (!left || !right || !centre) return false;

    const double reference = omniReferenceDistance(in.deg);
    for (int p = 0; p < sweepPositions; ++p) {
        const TreePlacement place = treePlacement(p, in.deg, in.rate, reference);
        const std::int64_t start = static_cast<std::int64_t>(p) * in.blockFrames + in.rate;
        double* leftAt = left->entries.data() + (start + place.outer.leftDelay);
        double* rightAt = right->entries.data() + (start + place.outer.rightDelay);
        double* centreAt = centre->entries.data() + (start + place.centreDelay);
        // No conversion and no draw here: each value is held as a double.
        for (std::int32_t i = 0; i < in.n; ++i) {
            const long double x = in.x[i];
            leftAt[i] = static_cast<double>(place.outer.leftFactor * x * in.gain);
            rightAt[i] = static_cast<double>(place.outer.rightFactor * x * in.gain);
            centreAt[i] = static_cast<double>(place.centreFactor * x * in.gain);
        }
    }

    // Each channel is its outer microphone plus half the centre one, scaled; left converted first.
    const auto frames = static_cast<std::size_t>(in.frames);
    for (std::size_t j = 0; j < frames; ++j) {
        const long double halfCentre = static_cast<long double>(centre->entries[j]) * 0.5f;
        out.samples[2 * j] = ditherToSample((halfCentre + left->entries[j]) * mixScale, random);
        out.samples[2 * j + 1] = ditherToSample((halfCentre + right->entries[j]) * mixScale, random);
    }
    return true;
}

}  // namespace auralith
