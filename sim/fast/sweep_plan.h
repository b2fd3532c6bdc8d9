// A renderer's plan: the placements of the sweep's thirteen positions, worked out once each.
#pragma once

#include <array>
#include <cstddef>

#include "sim/model/frame.h"

namespace auralith {

// The placements of all positions, worked out once each, in order: placementAt(p) for p = 0 .. 12.
template <typename PlacementAt>
auto sweepPlan(PlacementAt placementAt) {
    std::array<decltype(placementAt(0)), sweepPositions> plan{};
    for (int p = 0; p < sweepPositions; ++p) plan[static_cast<std::size_t>(p)] = placementAt(p);
    return plan;
}

}  // namespace auralith
