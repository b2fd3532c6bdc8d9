// A renderer's plan: the placements of the sweep's positions, worked out once each.
#pragma once

#include <cstddef>
#include <vector>

#include "sim/model/frame.h"

namespace auralith {

// The placements of all positions, worked out once each, in order: placementAt(p) for p = 0 ..
// count - 1.
template <typename PlacementAt>
auto sweepPlan(PlacementAt placementAt, int count = sweepPositions) {
    std::vector<decltype(placementAt(0))> plan;
    for (int p = 0; p < count; ++p) plan.push_back(placementAt(p));
    return plan;
}

}  // namespace auralith
