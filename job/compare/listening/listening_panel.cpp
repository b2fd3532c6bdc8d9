#include "job/compare/listening/listening_panel.h"

#include <cmath>
#include <vector>

#include "job/compare/html_report.h"
#include "job/compare/listening/listening_script.h"
#include "job/compare/numbers.h"
#include "job/compare/shown_text.h"
#include "job/compare/text_reports.h"

namespace auralith {

std::string urlEscaped(std::string_view name) {
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string url;
    for (const char c : name) {
        const auto byte = static_cast<unsigned char>(c);
        const bool unreserved = (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') ||
                                c == '-' || c == '.' || c == '_' || c == '~';
        if (unreserved)
            url += c;
        else
            url += {'%', hex[byte >> 4], hex[byte & 15]};
    }
    return url;
}

std::string jsonString(std::string_view text) {
    std::string json = "\"";
    for (const char c : text) {
        switch (c) {
            case '"': json += "\\\""; break;
            case '\\': json += "\\\\"; break;
            case '<': json += "\\u003c"; break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    static constexpr char hex[] = "0123456789abcdef";
                    json += {'\\', 'u', '0', '0', hex[(c >> 4) & 15], hex[c & 15]};
                } else {
                    json += c;
                }
        }
    }
    return json + "\"";
}

namespace {

// A JSON number with two decimals, as arrays.csv gives offsets; null for none (a silent render
// beside a sounding one has an infinite offset: it is left as it is).
std::string offsetJson(const std::optional<double>& offset) {
    return offset && std::isfinite(*offset) ? fixedText(*offset, 2) : "null";
}

std::string positionsJson(const CompareResults& results) {
    std::string json;
    for (const PositionAnalysis& p : results.arrays[0].analysis.positions) {
        const PositionSpan span = positionSpan(p.position, results.rate, results.n);
        json += std::string(json.empty() ? "" : ",\n") + "{\"start\":" + fixedText(span.start, 6) +
                ",\"end\":" + fixedText(span.end, 6) + ",\"source\":\"" + signedText(p.sourceDegrees, 1) + "\"}";
    }
    return json;
}

// `headphones`: every array's headphone loudness, which its offset is reckoned against.
std::string arrayJson(const CompareResults& results, std::size_t k,
                      const std::vector<std::optional<double>>& headphones) {
    const ArrayResult& r = results.arrays[k];
    std::string images;
    for (const PositionAnalysis& p : r.analysis.positions)
        images += std::string(images.empty() ? "" : ",") + "\"" + signedText(p.image, 1) + "\"";
    return "{\"key\":" + jsonString(shownOnPage(r.array.key)) + ",\"name\":" + jsonString(shownOnPage(r.array.name)) +
           ",\"offset\":" + offsetJson(loudnessOffset(results.arrays, k)) +
           ",\"headphonesOffset\":" + offsetJson(offsetToLoudest(headphones, k)) + ",\"images\":[" + images + "]}";
}

std::string player(const std::string& file, std::size_t k, const char* kind) {
    return "<audio controls preload=\"metadata\" src=\"" + htmlEscaped(urlEscaped(file)) + "\" data-array=\"" +
           std::to_string(k) + "\" data-kind=\"" + kind + "\"></audio>";
}

std::string players(const CompareResults& results) {
    const bool headphones = !results.head.empty();
    std::string html = std::string("<table class=\"players\">\n<tr><th>array</th><th>on loudspeakers</th>") +
                       (headphones ? "<th>on headphones</th>" : "") + "</tr>\n";
    for (std::size_t k = 0; k < results.arrays.size(); ++k) {
        const ArrayResult& r = results.arrays[k];
        html += "<tr class=\"player\"><td>" + htmlEscaped(shownOnPage(r.array.key)) + " " +
                htmlEscaped(shownOnPage(r.array.name)) + "</td><td>" + player(r.audioFile, k, "loudspeakers") +
                "</td>" + (headphones ? "<td>" + player(r.headphones.file, k, "headphones") + "</td>" : "") + "</tr>\n";
    }
    return html + "</table>\n";
}

}  // namespace

std::string listeningPanel(const CompareResults& results) {
    std::string html = "<section id=\"listen\">\n<h2>Listen</h2>\n";
    if (results.arrays.empty() || results.arrays[0].audioFile.empty())
        return html + "<p>This run wrote no audio (--no-audio): there is nothing to listen to.</p>\n</section>\n";
    std::vector<std::optional<double>> headphones;
    for (const ArrayResult& a : results.arrays) headphones.push_back(a.headphones.loudness);
    std::string arrays;
    for (std::size_t k = 0; k < results.arrays.size(); ++k)
        arrays += std::string(k == 0 ? "" : ",\n") + arrayJson(results, k, headphones);
    return html + "<div id=\"panel\"></div>\n" + players(results) +
           "<script type=\"application/json\" id=\"listening-data\">\n{\"headphones\":" +
           (results.head.empty() ? "false" : "true") + ",\n\"positions\":[" + positionsJson(results) +
           "],\n\"arrays\":[" + arrays + "]}\n</script>\n<script>\n" + listeningScript + "</script>\n</section>\n";
}

}  // namespace auralith
