// The page's pictures of the room: its plan to scale, seen from above with the stage at the top
// (the walls, the stage's end, the array and the arc of the sweep's positions), and an array's
// late coherence per band beside the diffuse field's curve, on a logarithmic frequency axis.
#pragma once

#include <string>
#include <vector>

#include "catalogue/curve_style.h"
#include "report/results.h"

namespace auralith {

// `sources` are the sweep's source angles in degrees (negative: left), on the arc around the array.
std::string roomPlanSvg(const RoomResults& room, const std::vector<double>& sources);

// The measured bands as dots joined in the array's style, the diffuse field's curve dashed in grey.
std::string coherenceSvg(const ArrayRoomResult& room, const CurveStyle& style);

}  // namespace auralith
