// A stage in the reports, from a made-up run of two arrays and two players: stage.csv as written,
// the labels, the closing table's players and images, and the page's plan and loudspeaker arcs.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <string>
#include <tuple>
#include <vector>

#include "catalogue/array_list.h"
#include "report/html_report.h"
#include "report/stage_reports.h"
#include "report/text_reports.h"

namespace auralith {
namespace {

PlayerHeard heard(double icld, double ictdMs, long double frames, double image) {
    PlayerHeard h;
    h.analysis.difference = {icld, frames, ictdMs};
    h.analysis.image = image;
    return h;
}

// Blumlein puts the violin well left and the cello right of centre; ORTF throws the cello past
// its loudspeaker, and a silent channel makes the violin's level difference infinite.
CompareResults stageRun() {
    CompareResults results;
    results.n = 44100;
    for (const ChosenArray& a : parseArrayList("1,4").arrays)
        results.arrays.push_back({a, analyseArray(a.model, 44100), -20.0, a.slug + ".wav", a.slug + ".txt", {}});
    results.stage = StageResults{{{"vl1", "takes/vl1.wav", "44 100 Hz, 16-bit", -30, 8, 0, 0},
                                  {"vc", "cello \"b\",2.wav", "48 000 Hz, 24-bit", 20, 9.5, 0, -3}},
                                 {"cello \"b\",2.wav from 48 000 Hz"},
                                 44100};
    results.arrays[0].players = {heard(6.5, 0, 0, -24.125), heard(-3.25, 0.25, 11, 12.5)};
    results.arrays[1].players = {heard(INFINITY, -0.125, -6, -18), heard(-9, 0.5, 22, 34)};
    return results;
}

TEST(CompareStageReports, StageCsvAsWritten) {
    CompareResults results = stageRun();
    const std::string header =
        "array,array_name,source,file,source_deg,distance_m,icld_db,ictd_ms,ictd_samples,image_deg,drr_left_db,"
        "drr_right_db\n";
    EXPECT_EQ(stageCsv(results),
              header +
                  "1,\"Blumlein crossed pair\",\"vl1\",\"takes/vl1.wav\",-30.0,8.00,6.500,0.0000,0,"
                  "-24.12,,\n"
                  "1,\"Blumlein crossed pair\",\"vc\",\"cello \"\"b\"\",2.wav\",20.0,9.50,-3.250,"
                  "0.2500,11,12.50,,\n"
                  "4,\"ORTF near-coincident pair\",\"vl1\",\"takes/vl1.wav\",-30.0,8.00,inf,-0.1250,"
                  "-6,-18.00,,\n"
                  "4,\"ORTF near-coincident pair\",\"vc\",\"cello \"\"b\"\",2.wav\",20.0,9.50,-9.000,"
                  "0.5000,22,34.00,,\n");
    // In a room each player's ratios follow, a channel without reverberation at +inf.
    results.room = RoomResults{};
    results.room->room = uniformRoom(20, 30, 12, 0.25);
    results.arrays[0].players[1].drrDb = {-2.5, INFINITY};
    const std::string roomCsv = stageCsv(results);
    EXPECT_NE(roomCsv.find(",0.2500,11,12.50,-2.50,inf\n"), std::string::npos);
    EXPECT_EQ(stageCsv(CompareResults{}), header);  // the sweep has none
}

TEST(CompareStageReports, EachPlayerIsLabelledWhereTheEnsembleBegins) {
    CompareResults results = stageRun();
    EXPECT_EQ(stageLabelTrack(results.arrays[0], results),
              "1.000000\t1.000000\tvl1 image -24.1°\n1.000000\t1.000000\tvc image +12.5°\n");
    results.base = base45;
    results.rate = 48000;
    results.stage->soundStart = 72000;
    EXPECT_EQ(stageLabelTrack(results.arrays[1], results),
              "1.500000\t1.500000\tvl1 image -18.0° of ±45°\n1.500000\t1.500000\tvc image +34.0° of ±45°\n");
}

TEST(CompareStageReports, TheClosingTableNamesThePlayersAndWhereEachArrayPutsThem) {
    CompareResults results = stageRun();
    const std::string table = summaryTable(results, "out");
    EXPECT_EQ(table.rfind("Stage of 2 players, 44 100 Hz\n"
                          "  vl1  takes/vl1.wav  -30.0°  8 m  44 100 Hz, 16-bit\n"
                          "  vc  cello \"b\",2.wav  +20.0°  9.5 m  gain -3.0 dB  48 000 Hz, 24-bit\n"
                          "Brought to 44 100 Hz: cello \"b\",2.wav from 48 000 Hz\n\n",
                          0),
              0u);
    // -24.125 to 12.5: 36.625 wide; -18 to 34: 52.
    const std::size_t blumlein = table.find("1  Blumlein crossed pair");
    const std::size_t ortf = table.find("4  ORTF near-coincident pair");
    ASSERT_NE(ortf, std::string::npos);
    EXPECT_EQ(table.find("  vl1 -24.1°  vc +12.5°   width 36.6°\n"), table.find('\n', blumlein) + 1);
    EXPECT_EQ(table.find("  vl1 -18.0°  vc +34.0°   width 52.0°\n"), table.find('\n', ortf) + 1);
    EXPECT_NE(table.find("  1-blumlein.wav  1-blumlein.txt\n"), std::string::npos);
    EXPECT_TRUE(table.ends_with("\n  stage.csv  arrays.csv  report.html\n"));
    EXPECT_EQ(table.find("report.csv"), std::string::npos);
}

// The attribute of the first element at or after `from` that begins with `tag`.
double attribute(const std::string& svg, const std::string& tag, const std::string& name, std::size_t from = 0) {
    const std::size_t at = svg.find(tag, from);
    const std::size_t value = svg.find(" " + name + "=\"", at) + name.size() + 3;
    return std::stod(svg.substr(value, svg.find('"', value) - value));
}

TEST(CompareStageReports, ThePageDrawsThePlayersWhereTheyStandAndEachArraysImages) {
    const CompareResults results = stageRun();
    const std::string html = htmlReport(results);
    const std::size_t stage = html.find("<div id=\"stage\">");
    ASSERT_NE(stage, std::string::npos);
    const std::string plan =
        html.substr(html.find("<svg", stage), html.find("</svg>", stage) - html.find("<svg", stage));
    EXPECT_NE(plan.find(">vl1</text>"), std::string::npos);
    EXPECT_NE(plan.find(">vc</text>"), std::string::npos);
    // Seen from above, the stage up: each player at its angle off the array's axis, to one scale.
    const double ax = attribute(plan, "<circle class=\"array\"", "cx"),
                 ay = attribute(plan, "<circle class=\"array\"", "cy");
    std::vector<double> metresPerPixel;
    for (const auto& [from, degrees, metres] : {std::tuple{0, -30.0, 8.0}, std::tuple{1, 20.0, 9.5}}) {
        const std::size_t dot = from == 0
                                    ? plan.find("<circle class=\"player\"")
                                    : plan.find("<circle class=\"player\"", plan.find("<circle class=\"player\"") + 1);
        const double dx = attribute(plan, "<circle", "cx", dot) - ax, dy = ay - attribute(plan, "<circle", "cy", dot);
        EXPECT_NEAR(std::atan2(dx, dy) * 180 / std::numbers::pi, degrees, 0.05);
        metresPerPixel.push_back(metres / std::hypot(dx, dy));
    }
    EXPECT_NEAR(metresPerPixel[0], metresPerPixel[1], 1e-3 * metresPerPixel[0]);
    // Each array's arc names both players; ORTF's cello is drawn ringed at the right loudspeaker.
    for (const std::string key : {"1", "4"}) {
        const std::size_t section = html.find("<section class=\"array\" id=\"array-" + key + "\">");
        const std::size_t arc = html.find("<svg class=\"stage-images\"", section);
        const std::string svg = html.substr(arc, html.find("</svg>", arc) - arc);
        EXPECT_NE(svg.find("<path class=\"speakers-arc\""), std::string::npos);
        EXPECT_NE(svg.find(">vl1</text>"), std::string::npos);
        EXPECT_NE(svg.find(">vc</text>"), std::string::npos);
        EXPECT_EQ(svg.find("at-loudspeaker") != std::string::npos, key == "4");
    }
    const std::size_t ortf = html.find("<svg class=\"stage-images\"", html.find("id=\"array-4\""));
    const std::size_t right =
        html.find("<rect class=\"loudspeaker\"", html.find("<rect class=\"loudspeaker\"", ortf) + 1);
    EXPECT_NEAR(attribute(html, "<circle class=\"at-loudspeaker\"", "cx", ortf),
                attribute(html, "<rect", "x", right) + 7, 0.01);
    EXPECT_NE(html.find("\"stage\":true,\n\"positions\":[{\"start\":1.000000,\"end\":2.000000,\"source\":null}]"),
              std::string::npos);
    EXPECT_EQ(html.find("<tr><th>position</th>"), std::string::npos);  // the players' tables instead
}

}  // namespace
}  // namespace auralith
