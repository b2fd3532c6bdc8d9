// The measurements of a head that stand for a layout's loudspeakers: each the one nearest its
// direction in the horizontal plane, used as measured, none farther than farthestStandIn.
#pragma once

#include <cstddef>
#include <string>
#include <variant>
#include <vector>

#include "sim/headphones/measured_head.h"
#include "sim/scene/loudspeakers.h"

namespace auralith {

// One measurement (an index into the head) per loudspeaker, in channel order; else why the
// first loudspeaker without one has none, one line.
std::variant<std::vector<std::size_t>, std::string> standInsOf(const MeasuredHead& head,
                                                               const LoudspeakerLayout& layout);

}  // namespace auralith
