#include "report/curves_plot.h"

#include <cmath>
#include <utility>
#include <variant>
#include <vector>

#include "catalogue/built_in_arrays.h"
#include "report/html/html_text.h"
#include "report/numbers.h"
#include "report/text_reports.h"

namespace auralith {

namespace {

constexpr const char* antiphaseDash = "2 3";

}  // namespace

CurveStyle curveStyle(const CompareResults& results, std::size_t k) {
    std::size_t described = 0;
    for (std::size_t j = 0; j < k; ++j) described += builtInOf(results.arrays[j].array.model) == nullptr;
    return curveStyleOf(results.arrays[k].array.model, described);
}

std::string strokeOf(const CurveStyle& style) {
    return " stroke=\"" + style.colour + "\"" + (style.dash.empty() ? "" : " stroke-dasharray=\"" + style.dash + "\"");
}

std::string styleSwatch(const CurveStyle& style) {
    return "<svg class=\"swatch\" width=\"32\" height=\"10\" aria-hidden=\"true\"><line x1=\"0\" y1=\"5\" x2=\"32\" "
           "y2=\"5\" stroke-width=\"3\"" +
           strokeOf(style) + "/></svg>";
}

namespace {

// Earlier built-in arrays are drawn wider, so that a curve another one covers still shows at its
// edges; the described ones are drawn thinnest, on top of them.
std::string curveWidth(const ChosenArray& array) {
    const BuiltInArray* builtIn = builtInOf(array.model);
    const auto rows = static_cast<int>(builtInArrays().size());
    return fixedText(builtIn ? 2 + 0.8 * (rows - builtIn->menu) : 1.6, 1);
}

// Where a plot stands in its SVG, source angle -90 .. 90 across and image -30 .. 30 upwards
// (right at the top): the plot of all the arrays, or one array's own beside its plan, whose
// elements' classes say so, so that the page's script and checks tell the two apart.
struct PlotArea {
    double left, width, top, height;
    int sourceLabelStep;      // degrees between the source angle's labels
    const char* sourceTitle;  // the axes' titles; the image's ends with the loudspeakers' angle
    const char* imageTitle;
    bool alone;  // one array's own: its curve drawn at one width
};

constexpr PlotArea allArrays{
    60, 660, 20, 360, 15, "source angle (negative: left)", "predicted image (loudspeakers at ±", false};
constexpr PlotArea oneArray{54, 226, 12, 160, 45, "source angle", "image (±", true};

std::string xOf(const PlotArea& area, double source) {
    return fixedText(area.left + (source + 90) * area.width / 180, 2);
}
double yAt(const PlotArea& area, double image) { return area.top + (30 - image) * area.height / 60; }
std::string yOf(const PlotArea& area, double image) { return fixedText(yAt(area, image), 2); }
std::string classOf(const PlotArea& area, const char* name) { return area.alone ? name + std::string(" alone") : name; }

std::string line(const std::string& cls, const std::string& x1, const std::string& y1, const std::string& x2,
                 const std::string& y2, const std::string& extra = {}) {
    return "<line class=\"" + cls + "\" x1=\"" + x1 + "\" y1=\"" + y1 + "\" x2=\"" + x2 + "\" y2=\"" + y2 + "\"" +
           extra + "/>\n";
}

std::string text(const std::string& x, const std::string& y, const std::string& content, const char* anchor,
                 const std::string& extra = {}) {
    return "<text x=\"" + x + "\" y=\"" + y + "\" text-anchor=\"" + anchor + "\"" + extra + ">" + content + "</text>\n";
}

// The image axis is drawn for +-30 degrees; another base's images are scaled onto it and its
// marks say their own degrees.
double plotScale(const CompareResults& results) { return 30 / results.base.halfAngle; }

std::string plotFrame(const CompareResults& results, const PlotArea& area) {
    const double half = results.base.halfAngle;
    const std::string grid = classOf(area, "grid");
    std::string svg = "<rect class=\"" + classOf(area, "sweep") + "\" x=\"" + xOf(area, -45) + "\" y=\"" +
                      yOf(area, 30) + "\" width=\"" + fixedText(area.width / 2, 2) + "\" height=\"" +
                      fixedText(area.height, 2) + "\"/>\n";
    for (int s = -90; s <= 90; s += 15) {
        svg += line(grid, xOf(area, s), yOf(area, 30), xOf(area, s), yOf(area, -30));
        if (s % area.sourceLabelStep == 0)
            svg += text(xOf(area, s), fixedText(area.top + area.height + 18, 2), signedText(s, 0) + "°", "middle");
    }
    for (int i = -30; i <= 30; i += 10) {
        svg += line(std::abs(i) == 30 ? classOf(area, "limit") : grid, xOf(area, -90), yOf(area, i), xOf(area, 90),
                    yOf(area, i));
        svg += text(fixedText(area.left - 8, 2), fixedText(yAt(area, i) + 4, 2), signedText(i * half / 30, 0) + "°",
                    "end");
    }
    svg += text(xOf(area, 0), fixedText(area.top + area.height + 40, 2), area.sourceTitle, "middle");
    svg += "<text transform=\"translate(16," + yOf(area, 0) + ") rotate(-90)\" text-anchor=\"middle\">" +
           area.imageTitle + fixedText(half, 0) + "°)</text>\n";
    return svg;
}

using Run = std::pair<std::size_t, std::size_t>;  // the first and last point of a stretch

// The stretches where the channels are in antiphase: the segments with an antiphase point at
// either end, joined where they meet.
std::vector<Run> antiphaseRuns(const std::vector<CurvePoint>& curve) {
    std::vector<Run> runs;
    for (std::size_t i = 0; i + 1 < curve.size(); ++i) {
        if (!curve[i].antiphase && !curve[i + 1].antiphase) continue;
        if (!runs.empty() && runs.back().second == i)
            runs.back().second = i + 1;
        else
            runs.emplace_back(i, i + 1);
    }
    return runs;
}

// The stretches between them.
std::vector<Run> plainRuns(const std::vector<CurvePoint>& curve, const std::vector<Run>& antiphase) {
    std::vector<Run> runs;
    std::size_t from = 0;
    for (const Run& a : antiphase) {
        if (a.first > from) runs.emplace_back(from, a.first);
        from = a.second;
    }
    if (from + 1 < curve.size()) runs.emplace_back(from, curve.size() - 1);
    return runs;
}

std::string pathThrough(const PlotArea& area, const std::vector<CurvePoint>& curve, const std::vector<Run>& runs,
                        double scale) {
    std::string d;
    for (const auto& [first, last] : runs)
        for (std::size_t i = first; i <= last; ++i)
            d += std::string(d.empty() ? "" : " ") + (i == first ? "M" : "L") + xOf(area, curve[i].sourceDegrees) +
                 " " + yOf(area, curve[i].image * scale);
    return d;
}

// Dotted, thinner than any curve and labelled at its outer end, where the labels of several
// arrays stand apart.
std::string antiphaseStretches(const CompareResults& results, std::size_t k, const std::vector<Run>& runs,
                               const PlotArea& area) {
    const std::vector<CurvePoint>& curve = results.arrays[k].analysis.curve;
    const std::string colour = curveStyle(results, k).colour;
    const double scale = plotScale(results);
    std::string svg = "<path class=\"" + classOf(area, "antiphase") + "\" stroke=\"" + colour +
                      "\" stroke-dasharray=\"" + antiphaseDash + "\" stroke-width=\"1.5\" d=\"" +
                      pathThrough(area, curve, runs, scale) + "\"/>\n";
    for (const auto& [first, last] : runs) {
        const CurvePoint& outer =
            curve[std::fabs(curve[first].sourceDegrees) > std::fabs(curve[last].sourceDegrees) ? first : last];
        svg += text(xOf(area, outer.sourceDegrees), fixedText(yAt(area, outer.image * scale) - 6, 2), "antiphase",
                    outer.sourceDegrees > 0 ? "end" : "start",
                    " class=\"" + classOf(area, "antiphase-label") + "\" style=\"fill:" + colour + "\"");
    }
    return svg;
}

std::string arrayCurve(const CompareResults& results, std::size_t k, const PlotArea& area) {
    const ArrayResult& r = results.arrays[k];
    const ArrayAnalysis& a = r.analysis;
    const CurveStyle style = curveStyle(results, k);
    const double scale = plotScale(results);
    const std::vector<Run> antiphase = antiphaseRuns(a.curve);
    std::string svg = "<path class=\"" + classOf(area, "curve") + "\" data-array=\"" + htmlEscaped(r.array.key) + "\"" +
                      strokeOf(style) + " stroke-width=\"" + (area.alone ? "2.0" : curveWidth(r.array)) + "\" d=\"" +
                      pathThrough(area, a.curve, plainRuns(a.curve, antiphase), scale) + "\"/>\n";
    if (!antiphase.empty()) svg += antiphaseStretches(results, k, antiphase, area);
    for (const PositionAnalysis& p : a.positions)
        svg += "<circle class=\"" + classOf(area, "position") + "\" cx=\"" + xOf(area, p.sourceDegrees) + "\" cy=\"" +
               yOf(area, p.image * scale) + "\" r=\"3\" fill=\"" + style.colour + "\"/>\n";
    if (a.recordingAngle.degrees) {
        // The recording angle: where the curve reaches either loudspeaker.
        const double half = *a.recordingAngle.degrees / 2;
        const std::string stroke = " stroke=\"" + style.colour + "\"", sra = classOf(area, "sra");
        svg += line(sra, xOf(area, half), fixedText(yAt(area, 30) - 10, 2), xOf(area, half), yOf(area, 26), stroke);
        svg += line(sra, xOf(area, -half), yOf(area, -26), xOf(area, -half), fixedText(yAt(area, -30) + 10, 2), stroke);
    }
    return svg;
}

// An array's lines in the legend: its name and recording angle, what a missing recording angle
// means, and what its dots mean.
std::vector<std::string> legendLines(const ArrayResult& r) {
    const RecordingAngle& sra = r.analysis.recordingAngle;
    std::vector<std::string> lines{htmlEscaped(r.array.key) + " " + htmlEscaped(r.array.name) +
                                   (sra.degrees ? " (recording angle " + recordingAngleText(sra) + ")" : "")};
    if (!sra.degrees) lines.push_back("recording angle " + recordingAngleText(sra));
    if (!antiphaseRuns(r.analysis.curve).empty()) lines.push_back("dotted where its channels are in antiphase");
    return lines;
}

constexpr double legendTop = allArrays.top + allArrays.height + 62, legendLine = 20;

std::string legend(const CompareResults& results) {
    std::string svg;
    double y = legendTop;
    for (std::size_t k = 0; k < results.arrays.size(); ++k) {
        const double left = allArrays.left;
        svg += "<g class=\"legend\">" + line("key", fixedText(left, 2), fixedText(y - 4, 2), fixedText(left + 30, 2),
                                             fixedText(y - 4, 2), strokeOf(curveStyle(results, k)));
        for (const std::string& label : legendLines(results.arrays[k])) {
            svg += text(fixedText(left + 38, 2), fixedText(y, 2), label, "start");
            y += legendLine;
        }
        svg += "</g>\n";
    }
    return svg;
}

}  // namespace

std::string curvesSvg(const CompareResults& results) {
    std::size_t lines = 0;
    for (const ArrayResult& r : results.arrays) lines += legendLines(r).size();
    const double height = legendTop + legendLine * static_cast<double>(lines);
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 740 " + fixedText(height, 0) +
                      "\" width=\"740\" height=\"" + fixedText(height, 0) +
                      "\" role=\"img\" aria-label=\"Localisation curves\">\n" + plotFrame(results, allArrays);
    for (std::size_t k = 0; k < results.arrays.size(); ++k) svg += arrayCurve(results, k, allArrays);
    return svg + legend(results) + "</svg>\n";
}

std::string arrayCurveSvg(const CompareResults& results, std::size_t k) {
    const double width = oneArray.left + oneArray.width + 20, height = oneArray.top + oneArray.height + 48;
    return "<svg class=\"own-curve\" viewBox=\"0 0 " + fixedText(width, 0) + " " + fixedText(height, 0) +
           "\" width=\"" + fixedText(width, 0) + "\" height=\"" + fixedText(height, 0) +
           "\" role=\"img\" aria-label=\"Localisation curve of " + htmlEscaped(results.arrays[k].array.name) + "\">\n" +
           plotFrame(results, oneArray) + arrayCurve(results, k, oneArray) + "</svg>\n";
}

}  // namespace auralith
