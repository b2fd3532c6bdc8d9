#include "sim/free/mic_layout.h"

#include <cmath>

#include "sim/model/extended_math.h"
#include "sim/model/frame.h"

namespace auralith {

namespace {

RigMic placedMic(double lateral, double forward, double axis, double pattern, std::vector<long double> shares) {
    const double deg = degreesToRadiansFactor();
    RigMic mic;
    mic.lateral = lateral;
    mic.forward = forward;
    const auto radians = static_cast<double>(deg * static_cast<long double>(axis));
    mic.axisLateral = extendedSin(radians);
    mic.axisForward = extendedCos(radians);
    mic.pattern = pattern;
    mic.shares = std::move(shares);
    return mic;
}

}  // namespace

Rig pairLayout(double pattern, double angle, double spacing) {
    const double half = spacing / 200;  // metres either side of the centre
    Rig rig;
    rig.mics = {placedMic(-half, 0, -angle / 2, pattern, {1, 0}), placedMic(half, 0, angle / 2, pattern, {0, 1})};
    return rig;
}

Rig treeLayout(double width, double depth, double pattern) {
    // Every axis straight ahead: no trigonometry, so no degree factor either. Each channel takes
    // its outer microphone and half the centre one, the sum scaled by 0.7612, as the built-in
    // tree mixes.
    Rig rig;
    rig.mix = ChannelMix::held;
    rig.scale = treeMixScale;
    rig.mics = {{-width / 2, 0, 0, 0, 1, 0, pattern, {1, 0}},
                {width / 2, 0, 0, 0, 1, 0, pattern, {0, 1}},
                {0, depth, 0, 0, 1, 0, pattern, {0.5f, 0.5f}}};
    return rig;
}

MicHearing hearSource(const RigMic& mic, const SourcePoint& source, std::int32_t rate, double radius) {
    // The distance with the forward term squared and added first, held as a double.
    const long double towardsLateral = static_cast<long double>(source.lateral) - mic.lateral;
    const long double towardsForward = static_cast<long double>(source.forward) - mic.forward;
    const long double towardsUp = static_cast<long double>(source.up) - mic.up;
    const auto r = static_cast<double>(
        std::sqrt(towardsForward * towardsForward + towardsLateral * towardsLateral + towardsUp * towardsUp));
    // The cosine of the angle off the axis: the axis's unit vector times the unit vector from the
    // microphone to the source.
    const long double cosine =
        (mic.axisLateral * towardsLateral + mic.axisForward * towardsForward + mic.axisUp * towardsUp) / r;
    const long double response = mic.pattern + (1 - static_cast<long double>(mic.pattern)) * cosine;
    return {response * (static_cast<long double>(radius) / static_cast<long double>(r)),
            micDelayFrames(r, rate, radius)};
}

SourcePoint sourcePoint(const SourcePlace& place) { return {place.lateral, place.forward, 0}; }

Echogram freeFieldEchogram(const RigMic& mic, const SourcePoint& source, std::int32_t rate, double radius) {
    const MicHearing heard = hearSource(mic, source, rate, radius);
    return {{{heard.delay, heard.factor}}};
}

Rig builtInRig(MicArray array) {
    switch (array) {
        case MicArray::blumleinPair: return pairLayout(0, 90, 0);
        case MicArray::cardioidPair: return pairLayout(0.5, 105, 0);
        case MicArray::faulknerPair: return pairLayout(0, 0, 20);
        case MicArray::ortfPair: return pairLayout(0.5, 110, 17);
        case MicArray::spacedOmniPair: return pairLayout(1, 0, 200);
        case MicArray::threeOmniTree: return treeLayout(2, 1.5, 1);
    }
    return {};
}

Rig rigOf(const AnyArray& array) {
    if (const auto* rig = std::get_if<Rig>(&array)) return *rig;
    return builtInRig(std::get<MicArray>(array));
}

namespace {

bool sameMic(const RigMic& a, const RigMic& b) {
    const bool sameAxis =
        (a.axisLateral == b.axisLateral && a.axisForward == b.axisForward && a.axisUp == b.axisUp) || a.pattern == 1;
    return a.lateral == b.lateral && a.forward == b.forward && a.up == b.up && a.pattern == b.pattern && sameAxis &&
           a.shares == b.shares;
}

}  // namespace

bool sameArray(const AnyArray& a, const AnyArray& b) {
    if (a.index() != b.index()) return false;
    if (const auto* builtIn = std::get_if<MicArray>(&a)) return *builtIn == std::get<MicArray>(b);
    const Rig& x = std::get<Rig>(a);
    const Rig& y = std::get<Rig>(b);
    if (x.count() != y.count() || x.channels != y.channels || x.mix != y.mix || x.scale != y.scale) return false;
    for (std::size_t m = 0; m < x.count(); ++m)
        if (!sameMic(x.mics[m], y.mics[m])) return false;
    return true;
}

}  // namespace auralith
