#include "binaural/stand_ins.h"

namespace auralith {
namespace {

// Why no measurement stands for the direction `azimuth` degrees to the left.
std::string noneNear(double azimuth) {
    const int side = static_cast<int>(azimuth);
    const std::string where = side == 0  ? "straight ahead"
                              : side > 0 ? std::to_string(side) + " degrees left"
                                         : std::to_string(-side) + " degrees right";
    return "it has no direction within " + std::to_string(static_cast<int>(farthestStandIn)) + " degrees of " + where +
           " in the horizontal plane";
}

}  // namespace

std::variant<std::vector<std::size_t>, std::string> standInsOf(const MeasuredHead& head,
                                                               const LoudspeakerLayout& layout) {
    std::vector<std::size_t> measurements;
    for (const Loudspeaker& speaker : layout.speakers) {
        // The layout's degrees are negative to the left, the head's azimuths positive to the left.
        const double azimuth = -speaker.degrees;
        const NearestMeasurement nearest = nearestInHorizontalPlane(head, azimuth);
        if (!(nearest.degreesAway <= farthestStandIn)) return noneNear(azimuth);
        measurements.push_back(nearest.index);
    }
    return measurements;
}

}  // namespace auralith
