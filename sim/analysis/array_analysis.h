// Everything the reports say of one array: each sweep position's pickup, channel differences and
// image, the recording angle, and the image as a curve over the whole front.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/analysis/localisation.h"
#include "sim/model/frame.h"
#include "sim/plan/pickup.h"
#include "sim/scene/program.h"

namespace auralith {

struct PositionAnalysis {
    int position = 0;
    double sourceDegrees = 0;  // negative to the left
    Pickup pickup;             // whole-frame delays, as rendered
    ChannelDifference difference;
    double image = 0;  // degrees, negative to the left
    // The image with the delays unrounded, as the curve and the recording angle take them: at low
    // rates whole-sample delays move the rendered image away from it.
    double unroundedImage = 0;
};

struct CurvePoint {
    double sourceDegrees;
    double image;
    bool antiphase;  // the channels of opposite sign there (channelsInAntiphase)
};

struct ArrayAnalysis {
    AnyArray array = MicArray::blumleinPair;
    std::vector<PositionAnalysis> positions;  // the sweep's, in order
    RecordingAngle recordingAngle;
    std::vector<CurvePoint> curve;  // -90 .. 90 degrees in steps of 1, delays unrounded
};

// One source at `degrees` on the arc of `radius`, as a position of the sweep is analysed (its
// position number left 0): a stage's player takes this alone, without the array's curve.
PositionAnalysis analysePosition(const AnyArray& array, long double degrees, std::int32_t rate,
                                 const LoudspeakerBase& base = base30, double radius = defaultArcRadius);

ArrayAnalysis analyseArray(const AnyArray& array, std::int32_t rate, const LoudspeakerBase& base = base30,
                           const SweepPositions& sweep = {}, double radius = defaultArcRadius);

}  // namespace auralith
