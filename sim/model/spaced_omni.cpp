// Two omnidirectional microphones 2 m apart: delay and inverse-distance level tell left from right.
#include "sim/model/arrays.h"
#include "sim/model/sweep.h"

namespace auralith {

double omniReferenceDistance(double deg) { return micDistance(sourceAt(0, deg), -1, 0); }

PairPlacement spacedOmniPlacement(int position, double deg, std::int32_t rate, double reference) {
    const SourcePlace source = sourceAt(position, deg);
    const double rL = micDistance(source, -1, 0);
    const double rR = micDistance(source, 1, 0);
    return {micDelay(rL, rate), micDelay(rR, rate), static_cast<long double>(reference) / rL,
            static_cast<long double>(reference) / rR};
}

}  // namespace auralith
