// The renderer shared by the five pairs: for each position and input sample, the left
// microphone's value then the right one's, each converted with its two draws and written straight
// into the buffer at its own delayed frame. No work tracks: positions never reach each other's frames.
#pragma once

#include <array>
#include <cstdint>

#include "sim/frame.h"
#include "sim/placement.h"

namespace auralith {

using SweepPlan = std::array<PairPlacement, sweepPositions>;

// The placements of all positions, worked out once each, in order.
template <typename PlacementAt>
SweepPlan sweepPlan(PlacementAt placementAt) {
    SweepPlan plan{};
    for (int p = 0; p < sweepPositions; ++p) plan[static_cast<std::size_t>(p)] = placementAt(p);
    return plan;
}

// Every delay must keep a position's sound within half a second of its own place, so that it
// never meets another position's sound nor leaves the buffer.
bool delaysFitTheBlocks(const SweepPlan& plan, std::int32_t rate);

bool renderPairs(const SweepInput& in, StereoBuffer& out, RandomState& random, const SweepPlan& plan);

}  // namespace auralith
