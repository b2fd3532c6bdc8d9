// The numbers of report.csv and arrays.csv against values worked out here from the arrays'
// geometry as it is described (microphone positions, polar patterns, a source 10 m away, whole
// frames at 44 100 Hz, pi taken as 3.14159265359), not from the model's code.
#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <optional>
#include <sstream>
#include <string>
#include <tuple>
#include <vector>

#include "catalogue/array_list.h"
#include "catalogue/built_in_arrays.h"
#include "catalogue/techniques.h"
#include "job/compare/design_report.h"
#include "report/numbers.h"
#include "report/text_reports.h"
#include "sim/analysis/array_analysis.h"
#include "sim/analysis/localisation.h"
#include "sim/analysis/spacing_search.h"

namespace auralith {
namespace {

constexpr long double rate = 44100;
const long double degree = 3.14159265359L / 180;

struct Source {
    long double s, f;  // lateral (right) and forward, metres
};

Source sourceAt(long double degrees) { return {10 * std::sin(degrees * degree), 10 * std::cos(degrees * degree)}; }

long double distance(Source src, long double lateral, long double forward) {
    return std::sqrt((src.f - forward) * (src.f - forward) + (src.s - lateral) * (src.s - lateral));
}

long double frames(long double r) { return std::nearbyint((r - 10) / 344 * rate); }

// What one position should give: ICLD in dB, ICTD in frames, and the image.
struct Expected {
    long double icld;
    long double ictd;
    long double image;
};

long double imageFor(long double icld, long double ictdFrames) {
    const long double lead = ictdFrames / rate * 1000 + icld / 17;
    const long double q = std::fabs(lead);
    const long double size = std::fmin(q <= 0.5L ? 40 * q : 20 * (q + 0.5L), 30);
    return lead > 0 ? -size : size;
}

Expected levelOnly(long double left, long double right) {
    const long double icld = 20 * std::log10(std::fabs(left / right));
    return {icld, 0, imageFor(icld, 0)};
}

Expected pair(long double left, long double right, long double dL, long double dR) {
    const long double icld = 20 * std::log10(left / right);
    return {icld, dR - dL, imageFor(icld, dR - dL)};
}

Expected expectedAt(int array, int p) {
    const long double phi = 7.5L * p - 45;
    const Source src = sourceAt(phi);
    switch (array) {
        case 1: return levelOnly(std::cos((phi + 45) * degree), std::sin((phi + 45) * degree));
        case 2:
            return levelOnly(0.5L + 0.5L * std::cos((phi + 52.5L) * degree),
                             0.5L + 0.5L * std::cos((52.5L - phi) * degree));
        case 3: {
            const long double h = 0.1f;
            return pair(std::cos(std::atan((h + src.s) / src.f)), std::cos(std::atan((src.s - h) / src.f)),
                        frames(distance(src, -h, 0)), frames(distance(src, h, 0)));
        }
        case 4: {
            const long double h = 0.085f;
            return pair(0.5L + 0.5L * std::cos((phi + 55) * degree), 0.5L + 0.5L * std::cos((55 - phi) * degree),
                        frames(distance(src, -h, 0)), frames(distance(src, h, 0)));
        }
        default: break;
    }
    const long double reference = distance(sourceAt(-45), -1, 0);
    const long double rL = distance(src, -1, 0), rR = distance(src, 1, 0);
    if (array == 5) return pair(reference / rL, reference / rR, frames(rL), frames(rR));
    // The tree: each channel its outer microphone plus half the centre one, whose delay differs
    // from the outer ones' by 41 frames or more, so the two add in power; the outer pair's
    // product is the largest cross-correlation term.
    const long double half = 0.5L * reference / distance(src, 0, 1.5L);
    const long double left = reference / rL, right = reference / rR;
    const long double icld = 10 * std::log10((left * left + half * half) / (right * right + half * half));
    const long double lag = frames(rR) - frames(rL);
    return {icld, lag, imageFor(icld, lag)};
}

// report.csv's rows by (array, position): the columns after the name.
std::map<std::pair<int, int>, std::vector<std::string>> csvRows(const std::string& csv) {
    std::map<std::pair<int, int>, std::vector<std::string>> rows;
    std::istringstream lines(csv);
    std::string line;
    std::getline(lines, line);
    EXPECT_EQ(line, "array,array_name,position,source_deg,icld_db,ictd_ms,ictd_samples,image_deg");
    while (std::getline(lines, line)) {
        std::vector<std::string> cells;
        std::istringstream fields(line);
        for (std::string cell; std::getline(fields, cell, ',');) cells.push_back(cell);
        EXPECT_EQ(cells.size(), 8u) << line;
        if (cells.size() == 8) rows[{std::stoi(cells[0]), std::stoi(cells[2])}] = cells;
    }
    return rows;
}

CompareResults allArrays() {
    CompareResults results;
    for (int k = 1; k <= 6; ++k) {
        const auto array = static_cast<MicArray>(k);
        results.arrays.push_back({builtInChoice(array), analyseArray(array, 44100), {}, {}, {}, {}});
    }
    return results;
}

TEST(CompareCsv, PositionsMatchTheGeometryWorkedOutByHand) {
    const auto rows = csvRows(positionsCsv(allArrays()));
    EXPECT_EQ(rows.size(), 6u * 13u);
    const char* names[6] = {"\"Blumlein crossed pair\"",
                            "\"Coincident cardioids (105 deg)\"",
                            "\"Faulkner near-coincident pair\"",
                            "\"ORTF near-coincident pair\"",
                            "\"Two spaced omnis\"",
                            "\"Decca three-omni tree\""};
    for (int array = 1; array <= 6; ++array) {
        for (int p : {0, 1, 4, 6, 9, 11}) {
            SCOPED_TRACE("array " + std::to_string(array) + ", position " + std::to_string(p));
            const std::vector<std::string>& row = rows.at({array, p});
            const Expected e = expectedAt(array, p);
            EXPECT_EQ(row[1], names[array - 1]);
            EXPECT_NEAR(std::stod(row[3]), 7.5 * p - 45, 1e-9);
            if (std::isinf(e.icld))
                EXPECT_EQ(std::stod(row[4]), static_cast<double>(e.icld));
            else
                EXPECT_NEAR(std::stod(row[4]), static_cast<double>(e.icld), 0.0006);
            EXPECT_EQ(std::stol(row[6]), std::lround(e.ictd));
            EXPECT_NEAR(std::stod(row[5]), static_cast<double>(e.ictd / 44.1L), 0.00006);
            EXPECT_NEAR(std::stod(row[7]), static_cast<double>(e.image), 0.006);
        }
    }
}

TEST(CompareCsv, TheWorkedExamplesOfTheArrays) {
    const auto rows = csvRows(positionsCsv(allArrays()));
    // Faulkner, position 0: left at -9 frames, right at +9; ORTF -8 and +8; spaced omnis -87 and
    // +94; the tree's outer pair as the omnis; straight ahead nothing differs.
    EXPECT_EQ(rows.at({3, 0})[6], "18");
    EXPECT_EQ(rows.at({4, 0})[6], "16");
    EXPECT_EQ(rows.at({4, 0})[5], "0.3628");
    EXPECT_EQ(rows.at({5, 0})[6], "181");
    EXPECT_EQ(rows.at({6, 0})[6], "181");
    EXPECT_EQ(rows.at({5, 12})[6], "-181");
    for (int array = 1; array <= 6; ++array) {
        EXPECT_EQ(rows.at({array, 6})[4], "0.000") << array;
        EXPECT_EQ(rows.at({array, 6})[6], "0") << array;
        EXPECT_EQ(rows.at({array, 6})[7], "0.00") << array;
    }
    // The Blumlein pair's right microphone is silent at 45 degrees left: the left channel is
    // infinitely louder. At 45 degrees right the left one's response is about -1.03e-13, not 0,
    // since pi is taken as 3.14159265359: 20 log10 of that.
    EXPECT_EQ(rows.at({1, 0})[4], "inf");
    EXPECT_EQ(rows.at({1, 0})[7], "-30.00");
    const long double leftAtRight = std::cos(90 * static_cast<long double>(static_cast<double>(degree)));
    EXPECT_NEAR(std::stod(rows.at({1, 12})[4]), static_cast<double>(20 * std::log10(std::fabs(leftAtRight))), 0.02);
    EXPECT_EQ(rows.at({1, 12})[7], "30.00");
}

TEST(CompareImage, TheTradingRuleAtItsCorners) {
    EXPECT_EQ(predictedImage(0.0, 0.0), 0.0);
    // The knee: a lead of 0.5 ms (or 8.5 dB) puts the image 20 degrees towards the leading side.
    EXPECT_DOUBLE_EQ(predictedImage(0.0, 0.5), -20.0);
    EXPECT_DOUBLE_EQ(predictedImage(-8.5, 0.0), 20.0);
    EXPECT_DOUBLE_EQ(predictedImage(0.0, 0.25), -10.0);
    EXPECT_DOUBLE_EQ(predictedImage(0.0, 0.75), -25.0);
    EXPECT_DOUBLE_EQ(predictedImage(8.5, 0.25), -25.0);  // 0.25 ms + 8.5 / 17
    // The cap: from a lead of 1 on, the image stays at the loudspeaker.
    EXPECT_DOUBLE_EQ(predictedImage(17.0, 0.0), -30.0);
    EXPECT_DOUBLE_EQ(predictedImage(0.0, -1.0), 30.0);
    EXPECT_DOUBLE_EQ(predictedImage(0.0, 3.0), -30.0);
    EXPECT_DOUBLE_EQ(predictedImage(INFINITY, 0.0), -30.0);
    EXPECT_DOUBLE_EQ(predictedImage(-INFINITY, 0.0), 30.0);
    // Cues to opposite sides weaken each other.
    EXPECT_DOUBLE_EQ(predictedImage(-8.5, 0.5), 0.0);
}

// At +-45 degrees MARRS weighs the lead by a = 1.5 and the level by b = 1.3: x = T + 1.5 L /
// (17 * 1.3), the image 40 x up to x = 0.75 (30 degrees) and 20 (x + 0.75) above, at most 45.
TEST(CompareImage, TheTradingRuleAtFortyFiveDegrees) {
    EXPECT_EQ(predictedImage(0.0, 0.0, base45), 0.0);
    EXPECT_DOUBLE_EQ(predictedImage(0.0, 0.75, base45), -30.0);
    EXPECT_DOUBLE_EQ(predictedImage(-0.75 * 17 * 1.3 / 1.5, 0.0, base45), 30.0);
    EXPECT_DOUBLE_EQ(predictedImage(0.0, 0.5, base45), -20.0);
    EXPECT_DOUBLE_EQ(predictedImage(0.0, 1.0, base45), -35.0);
    EXPECT_DOUBLE_EQ(predictedImage(0.0, 1.5, base45), -45.0);
    EXPECT_DOUBLE_EQ(predictedImage(0.0, -4.0, base45), 45.0);
    // Blumlein reaches a loudspeaker where its level difference reaches 17 * 1.3 = 22.1 dB.
    const long double blumlein = 2 * (std::atan(std::pow(10.0L, 22.1L / 20)) / degree - 45);
    const RecordingAngle b = recordingAngle(MicArray::blumleinPair, 44100, base45);
    ASSERT_TRUE(b.degrees.has_value());
    EXPECT_NEAR(*b.degrees, static_cast<double>(blumlein), 0.01);
    EXPECT_EQ(b.maxImage, 45.0);
    // A wider base needs a wider lead: every array's recording angle grows or vanishes.
    for (int k = 1; k <= 6; ++k) {
        const RecordingAngle narrow = recordingAngle(static_cast<MicArray>(k), 44100);
        const RecordingAngle wide = recordingAngle(static_cast<MicArray>(k), 44100, base45);
        if (narrow.degrees && wide.degrees) {
            EXPECT_GT(*wide.degrees, *narrow.degrees) << k;
        }
    }
}

TEST(CompareRecordingAngle, WorkedOutFromTheGeometry) {
    // Blumlein: the image reaches a loudspeaker where the level difference reaches 17 dB:
    // tan(theta + 45) = 10^(17/20).
    const long double blumlein = 2 * (std::atan(std::pow(10.0L, 0.85L)) / degree - 45);
    const RecordingAngle b = recordingAngle(MicArray::blumleinPair, 44100);
    ASSERT_TRUE(b.degrees.has_value());
    EXPECT_NEAR(*b.degrees, static_cast<double>(blumlein), 0.01);
    // Faulkner: never; at 90 degrees the path difference is the 0.2 m spacing and the level
    // ratio that of the two figures of eight seen from 10.1 and 9.9 m across.
    const RecordingAngle f = recordingAngle(MicArray::faulknerPair, 44100);
    EXPECT_FALSE(f.degrees.has_value());
    const long double lead = 0.2L / 344 * 1000 + 20 * std::log10(10.1L / 9.9L) / 17;
    EXPECT_NEAR(f.maxImage, static_cast<double>(20 * (lead + 0.5L)), 0.05);
    // Spaced omnis: where time and level together reach a lead of 1 (found here by bisection).
    const long double reference = distance(sourceAt(-45), -1, 0);
    auto leadAt = [&](long double theta) {
        const Source src = sourceAt(theta);
        const long double rL = distance(src, -1, 0), rR = distance(src, 1, 0);
        return (rL - rR) / 344 * 1000 + 20 * std::log10((reference / rR) / (reference / rL)) / 17;
    };
    long double low = 0, high = 90;
    for (int k = 0; k < 60; ++k) (leadAt((low + high) / 2) < 1 ? low : high) = (low + high) / 2;
    const RecordingAngle o = recordingAngle(MicArray::spacedOmniPair, 44100);
    ASSERT_TRUE(o.degrees.has_value());
    EXPECT_NEAR(*o.degrees, static_cast<double>(2 * high), 0.01);
    EXPECT_DOUBLE_EQ(o.maxImage, 30.0);
}

TEST(CompareRecordingAngle, OffTheSweepTheModelGivesThePositionsValuesAtTheirAngles) {
    // The unrounded pickup at a position's angle is the position's pickup before the rounding.
    for (int k = 1; k <= 6; ++k) {
        for (int p = 0; p < 13; ++p) {
            const Pickup at = pickupAtAngle(static_cast<MicArray>(k), 7.5L * p - 45, 44100);
            const Pickup rendered = pickupAtPosition(static_cast<MicArray>(k), p, 44100);
            ASSERT_EQ(at.count(), rendered.count());
            for (int m = 0; m < at.count(); ++m) {
                EXPECT_EQ(at.mics[m].factor, rendered.mics[m].factor);
                EXPECT_EQ(std::nearbyint(at.mics[m].delay), rendered.mics[m].delay);
            }
        }
    }
}

// One array's report.csv rows, each its last six cells (position to image): the name before
// them may hold commas.
std::vector<std::vector<std::string>> positionCells(const ChosenArray& array) {
    CompareResults results;
    results.arrays.push_back({array, analyseArray(array.model, 44100), {}, {}, {}, {}});
    std::istringstream lines(positionsCsv(results));
    std::vector<std::vector<std::string>> rows;
    std::string line;
    std::getline(lines, line);
    while (std::getline(lines, line)) {
        std::vector<std::string> cells;
        std::istringstream fields(line);
        for (std::string cell; std::getline(fields, cell, ',');) cells.push_back(cell);
        rows.emplace_back(cells.end() - 6, cells.end());
    }
    return rows;
}

ChosenArray described(const std::string& text) {
    const ArrayList list = parseArrayList(text);
    EXPECT_EQ(list.arrays.size(), 1u) << text;
    return list.arrays.empty() ? ChosenArray{} : list.arrays[0];
}

TEST(CompareDescribed, TheBuiltInArraysGeometryGivesTheirNumbers) {
    // The general rule takes each microphone's angle of incidence from its own position and
    // scales by 10 / r; Faulkner's pair leaves the distance out, ORTF's does too and takes its
    // angles from the centre. Where the rules coincide, the printed numbers are the built-in's.
    const std::vector<std::tuple<MicArray, const char*, bool>> cases{
        {MicArray::blumleinPair, "pair:figure8:90:0", true},  {MicArray::cardioidPair, "pair:cardioid:105:0", true},
        {MicArray::faulknerPair, "pair:figure8:0:20", false}, {MicArray::ortfPair, "pair:cardioid:110:17", false},
        {MicArray::spacedOmniPair, "pair:omni:0:200", true},  {MicArray::threeOmniTree, "tree:2:1.5:omni", true},
    };
    for (const auto& [array, text, sameRule] : cases) {
        const auto builtIn = positionCells(builtInChoice(array));
        const auto general = positionCells(described(text));
        ASSERT_EQ(general.size(), 13u);
        for (int p = 0; p < 13; ++p) {
            SCOPED_TRACE(std::string(text) + ", position " + std::to_string(p));
            const auto& b = builtIn[static_cast<std::size_t>(p)];
            const auto& g = general[static_cast<std::size_t>(p)];
            EXPECT_EQ(g[4], b[4]);  // ictd_samples, and so ictd_ms
            EXPECT_EQ(g[3], b[3]);
            // The Blumlein pair's nulls at the ends: the built-in's right response at 45 degrees
            // left is sin 0, exactly 0; the general rule's is cos(90 deg), -1.03e-13, as the left
            // one's at 45 degrees right is in both.
            if (array == MicArray::blumleinPair && (p == 0 || p == 12)) {
                EXPECT_EQ(g[2], p == 0 ? "259.710" : "-259.710");
                EXPECT_EQ(g[5], b[5]);
            } else if (sameRule) {
                EXPECT_EQ(g[2], b[2]);  // icld_db
                EXPECT_EQ(g[5], b[5]);  // image_deg
            } else {
                EXPECT_NEAR(std::stod(g[2]), std::stod(b[2]), 0.2);
                EXPECT_NEAR(std::stod(g[5]), std::stod(b[5]), 0.5);
            }
        }
    }
}

// A pair's recording angle under the general rule, worked out here: the source on the 10 m arc,
// each microphone's angle of incidence as the direction from its own position (an arctangent)
// less its axis, its pattern times 10 / r; the right channel's lead in ms plus dB / 17 reaches 1
// where the image reaches the loudspeaker.
struct IndependentAngle {
    std::optional<long double> degrees;
    long double leadAt90;
};

IndependentAngle pairRecordingAngle(long double p, long double angle, long double spacing) {
    const long double half = spacing / 200;
    const auto lead = [&](long double theta) {
        const Source src = sourceAt(theta);
        long double level[2];
        long double r[2];
        for (int m = 0; m < 2; ++m) {
            const long double y = m == 0 ? -half : half;
            r[m] = distance(src, y, 0);
            const long double psi = std::atan2(src.s - y, src.f) - (m == 0 ? -angle : angle) / 2 * degree;
            level[m] = (p + (1 - p) * std::cos(psi)) * 10 / r[m];
        }
        return (r[0] - r[1]) / 344 * 1000 + 20 * std::log10(std::fabs(level[1] / level[0])) / 17;
    };
    // The first whole degree where it does (Blumlein's falls again past its null at 45), then
    // bisection below it.
    long double high = 1;
    while (high <= 90 && lead(high) < 1) ++high;
    if (high > 90) return {std::nullopt, lead(90)};
    long double low = high - 1;
    for (int k = 0; k < 60; ++k) (lead((low + high) / 2) < 1 ? low : high) = (low + high) / 2;
    return {2 * high, lead(90)};
}

TEST(CompareDescribed, TheNamedTechniquesRecordingAnglesFromTheGeometry) {
    for (const Technique& t : namedTechniques()) {
        SCOPED_TRACE(std::string(t.key));
        PatternChoice pattern;
        ASSERT_EQ(readPattern(t.pattern, pattern), PatternFault::none);
        const IndependentAngle expected = pairRecordingAngle(pattern.thousandths / 1000.0L, t.angle, t.spacing);
        const RecordingAngle found = recordingAngle(techniqueChoice(t).model, 44100);
        ASSERT_EQ(found.degrees.has_value(), expected.degrees.has_value());
        if (expected.degrees)
            EXPECT_NEAR(*found.degrees, static_cast<double>(*expected.degrees), 0.01);
        else  // XY: 15.3 dB at 90 degrees, short of 17: the image's largest, 20 (lead + 0.5), there
            EXPECT_NEAR(found.maxImage, static_cast<double>(20 * (expected.leadAt90 + 0.5L)), 0.01);
    }
    // ORTF: the built-in pair 113.1 degrees, the technique on the general rule 111.9.
    EXPECT_EQ(fixedText(*recordingAngle(MicArray::ortfPair, 44100).degrees, 1), "113.1");
    EXPECT_EQ(fixedText(*recordingAngle(techniqueChoice(*techniqueNamed("ortf")).model, 44100).degrees, 1), "111.9");
}

// A coincident pair of pattern p, its axes alpha apart, has the channels p + (1 - p) cos(theta -+
// alpha / 2), omnis positive ones: they are in antiphase where of opposite signs, a null being
// none. Blumlein's beyond +-45 degrees, hypercardioids' at 180 degrees beyond |sin theta| = 1/3.
TEST(CompareAntiphase, TheCurveSaysWhereTheChannelsHaveOppositeSigns) {
    const std::tuple<ChosenArray, long double, long double> cases[] = {
        {builtInChoice(MicArray::blumleinPair), 0, 90},      {techniqueChoice(*techniqueNamed("blumlein")), 0, 90},
        {described("pair:hypercardioid:180:0"), 0.25L, 180}, {techniqueChoice(*techniqueNamed("xy")), 0.5L, 90},
        {builtInChoice(MicArray::spacedOmniPair), 1, 0},     {builtInChoice(MicArray::threeOmniTree), 1, 0}};
    for (const auto& [array, p, alpha] : cases) {
        for (const CurvePoint& point : analyseArray(array.model, 44100).curve) {
            const auto channel = [&](long double axis) {
                return p + (1 - p) * std::cos((point.sourceDegrees - axis) * std::acos(-1.0L) / 180);
            };
            const long double product = channel(-alpha / 2) * channel(alpha / 2);
            EXPECT_EQ(point.antiphase, product < -1e-6L) << array.key << " at " << point.sourceDegrees;
        }
    }
}

// --design 180: cardioids 10 to 90 degrees apart reach it where the image of a source at the arc's
// end reaches the loudspeaker, the next narrower spacing on the row's grid having none; parallel
// ones have none, then 177.8 degrees (their image is widest short of the arc's end); from 100
// degrees apart the coincident pair is narrower (176.8). 175 degrees: every row up to 100.
TEST(CompareDesign, NearTheWidestAngleEveryRowThatReachesItListsItsSpacing) {
    const PatternChoice cardioid{"cardioid", 500};
    for (const auto& [wanted, first, last] : {std::tuple{175, 0, 100}, {180, 10, 90}}) {
        const std::vector<SpacingFound> rows = spacingsFor(wanted, 0.5);
        for (const SpacingFound& row : rows) {
            SCOPED_TRACE(std::to_string(wanted) + " wanted, axes " + std::to_string(row.angle));
            const auto at = [&](int spacing) { return pairRecordingAngle(0.5L, row.angle, spacing / 1000.0L).degrees; };
            ASSERT_EQ(row.spacing.has_value(), row.angle >= first && row.angle <= last);
            if (row.spacing) {
                const RecordingAngle own = recordingAngle(pairLayout(0.5, row.angle, *row.spacing / 1000.0), 44100);
                EXPECT_NEAR(*own.degrees, wanted, designAnglesMatch);
                EXPECT_NEAR(static_cast<double>(*at(*row.spacing)), *own.degrees, 0.01);
                EXPECT_TRUE(wanted < 180 || !at(*row.spacing - (*row.spacing % 100 ? 1 : 100)));
            } else if (row.angle < first) {
                EXPECT_FALSE(at(*row.jumpsAfter));
                EXPECT_LT(*at(*row.jumpsAfter + 1), 178.1L);
            }
        }
        EXPECT_EQ(designHtml({wanted * 1000, cardioid, rows, base30}).find("found lone"), std::string::npos);
    }
}

// Omnis: the response is 1 at every angle of incidence, so the axes change nothing and a design
// has one row, the pair as -a takes omnis (ab40 and ab60 are omnis at 0 degrees).
TEST(CompareDesign, OmnisHaveOneRowWhateverTheAxes) {
    const PatternChoice omni{"omni", 1000};
    const DesignResults design{60000, omni, spacingsFor(60, 1), base30};
    EXPECT_NEAR(static_cast<double>(*pairRecordingAngle(1, 90, 67.6L).degrees), 60, designAnglesMatch);
    EXPECT_EQ(designCsv(design), "angle_deg,spacing_cm,sra_deg,max_image_deg\n0,67.6,60.0,30.0\n");
    const std::string table = designTable(design, "d");
    EXPECT_NE(table.find("\nTo hear it: auralith-compare -a pair:omni:0:67.6 RECORDING.wav\n"), std::string::npos);
    EXPECT_NE(designHtml(design).find("<circle class=\"found lone\""), std::string::npos);
}

}  // namespace
}  // namespace auralith

