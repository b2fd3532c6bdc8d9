// A run in a room: the room the sweep is heard in and the arc's radius, and each array's render
// there. The options that set a room resolve to this (the run takes it beside its options).
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "job/output/rendered_output.h"
#include "sim/scene/scene.h"

namespace auralith {

struct RoomRun {
    RoomField field;
    double distance = defaultArcRadius;  // the arc's radius, metres
};

// The array's render in the room, in memory, with the clipped samples counted; the reason when a
// source of the sweep would stand outside the room or the memory cannot be had.
std::variant<RenderedOutput, std::string> renderInRoom(const RoomRun& room, const AnyArray& array,
                                                       const InputWave& wave, double gain, RandomState& random,
                                                       const SweepPositions& positions);

}  // namespace auralith
