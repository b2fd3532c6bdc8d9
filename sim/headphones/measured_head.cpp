#include "sim/headphones/measured_head.h"

#include <algorithm>
#include <cmath>

namespace auralith {

NearestMeasurement nearestInHorizontalPlane(const MeasuredHead& head, double azimuth) {
    constexpr double radians = 3.14159265358979323846 / 180;
    NearestMeasurement best;
    double bestCosine = -2;
    for (std::size_t m = 0; m < head.count(); ++m) {
        // The cosine of the angle between the two directions; the larger, the nearer.
        const double cosine = std::cos(head.elevation[m] * radians) * std::cos((head.azimuth[m] - azimuth) * radians);
        if (cosine > bestCosine) {
            bestCosine = cosine;
            best.index = m;
        }
    }
    if (bestCosine > -2) best.degreesAway = std::acos(std::clamp(bestCosine, -1.0, 1.0)) / radians;
    return best;
}

}  // namespace auralith
