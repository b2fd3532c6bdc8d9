#include "report/room_plan.h"

#include <algorithm>
#include <cmath>
#include <numbers>

#include "report/numbers.h"

namespace auralith {

namespace {

std::string number(double value) { return fixedText(value, 2); }

}  // namespace

std::string planText(double x, double y, const std::string& content, const char* anchor) {
    return "<text x=\"" + number(x) + "\" y=\"" + number(y) + "\" text-anchor=\"" + anchor + "\">" + content +
           "</text>\n";
}

RoomPlanScale roomPlanScale(double width, double depth) { return {std::min(440 / width, 480 / depth), 80, 40, depth}; }

// A scale bar of a round length near a fifth of the room's width.
std::string planScaleBar(const RoomPlanScale& s, double width) {
    double metres = 1;
    for (const double step : {2.0, 5.0, 10.0, 20.0, 50.0})
        if (step <= width / 4) metres = step;
    const double y = s.y(0) + 36;
    return "<line class=\"scale\" x1=\"" + number(s.x(0)) + "\" y1=\"" + number(y) + "\" x2=\"" + number(s.x(metres)) +
           "\" y2=\"" + number(y) + "\" stroke=\"#333\" stroke-width=\"2\"/>\n" +
           planText(s.x(metres) + 6, y + 4, fixedText(metres, 0) + " m", "start");
}

std::string planSvgOpen(const RoomPlanScale& s, double width, std::string_view label) {
    const std::string w = number(s.x(width) + 80), h = number(s.y(0) + 56);
    return "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 " + w + " " + h + "\" width=\"" + w +
           "\" height=\"" + h + "\" role=\"img\" aria-label=\"" + std::string(label) + "\">\n";
}

std::string wallsSvg(const RoomPlanScale& s, const Room& room) {
    const double w = room.width, dp = room.depth;
    const double right = s.x(w), bottom = s.y(0);
    std::string svg = "<rect class=\"walls\" x=\"" + number(s.x(0)) + "\" y=\"" + number(s.y(dp)) + "\" width=\"" +
                      number(w * s.pixelsPerMetre) + "\" height=\"" + number(dp * s.pixelsPerMetre) +
                      "\" fill=\"#fafafa\" stroke=\"#333\" stroke-width=\"2\"/>\n";
    svg += "<line class=\"stage\" x1=\"" + number(s.x(0)) + "\" y1=\"" + number(s.y(dp)) + "\" x2=\"" + number(right) +
           "\" y2=\"" + number(s.y(dp)) + "\" stroke=\"#333\" stroke-width=\"6\"/>\n";
    svg += planText((s.x(0) + right) / 2, s.y(dp) - 10, "stage end", "middle");
    svg += planText((s.x(0) + right) / 2, bottom + 18, "back wall", "middle");
    svg += "<text transform=\"translate(" + number(s.x(0) - 10) + "," + number((s.y(dp) + bottom) / 2) +
           ") rotate(-90)\" text-anchor=\"middle\">left wall</text>\n";
    svg += "<text transform=\"translate(" + number(right + 18) + "," + number((s.y(dp) + bottom) / 2) +
           ") rotate(90)\" text-anchor=\"middle\">right wall</text>\n";
    return svg;
}

std::string planArraySvg(const RoomPlanScale& s, const RoomPoint& at) {
    const double x = s.x(at.x), y = s.y(at.y);
    return "<circle class=\"array\" cx=\"" + number(x) + "\" cy=\"" + number(y) + "\" r=\"5\" fill=\"#222\"/>\n" +
           planText(x + 8, y + 16, "array", "start");
}

namespace {

// The sweep's positions on their arc around the array, joined in the order of the sweep.
std::string positionsArc(const RoomPlanScale& s, const RoomResults& room, const std::vector<double>& sources) {
    std::string d, dots;
    for (const double degrees : sources) {
        const double a = degrees * std::numbers::pi / 180;
        const double x = s.x(room.arrayAt.x + room.distance * std::sin(a));
        const double y = s.y(room.arrayAt.y + room.distance * std::cos(a));
        d += std::string(d.empty() ? "M" : " L") + number(x) + " " + number(y);
        dots += "<circle class=\"source\" cx=\"" + number(x) + "\" cy=\"" + number(y) + "\" r=\"3\" fill=\"#c60\"/>\n";
    }
    return "<path class=\"arc\" d=\"" + d + "\" fill=\"none\" stroke=\"#c60\" stroke-dasharray=\"4 3\"/>\n" + dots;
}

}  // namespace

std::string roomPlanSvg(const RoomResults& room, const std::vector<double>& sources) {
    const RoomPlanScale s = roomPlanScale(room.room.width, room.room.depth);
    return planSvgOpen(s, room.room.width, "Plan of the room") + wallsSvg(s, room.room) +
           positionsArc(s, room, sources) + planArraySvg(s, room.arrayAt) + planScaleBar(s, room.room.width) +
           "</svg>\n";
}

namespace {

// The coherence plot: 62.5 Hz to 16 kHz across on a logarithmic axis, -1 to 1 upwards.
constexpr double plotLeft = 50, plotWidth = 400, plotTop = 12, plotHeight = 180;
constexpr double lowest = 62.5, highest = 16000;
double fx(double hertz) { return plotLeft + std::log2(hertz / lowest) / std::log2(highest / lowest) * plotWidth; }
double cy(double coherence) { return plotTop + (1 - coherence) * plotHeight / 2; }

std::string coherenceFrame() {
    std::string svg;
    for (const double f : {62.5, 125.0, 250.0, 500.0, 1000.0, 2000.0, 4000.0, 8000.0, 16000.0}) {
        svg += "<line class=\"grid\" x1=\"" + number(fx(f)) + "\" y1=\"" + number(cy(1)) + "\" x2=\"" + number(fx(f)) +
               "\" y2=\"" + number(cy(-1)) + "\"/>\n";
        // The bands' nominal names: 63 for the lowest's 62.5.
        svg += planText(fx(f), cy(-1) + 16,
                        f < 100    ? "63"
                        : f < 1000 ? fixedText(f, 0)
                                   : fixedText(f / 1000, 0) + "k",
                        "middle");
    }
    for (const double c : {-1.0, -0.5, 0.0, 0.5, 1.0}) {
        svg += "<line class=\"grid\" x1=\"" + number(fx(lowest)) + "\" y1=\"" + number(cy(c)) + "\" x2=\"" +
               number(fx(highest)) + "\" y2=\"" + number(cy(c)) + "\"/>\n";
        svg += planText(plotLeft - 6, cy(c) + 4, fixedText(c, 1), "end");
    }
    return svg + planText(plotLeft + plotWidth / 2, cy(-1) + 34, "frequency (Hz)", "middle");
}

}  // namespace

std::string coherenceSvg(const ArrayRoomResult& room, const CurveStyle& style) {
    std::string svg =
        "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 470 290\" width=\"470\" "
        "height=\"290\" role=\"img\" aria-label=\"Coherence of the channels\">\n" +
        coherenceFrame();
    std::string diffuse;
    for (const CoherencePoint& p : room.diffuseCurve)
        if (p.frequency >= lowest && p.frequency <= highest)
            diffuse += std::string(diffuse.empty() ? "M" : " L") + number(fx(p.frequency)) + " " +
                       number(cy(std::clamp(p.coherence, -1.0, 1.0)));
    svg += "<path class=\"diffuse\" d=\"" + diffuse + "\" fill=\"none\" stroke=\"#777\" stroke-dasharray=\"5 3\"/>\n";
    if (room.coherence) {
        std::string measured, dots;
        for (int b = 0; b < bandCount; ++b) {
            const std::string x = number(fx(bandCentres[b])), y = number(cy((*room.coherence)[b]));
            measured += std::string(measured.empty() ? "M" : " L") + x + " " + y;
            dots +=
                "<circle class=\"band\" cx=\"" + x + "\" cy=\"" + y + "\" r=\"3\" fill=\"" + style.colour + "\"/>\n";
        }
        svg += "<path class=\"measured\" d=\"" + measured + "\" fill=\"none\" stroke=\"" + style.colour +
               "\" stroke-width=\"2\"/>\n" + dots;
    }
    const double y = cy(-1) + 52;
    svg += "<line x1=\"" + number(plotLeft) + "\" y1=\"" + number(y - 4) + "\" x2=\"" + number(plotLeft + 24) +
           "\" y2=\"" + number(y - 4) + "\" stroke=\"" + style.colour + "\" stroke-width=\"2\"/>\n" +
           planText(plotLeft + 30, y, "measured (after 80 ms, all positions)", "start");
    svg += "<line x1=\"" + number(plotLeft) + "\" y1=\"" + number(y + 16) + "\" x2=\"" + number(plotLeft + 24) +
           "\" y2=\"" + number(y + 16) + "\" stroke=\"#777\" stroke-dasharray=\"5 3\"/>\n" +
           planText(plotLeft + 30, y + 20, "diffuse field", "start");
    return svg + "</svg>\n";
}

}  // namespace auralith
