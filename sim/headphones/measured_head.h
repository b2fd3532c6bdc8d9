// A measured head as the audio core takes it: every direction's impulse responses to the two
// ears at one rate, and the choice of the measurement that stands for a loudspeaker's direction.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

namespace auralith {

struct MeasuredHead {
    std::int32_t rate = 0;
    int taps = 0;
    std::vector<float> azimuth;    // degrees, positive to the left, per measurement
    std::vector<float> elevation;  // degrees, positive upwards
    std::vector<float> values;     // per measurement the left ear's taps, then the right ear's

    std::size_t count() const { return azimuth.size(); }
    std::span<const float> response(std::size_t measurement, int ear) const {
        return {values.data() + (2 * measurement + static_cast<std::size_t>(ear)) * static_cast<std::size_t>(taps),
                static_cast<std::size_t>(taps)};
    }
};

// A loudspeaker is heard through the measurement nearest its direction, used as measured; none
// farther than this stands for it.
inline constexpr double farthestStandIn = 5.0;  // degrees on the sphere

struct NearestMeasurement {
    std::size_t index = 0;
    double degreesAway = 180;
};

// The measurement nearest the direction `azimuth` degrees to the left in the horizontal plane,
// by the angle between the two directions; the first of equals.
NearestMeasurement nearestInHorizontalPlane(const MeasuredHead& head, double azimuth);

}  // namespace auralith
