#include "sim/analysis/array_analysis.h"

#include "sim/model/sweep.h"

namespace auralith {

PositionAnalysis analysePosition(const AnyArray& array, long double degrees, std::int32_t rate,
                                 const LoudspeakerBase& base, double radius) {
    PositionAnalysis at;
    at.sourceDegrees = static_cast<double>(degrees);
    at.pickup = renderedPickupAtAngle(array, degrees, rate, radius);
    at.difference = channelDifference(at.pickup, rate);
    at.image = predictedImage(at.difference.icldDb, at.difference.ictdMs, base);
    at.unroundedImage = predictedImage(pickupAtAngle(array, degrees, rate, radius), rate, base);
    return at;
}

ArrayAnalysis analyseArray(const AnyArray& array, std::int32_t rate, const LoudspeakerBase& base,
                           const SweepPositions& sweep, double radius) {
    ArrayAnalysis a;
    a.array = array;
    for (int p = 0; p < sweep.count(); ++p) {
        a.positions.push_back(analysePosition(array, sweep.degrees(p), rate, base, radius));
        a.positions.back().position = p;
    }
    a.recordingAngle = recordingAngle(array, rate, base, radius);
    for (int degrees = -90; degrees <= 90; ++degrees) {
        const Pickup pickup = pickupAtAngle(array, degrees, rate, radius);
        a.curve.push_back(
            {static_cast<double>(degrees), predictedImage(pickup, rate, base), channelsInAntiphase(pickup)});
    }
    return a;
}

}  // namespace auralith