namespace auralith {
namespace {

// Mid-side with a cardioid mid: L = 0.5 + 0.5 cos(theta) + w sin(theta) is 0.5 + R cos(theta -
// phi) with R = sqrt(0.25 + w^2) and phi = atan(2w): a first-order pattern 0.5 / (0.5 + R)
// pointing phi to the left, times 0.5 + R. Its cues and recording angle are those of that
// coincident pair, whose common gain changes neither.
TEST(MidSide, IsItsEquivalentCoincidentPair) {
    for (const double w : {0.3, 0.7, 1.0, 1.6}) {
        const double r = std::sqrt(0.25 + w * w);
        const double phi = std::atan(2 * w) * 180 / std::acos(-1.0);
        const AnyArray midSide = describedMidSide("ms", {"cardioid", 500}, static_cast<int>(w * 1000)).model;
        const AnyArray pair = pairLayout(0.5 / (0.5 + r), 2 * phi, 0);
        for (const long double degrees : {-40.0L, -12.5L, 0.0L, 25.0L}) {
            const ChannelDifference a = channelDifference(pickupAtAngle(midSide, degrees, 44100), 44100);
            const ChannelDifference b = channelDifference(pickupAtAngle(pair, degrees, 44100), 44100);
            EXPECT_NEAR(a.icldDb, b.icldDb, 1e-9) << "w " << w << " at " << static_cast<double>(degrees);
            EXPECT_EQ(a.ictdMs, 0);
        }
        const RecordingAngle a = recordingAngle(midSide, 44100);
        const RecordingAngle b = recordingAngle(pair, 44100);
        ASSERT_EQ(a.degrees.has_value(), b.degrees.has_value()) << "w " << w;
        EXPECT_NEAR(a.degrees.value_or(0), b.degrees.value_or(0), 0.01) << "w " << w;
    }
}

}  // namespace
}  // namespace auralith
