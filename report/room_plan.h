// The page's pictures of the room: its plan to scale, seen from above with the stage at the top
// (the walls, the stage's end, the array and the arc of the sweep's positions), and an array's
// late coherence per band beside the diffuse field's curve, on a logarithmic frequency axis.
#pragma once

#include <string>
#include <string_view>
#include <vector>

#include "catalogue/curve_style.h"
#include "report/results.h"

namespace auralith {

// The plan's frame: the room at most 440 px wide and 480 px deep, a margin round it for the labels.
struct RoomPlanScale {
    double pixelsPerMetre;
    double left;
    double top;
    double depth;  // metres
    double x(double metres) const { return left + metres * pixelsPerMetre; }
    // y runs from the back wall up to the stage's end: the stage at the top.
    double y(double metres) const { return top + (depth - metres) * pixelsPerMetre; }
};
RoomPlanScale roomPlanScale(double width, double depth);

// The plan's parts, each a piece of SVG: its opening tag (the frame's size, `label` for a screen
// reader), the walls with the stage's end at the top, the array's dot at its place, and a scale bar
// of a round length near a fifth of the width, under the back wall.
std::string planSvgOpen(const RoomPlanScale& s, double width, std::string_view label);
std::string wallsSvg(const RoomPlanScale& s, const Room& room);
std::string planArraySvg(const RoomPlanScale& s, const RoomPoint& at);
std::string planScaleBar(const RoomPlanScale& s, double width);
std::string planText(double x, double y, const std::string& content, const char* anchor);

// `sources` are the sweep's source angles in degrees (negative: left), on the arc around the array.
std::string roomPlanSvg(const RoomResults& room, const std::vector<double>& sources);

// The measured bands as dots joined in the array's style, the diffuse field's curve dashed in grey.
std::string coherenceSvg(const ArrayRoomResult& room, const CurveStyle& style);

}  // namespace auralith
