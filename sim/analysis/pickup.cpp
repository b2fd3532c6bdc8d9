#include "sim/analysis/pickup.h"

#include <cmath>
#include <variant>

#include "sim/model/frame.h"
#include "sim/model/sweep.h"

namespace auralith {

namespace {

Pickup pairPickup(long double leftFactor, long double rightFactor, long double leftDelay, long double rightDelay) {
    Pickup p;
    p.count = 2;
    p.mics[0] = {leftFactor, leftDelay, 1, 0};
    p.mics[1] = {rightFactor, rightDelay, 0, 1};
    return p;
}

Pickup pairPickup(const PairGeometry& g) { return pairPickup(g.leftFactor, g.rightFactor, g.leftDelay, g.rightDelay); }

// The tree's channels each take their outer microphone and half the centre one; the common scale
// of the mix changes neither the ratio of the channels nor where they correlate best.
Pickup treePickup(const TreeGeometry& g) {
    Pickup p = pairPickup(g.outer);
    p.count = 3;
    p.mics[2] = {g.centreFactor, g.centreDelay, 0.5f, 0.5f};
    return p;
}

Pickup builtInPickup(MicArray array, long double degrees, std::int32_t rate) {
    const double deg = degreesToRadiansFactor();
    switch (array) {
        case MicArray::blumleinPair: {
            const ChannelFactors f = blumleinResponsesAt(degrees, deg);
            return pairPickup(f.left, f.right, 0, 0);
        }
        case MicArray::cardioidPair: {
            const ChannelFactors f = cardioidResponsesAt(degrees, deg);
            return pairPickup(f.left, f.right, 0, 0);
        }
        case MicArray::faulknerPair: return pairPickup(faulknerGeometryAt(degrees, deg, rate));
        case MicArray::ortfPair: return pairPickup(ortfGeometryAt(degrees, deg, rate));
        case MicArray::spacedOmniPair:
            return pairPickup(spacedOmniGeometryAt(degrees, deg, rate, omniReferenceDistance(deg)));
        case MicArray::threeOmniTree: return treePickup(treeGeometryAt(degrees, deg, rate, omniReferenceDistance(deg)));
    }
    return {};
}

Pickup unroundedPickup(const AnyArray& array, long double degrees, std::int32_t rate) {
    if (const auto* layout = std::get_if<MicLayout>(&array))
        return layoutPickup(*layout, sourceAtAngle(degrees, degreesToRadiansFactor()), rate);
    return builtInPickup(std::get<MicArray>(array), degrees, rate);
}

}  // namespace

Pickup pickupAtPosition(const AnyArray& array, int position, std::int32_t rate) {
    // The renderers' placements are these values with each delay rounded to the nearest frame,
    // ties to even.
    Pickup p = unroundedPickup(array, sweepAngle(position), rate);
    for (int m = 0; m < p.count; ++m) p.mics[m].delay = static_cast<long double>(std::lrint(p.mics[m].delay));
    return p;
}

// Each described microphone by the one rule, with its shares as the layout gives them.
Pickup layoutPickup(const MicLayout& layout, const SourcePlace& source, std::int32_t rate) {
    Pickup p;
    p.count = layout.count;
    for (int m = 0; m < layout.count; ++m) {
        const PlacedMic& mic = layout.mics[static_cast<std::size_t>(m)];
        const MicHearing heard = hearSource(mic, source, rate);
        p.mics[static_cast<std::size_t>(m)] = {heard.factor, heard.delay, mic.leftShare, mic.rightShare};
    }
    return p;
}

Pickup pickupAtAngle(const AnyArray& array, long double degrees, std::int32_t rate) {
    return unroundedPickup(array, degrees, rate);
}

}  // namespace auralith
