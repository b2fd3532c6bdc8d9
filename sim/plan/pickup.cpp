#include "sim/plan/pickup.h"

#include <cmath>
#include <variant>

#include "sim/model/frame.h"
#include "sim/model/sweep.h"

namespace auralith {

namespace {

Pickup pairPickup(long double leftFactor, long double rightFactor, long double leftDelay, long double rightDelay) {
    return {{{leftFactor, leftDelay, 1, 0}, {rightFactor, rightDelay, 0, 1}}};
}

Pickup pairPickup(const PairGeometry& g) { return pairPickup(g.leftFactor, g.rightFactor, g.leftDelay, g.rightDelay); }

// The tree's channels each take their outer microphone and half the centre one; the common scale
// of the mix changes neither the ratio of the channels nor where they correlate best.
Pickup treePickup(const TreeGeometry& g) {
    Pickup p = pairPickup(g.outer);
    p.mics.push_back({g.centreFactor, g.centreDelay, 0.5f, 0.5f});
    return p;
}

// The coincident pairs hear no distance: their factors are alike on any arc.
Pickup builtInPickup(MicArray array, long double degrees, std::int32_t rate, double radius) {
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
        case MicArray::faulknerPair: return pairPickup(faulknerGeometryAt(degrees, deg, rate, radius));
        case MicArray::ortfPair: return pairPickup(ortfGeometryAt(degrees, deg, rate, radius));
        case MicArray::spacedOmniPair:
            return pairPickup(spacedOmniGeometryAt(degrees, deg, rate, omniReferenceDistance(deg, radius), radius));
        case MicArray::threeOmniTree:
            return treePickup(treeGeometryAt(degrees, deg, rate, omniReferenceDistance(deg, radius), radius));
    }
    return {};
}

Pickup unroundedPickup(const AnyArray& array, long double degrees, std::int32_t rate, double radius) {
    if (const auto* layout = std::get_if<Rig>(&array))
        return layoutPickup(*layout, sourceAtAngle(degrees, degreesToRadiansFactor(), radius), rate, radius);
    return builtInPickup(std::get<MicArray>(array), degrees, rate, radius);
}

}  // namespace

Pickup renderedPickupAtAngle(const AnyArray& array, long double degrees, std::int32_t rate, double radius) {
    // The renderers' placements are these values with each delay rounded to the nearest frame,
    // ties to even.
    Pickup p = unroundedPickup(array, degrees, rate, radius);
    for (Microphone& mic : p.mics) mic.delay = static_cast<long double>(std::lrint(mic.delay));
    return p;
}

Pickup pickupAtPosition(const AnyArray& array, int position, std::int32_t rate) {
    return renderedPickupAtAngle(array, sweepAngle(position), rate);
}

// Each described microphone by the one rule, with its shares as the layout gives them.
Pickup layoutPickup(const Rig& rig, const SourcePlace& source, std::int32_t rate, double radius) {
    Pickup p;
    layoutPickupInto(rig, source, rate, p, radius);
    return p;
}

void layoutPickupInto(const Rig& rig, const SourcePlace& source, std::int32_t rate, Pickup& pickup, double radius) {
    pickup.mics.clear();
    for (const RigMic& mic : rig.mics) {
        const MicHearing heard = hearSource(mic, sourcePoint(source), rate, radius);
        const auto share = [&](std::size_t c) { return c < mic.shares.size() ? mic.shares[c] : 0.0L; };
        pickup.mics.push_back({heard.factor, heard.delay, share(0), share(1)});
    }
}

Pickup pickupAtAngle(const AnyArray& array, long double degrees, std::int32_t rate, double radius) {
    return unroundedPickup(array, degrees, rate, radius);
}

}  // namespace auralith
