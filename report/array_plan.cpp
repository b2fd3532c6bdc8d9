#include "report/array_plan.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <variant>

#include "catalogue/descriptions.h"
#include "report/curves_plot.h"
#include "report/html/html_text.h"
#include "report/numbers.h"
#include "sim/model/arrays.h"

namespace auralith {

Rig drawnRig(const AnyArray& model) {
    if (const Rig* rig = std::get_if<Rig>(&model)) return *rig;
    switch (std::get<MicArray>(model)) {
        case MicArray::blumleinPair: return pairLayout(0, 2 * blumleinHalfAngle, 0);
        case MicArray::cardioidPair: return pairLayout(0.5, 2 * cardioidHalfAngle, 0);
        case MicArray::faulknerPair: return pairLayout(0, 0, 200 * faulknerHalfSpacing);
        case MicArray::ortfPair: return pairLayout(0.5, 2 * ortfHalfAngle, 200 * ortfHalfSpacing);
        case MicArray::spacedOmniPair: return pairLayout(1, 0, 200 * spacedOmniHalfSpacing);
        case MicArray::threeOmniTree: return treeLayout(2 * spacedOmniHalfSpacing, treeCentreForward, 1);
    }
    return {};
}

namespace {

// The plan's frame in pixels: the array's centre, the source's arc around it, the radius the
// array fills and the size of each pattern (a pattern has no size of its own, so every one is
// drawn alike).
constexpr double planWidth = 300, centreX = 150, centreY = 165, arcRadius = 120, arrayRadius = 56;
constexpr double lobeRadius = 30, axisLength = lobeRadius + 12;
constexpr double nearestExtent = 0.25;  // metres

}  // namespace

PlanScale planScale(const Rig& rig) {
    double extent = nearestExtent;
    for (const RigMic& mic : rig.mics) extent = std::max(extent, std::hypot(mic.lateral, mic.forward));
    const double pixelsPerMetre = arrayRadius / extent;
    int bar = 1;
    for (const int cm : {2, 5, 10, 20, 50, 100, 200, 500, 1000})
        if (cm * pixelsPerMetre / 100 <= 100) bar = cm;
    return {pixelsPerMetre, bar};
}

double patternResponse(double pattern, double degrees) {
    return pattern + (1 - pattern) * std::cos(degrees * std::numbers::pi / 180);
}

namespace {

struct Point {
    double x, y;
};

std::string pathPoint(Point p) { return fixedText(p.x, 2) + " " + fixedText(p.y, 2); }

// `length` pixels from `from` towards `degrees` measured clockwise from the front, as the source's
// angle and the axes are: 0 up the page, 90 to the right.
Point along(Point from, double degrees, double length) {
    const double radians = degrees * std::numbers::pi / 180;
    return {from.x + length * std::sin(radians), from.y - length * std::cos(radians)};
}

std::string arrowHead(Point tip, double degrees, const std::string& fill) {
    const Point back = along(tip, degrees + 180, 8);
    std::string points;
    for (const Point p : {tip, along(back, degrees - 90, 4), along(back, degrees + 90, 4)})
        points += (points.empty() ? "" : " ") + fixedText(p.x, 2) + "," + fixedText(p.y, 2);
    return "<polygon points=\"" + points + "\" fill=\"" + fill + "\"/>\n";
}

std::string textAt(Point p, const std::string& content, const char* anchor, const std::string& cls) {
    return "<text class=\"" + cls + "\" x=\"" + fixedText(p.x, 2) + "\" y=\"" + fixedText(p.y, 2) +
           "\" text-anchor=\"" + anchor + "\">" + content + "</text>\n";
}

double axisDegrees(const RigMic& mic) {
    return std::atan2(static_cast<double>(mic.axisLateral), static_cast<double>(mic.axisForward)) * 180 /
           std::numbers::pi;
}

// The pattern around its microphone, |response| drawn at each angle: solid where the polarity is
// positive, dashed where it is negative. A run of one sign ends at the microphone, where the
// response passes through zero to the other.
std::string lobes(Point at, double axis, double pattern, const std::string& colour) {
    const std::string centre = pathPoint(at);
    std::string d[2];  // positive, negative
    int run = -1;
    for (int a = -180; a <= 180; a += 3) {
        const double r = patternResponse(pattern, a);
        const int sign = r < 0 ? 1 : 0;
        const std::string point = pathPoint(along(at, axis + a, lobeRadius * std::fabs(r)));
        if (sign == run) {
            d[sign] += " L" + point;
            continue;
        }
        if (run >= 0) d[run] += " L" + centre;
        d[sign] += (d[sign].empty() ? "M" : " M") + (run >= 0 ? centre + " L" : "") + point;
        run = sign;
    }
    const std::string stroke = "\" fill=\"none\" stroke=\"" + colour + "\" stroke-width=\"1.5\"";
    std::string svg = "<path class=\"lobe" + stroke + " d=\"" + d[0] + "\"/>\n";
    if (d[1].empty()) return svg;
    svg += "<path class=\"lobe rear" + stroke + " stroke-dasharray=\"4 3\" d=\"" + d[1] + "\"/>\n";
    // The sign beyond the rear lobe's tip, where the rear lobe is big enough to tell.
    const double rear = -patternResponse(pattern, 180);
    if (rear < 0.2) return svg;
    const Point sign = along(at, axis + 180, lobeRadius * rear + 9);
    return svg + textAt({sign.x, sign.y + 4}, "−", "middle", "polarity");
}

// What a microphone gives the channels: L or R alone, C in both alike (M beside a side
// microphone), S in both with opposite signs.
std::string micLabel(const RigMic& mic, bool midSide) {
    if (mic.shares.size() < 2) return "";
    const long double left = mic.shares[0], right = mic.shares[1];
    if (right == 0 && left != 0) return "L";
    if (left == 0 && right != 0) return "R";
    if (left == right) return midSide ? "M" : "C";
    return left == -right ? "S" : "";
}

// A microphone: its pattern, its axis as an arrow, the point it stands at and what it gives the channels.
std::string micDrawing(const RigMic& mic, Point at, bool midSide, const std::string& colour) {
    const double axis = axisDegrees(mic);
    const Point tip = along(at, axis, axisLength), label = along(at, axis, axisLength + 9);
    const std::string name = micLabel(mic, midSide);
    return lobes(at, axis, mic.pattern, colour) + "<line class=\"axis\" x1=\"" + fixedText(at.x, 2) + "\" y1=\"" +
           fixedText(at.y, 2) + "\" x2=\"" + fixedText(tip.x, 2) + "\" y2=\"" + fixedText(tip.y, 2) +
           "\" stroke=\"#222\" stroke-width=\"1.5\"/>\n" + arrowHead(tip, axis, "#222") +
           "<circle class=\"mic\" cx=\"" + fixedText(at.x, 2) + "\" cy=\"" + fixedText(at.y, 2) +
           "\" r=\"4\" fill=\"#222\"/>\n" +
           (name.empty() ? "" : textAt({label.x, label.y + 4}, name, "middle", "mic-label"));
}

// The source's way from the sweep's first angle to its last, 10 m away and so not to scale: an arc
// around the array's centre with a dot at each position and an arrow at the end. Its lowest point
// is where the plan's bottom must lie below.
struct Arc {
    std::string svg;
    double lowest;
};

Arc sourceArc(const std::vector<double>& sweep) {
    const Point centre{centreX, centreY};
    const double first = sweep.front(), last = sweep.back();
    const int steps = std::max(1, static_cast<int>(std::ceil(std::fabs(last - first) / 2)));
    std::string d;
    double lowest = centreY;
    for (int i = 0; i <= steps; ++i) {
        const Point p = along(centre, first + (last - first) * i / steps, arcRadius);
        d += (i == 0 ? "M" : " L") + pathPoint(p);
        lowest = std::max(lowest, p.y);
    }
    std::string svg =
        "<path class=\"source-arc\" fill=\"none\" stroke=\"#555\" stroke-width=\"1.5\" d=\"" + d + "\"/>\n";
    for (const double degrees : sweep) {
        const Point p = along(centre, degrees, arcRadius);
        svg += "<circle class=\"source-position\" cx=\"" + fixedText(p.x, 2) + "\" cy=\"" + fixedText(p.y, 2) +
               "\" r=\"2\" fill=\"#555\"/>\n";
    }
    // The arc's tangent at its end, clockwise where the source moves to the right.
    if (last != first) svg += arrowHead(along(centre, last, arcRadius), last + (last > first ? 90 : -90), "#555");
    const Point label = along(centre, first, arcRadius + 10);
    const double side = std::sin(first * std::numbers::pi / 180);
    svg += textAt({label.x, label.y + 4}, "source", side < -0.2 ? "end" : side > 0.2 ? "start" : "middle", "source");
    return {svg, lowest};
}

std::string scaleBar(const PlanScale& scale, double y) {
    const double right = 12 + scale.barCentimetres * scale.pixelsPerMetre / 100;
    const auto stroke = [](double x1, double y1, double x2, double y2) {
        return "<line x1=\"" + fixedText(x1, 2) + "\" y1=\"" + fixedText(y1, 2) + "\" x2=\"" + fixedText(x2, 2) +
               "\" y2=\"" + fixedText(y2, 2) + "\" stroke=\"#222\" stroke-width=\"1.5\"/>\n";
    };
    return "<g class=\"scale-bar\">" + stroke(12, y, right, y) + stroke(12, y - 4, 12, y + 4) +
           stroke(right, y - 4, right, y + 4) +
           textAt({right + 6, y + 4}, std::to_string(scale.barCentimetres) + " cm", "start", "scale") + "</g>\n";
}

}  // namespace

std::string arrayPlanSvg(const AnyArray& model, const std::vector<double>& sweep, const std::string& name,
                         const std::string& colour) {
    const Rig rig = drawnRig(model);
    const PlanScale scale = planScale(rig);
    const bool midSide =
        std::any_of(rig.mics.begin(), rig.mics.end(), [](const RigMic& m) { return micLabel(m, false) == "S"; });
    const Arc arc = sweep.empty() ? Arc{} : sourceArc(sweep);
    const double height = std::max(centreY + 72, arc.lowest + 36);
    std::string svg =
        "<svg class=\"plan\" viewBox=\"0 0 " + fixedText(planWidth, 0) + " " + fixedText(height, 0) + "\" width=\"" +
        fixedText(planWidth, 0) + "\" height=\"" + fixedText(height, 0) + "\" role=\"img\" aria-label=\"Plan of " +
        htmlEscaped(name) + ", seen from above\">\n" + textAt({centreX, 14}, "stage (front)", "middle", "stage") +
        "<line class=\"stage\" x1=\"90\" y1=\"22\" x2=\"210\" y2=\"22\" stroke=\"#888\" stroke-width=\"4\"/>\n" +
        arc.svg;
    for (const RigMic& mic : rig.mics)
        svg += micDrawing(mic,
                          {centreX + mic.lateral * scale.pixelsPerMetre, centreY - mic.forward * scale.pixelsPerMetre},
                          midSide, colour);
    return svg + scaleBar(scale, height - 16) + "</svg>\n";
}

namespace {

// "-45", "+7.5", "0".
std::string angleText(double degrees) {
    const std::string size = decimalText(static_cast<int>(std::lrint(std::fabs(degrees) * 1000)));
    return (degrees < 0 ? "-" : degrees > 0 ? "+" : "") + size;
}

}  // namespace

std::string arrayDrawings(const CompareResults& results, std::size_t k) {
    const ArrayResult& r = results.arrays[k];
    std::vector<double> sweep;
    for (const PositionAnalysis& p : r.analysis.positions) sweep.push_back(p.sourceDegrees);
    const std::string way =
        sweep.empty() ? "" : " from " + angleText(sweep.front()) + "° to " + angleText(sweep.back()) + "°";
    return "<figure class=\"drawings\">\n" +
           arrayPlanSvg(r.array.model, sweep, r.array.name, curveStyle(results, k).colour) + arrayCurveSvg(results, k) +
           "<figcaption>Seen from above, the stage at the top: the microphones to scale (the bar), each with its "
           "axis (the arrow) and its polar pattern, dashed where the pattern's polarity is negative. The arc: the "
           "source's way over the sweep" +
           way +
           ", 10 m from the array's centre (not to scale). Beside it, the "
           "array's own localisation curve.</figcaption>\n</figure>\n";
}

}  // namespace auralith
