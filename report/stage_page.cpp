#include "report/stage_page.h"

#include "report/columns.h"
#include "report/html/html_text.h"
#include "report/numbers.h"
#include "report/shown_text.h"
#include "report/stage_plan.h"
#include "report/stage_reports.h"

namespace auralith {

namespace {

std::string shown(std::string_view text) { return htmlEscaped(shownOnPage(text)); }

std::string cells(const std::vector<std::string>& texts, const char* cell) {
    std::string row = "<tr>";
    for (const std::string& text : texts) row += std::string("<") + cell + ">" + text + "</" + cell + ">";
    return row + "</tr>\n";
}

// The players as the run was given them.
std::string playersList(const CompareResults& results) {
    const bool room = results.room.has_value();
    std::vector<std::string> head{"player", "file", "source", "distance m"};
    if (room) head.push_back("height m");
    head.insert(head.end(), {"gain dB", "read"});
    std::string html = "<div class=\"scroll\"><table class=\"stage-players\">\n" + cells(head, "th");
    for (const StagePlayer& p : results.stage->players) {
        std::vector<std::string> row{shown(p.name), "<code>" + shown(p.file) + "</code>",
                                     signedText(p.degrees, 1) + "°", fixedText(p.distance, 2)};
        if (room) row.push_back(fixedText(p.height, 2));
        row.insert(row.end(), {signedText(p.gainDb, 1), shown(p.source)});
        html += cells(row, "td");
    }
    return html + "</table></div>\n";
}

// The array's players table: each player's place, then the cues and the image as its positions
// table shows them.
std::string playersTable(const CompareResults& results, std::size_t k) {
    std::vector<const PositionColumn*> columns;
    for (const PositionColumn* column : stagePlayerColumns())
        if (column->page.shown && carried(*column, results)) columns.push_back(column);
    std::vector<std::string> head{"player", "source", "distance m"};
    for (const PositionColumn* column : columns) head.emplace_back(column->heading);
    std::string html = "<div class=\"scroll\"><table class=\"stage-cues\">\n" + cells(head, "th");
    const ArrayResult& array = results.arrays[k];
    for (std::size_t p = 0; p < array.players.size() && p < results.stage->players.size(); ++p) {
        const StagePlayer& player = results.stage->players[p];
        const PositionRow row = playerRow(results, array.players[p]);
        std::vector<std::string> texts{shown(player.name), signedText(player.degrees, 1) + "°",
                                       fixedText(player.distance, 2)};
        for (const PositionColumn* column : columns) {
            const std::optional<double> value = column->value(row);
            texts.push_back(value ? writtenNumber(*value, column->page) : "-");
        }
        html += cells(texts, "td");
    }
    return html + "</table></div>\n";
}

// The ensemble's width as the array gives it: its widest image less its narrowest.
std::string widthSentence(const ArrayResult& array) {
    if (array.players.empty()) return {};
    const ImageSpan span = imageSpan(array);
    return "<p class=\"stage-width\">The players' images span " + fixedText(span.width(), 1) + "°, from " +
           signedText(span.low, 1) + "° to " + signedText(span.high, 1) + "°.</p>\n";
}

}  // namespace

std::string stageTitle(const CompareResults& results) {
    const std::size_t count = results.stage->players.size();
    return "<h1>Stereo arrays compared: a stage of " + std::to_string(count) + (count == 1 ? " player" : " players") +
           "</h1>\n";
}

std::string stageSection(const CompareResults& results) {
    if (!results.stage) return {};
    std::string html =
        "<div id=\"stage\">\n<h2>The stage</h2>\n<p>The players are heard at once: each array's render is one "
        "recording of the whole ensemble, and its labels mark where the sound begins. Below, each array's section "
        "shows where it puts each player between the loudspeakers.</p>\n" +
        playersList(results);
    for (const std::string& conversion : results.stage->conversions)
        html +=
            "<p class=\"conversion\">Brought to " + groupedText(results.rate) + " Hz: " + shown(conversion) + ".</p>\n";
    return html + "<p>Where they stand, to scale, seen from above with the stage at the top.</p>\n" +
           stagePlanSvg(results) + "</div>\n";
}

std::string stageOfArray(const CompareResults& results, std::size_t k) {
    if (!results.stage) return {};
    return "<h3>The stage through " + shown(results.arrays[k].array.name) + "</h3>\n" + stageImagesSvg(results, k) +
           widthSentence(results.arrays[k]) + playersTable(results, k);
}

}  // namespace auralith
