// Each array's plan on the page, read back from its SVG: the microphones' places to the scale
// bar's scale, their axes, their patterns' curves, and the source's way over the sweep.
#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <numbers>
#include <regex>
#include <string>
#include <vector>

#include "catalogue/array_list.h"
#include "report/array_plan.h"
#include "report/html_report.h"

namespace auralith {
namespace {

struct Dot {
    double x, y;
};

// The numbers in the attributes `names` of each element that begins with `head`, in order.
std::vector<std::vector<double>> elements(const std::string& svg, const std::string& head,
                                          const std::vector<std::string>& names) {
    std::vector<std::vector<double>> found;
    for (std::size_t at = svg.find(head); at != std::string::npos; at = svg.find(head, at + 1)) {
        const std::string element = svg.substr(at, svg.find('>', at + head.size()) - at);
        std::vector<double> values;
        for (const std::string& name : names)
            values.push_back(std::stod(element.substr(element.find(name + "=\"") + name.size() + 2)));
        found.push_back(values);
    }
    return found;
}

// The points of the first path that begins with `head`; none where there is no such path.
std::vector<Dot> pathDots(const std::string& svg, const std::string& head) {
    const std::size_t at = svg.find(head), from = svg.find(" d=\"", at) + 4;
    const std::string d = at == std::string::npos ? "" : svg.substr(from, svg.find('"', from) - from);
    std::vector<Dot> dots;
    const std::regex point("[ML]([-0-9.]+) ([-0-9.]+)");
    for (auto it = std::sregex_iterator(d.begin(), d.end(), point); it != std::sregex_iterator(); ++it)
        dots.push_back({std::stod((*it)[1]), std::stod((*it)[2])});
    return dots;
}

// Degrees clockwise from the front (up the page), as the axes and the source's angle are given.
double bearing(Dot from, Dot to) { return std::atan2(to.x - from.x, from.y - to.y) * 180 / std::numbers::pi; }

struct PlanCase {
    const char* array;
    std::vector<std::array<double, 3>> mics;  // centimetres right and ahead of the first one, and the axis
};

class ArrayPlan : public ::testing::TestWithParam<PlanCase> {};

// ORTF's 17 cm and +-55 degrees, the tree's centre 1.5 m forward of outer ones 2 m apart,
// Blumlein's crossed figures of eight and mid-side's sideways one at one point: measured in the
// drawing, in the scale bar's centimetres.
TEST_P(ArrayPlan, StandsToScaleWithItsAxes) {
    const ChosenArray array = parseArrayList(GetParam().array).arrays.at(0);
    const std::string svg = arrayPlanSvg(array.model, {-45, 45}, array.name, "#000");
    const auto bar = elements(svg, "<g class=\"scale-bar\"><line", {"x1", "x2"}).at(0);
    const std::size_t cm = svg.find(" cm</text>");
    const double perCm = (bar[1] - bar[0]) / std::stod(svg.substr(svg.rfind('>', cm) + 1));
    const auto mics = elements(svg, "<circle class=\"mic\"", {"cx", "cy"});
    const auto axes = elements(svg, "<line class=\"axis\"", {"x1", "y1", "x2", "y2"});
    ASSERT_EQ(mics.size(), GetParam().mics.size());
    for (std::size_t m = 0; m < mics.size(); ++m) {
        const auto& [lateral, forward, axis] = GetParam().mics[m];
        EXPECT_NEAR((mics[m][0] - mics[0][0]) / perCm, lateral, 0.1) << m;
        EXPECT_NEAR((mics[0][1] - mics[m][1]) / perCm, forward, 0.1) << m;
        EXPECT_NEAR(bearing({axes[m][0], axes[m][1]}, {axes[m][2], axes[m][3]}), axis, 0.1) << m;
    }
}

INSTANTIATE_TEST_SUITE_P(Page, ArrayPlan,
                         ::testing::Values(PlanCase{"4", {{0, 0, -55}, {17, 0, 55}}},
                                           PlanCase{"ortf", {{0, 0, -55}, {17, 0, 55}}},
                                           PlanCase{"3", {{0, 0, 0}, {20, 0, 0}}},
                                           PlanCase{"1", {{0, 0, -45}, {0, 0, 45}}},
                                           PlanCase{"6", {{0, 0, 0}, {200, 0, 0}, {100, 150, 0}}},
                                           PlanCase{"tree:3:2:cardioid", {{0, 0, 0}, {300, 0, 0}, {150, 200, 0}}},
                                           PlanCase{"ms:figure8:1", {{0, 0, 0}, {0, 0, -90}}}));

class PatternCurve : public ::testing::TestWithParam<double> {};

// Around the left microphone of a coincident pair (axis -45 degrees), the curve's radius at each
// angle off the axis is |p + (1 - p) cos a| of its radius on the axis: half at 90 degrees for a
// cardioid; the lobe where that is negative (behind a figure of eight or hypercardioid) drawn
// dashed, apart from the front, and marked with a minus.
TEST_P(PatternCurve, IsThePolarResponseWithItsRearLobeMarked) {
    const double p = GetParam();
    const std::string svg = arrayPlanSvg(pairLayout(p, 90, 0), {-45, 45}, "pair", "#000");
    const auto mic = elements(svg, "<circle class=\"mic\"", {"cx", "cy"}).at(0);
    const Dot centre{mic[0], mic[1]};
    const auto radiusAt = [&](const std::vector<Dot>& dots, double offAxis) {
        for (const Dot& dot : dots)
            if (std::hypot(dot.x - centre.x, dot.y - centre.y) > 0.5 &&
                std::fabs(std::remainder(bearing(centre, dot) + 45 - offAxis, 360)) < 0.5)
                return std::hypot(dot.x - centre.x, dot.y - centre.y);
        return 0.0;
    };
    const auto front = pathDots(svg, "<path class=\"lobe\""), rear = pathDots(svg, "<path class=\"lobe rear\"");
    const double onAxis = radiusAt(front, 0);
    ASSERT_GT(onAxis, 20);
    EXPECT_NEAR(radiusAt(front, 90), onAxis * p, 0.02);
    EXPECT_NEAR(radiusAt(p < 0.5 ? rear : front, 180), onAxis * std::fabs(2 * p - 1), 0.02);
    EXPECT_EQ(rear.empty(), p >= 0.5);
    EXPECT_EQ(radiusAt(front, 180) == 0, p <= 0.5);  // no rear lobe drawn solid
    EXPECT_EQ(svg.find(">−</text>") != std::string::npos, p < 0.4);
}

INSTANTIATE_TEST_SUITE_P(Page, PatternCurve, ::testing::Values(1.0, 0.5, 0.25, 0.0));

// The arc runs from the sweep's first angle to its last, a dot at each position and an arrow at
// its end, around the array's centre (where a coincident pair stands).
TEST(ArrayPlanSweep, TheArcGoesTheSourcesWay) {
    const std::string svg = arrayPlanSvg(MicArray::blumleinPair, {-30, 0, 30, 60}, "Blumlein", "#000");
    const auto mic = elements(svg, "<circle class=\"mic\"", {"cx", "cy"}).at(0);
    const std::vector<Dot> arc = pathDots(svg, "<path class=\"source-arc\"");
    ASSERT_GE(arc.size(), 2u);
    EXPECT_NEAR(bearing({mic[0], mic[1]}, arc.front()), -30, 0.1);
    EXPECT_NEAR(bearing({mic[0], mic[1]}, arc.back()), 60, 0.1);
    EXPECT_EQ(elements(svg, "<circle class=\"source-position\"", {"cx"}).size(), 4u);
}

// Every array's section holds its plan and its own curve, in the colour and dash of its curve
// among the others; the plot of all the arrays is still the only one the page's script counts.
TEST(ArrayPlanPage, EverySectionShowsItsArrayBesideItsCurve) {
    CompareResults results;
    for (const ChosenArray& a : parseArrayList("1,2,3,4,5,6,nos,pair:omni:0:40,tree:2:1:omni,ms:cardioid:1").arrays)
        results.arrays.push_back({a, analyseArray(a.model, 44100), {}, {}, {}, {}});
    const std::string html = htmlReport(results);
    const auto strokes = [&](const std::string& head) {
        std::string found;
        for (std::size_t at = html.find(head); at != std::string::npos; at = html.find(head, at + 1))
            found += html.substr(html.find(" stroke=", at), html.find(" stroke-width", at) - html.find(" stroke=", at));
        return found;
    };
    EXPECT_EQ(strokes("<path class=\"curve alone\""), strokes("<path class=\"curve\""));
    std::size_t sections = 0;
    for (std::size_t at = html.find("<section class=\"array\""); at != std::string::npos; ++sections) {
        const std::size_t end = html.find("</section>", at), plan = html.find("<svg class=\"plan\"", at);
        EXPECT_LT(plan, html.find("<svg class=\"own-curve\"", plan));
        EXPECT_LT(html.find("<svg class=\"own-curve\"", plan), end) << "section " << sections;
        at = html.find("<section class=\"array\"", end);
    }
    EXPECT_EQ(sections, results.arrays.size());
}

}  // namespace
}  // namespace auralith
