// Each array's plan on the page, read back from its SVG: the microphones' places to the scale
// bar's scale, their axes, their patterns' curves, and the source's way over the sweep.
#include <gtest/gtest.h>

#include <cctype>
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

// Every element's numbers: the attributes a to d of each `<tag class="cls"` element, in order.
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

std::vector<Dot> pathDots(const std::string& d) {
    std::vector<Dot> dots;
    const std::regex point("[ML]([-0-9.]+) ([-0-9.]+)");
    for (auto it = std::sregex_iterator(d.begin(), d.end(), point); it != std::sregex_iterator(); ++it)
        dots.push_back({std::stod((*it)[1]), std::stod((*it)[2])});
    return dots;
}

std::string pathOf(const std::string& svg, const std::string& head) {
    const std::size_t at = svg.find(head);
    if (at == std::string::npos) return "";
    const std::size_t d = svg.find(" d=\"", at) + 4;
    return svg.substr(d, svg.find('"', d) - d);
}

// Degrees clockwise from the front (up the page), as the axes and the source's angle are given.
double bearing(Dot from, Dot to) { return std::atan2(to.x - from.x, from.y - to.y) * 180 / std::numbers::pi; }

struct Mic {
    double lateral, forward;  // centimetres from the first microphone
    double axis;              // degrees
};

struct PlanCase {
    const char* array;
    std::vector<Mic> mics;
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
        const Mic& want = GetParam().mics[m];
        EXPECT_NEAR((mics[m][0] - mics[0][0]) / perCm, want.lateral, 0.1) << m;
        EXPECT_NEAR((mics[0][1] - mics[m][1]) / perCm, want.forward, 0.1) << m;
        EXPECT_NEAR(bearing({axes[m][0], axes[m][1]}, {axes[m][2], axes[m][3]}), want.axis, 0.1) << m;
    }
}

INSTANTIATE_TEST_SUITE_P(Page, ArrayPlan,
                         ::testing::Values(PlanCase{"4", {{0, 0, -55}, {17, 0, 55}}},
                                           PlanCase{"ortf", {{0, 0, -55}, {17, 0, 55}}},
                                           PlanCase{"3", {{0, 0, 0}, {20, 0, 0}}},
                                           PlanCase{"1", {{0, 0, -45}, {0, 0, 45}}},
                                           PlanCase{"6", {{0, 0, 0}, {200, 0, 0}, {100, 150, 0}}},
                                           PlanCase{"tree:3:2:cardioid", {{0, 0, 0}, {300, 0, 0}, {150, 200, 0}}},
                                           PlanCase{"ms:figure8:1", {{0, 0, 0}, {0, 0, -90}}}),
                         [](const ::testing::TestParamInfo<PlanCase>& info) {
                             std::string name = std::string("array_") + info.param.array;
                             for (char& c : name)
                                 if (!std::isalnum(static_cast<unsigned char>(c))) c = '_';
                             return name;
                         });

class PatternCurve : public ::testing::TestWithParam<double> {};

