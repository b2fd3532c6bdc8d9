#include "sim/scene/loudspeakers.h"

namespace auralith {

LoudspeakerLayout stereoLayout(double halfAngle) { return {{{"L", -halfAngle}, {"R", halfAngle}}}; }

}  // namespace auralith
