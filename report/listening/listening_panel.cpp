#include "report/listening/listening_panel.h"

#include <cmath>

#include "report/columns.h"
#include "report/html/html_text.h"
#include "report/listening/listening_script.h"
#include "report/shown_text.h"

namespace auralith {

namespace {

// A number as the data gives it: with a sign as a string, as the tables show it; else a JSON
// number; null for none, and for a value JSON cannot hold (a silent render beside a sounding one
// has an infinite offset: it is left as it is).
std::string dataValue(const std::optional<double>& value, const Written& how) {
    if (!value || !std::isfinite(*value)) return "null";
    return how.plus ? "\"" + writtenNumber(*value, how) + "\"" : writtenNumber(*value, how);
}

// The positions' own entries (their times, the source's angle), the same for every array: taken
// from the first.
std::string positionsJson(const CompareResults& results) {
    std::string json;
    for (std::size_t p = 0; p < results.arrays[0].analysis.positions.size(); ++p) {
        const PositionRow row = positionRow(results, 0, p);
        std::string entry;
        for (const PositionColumn& column : positionColumns())
            if (column.data.shown && column.sameForEveryArray)
                entry += std::string(entry.empty() ? "{" : ",") + "\"" + std::string(column.dataKey) +
                         "\":" + dataValue(column.value(row), column.data);
        json += std::string(json.empty() ? "" : ",\n") + entry + "}";
    }
    return json;
}

// A stage's one sound: from where its players begin to the recording's end; it has no source angle.
std::string stageSoundJson(const CompareResults& results) {
    std::string json;
    for (const PositionColumn& column : positionColumns()) {
        if (!column.data.shown || !column.sameForEveryArray) continue;
        const std::int64_t frame = results.stage->soundStart + (column.name == "end_s" ? results.n : 0);
        const std::optional<double> value =
            column.unit == "s" ? std::optional<double>(static_cast<double>(frame) / results.rate) : std::nullopt;
        json += std::string(json.empty() ? "{" : ",") + "\"" + std::string(column.dataKey) +
                "\":" + dataValue(value, column.data);
    }
    return json + "}";
}

// The array's entries, then a list for each of its positions' own columns.
std::string arrayJson(const CompareResults& results, std::size_t k) {
    const ArrayRow array{results, k};
    std::string json;
    for (const ArrayColumn& column : arrayColumns()) {
        if (!column.data.shown) continue;
        json +=
            std::string(json.empty() ? "{" : ",") + "\"" + std::string(column.dataKey) + "\":" +
            (column.text ? jsonString(shownOnPage(column.text(array))) : dataValue(column.value(array), column.data));
    }
    for (const PositionColumn& column : positionColumns()) {
        if (!column.data.shown || column.sameForEveryArray) continue;
        std::string list;
        for (std::size_t p = 0; p < results.arrays[k].analysis.positions.size(); ++p)
            list += (list.empty() ? "" : ",") + dataValue(column.value(positionRow(results, k, p)), column.data);
        json += ",\"" + std::string(column.dataKey) + "\":[" + list + "]";
    }
    return json + "}";
}

// Where the sound is, for the time line: of every render the loudest at each moment, so that the
// drawing is the same whichever array is heard and tells nothing in a blind test. The frames and
// the rate give its length in seconds, which the positions' times are in.
std::string envelopeJson(const CompareResults& results) {
    Envelope loudest;
    for (const ArrayResult& r : results.arrays) takeLouder(loudest, r.envelope);
    std::string peaks;
    for (const std::int32_t peak : loudest.peaks) peaks += (peaks.empty() ? "" : ",") + std::to_string(peak);
    return "{\"frames\":" + std::to_string(loudest.frames) + ",\"rate\":" + std::to_string(results.rate) +
           ",\"peaks\":[" + peaks + "]}";
}

std::string player(const std::string& file, std::size_t k, const char* kind) {
    return "<audio controls preload=\"metadata\" src=\"" + htmlEscaped(urlEscaped(file)) + "\" data-array=\"" +
           std::to_string(k) + "\" data-kind=\"" + kind + "\"></audio>";
}

std::string players(const CompareResults& results) {
    const bool headphones = !results.head.empty();
    std::string html =
        std::string("<div class=\"scroll\"><table class=\"players\">\n<tr><th>array</th><th>on loudspeakers</th>") +
        (headphones ? "<th>on headphones</th>" : "") + "</tr>\n";
    for (std::size_t k = 0; k < results.arrays.size(); ++k) {
        const ArrayResult& r = results.arrays[k];
        html += "<tr class=\"player\"><td>" + htmlEscaped(shownOnPage(r.array.key)) + " " +
                htmlEscaped(shownOnPage(r.array.name)) + "</td><td>" + player(r.audioFile, k, "loudspeakers") +
                "</td>" + (headphones ? "<td>" + player(r.headphones.file, k, "headphones") + "</td>" : "") + "</tr>\n";
    }
    return html + "</table></div>\n";
}

}  // namespace

std::string listeningPanel(const CompareResults& results) {
    std::string html = "<section id=\"listen\">\n<h2>Listen</h2>\n";
    if (results.arrays.empty() || results.arrays[0].audioFile.empty())
        return html + "<p>This run wrote no audio (--no-audio): there is nothing to listen to.</p>\n</section>\n";
    std::string arrays;
    for (std::size_t k = 0; k < results.arrays.size(); ++k)
        arrays += std::string(k == 0 ? "" : ",\n") + arrayJson(results, k);
    return html + "<div id=\"panel\"></div>\n" + players(results) +
           "<script type=\"application/json\" id=\"listening-data\">\n{\"headphones\":" +
           (results.head.empty() ? "false" : "true") + (results.stage ? ",\n\"stage\":true" : "") +
           ",\n\"positions\":[" + (results.stage ? stageSoundJson(results) : positionsJson(results)) +
           "],\n\"envelope\":" + envelopeJson(results) + ",\n\"arrays\":[" + arrays + "]}\n</script>\n<script>\n" +
           listeningScript + "</script>\n</section>\n";
}

}  // namespace auralith
