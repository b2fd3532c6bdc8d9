#include "report/stage_plan.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

#include "report/curves_plot.h"
#include "report/html/html_text.h"
#include "report/numbers.h"
#include "report/room_plan.h"
#include "report/shown_text.h"

namespace auralith {

namespace {

std::string number(double value) { return fixedText(value, 2); }

double radians(double degrees) { return degrees * std::numbers::pi / 180; }

std::string nameOf(const StagePlayer& player) { return htmlEscaped(shownOnPage(player.name)); }

// Without a room the plan is an open floor around the players: as wide as the farthest of them
// both ways, from a little behind the array to a little past the farthest in front.
struct Floor {
    double width;
    double depth;
    RoomPoint arrayAt;
};

Floor freeFloor(const std::vector<StagePlayer>& players) {
    double reach = 1, behind = 0;
    for (const StagePlayer& p : players) {
        reach = std::max(reach, p.distance);
        behind = std::max(behind, -p.distance * std::cos(radians(p.degrees)));
    }
    const double margin = 0.15 * reach, back = std::max(0.25 * reach, behind + margin);
    return {2 * (reach + margin), reach + margin + back, {reach + margin, back, 0}};
}

std::string playerDot(const RoomPlanScale& s, const RoomPoint& arrayAt, const StagePlayer& player) {
    const double a = radians(player.degrees);
    const double x = s.x(arrayAt.x + player.distance * std::sin(a));
    const double y = s.y(arrayAt.y + player.distance * std::cos(a));
    return "<circle class=\"player\" cx=\"" + number(x) + "\" cy=\"" + number(y) + "\" r=\"5\" fill=\"#c60\"><title>" +
           nameOf(player) + ": " + signedText(player.degrees, 1) + "°, " + fixedText(player.distance, 2) +
           " m</title></circle>\n" + planText(x, y - 9, nameOf(player), "middle");
}

}  // namespace

std::string stagePlanSvg(const CompareResults& results) {
    if (!results.stage) return {};
    const std::vector<StagePlayer>& players = results.stage->players;
    const Floor floor = results.room ? Floor{results.room->room.width, results.room->room.depth, results.room->arrayAt}
                                     : freeFloor(players);
    const RoomPlanScale s = roomPlanScale(floor.width, floor.depth);
    std::string svg = planSvgOpen(s, floor.width, "Plan of the stage");
    if (results.room)
        svg += wallsSvg(s, results.room->room);
    else
        svg += planText(s.x(floor.width / 2), s.y(floor.depth) - 10, "towards the stage", "middle");
    for (const StagePlayer& player : players) svg += playerDot(s, floor.arrayAt, player);
    return svg + planArraySvg(s, floor.arrayAt) + planScaleBar(s, floor.width) + "</svg>\n";
}

namespace {

// The listener's view: the loudspeakers on a circle around the listening place, the stage ahead.
// The drawing ends under the loudspeakers: below them, down to the listener, is only blank.
constexpr double listenerX = 240, listenerY = 250, arcRadius = 190;

double arcX(double degrees, double radius = arcRadius) { return listenerX + radius * std::sin(radians(degrees)); }
double arcY(double degrees, double radius = arcRadius) { return listenerY - radius * std::cos(radians(degrees)); }

std::string loudspeakers(double half) {
    std::string svg = "<path class=\"speakers-arc\" d=\"M" + number(arcX(-half)) + " " + number(arcY(-half)) + " A" +
                      number(arcRadius) + " " + number(arcRadius) + " 0 0 1 " + number(arcX(half)) + " " +
                      number(arcY(half)) + "\" fill=\"none\" stroke=\"#999\" stroke-width=\"2\"/>\n";
    for (const double side : {-half, half})
        svg += "<rect class=\"loudspeaker\" x=\"" + number(arcX(side) - 7) + "\" y=\"" + number(arcY(side) - 7) +
               "\" width=\"14\" height=\"14\" fill=\"#555\"/>\n" +
               planText(arcX(side), arcY(side) + 24, signedText(side, 0) + "°", "middle");
    return svg;
}

// One player's image: its dot on the arc, and its name farther out, at one of three distances in
// turn along the images' order, so that neighbours' names stand apart.
std::string imageMark(const std::string& name, double image, double half, std::size_t rank, const std::string& colour) {
    const bool atLoudspeaker = std::fabs(image) >= half;
    const double shown = std::clamp(image, -half, half),
                 labelRadius = arcRadius + 16 + 15 * static_cast<double>(rank % 3);
    std::string svg = "<circle class=\"image\" cx=\"" + number(arcX(shown)) + "\" cy=\"" + number(arcY(shown)) +
                      "\" r=\"5\" fill=\"" + colour + "\"><title>" + name + ": image " + signedText(image, 1) +
                      "°</title></circle>\n";
    if (atLoudspeaker)
        svg += "<circle class=\"at-loudspeaker\" cx=\"" + number(arcX(shown)) + "\" cy=\"" + number(arcY(shown)) +
               "\" r=\"11\" fill=\"none\" stroke=\"#c00\" stroke-width=\"2\"/>\n";
    return svg + planText(arcX(shown, labelRadius), arcY(shown, labelRadius), name, "middle");
}

}  // namespace

std::string stageImagesSvg(const CompareResults& results, std::size_t k) {
    if (!results.stage) return {};
    const ArrayResult& array = results.arrays[k];
    const double half = results.base.halfAngle;
    std::vector<std::size_t> order;
    for (std::size_t p = 0; p < array.players.size() && p < results.stage->players.size(); ++p) order.push_back(p);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) {
        return array.players[a].analysis.image < array.players[b].analysis.image;
    });
    const std::string height = fixedText(std::ceil(arcY(half) + 36), 0);
    std::string svg = "<svg class=\"stage-images\" xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 480 " + height +
                      "\" width=\"480\" height=\"" + height + "\" role=\"img\" aria-label=\"Where " +
                      htmlEscaped(shownOnPage(array.array.name)) +
                      " puts the players, as heard from the listening place\">\n" + loudspeakers(half);
    const std::string colour = curveStyle(results, k).colour;
    for (std::size_t rank = 0; rank < order.size(); ++rank)
        svg += imageMark(nameOf(results.stage->players[order[rank]]), array.players[order[rank]].analysis.image, half,
                         rank, colour);
    return svg + "</svg>\n";
}

}  // namespace auralith
