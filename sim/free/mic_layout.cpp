#include "sim/free/mic_layout.h"

#include <cmath>

#include "sim/model/extended_math.h"
#include "sim/model/frame.h"

namespace auralith {

namespace {

PlacedMic placedMic(double lateral, double forward, double axis, double pattern) {
    const double deg = degreesToRadiansFactor();
    PlacedMic mic;
    mic.lateral = lateral;
    mic.forward = forward;
    const auto radians = static_cast<double>(deg * static_cast<long double>(axis));
    mic.axisLateral = extendedSin(radians);
    mic.axisForward = extendedCos(radians);
    mic.pattern = pattern;
    return mic;
}

std::int16_t roundedDelay(long double frames) { return static_cast<std::int16_t>(std::lrint(frames)); }

}  // namespace

MicLayout pairLayout(double pattern, double angle, double spacing) {
    const double half = spacing / 200;  // metres either side of the centre
    MicLayout layout;
    layout.count = 2;
    layout.mics[0] = placedMic(-half, 0, -angle / 2, pattern);
    layout.mics[1] = placedMic(half, 0, angle / 2, pattern);
    layout.mics[0].leftShare = 1;
    layout.mics[1].rightShare = 1;
    return layout;
}

MicLayout treeLayout(double width, double depth, double pattern) {
    // Every axis straight ahead: no trigonometry, so no degree factor either.
    MicLayout layout;
    layout.count = 3;
    layout.mics[0] = {-width / 2, 0, 0, 1, pattern, 1, 0};
    layout.mics[1] = {width / 2, 0, 0, 1, pattern, 0, 1};
    layout.mics[2] = {0, depth, 0, 1, pattern, 0.5f, 0.5f};
    return layout;
}

MicHearing hearSource(const PlacedMic& mic, const SourcePlace& source, std::int32_t rate) {
    const double r = micDistance(source, mic.lateral, mic.forward);
    // The cosine of the angle off the axis: the axis's unit vector times the unit vector from the
    // microphone to the source.
    const long double towardsLateral = static_cast<long double>(source.lateral) - mic.lateral;
    const long double towardsForward = static_cast<long double>(source.forward) - mic.forward;
    const long double cosine = (mic.axisLateral * towardsLateral + mic.axisForward * towardsForward) / r;
    const long double response = mic.pattern + (1 - static_cast<long double>(mic.pattern)) * cosine;
    return {response * (10 / static_cast<long double>(r)), micDelayFrames(r, rate)};
}

PairPlacement layoutPairPlacement(const MicLayout& layout, int position, double deg, std::int32_t rate) {
    const SourcePlace source = sourceAt(position, deg);
    const MicHearing left = hearSource(layout.mics[0], source, rate);
    const MicHearing right = hearSource(layout.mics[1], source, rate);
    return {roundedDelay(left.delay), roundedDelay(right.delay), left.factor, right.factor};
}

TreePlacement layoutTreePlacement(const MicLayout& layout, int position, double deg, std::int32_t rate) {
    const SourcePlace source = sourceAt(position, deg);
    const MicHearing centre = hearSource(layout.mics[2], source, rate);
    return {layoutPairPlacement(layout, position, deg, rate), roundedDelay(centre.delay), centre.factor};
}

namespace {

bool sameMic(const PlacedMic& a, const PlacedMic& b) {
    const bool sameAxis = (a.axisLateral == b.axisLateral && a.axisForward == b.axisForward) || a.pattern == 1;
    return a.lateral == b.lateral && a.forward == b.forward && a.pattern == b.pattern && sameAxis &&
           a.leftShare == b.leftShare && a.rightShare == b.rightShare;
}

}  // namespace

bool sameArray(const AnyArray& a, const AnyArray& b) {
    if (a.index() != b.index()) return false;
    if (const auto* builtIn = std::get_if<MicArray>(&a)) return *builtIn == std::get<MicArray>(b);
    const MicLayout& x = std::get<MicLayout>(a);
    const MicLayout& y = std::get<MicLayout>(b);
    if (x.count != y.count) return false;
    for (int m = 0; m < x.count; ++m)
        if (!sameMic(x.mics[static_cast<std::size_t>(m)], y.mics[static_cast<std::size_t>(m)])) return false;
    return true;
}

}  // namespace auralith
