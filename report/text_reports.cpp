#include "report/text_reports.h"

#include <algorithm>
#include <cmath>

#include "report/columns.h"
#include "report/delay_rounding.h"
#include "report/numbers.h"
#include "report/shown_text.h"
#include "report/stage_reports.h"

namespace auralith {

namespace {

// A value as the CSV files write it: an empty field where there is none.
std::string csvField(const ArrayColumn& column, const ArrayRow& row) {
    if (column.text) return std::string(column.csv.before) + column.text(row) + std::string(column.csv.after);
    const std::optional<double> value = column.value(row);
    return value ? writtenNumber(*value, column.csv) : std::string();
}

std::string csvField(const PositionColumn& column, const PositionRow& row) {
    const std::optional<double> value = column.value(row);
    return value ? writtenNumber(*value, column.csv) : std::string();
}

std::string csvField(const BandColumn& column, const BandRow& row) {
    const std::optional<double> value = column.value(row);
    return value ? writtenNumber(*value, column.csv) : std::string();
}

// The header and the fields of a CSV line, from the columns the file shows and the run carries.
template <typename Column, typename Row>
void csvFields(std::string& line, const Column& column, const CompareResults& results, const Row* row, bool& first) {
    if (!column.csv.shown || !carried(column, results)) return;
    line += (first ? "" : ",") + (row ? csvField(column, *row) : std::string(column.name));
    first = false;
}

// The line of report.csv for one position, or its header where there is no row.
std::string positionsLine(const CompareResults& results, const ArrayRow* array, const PositionRow* position) {
    std::string line;
    bool first = true;
    for (const ArrayColumn& column : arrayColumns())
        if (column.namesTheArray) csvFields(line, column, results, array, first);
    for (const PositionColumn& column : positionColumns()) csvFields(line, column, results, position, first);
    return line + "\n";
}

std::string arraysLine(const CompareResults& results, const ArrayRow* array) {
    std::string line;
    bool first = true;
    for (const ArrayColumn& column : arrayColumns()) csvFields(line, column, results, array, first);
    return line + "\n";
}

// A line of coherence.csv (an array's band) or room.csv (a band), or its header where there is no row.
std::string bandLine(const CompareResults& results, BandTable table, const ArrayRow* array, const BandRow* band) {
    std::string line;
    bool first = true;
    if (table == BandTable::coherence)
        for (const ArrayColumn& column : arrayColumns())
            if (column.namesTheArray) csvFields(line, column, results, array, first);
    for (const BandColumn& column : bandColumns())
        if (inTable(column, table)) csvFields(line, column, results, band, first);
    return line + "\n";
}

}  // namespace

std::string coherenceCsv(const CompareResults& results) {
    std::string csv = bandLine(results, BandTable::coherence, nullptr, nullptr);
    for (std::size_t k = 0; k < results.arrays.size(); ++k) {
        const ArrayRow array{results, k};
        for (int b = 0; b < bandCount; ++b) {
            const BandRow band{results, k, b};
            csv += bandLine(results, BandTable::coherence, &array, &band);
        }
    }
    return csv;
}

std::string roomCsv(const CompareResults& results) {
    std::string csv = bandLine(results, BandTable::reverberation, nullptr, nullptr);
    for (int b = 0; b < bandCount; ++b) {
        const BandRow band{results, 0, b};
        csv += bandLine(results, BandTable::reverberation, nullptr, &band);
    }
    return csv;
}

std::string roomTitle(const RoomResults& room) {
    const auto metres = [](double m) { return decimalText(static_cast<int>(std::lrint(m * 1000))); };
    const std::string size =
        metres(room.room.width) + " × " + metres(room.room.depth) + " × " + metres(room.room.height) + " m";
    return room.name.empty() ? size : room.name + ", " + size;
}

std::string roomLine(const RoomResults& room, bool sweep) {
    const auto metres = [](double m) { return decimalText(static_cast<int>(std::lrint(m * 1000))); };
    // A stage's players each have their own place, which its own lines give.
    const std::string sources =
        sweep ? ", the sources " + metres(room.distance) + " m away at " + metres(room.sourceHeight) + " m" : "";
    return "Room: " + roomTitle(room) + ", the array at " + metres(room.arrayAt.x) + ", " + metres(room.arrayAt.y) +
           ", " + metres(room.arrayAt.z) + " m" + sources + (room.air ? "" : ", no air absorption") +
           ", the room's gain " + fixedText(20 * std::log10(room.gain), 1) + " dB";
}

std::string positionsCsv(const CompareResults& results) {
    std::string csv = positionsLine(results, nullptr, nullptr);
    for (std::size_t k = 0; k < results.arrays.size(); ++k) {
        const ArrayRow array{results, k};
        for (std::size_t p = 0; p < results.arrays[k].analysis.positions.size(); ++p) {
            const PositionRow position = positionRow(results, k, p);
            csv += positionsLine(results, &array, &position);
        }
    }
    return csv;
}

std::string arraysCsv(const CompareResults& results) {
    std::string csv = arraysLine(results, nullptr);
    for (std::size_t k = 0; k < results.arrays.size(); ++k) {
        const ArrayRow array{results, k};
        csv += arraysLine(results, &array);
    }
    return csv;
}

// The label's times are its columns in seconds; its text the others it shows, a blank apart.
std::string labelText(const PositionAnalysis& p, const LoudspeakerBase& base) {
    const PositionRow row{p, nullptr, 0, 0};
    std::string text;
    for (const PositionColumn& column : positionColumns())
        if (column.label.shown && column.unit != "s")
            text += (text.empty() ? "" : " ") + writtenNumber(*column.value(row), column.label);
    return text + (base.halfAngle == 30 ? "" : " of ±" + fixedText(base.halfAngle, 0) + "°");
}

PositionSpan positionSpan(int position, std::int32_t rate, std::int32_t n, std::span<const std::int64_t> starts) {
    // The sweep's position's sound begins one second into its block of rate + n frames.
    const std::int64_t first = static_cast<std::size_t>(position) < starts.size()
                                   ? starts[static_cast<std::size_t>(position)]
                                   : static_cast<std::int64_t>(position) * (rate + n) + rate;
    return {static_cast<double>(first) / rate, static_cast<double>(first + n) / rate};
}

std::string labelTrack(const ArrayAnalysis& analysis, std::int32_t rate, std::int32_t n, const LoudspeakerBase& base,
                       std::span<const std::int64_t> starts) {
    std::string track;
    for (const PositionAnalysis& p : analysis.positions) {
        const PositionRow row{p, nullptr, rate, n, nullptr, starts};
        for (const PositionColumn& column : positionColumns())
            if (column.label.shown && column.unit == "s")
                track += writtenNumber(*column.value(row), column.label) + "\t";
        track += labelText(p, base) + "\n";
    }
    return track;
}

namespace {

// Widths count characters: the degree sign is two bytes of UTF-8 but one character.
std::size_t characters(std::string_view text) {
    std::size_t shown = 0;
    for (const char c : text) shown += (static_cast<unsigned char>(c) & 0xC0) != 0x80;
    return shown;
}

}  // namespace

std::string recordingAngleText(const RecordingAngle& angle) {
    if (angle.degrees) return fixedText(*angle.degrees, 1) + "°";
    return "wider than 180°: the image never reaches the loudspeakers, at most " + fixedText(angle.maxImage, 1) + "°";
}

std::string padded(std::string text, std::size_t width) {
    const std::size_t shown = characters(text);
    if (shown < width) text.append(width - shown, ' ');
    return text;
}

namespace {

// The closing table's first column: the columns that name the array, two blanks apart; its
// heading theirs.
std::string arrayLabel(const ArrayRow* row) {
    std::string label;
    for (const ArrayColumn& column : arrayColumns())
        if (column.namesTheArray && column.closing.shown) {
            if (!row) return std::string(column.heading);
            label += (label.empty() ? "" : "  ") + column.text(*row);
        }
    return label;
}

// A value as the closing table writes it: "-" where there is none.
std::string closingCell(const ArrayColumn& column, const ArrayRow& row) {
    if (column.text) return column.text(row);
    const std::optional<double> value = column.value(row);
    return value ? writtenNumber(*value, column.closing) : "-";
}

// An array's line of the closing table, or its header where there is no row.
std::string closingLine(const CompareResults& results, const ArrayRow* row, std::size_t nameWidth) {
    std::string line = padded(arrayLabel(row), nameWidth);
    for (const ArrayColumn& column : arrayColumns())
        if (!column.namesTheArray && column.closing.shown && carried(column, results))
            line += padded(row ? closingCell(column, *row) : std::string(column.heading), column.closing.width);
    return line + "\n";
}

// The first column as wide as its longest entry needs, 34 characters at least.
std::size_t nameWidth(const CompareResults& results) {
    std::size_t width = 34;
    for (std::size_t k = 0; k < results.arrays.size(); ++k) {
        const ArrayRow row{results, k};
        width = std::max(width, characters(arrayLabel(&row)) + 2);
    }
    return width;
}

}  // namespace

std::string summaryTable(const CompareResults& results, const std::string& folder) {
    const std::size_t width = nameWidth(results);
    std::string table =
        results.stage ? stageHeading(results) : shownOnTerminal(results.input) + ": " + results.source + "\n";
    if (results.base.halfAngle != 30) table += "Loudspeakers at ±" + fixedText(results.base.halfAngle, 0) + "°\n";
    if (!results.head.empty()) table += "Headphone renders through " + shownOnTerminal(results.head) + "\n";
    if (results.room) table += roomLine(*results.room, !results.stage) + "\n";
    table += "\n";
    table += closingLine(results, nullptr, width);
    for (std::size_t k = 0; k < results.arrays.size(); ++k) {
        const ArrayRow row{results, k};
        table += closingLine(results, &row, width);
        if (results.stage) table += stageImagesLine(results.arrays[k], results);
    }
    if (const std::string note = delayRoundingNote(results); !note.empty()) table += "\nNote: " + note + ".\n";
    table += "\nFiles written in " + shownOnTerminal(folder) + ":\n";
    for (const ArrayResult& r : results.arrays)
        if (!r.audioFile.empty())
            table += "  " + shownOnTerminal(r.audioFile) + "  " + shownOnTerminal(r.labelFile) +
                     (r.headphones.file.empty() ? "" : "  " + shownOnTerminal(r.headphones.file)) + "\n";
    for (const ArrayResult& r : results.arrays)
        if (!r.responseFiles.empty())
            table += "  " + shownOnTerminal(r.responseFiles.front()) +
                     (r.responseFiles.size() > 1 ? " … " + shownOnTerminal(r.responseFiles.back()) : "") + "\n";
    if (results.stage) {
        for (const std::string& file : stageReportFiles(results)) table += "  " + file;
        return table + "\n";
    }
    table +=
        std::string("  report.csv  arrays.csv  ") + (results.room ? "coherence.csv  room.csv  " : "") + "report.html\n";
    return table;
}

}  // namespace auralith