// Around the left microphone of a coincident pair (axis -45 degrees), the curve's radius at each
// angle off the axis is |p + (1 - p) cos a| of its radius on the axis: half at 90 degrees for a
// cardioid; the part where that is negative dashed apart and marked with a minus.
TEST_P(PatternCurve, IsThePolarResponseWithItsRearLobeMarked) {
    const double p = GetParam();
    const std::string svg = arrayPlanSvg(pairLayout(p, 90, 0), {-45, 45}, "pair", "#000");
    const auto mic = elements(svg, "<circle class=\"mic\"", {"cx", "cy"}).at(0);
    const Dot centre{mic[0], mic[1]};
    const auto radiusAt = [&](const std::string& d, double offAxis) {
        for (const Dot& dot : pathDots(d))
            if (std::hypot(dot.x - centre.x, dot.y - centre.y) > 0.5 &&
                std::fabs(std::remainder(bearing(centre, dot) + 45 - offAxis, 360)) < 0.5)
                return std::hypot(dot.x - centre.x, dot.y - centre.y);
        return 0.0;
    };
    const std::string front = pathOf(svg, "<path class=\"lobe\""), rear = pathOf(svg, "<path class=\"lobe rear\"");
    const double onAxis = radiusAt(front, 0);
    ASSERT_GT(onAxis, 20);
    EXPECT_NEAR(radiusAt(front, 90), onAxis * p, 0.02);
    EXPECT_NEAR(radiusAt(front, -90), onAxis * p, 0.02);
    EXPECT_NEAR(radiusAt(p < 0.5 ? rear : front, 180), onAxis * std::fabs(2 * p - 1), 0.02);
    EXPECT_EQ(rear.empty(), p >= 0.5);
    for (const Dot& dot : pathDots(rear)) {  // every dashed point off the centre where the response is negative
        if (std::hypot(dot.x - centre.x, dot.y - centre.y) < 0.5) continue;
        EXPECT_LT(p + (1 - p) * std::cos((bearing(centre, dot) + 45) * std::numbers::pi / 180), 0);
    }
    EXPECT_EQ(svg.find(">−</text>") != std::string::npos, p < 0.4);
}

INSTANTIATE_TEST_SUITE_P(Page, PatternCurve, ::testing::Values(1.0, 0.5, 0.25, 0.0));

// The arc runs from the sweep's first angle to its last, a dot at each position and an arrow at
// its end, around the array's centre (where a coincident pair stands).
TEST(ArrayPlanSweep, TheArcGoesTheSourcesWay) {
    const std::string svg = arrayPlanSvg(MicArray::blumleinPair, {-30, 0, 30, 60}, "Blumlein", "#000");
    const auto mic = elements(svg, "<circle class=\"mic\"", {"cx", "cy"}).at(0);
    const std::vector<Dot> arc = pathDots(pathOf(svg, "<path class=\"source-arc\""));
    ASSERT_GE(arc.size(), 2u);
    EXPECT_NEAR(bearing({mic[0], mic[1]}, arc.front()), -30, 0.1);
    EXPECT_NEAR(bearing({mic[0], mic[1]}, arc.back()), 60, 0.1);
    EXPECT_EQ(elements(svg, "<circle class=\"source-position\"", {"cx"}).size(), 4u);
    EXPECT_NE(svg.find("stage (front)"), std::string::npos);
}

// Every array's section holds its plan and its own curve, drawn in the colour and dash of its
// curve among all the others; the plot of all the arrays is still the only one the page's script
// and checks count.
TEST(ArrayPlanPage, EverySectionShowsItsArrayBesideItsCurve) {
    CompareResults results;
    for (const ChosenArray& a : parseArrayList("1,2,3,4,5,6,nos,pair:omni:0:40,tree:2:1:omni,ms:cardioid:1").arrays)
        results.arrays.push_back({a, analyseArray(a.model, 44100), {}, {}, {}, {}});
    const std::string html = htmlReport(results);
    const std::size_t plot = html.find("<div id=\"curves\">");
    const std::string all = html.substr(plot, html.find("</div>", plot) - plot);
    for (std::size_t k = 0; k < results.arrays.size(); ++k) {
        const std::size_t from = html.find("<section class=\"array\" id=\"array-" + results.arrays[k].array.key + "\"");
        const std::string section = html.substr(from, html.find("</section>", from) - from);
        EXPECT_NE(section.find("<svg class=\"plan\""), std::string::npos) << k;
        const std::size_t own = section.find("<path class=\"curve alone\"");
        ASSERT_NE(own, std::string::npos) << k;
        const std::string stroke = section.substr(section.find(" stroke=", own),
                                                  section.find(" stroke-width", own) - section.find(" stroke=", own));
        EXPECT_NE(all.find(stroke + " stroke-width"), std::string::npos) << k << stroke;
    }
    EXPECT_EQ(all.find("alone"), std::string::npos);
}

}  // namespace
}  // namespace auralith
