// Two omnidirectional microphones 2 m apart: delay and inverse-distance level tell left from right.
#include "sim/delayed_pair.h"
#include "sim/sweep.h"

namespace auralith {

namespace {

// Delays lie between -87 and +94 frames, so tracks never reach past index F + 93.
constexpr std::int32_t spacedOmniMargin = 93;

}  // namespace

double omniReferenceDistance(double deg) { return micDistance(sourceAt(0, deg), -1, 0); }

PairPlacement spacedOmniPlacement(int position, double deg, std::int32_t rate, double reference) {
    const SourcePlace source = sourceAt(position, deg);
    const double rL = micDistance(source, -1, 0);
    const double rR = micDistance(source, 1, 0);
    return {micDelay(rL, rate), micDelay(rR, rate), static_cast<long double>(reference) / rL,
            static_cast<long double>(reference) / rR};
}

bool renderSpacedOmniPair(const SweepInput& in, StereoBuffer& out, RandomState& random) {
    const double reference = omniReferenceDistance(in.deg);
    return renderDelayedPair(in, out, random, spacedOmniMargin,
                             [&](int p) { return spacedOmniPlacement(p, in.deg, in.rate, reference); });
}

}  // namespace auralith
