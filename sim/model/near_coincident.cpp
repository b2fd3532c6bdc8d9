// The two near-coincident pairs: directional microphones a few centimetres apart, so the
// channels differ in level (polar response) and in arrival time (whole-frame delay).
#include "sim/model/arrays.h"
#include "sim/model/extended_math.h"
#include "sim/model/sweep.h"

namespace auralith {

namespace {

constexpr float faulknerHalfSpacing = 0.1f;
constexpr float ortfHalfSpacing = 0.085f;

}  // namespace

PairPlacement faulknerPlacement(int position, double deg, std::int32_t rate) {
    // Two figures of eight facing straight ahead; each sees the source at the angle from its
    // own position.
    const long double h = faulknerHalfSpacing;
    const SourcePlace source = sourceAt(position, deg);
    const double rL = micDistance(source, -h, 0);
    const double rR = micDistance(source, h, 0);
    const auto alphaL = static_cast<double>(extendedAtan((h + source.lateral) / source.forward));
    const auto alphaR = static_cast<double>(extendedAtan((source.lateral - h) / source.forward));
    return {micDelay(rL, rate), micDelay(rR, rate), extendedCos(alphaL), extendedCos(alphaR)};
}

PairPlacement ortfPlacement(int position, double deg, std::int32_t rate) {
    // Two cardioids with axes 55 degrees either side; their angles are taken from the centre.
    const long double h = ortfHalfSpacing;
    const SourcePlace source = sourceAt(position, deg);
    const double rL = micDistance(source, -h, 0);
    const double rR = micDistance(source, h, 0);
    const auto a = static_cast<double>(7.5f * static_cast<long double>(position) + 10);
    const auto alphaR = static_cast<double>(deg * (110 - static_cast<long double>(a)));
    const auto alphaL = static_cast<double>(deg * static_cast<long double>(a));
    return {micDelay(rL, rate), micDelay(rR, rate), extendedCos(alphaL) * 0.5f + 0.5f,
            extendedCos(alphaR) * 0.5f + 0.5f};
}

}  // namespace auralith
