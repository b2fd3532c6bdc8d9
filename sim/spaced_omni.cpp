// Two omnidirectional microphones 2 m apart: delay and inverse-distance level tell left from right.
#include "sim/pair_render.h"
#include "sim/sweep.h"

namespace auralith {

double omniReferenceDistance(double deg) { return micDistance(sourceAt(0, deg), -1, 0); }

PairPlacement spacedOmniPlacement(int position, double deg, std::int32_t rate, double reference) {
    const SourcePlace source = sourceAt(position, deg);
    const double rL = micDistance(source, -1, 0);
    const double rR = micDistance(source, 1, 0);
    return {micDelay(rL, rate), micDelay(rR, rate), static_cast<long double>(reference) / rL,
            static_cast<long double>(reference) / rR};
}

bool renderSpacedOmniPair(const SweepInput& in, StereoBuffer& out, RandomState& random) {
    // The left microphone's distance at the first position, the shortest of the sweep, is the
    // reference: every level factor is at most 1.
    const double reference = omniReferenceDistance(in.deg);
    return renderPairs(in, out, random,
                       sweepPlan([&](int p) { return spacedOmniPlacement(p, in.deg, in.rate, reference); }));
}

}  // namespace auralith
