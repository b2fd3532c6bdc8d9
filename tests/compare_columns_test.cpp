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

CompareResults run(bool head) {
    CompareResults results;
    results.input = "take.wav";
    results.n = 4410;
    if (head) results.head = "h.sofa";
    for (const MicArray a : {MicArray::ortfPair, MicArray::threeOmniTree}) {
        ArrayResult& r = results.arrays.emplace_back();
        r.array = builtInChoice(a);
        r.analysis = analyseArray(a, 44100);
        r.loudness = -20.0;
        r.audioFile = "a.wav";
        if (head) r.headphones = {"h.wav", -21.0, 0, std::vector<EarCues>(r.analysis.positions.size())};
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

class Columns : public ::testing::TestWithParam<bool> {};

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
}

INSTANTIATE_TEST_SUITE_P(Runs, Columns, ::testing::Values(false, true));

// The rate in the note of rounded delays is grouped as the recording's description groups it.
TEST(ColumnsNumbers, GroupedAsTheReaderGroups) {
    for (const std::int64_t value : {0LL, 999LL, 1000LL, 8000LL, 44100LL, 192000LL, 82548031LL, -48000LL})
        EXPECT_EQ(groupedText(value), groupedNumber(value)) << value;
}

}  // namespace
}  // namespace auralith
