// The reports' columns: every format carries every column it is declared for, with one field per
// column in every row, whatever the run (a head or none, two or three microphones).
#include <gtest/gtest.h>

#include <sstream>
#include <string>
#include <vector>

#include "catalogue/built_in_arrays.h"
#include "report/columns.h"
#include "report/html_report.h"
#include "report/numbers.h"
#include "report/text_reports.h"
#include "wave/recording/source_format.h"

namespace auralith {
namespace {

// A run with or without a head and a room; in the room one band's T30 and one position's DRR are
// missing, as where a decay never fell far enough or a channel heard nothing.
struct Run {
    bool head;
    bool room;
};

CompareResults run(Run kind) {
    CompareResults results;
    results.input = "take.wav";
    results.n = 4410;
    if (kind.head) results.head = "h.sofa";
    if (kind.room) {
        results.room = RoomResults{"hall",
                                   uniformRoom(25, 40, 16, 0.3),
                                   {12, 12, 3},
                                   10,
                                   3,
                                   true,
                                   BandValues{},
                                   BandValues{},
                                   BandValues{},
                                   {},
                                   0.5};
        results.room->measured[0] = 2.1;
    }
    for (const MicArray a : {MicArray::ortfPair, MicArray::threeOmniTree}) {
        ArrayResult& r = results.arrays.emplace_back();
        r.array = builtInChoice(a);
        r.analysis = analyseArray(a, 44100);
        r.loudness = -20.0;
        r.audioFile = "a.wav";
        if (kind.head) r.headphones = {"h.wav", -21.0, 0, std::vector<EarCues>(r.analysis.positions.size())};
        if (kind.room) {
            r.room = ArrayRoomResult{};
            r.room->drrDb.assign(r.analysis.positions.size(), {-3.0, -4.0});
            r.room->drrDb[1][0].reset();
            r.room->coherence = BandValues{};
            if (kind.head) r.room->iaccEarly = 0.5;
        }
    }
    return results;
}

// A CSV line's fields; a quoted field may hold commas.
std::vector<std::string> fields(const std::string& line) {
    std::vector<std::string> found{""};
    bool quoted = false;
    for (const char c : line) {
        if (c == '"') quoted = !quoted;
        if (c == ',' && !quoted)
            found.emplace_back();
        else
            found.back() += c;
    }
    return found;
}

std::vector<std::string> lines(const std::string& text) {
    std::vector<std::string> all;
    std::istringstream in(text);
    for (std::string line; std::getline(in, line);) all.push_back(line);
    return all;
}

int count(const std::string& text, const std::string& what) {
    int found = 0;
    for (std::size_t at = text.find(what); at != std::string::npos; at = text.find(what, at + 1)) ++found;
    return found;
}

// Each band table's CSV: the header its columns make (the coherence's after the array's names),
// and one field per column in each of its rows, a row per band (and array).
void expectBandTable(const std::string& csv, BandTable table, const CompareResults& results) {
    std::vector<std::string> names;
    if (table == BandTable::coherence)
        for (const ArrayColumn& c : arrayColumns())
            if (c.namesTheArray) names.emplace_back(c.name);
    for (const BandColumn& c : bandColumns())
        if (inTable(c, table) && c.csv.shown) names.emplace_back(c.name);
    const std::vector<std::string> rows = lines(csv);
    ASSERT_FALSE(rows.empty());
    EXPECT_EQ(fields(rows[0]), names);
    const std::size_t perBand = table == BandTable::coherence ? results.arrays.size() : 1;
    EXPECT_EQ(rows.size(), 1 + perBand * bandCount);
    for (const std::string& row : rows) EXPECT_EQ(fields(row).size(), names.size()) << row;
}

class Columns : public ::testing::TestWithParam<Run> {};

TEST_P(Columns, EveryFormatCarriesItsColumns) {
    const CompareResults results = run(GetParam());
    const std::size_t positions = results.arrays[0].analysis.positions.size();
    std::vector<std::string> reportNames, arrayNames;
    for (const ArrayColumn& c : arrayColumns()) {
        if (!carried(c, results)) continue;
        if (c.namesTheArray) reportNames.emplace_back(c.name);
        if (c.csv.shown) arrayNames.emplace_back(c.name);
    }
    const std::string html = htmlReport(results);
    std::string closing;  // the closing table's header
    for (const std::string& line : lines(summaryTable(results, "out")))
        if (closing.empty() && line.starts_with("array ")) closing = line;
    int pageColumns = 0;
    for (const PositionColumn& c : positionColumns()) {
        if (!carried(c, results)) continue;
        if (c.csv.shown) reportNames.emplace_back(c.name);
        pageColumns += c.page.shown;
        if (c.page.shown) {
            EXPECT_EQ(count(html, "<th>" + std::string(c.heading) + "</th>"), 2) << c.name;
        }
        if (c.data.shown) {
            EXPECT_EQ(count(html, "\"" + std::string(c.dataKey) + "\":"),
                      c.sameForEveryArray ? static_cast<int>(positions) : 2);
        }
    }
    for (const ArrayColumn& c : arrayColumns()) {
        if (c.data.shown) {
            EXPECT_EQ(count(html, "\"" + std::string(c.dataKey) + "\":"), 2) << c.name;
        }
        if (c.closing.shown) {
            EXPECT_NE(closing.find(c.heading), std::string::npos) << c.name;
        }
    }
    // One field per column in every row, one row per array and position.
    const std::vector<std::string> report = lines(positionsCsv(results)), arrays = lines(arraysCsv(results));
    EXPECT_EQ(fields(report[0]), reportNames);
    EXPECT_EQ(fields(arrays[0]), arrayNames);
    ASSERT_EQ(report.size(), 1 + 2 * positions);
    ASSERT_EQ(arrays.size(), 3u);
    for (const std::string& row : report) EXPECT_EQ(fields(row).size(), reportNames.size()) << row;
    for (const std::string& row : arrays) EXPECT_EQ(fields(row).size(), arrayNames.size()) << row;
    // The page's tables, each array's: a cell per heading in each of its rows, the heading's
    // columns and two for each microphone (two of ORTF's, three of the tree's).
    std::vector<int> headings, rows;
    for (const std::string& line : lines(html)) {
        if (line.starts_with("<tr><th>position</th>")) headings.push_back(count(line, "<th>"));
        if (line.starts_with("<tr><td>")) rows.push_back(count(line, "<td>"));
    }
    EXPECT_EQ(headings, (std::vector<int>{pageColumns + 4, pageColumns + 6}));
    ASSERT_EQ(rows.size(), 2 * positions);
    for (std::size_t i = 0; i < rows.size(); ++i) EXPECT_EQ(rows[i], headings[i / positions]) << i;
    // The room's band tables: in their files, and the reverberation's on the page, only with a room.
    for (const BandColumn& c : bandColumns()) {
        EXPECT_EQ(carried(c, results), results.room.has_value());
        if (c.page.shown && inTable(c, BandTable::reverberation)) {
            EXPECT_EQ(count(html, "<th>" + std::string(c.heading) + "</th>"), results.room ? 1 : 0) << c.name;
        }
    }
    EXPECT_EQ(count(html, "<tr class=\"band\">"), results.room ? bandCount : 0);
    if (!results.room) return;
    expectBandTable(coherenceCsv(results), BandTable::coherence, results);
    expectBandTable(roomCsv(results), BandTable::reverberation, results);
}

INSTANTIATE_TEST_SUITE_P(Runs, Columns,
                         ::testing::Values(Run{false, false}, Run{true, false}, Run{false, true}, Run{true, true}));

// The rate in the note of rounded delays is grouped as the recording's description groups it.
TEST(ColumnsNumbers, GroupedAsTheReaderGroups) {
    for (const std::int64_t value : {0LL, 999LL, 1000LL, 8000LL, 44100LL, 192000LL, 82548031LL, -48000LL})
        EXPECT_EQ(groupedText(value), groupedNumber(value)) << value;
}

}  // namespace
}  // namespace auralith
