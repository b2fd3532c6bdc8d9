// The room in the reports, from a made-up run: room.csv and coherence.csv as written, the closing
// table's line on the room, and the page's plan to scale, coherence curves and DRR cells.
#include <gtest/gtest.h>

#include <cmath>
#include <string>

#include "catalogue/array_list.h"
#include "report/html_report.h"
#include "report/text_reports.h"

namespace auralith {
namespace {

int count(const std::string& text, const std::string& what) {
    int found = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++found;
    return found;
}

// 20 x 30 x 12 m, every surface 0.25 but the floor 0.5: the floor's 600 m^2 of the 2400 m^2 lift
// the mean by 600 * 0.25 / 2400 to 0.3125. Blumlein with its late coherence measured, the spaced
// omnis without; one position's channels without reflections or without direct sound.
CompareResults roomRun() {
    CompareResults results;
    results.input = "take.wav";
    results.n = 4410;
    for (const ChosenArray& a : parseArrayList("1,5").arrays)
        results.arrays.push_back({a, analyseArray(a.model, 44100), {}, {}, {}, {}});
    Room room = uniformRoom(20, 30, 12, 0.25);
    room.absorption[static_cast<int>(Surface::floor)].fill(0.5);
    results.room = RoomResults{"",
                               room,
                               {8, 9, 2.5},
                               12,
                               2.5,
                               false,
                               BandValues{2.2, 2.1, 2, 1.9, 1.7, 1.4, 1},
                               BandValues{2, 2, 2, 2, 2, 2, 2},
                               BandValues{1.8, 1.8, 1.8, 1.8, 1.8, 1.8, 1.5},
                               {2.25, 2.1, 2.0, 1.9, 1.7, 1.4, std::nullopt},
                               0.5};
    for (ArrayResult& r : results.arrays) {
        ArrayRoomResult& room = r.room.emplace();
        room.drrDb.assign(r.analysis.positions.size(), {-3.5, 1.25});
        room.drrDb[0] = {INFINITY, -INFINITY};
        room.diffuse.fill(0);
        room.diffuseCurve = {{62.5, 1}, {16000, -1}};
        room.criticalDistance = 5.1;
    }
    results.arrays[0].room->coherence = BandValues{0.1, 0.2, 0.3, 0.5, 0.4, 0.3, 0.2};
    results.arrays[1].room->diffuse[0] = 0.875;
    return results;
}

TEST(CompareRoomReports, TheRoomsTablesAsWritten) {
    CompareResults results = roomRun();
    EXPECT_EQ(roomCsv(results),
              "band_hz,target_s,absorption,sabine_s,eyring_s,measured_t30_s\n"
              "125,2.20,0.3125,2.00,1.80,2.25\n"
              "250,2.10,0.3125,2.00,1.80,2.10\n"
              "500,2.00,0.3125,2.00,1.80,2.00\n"
              "1000,1.90,0.3125,2.00,1.80,1.90\n"
              "2000,1.70,0.3125,2.00,1.80,1.70\n"
              "4000,1.40,0.3125,2.00,1.80,1.40\n"
              "8000,1.00,0.3125,2.00,1.50,\n");
    const std::string coherence = coherenceCsv(results);
    EXPECT_TRUE(
        coherence.starts_with("array,array_name,band_hz,measured,diffuse_field\n"
                              "1,\"Blumlein crossed pair\",125,0.100,0.000\n"
                              "1,\"Blumlein crossed pair\",250,0.200,0.000\n"))
        << coherence;
    EXPECT_EQ(count(coherence, "5,\"Two spaced omnis\",125,,0.875\n"), 1);
    EXPECT_EQ(count(coherence, "\n"), 15);
    EXPECT_EQ(count(positionsCsv(results), ",inf,-inf\n"), 2);
    EXPECT_EQ(count(positionsCsv(results), ",-3.50,1.25\n"), 24);
    EXPECT_TRUE(arraysCsv(results).starts_with(
        "array,array_name,sra_deg,max_image_deg,loudness_lufs,loudness_offset_db,clipped,critical_distance_m,"
        "distance_m\n"));
    EXPECT_EQ(count(arraysCsv(results), ",5.10,12.00\n"), 2);
    const std::string table = summaryTable(results, "out");
    EXPECT_EQ(count(table,
                    "Room: 20 × 30 × 12 m, the array at 8, 9, 2.5 m, the sources 12 m away at 2.5 m, no air "
                    "absorption, the room's gain -6.0 dB\n"),
              1);
    EXPECT_EQ(count(table, "  report.csv  arrays.csv  coherence.csv  room.csv  report.html\n"), 1);
    results.room->name = "hall";
    EXPECT_EQ(roomTitle(*results.room), "hall, 20 × 30 × 12 m");
}

// The plan at 16 px a metre (440 / 20 = 22 and 480 / 30 = 16, the smaller), the back wall at
// the bottom: the array at (80 + 8 * 16, 40 + (30 - 9) * 16) = (208, 376), the sweep's centre 12 m
// ahead of it at y = 40 + 9 * 16 = 184. The coherence plot: 1 kHz four octaves of eight from
// 62.5 Hz across 400 px from 50, coherence 0.5 a quarter of 180 px down from 12.
TEST(CompareRoomReports, ThePageDrawsTheRoomToScale) {
    const CompareResults results = roomRun();
    const std::string html = htmlReport(results);
    for (const std::string& text :
         {std::string("<rect class=\"walls\" x=\"80.00\" y=\"40.00\" width=\"320.00\" height=\"480.00\""),
          std::string("<line class=\"stage\" x1=\"80.00\" y1=\"40.00\" x2=\"400.00\" y2=\"40.00\""),
          std::string("<circle class=\"array\" cx=\"208.00\" cy=\"376.00\""),
          std::string("<circle class=\"source\" cx=\"208.00\" cy=\"184.00\""),
          std::string("<circle class=\"band\" cx=\"250.00\" cy=\"57.00\""), std::string("<h2>The room</h2>"),
          std::string(
              "<tr class=\"band\"><td>8000</td><td>1.00</td><td>0.312</td><td>2.00</td><td>1.50</td><td>-</td>"),
          std::string("a source 12 m from the array's centre"),
          std::string("The model leaves out the room's reflections")})
        EXPECT_EQ(count(html, text), 1) << text;
    EXPECT_EQ(count(html, "<circle class=\"source\""), 13);
    EXPECT_EQ(count(html, "<circle class=\"band\""), 7);  // the omnis measured nothing
    // Each array's section: its diffuse curve, its DRR, its critical distance.
    for (const std::string& text : {std::string("<path class=\"diffuse\" d=\"M50.00 12.00 L450.00 192.00\""),
                                    std::string("<td>+inf</td><td>-inf</td>"),
                                    std::string("critical distance 5.10 m, the sources 12.00 m away.")})
        EXPECT_EQ(count(html, text), 2) << text;
    EXPECT_EQ(count(html, "<td>-3.5</td><td>+1.2</td>"), 24);
    EXPECT_EQ(count(html, "IACC"), 0);  // without a head
    // Without a room, the free field's page as ever.
    CompareResults free = results;
    free.room.reset();
    EXPECT_EQ(count(htmlReport(free), "a source 10 m from the array's centre, "), 1);
}

}  // namespace
}  // namespace auralith
