#include "report/stage_reports.h"

#include <algorithm>
#include <cmath>

#include "report/numbers.h"
#include "report/shown_text.h"

namespace auralith {

namespace {

const PositionColumn& positionColumn(std::string_view name) {
    const auto columns = positionColumns();
    return *std::find_if(columns.begin(), columns.end(), [&](const PositionColumn& c) { return c.name == name; });
}

const ArrayColumn& arrayColumn(std::string_view name) {
    const auto columns = arrayColumns();
    return *std::find_if(columns.begin(), columns.end(), [&](const ArrayColumn& c) { return c.name == name; });
}

// A name in a CSV field: quoted, its own quotes doubled, so that a comma in a file's name is kept.
std::string csvQuoted(std::string_view text) {
    std::string field = "\"";
    for (const char c : text) field += c == '"' ? std::string("\"\"") : std::string(1, c);
    return field + "\"";
}

std::string csvNumber(const std::optional<double>& value, const Written& how) {
    return value ? writtenNumber(*value, how) : std::string();
}

// The fields that name the array, as report.csv begins its rows (or their headers).
std::string arrayFields(const CompareResults& results, std::size_t k) {
    std::string fields;
    const ArrayRow row{results, k};
    for (const ArrayColumn& column : arrayColumns())
        if (column.namesTheArray && column.csv.shown)
            fields += std::string(column.csv.before) + column.text(row) + std::string(column.csv.after) + ",";
    return fields;
}

std::string stageLine(const CompareResults& results, std::size_t k, std::size_t p) {
    const StagePlayer& player = results.stage->players[p];
    const PlayerHeard& heard = results.arrays[k].players[p];
    const PositionRow row = playerRow(results, heard);
    std::string line = arrayFields(results, k) + csvQuoted(player.name) + "," + csvQuoted(player.file) + "," +
                       writtenNumber(player.degrees, positionColumn("source_deg").csv) + "," +
                       writtenNumber(player.distance, arrayColumn("distance_m").csv);
    for (const PositionColumn* column : stagePlayerColumns()) line += "," + csvNumber(column->value(row), column->csv);
    return line + "\n";
}

// "10 m", "1.25 m": metres as the closing table's line on the room gives them.
std::string metres(double m) { return decimalText(static_cast<int>(std::lrint(m * 1000))) + " m"; }

std::string playerLine(const StagePlayer& player, bool room) {
    std::string line = "  " + shownOnTerminal(player.name) + "  " + shownOnTerminal(player.file) + "  " +
                       signedText(player.degrees, 1) + "°  " + metres(player.distance);
    if (room) line += "  height " + metres(player.height);
    if (player.gainDb != 0) line += "  gain " + signedText(player.gainDb, 1) + " dB";
    return line + (player.source.empty() ? "" : "  " + player.source) + "\n";
}

}  // namespace

std::vector<const PositionColumn*> stagePlayerColumns() {
    std::vector<const PositionColumn*> columns;
    for (const std::string_view name :
         {"icld_db", "ictd_ms", "ictd_samples", "image_deg", "drr_left_db", "drr_right_db"})
        columns.push_back(&positionColumn(name));
    return columns;
}

PositionRow playerRow(const CompareResults& results, const PlayerHeard& heard) {
    const bool room = results.room.has_value();
    return {heard.analysis, nullptr, results.rate, results.n, room ? &heard.drrDb : nullptr};
}

std::string stageCsv(const CompareResults& results) {
    std::string csv = "array,array_name,source,file,source_deg,distance_m";
    for (const PositionColumn* column : stagePlayerColumns()) csv += "," + std::string(column->name);
    csv += "\n";
    if (!results.stage) return csv;
    for (std::size_t k = 0; k < results.arrays.size(); ++k)
        for (std::size_t p = 0; p < results.stage->players.size() && p < results.arrays[k].players.size(); ++p)
            csv += stageLine(results, k, p);
    return csv;
}

std::string stageLabelTrack(const ArrayResult& array, const CompareResults& results) {
    if (!results.stage) return {};
    const Written& time = positionColumn("start_s").label;
    const std::string at = writtenNumber(static_cast<double>(results.stage->soundStart) / results.rate, time);
    const std::string base = results.base.halfAngle == 30 ? "" : " of ±" + fixedText(results.base.halfAngle, 0) + "°";
    std::string track;
    for (std::size_t p = 0; p < results.stage->players.size() && p < array.players.size(); ++p)
        track += at + "\t" + at + "\t" + shownOnTerminal(results.stage->players[p].name) + " " +
                 writtenNumber(array.players[p].analysis.image, positionColumn("image_deg").label) + base + "\n";
    return track;
}

std::string stageHeading(const CompareResults& results) {
    const std::vector<StagePlayer>& players = results.stage->players;
    std::string text = "Stage of " + std::to_string(players.size()) +
                       (players.size() == 1 ? " player, " : " players, ") + groupedText(results.rate) + " Hz\n";
    for (const StagePlayer& player : players) text += playerLine(player, results.room.has_value());
    for (const std::string& conversion : results.stage->conversions)
        text += "Brought to " + groupedText(results.rate) + " Hz: " + shownOnTerminal(conversion) + "\n";
    return text;
}

ImageSpan imageSpan(const ArrayResult& array) {
    if (array.players.empty()) return {};
    ImageSpan span{INFINITY, -INFINITY};
    for (const PlayerHeard& heard : array.players) {
        span.low = std::min(span.low, heard.analysis.image);
        span.high = std::max(span.high, heard.analysis.image);
    }
    return span;
}

std::string stageImagesLine(const ArrayResult& array, const CompareResults& results) {
    if (!results.stage || array.players.empty()) return {};
    std::string line;
    for (std::size_t p = 0; p < array.players.size() && p < results.stage->players.size(); ++p)
        line += "  " + shownOnTerminal(results.stage->players[p].name) + " " +
                signedText(array.players[p].analysis.image, 1) + "°";
    return line + "   width " + fixedText(imageSpan(array).width(), 1) + "°\n";
}

std::vector<std::string> stageReportFiles(const CompareResults& results) {
    std::vector<std::string> files{"stage.csv", "arrays.csv"};
    if (results.room) files.insert(files.end(), {"coherence.csv", "room.csv"});
    files.push_back("report.html");
    return files;
}

}  // namespace auralith
