#include "job/compare/html_report.h"

#include <cmath>
#include <iterator>
#include <variant>

#include "job/compare/file_names.h"
#include "job/compare/listening/listening_panel.h"
#include "job/compare/numbers.h"
#include "job/compare/shown_text.h"
#include "job/compare/text_reports.h"
#include "sim/model/extended_math.h"

namespace auralith {

std::string htmlEscaped(std::string_view text) {
    std::string out;
    for (const char c : text) {
        switch (c) {
            case '&': out += "&amp;"; break;
            case '<': out += "&lt;"; break;
            case '>': out += "&gt;"; break;
            case '"': out += "&quot;"; break;
            default: out += c;
        }
    }
    return out;
}

namespace {

// One colour per built-in array, the same on every page; the described ones take theirs in turn
// from a second set.
constexpr const char* colours[micArrayCount] = {"#1f77b4", "#d62728", "#2ca02c", "#9467bd", "#e07b00", "#17a2b8"};
constexpr const char* describedColours[] = {"#8c564b", "#e377c2", "#7f7f7f", "#bcbd22",
                                            "#393b79", "#637939", "#843c39", "#7b4173"};

const char* colourOf(const CompareResults& results, std::size_t k) {
    if (const auto* builtIn = std::get_if<MicArray>(&results.arrays[k].array.model))
        return colours[static_cast<int>(*builtIn) - 1];
    std::size_t described = 0;
    for (std::size_t j = 0; j < k; ++j) described += std::holds_alternative<MicLayout>(results.arrays[j].array.model);
    return describedColours[described % std::size(describedColours)];
}

// Earlier built-in arrays are drawn wider, so that a curve another one covers still shows at its
// edges (the tree's follows the spaced omnis' closely); the described ones are drawn thinnest,
// on top of them.
std::string curveWidth(const ChosenArray& array) {
    const auto* builtIn = std::get_if<MicArray>(&array.model);
    return fixedText(builtIn ? 2 + 0.8 * (micArrayCount - static_cast<int>(*builtIn)) : 1.6, 1);
}

// The plot: source angle -90 .. 90 across, image -30 .. 30 upwards (right at the top).
constexpr double plotLeft = 60, plotWidth = 660, plotTop = 20, plotHeight = 360;
std::string xOf(double source) { return fixedText(plotLeft + (source + 90) * plotWidth / 180, 2); }
double yAt(double image) { return plotTop + (30 - image) * plotHeight / 60; }
std::string yOf(double image) { return fixedText(yAt(image), 2); }

std::string line(const std::string& cls, const std::string& x1, const std::string& y1, const std::string& x2,
                 const std::string& y2, const std::string& extra = {}) {
    return "<line class=\"" + cls + "\" x1=\"" + x1 + "\" y1=\"" + y1 + "\" x2=\"" + x2 + "\" y2=\"" + y2 + "\"" +
           extra + "/>\n";
}

std::string text(const std::string& x, const std::string& y, const std::string& content, const char* anchor) {
    return "<text x=\"" + x + "\" y=\"" + y + "\" text-anchor=\"" + anchor + "\">" + content + "</text>\n";
}

// The image axis is drawn for +-30 degrees; another base's images are scaled onto it and its
// marks say their own degrees.
double plotScale(const CompareResults& results) { return 30 / results.base.halfAngle; }

std::string plotFrame(const CompareResults& results) {
    const double half = results.base.halfAngle;
    std::string svg = "<rect class=\"sweep\" x=\"" + xOf(-45) + "\" y=\"" + yOf(30) + "\" width=\"" +
                      fixedText(plotWidth / 2, 2) + "\" height=\"" + fixedText(plotHeight, 2) + "\"/>\n";
    for (int s = -90; s <= 90; s += 15) {
        svg += line("grid", xOf(s), yOf(30), xOf(s), yOf(-30));
        svg += text(xOf(s), fixedText(plotTop + plotHeight + 18, 2), signedText(s, 0) + "°", "middle");
    }
    for (int i = -30; i <= 30; i += 10) {
        svg += line(std::abs(i) == 30 ? "limit" : "grid", xOf(-90), yOf(i), xOf(90), yOf(i));
        svg += text(fixedText(plotLeft - 8, 2), fixedText(yAt(i) + 4, 2), signedText(i * half / 30, 0) + "°", "end");
    }
    svg += text(xOf(0), fixedText(plotTop + plotHeight + 40, 2), "source angle (negative: left)", "middle");
    svg += "<text transform=\"translate(16," + yOf(0) +
           ") rotate(-90)\" text-anchor=\"middle\">predicted image (loudspeakers at ±" + fixedText(half, 0) +
           "°)</text>\n";
    return svg;
}

std::string arrayCurve(const CompareResults& results, std::size_t k) {
    const ArrayResult& r = results.arrays[k];
    const ArrayAnalysis& a = r.analysis;
    const std::string colour = colourOf(results, k);
    const double scale = plotScale(results);
    std::string d;
    for (const CurvePoint& p : a.curve)
        d += (d.empty() ? "M" : " L") + xOf(p.sourceDegrees) + " " + yOf(p.image * scale);
    std::string svg = "<path class=\"curve\" data-array=\"" + r.array.key + "\" stroke=\"" + colour +
                      "\" stroke-width=\"" + curveWidth(r.array) + "\" d=\"" + d + "\"/>\n";
    for (const PositionAnalysis& p : a.positions)
        svg += "<circle class=\"position\" cx=\"" + xOf(p.sourceDegrees) + "\" cy=\"" + yOf(p.image * scale) +
               "\" r=\"3\" fill=\"" + colour + "\"/>\n";
    if (a.recordingAngle.degrees) {
        // The recording angle: where the curve reaches either loudspeaker.
        const double half = *a.recordingAngle.degrees / 2;
        const std::string stroke = " stroke=\"" + colour + "\"";
        svg += line("sra", xOf(half), fixedText(yAt(30) - 10, 2), xOf(half), yOf(26), stroke);
        svg += line("sra", xOf(-half), yOf(-26), xOf(-half), fixedText(yAt(-30) + 10, 2), stroke);
    }
    return svg;
}

std::string legend(const CompareResults& results) {
    std::string svg;
    double y = plotTop + plotHeight + 62;
    for (std::size_t k = 0; k < results.arrays.size(); ++k) {
        const ArrayResult& r = results.arrays[k];
        const RecordingAngle& sra = r.analysis.recordingAngle;
        const std::string label = htmlEscaped(r.array.key) + " " + htmlEscaped(r.array.name) +
                                  (sra.degrees ? " (recording angle " + fixedText(*sra.degrees, 1) + "°)"
                                               : " (image at most " + fixedText(sra.maxImage, 1) + "°)");
        svg += "<g class=\"legend\">" + line("key", fixedText(plotLeft, 2), fixedText(y - 4, 2),
                                             fixedText(plotLeft + 30, 2), fixedText(y - 4, 2),
                                             " stroke=\"" + std::string(colourOf(results, k)) + "\"");
        svg += text(fixedText(plotLeft + 38, 2), fixedText(y, 2), label, "start") + "</g>\n";
        y += 20;
    }
    return svg;
}

std::string curves(const CompareResults& results) {
    const double height = plotTop + plotHeight + 62 + 20 * static_cast<double>(results.arrays.size());
    std::string svg = "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 740 " + fixedText(height, 0) +
                      "\" width=\"740\" height=\"" + fixedText(height, 0) +
                      "\" role=\"img\" aria-label=\"Localisation curves\">\n" + plotFrame(results);
    for (std::size_t k = 0; k < results.arrays.size(); ++k) svg += arrayCurve(results, k);
    return svg + legend(results) + "</svg>\n";
}

std::string levelDb(long double factor) {
    if (factor == 0) return "-inf";
    return signedText(static_cast<double>(20 * extendedLog10(std::fabs(factor))), 2);
}

std::string tableHead(const Pickup& pickup, bool ears) {
    static constexpr const char* mics[3] = {"left", "right", "centre"};
    std::string head = "<tr><th>position</th><th>source</th>";
    for (int m = 0; m < pickup.count; ++m)
        head += std::string("<th>") + mics[m] + " mic dB</th><th>" + mics[m] + " mic delay</th>";
    return head + "<th>ICLD dB</th><th>ICTD ms</th><th>ICTD samples</th><th>image</th>" +
           (ears ? "<th>ear ITD ms</th><th>ear ITD ms below 1.5 kHz</th><th>ear ILD dB</th>" : "") + "</tr>\n";
}

std::string earCells(const EarCues& e) {
    return "<td>" + signedText(e.itdMs, 3) + "</td><td>" + signedText(e.itdLowMs, 3) + "</td><td>" +
           signedText(e.ildDb, 2) + "</td>";
}

std::string positionRow(const PositionAnalysis& p, const EarCues* ears) {
    std::string row = "<tr><td>" + std::to_string(p.position) + "</td><td>" + signedText(p.sourceDegrees, 1) + "°</td>";
    for (int m = 0; m < p.pickup.count; ++m)
        row += "<td>" + levelDb(p.pickup.mics[m].factor) + "</td><td>" +
               signedText(static_cast<double>(p.pickup.mics[m].delay), 0) + "</td>";
    return row + "<td>" + signedText(p.difference.icldDb, 2) + "</td><td>" + signedText(p.difference.ictdMs, 3) +
           "</td><td>" + signedText(static_cast<double>(p.difference.ictdFrames), 0) + "</td><td>" +
           signedText(p.image, 1) + "°</td>" + (ears ? earCells(*ears) : "") + "</tr>\n";
}

std::string arraySection(const CompareResults& results, std::size_t k) {
    const ArrayResult& r = results.arrays[k];
    const ArrayAnalysis& a = r.analysis;
    const RecordingAngle& sra = a.recordingAngle;
    std::string html = "<section class=\"array\" id=\"array-" + r.array.key +
                       "\">\n<h2><span class=\"swatch\" style=\"background:" + colourOf(results, k) + "\"></span>" +
                       htmlEscaped(r.array.key) + " " + htmlEscaped(r.array.name) +
                       "</h2>\n<p>Stereo recording angle: " +
                       (sra.degrees ? fixedText(*sra.degrees, 1) + "°"
                                    : "none: the image reaches at most " + fixedText(sra.maxImage, 1) + "°") +
                       ". ";
    const std::optional<double> offset = loudnessOffset(results.arrays, k);
    if (r.loudness)
        html +=
            "Integrated loudness: " + fixedText(*r.loudness, 2) + " LUFS; " + fixedText(*offset, 2) +
            " dB would bring it to the loudest. Files: <code>" + htmlEscaped(shownOnPage(r.audioFile)) +
            "</code>, <code>" + htmlEscaped(shownOnPage(r.labelFile)) + "</code>" +
            (r.headphones.file.empty() ? "" : ", <code>" + htmlEscaped(shownOnPage(r.headphones.file)) + "</code>") +
            ".";
    else
        html += "No audio rendered.";
    if (r.headphones.loudness)
        html += " On headphones: " + fixedText(*r.headphones.loudness, 2) + " LUFS" +
                (r.headphones.clipped > 0 ? ", " + std::to_string(r.headphones.clipped) + " samples clipped" : "") +
                ".";
    const bool ears = !results.head.empty();
    html += "</p>\n<table>\n" + tableHead(a.positions[0].pickup, ears);
    for (const PositionAnalysis& p : a.positions)
        html += positionRow(p, ears ? &r.headphones.ears[static_cast<std::size_t>(p.position)] : nullptr);
    return html + "</table>\n</section>\n";
}

constexpr const char* style =
    "body{font-family:sans-serif;margin:2em;max-width:60em;color:#222;background:#fff}"
    "svg{max-width:100%;height:auto}svg text{font-size:12px;fill:#333}"
    ".grid{stroke:#ddd;stroke-width:1}.limit{stroke:#555;stroke-width:1;stroke-dasharray:6 4}"
    ".sweep{fill:#f4f4f4}.curve{fill:none}.sra,.key{stroke-width:3}"
    "table{border-collapse:collapse;margin:0.5em 0 1.5em}td,th{border:1px solid #ccc;padding:2px 6px;"
    "text-align:right;font-size:13px}th{background:#f0f0f0}"
    ".swatch{display:inline-block;width:0.8em;height:0.8em;margin-right:0.4em}"
    // The listening panel, which the script builds; in blind mode all that tells the arrays apart is hidden.
    "#panel button{margin:2px;padding:3px 8px}#panel button.on{outline:3px solid #222}"
    ".timeline{position:relative;height:28px;background:#eee;margin:6px 0;cursor:pointer}"
    ".timeline .played{position:absolute;left:0;top:0;bottom:0;background:#cde}"
    ".timeline .mark{position:absolute;top:0;bottom:0;width:2px;background:#555}"
    ".now{font-variant-numeric:tabular-nums}.keys{font-size:13px;color:#555}"
    "section.array.heard{border-left:6px solid #222;padding-left:8px}g.legend.heard text{font-weight:bold}"
    ".marker{fill:none;stroke:#000;stroke-width:2.5}circle.position,section.array tr{cursor:pointer}"
    "body.blind #curves,body.blind section.array,body.blind .players{display:none}";

// At +-30 degrees the trading rule in its plain numbers; at +-45 with MARRS's constants for that base.
std::string tradingRule(const LoudspeakerBase& base) {
    if (base.halfAngle == 30)
        return "±30° follows the time–level trading of Lee, Johnson and Mironovs (MARRS, Audio Engineering Society "
               "143rd Convention, e-brief 390, 2017): with T the time difference in ms and L the level difference in "
               "dB, the image lies 40·(T + L/17) degrees off centre up to T + L/17 = 0.5 and 20·(T + L/17 + 0.5) "
               "degrees above, at most 30°.";
    return "±45° follows the time–level trading of Lee, Johnson and Mironovs (MARRS, Audio Engineering Society "
           "143rd Convention, e-brief 390, 2017) with its constants for that base, a = 1.5 and b = 1.3: with T the "
           "time difference in ms and L the level difference in dB, x = T + 1.5·L/(17·1.3), and the image lies "
           "40·x degrees off centre up to x = 0.75 and 20·(x + 0.75) degrees above, at most 45°.";
}

std::string modelParagraph(const CompareResults& results) {
    std::string text =
        "<h2>The model</h2>\n<p>The numbers come from the same model as the sound: each microphone's level factor, "
        "its share in each channel and its whole-sample delay at each position of the sweep (a source 10 m from "
        "the array's centre, from 45° left to 45° right). ICLD is the level difference of the two channels for a "
        "white-noise source (positive: left louder); ICTD is the lag at which the channels' white-noise "
        "cross-correlation is largest (positive: the right channel later). The image on a loudspeaker pair at " +
        tradingRule(results.base) +
        " The stereo recording angle is twice the smallest source angle at which "
        "the image reaches a loudspeaker, found with unrounded delays on the arc from 0° to 90°; the curves "
        "use unrounded delays too, the dots and tables the delays as rendered. The model leaves out the room, "
        "the cues of distance, and the precedence effect between the tree's centre microphone and its outer "
        "ones (the centre's sound arrives first, which the trading rule does not weigh).</p>\n";
    if (!results.head.empty())
        text += "<p>The headphone renders play each render through two loudspeakers at ±" +
                fixedText(results.base.halfAngle, 0) + "° as they reach the ears of a measured head (" +
                htmlEscaped(shownOnPage(results.head)) +
                "). The ear columns are the cues that head gets from a white-noise source at each position, "
                "through the microphones, the loudspeakers and its own responses: the lag of the largest "
                "cross-correlation of the two ears, broadband and below 1.5 kHz (positive: the right ear later), "
                "and the level difference of the ears (positive: the left ear louder). Beside the image the "
                "trading rule predicts, they show what a listener's ears are given to work with.</p>\n";
    return text;
}

}  // namespace

std::string htmlReport(const CompareResults& results) {
    // The input's name without its folder: the page names no folder of the machine it was made on.
    const std::string input = htmlEscaped(shownOnPage(baseNameOf(results.input)));
    std::string html = "<!DOCTYPE html>\n<html lang=\"en\">\n<head>\n<meta charset=\"utf-8\">\n<title>" + input +
                       ": stereo arrays compared</title>\n<style>" + style +
                       "</style>\n</head>\n<body>\n<h1>Stereo arrays compared: <code>" + input +
                       "</code></h1>\n<p class=\"source\">Read: " + htmlEscaped(results.source) + ".</p>\n" +
                       listeningPanel(results) + "<div id=\"curves\">\n<h2>Localisation curves</h2>\n" +
                       curves(results) + "</div>\n";
    for (std::size_t k = 0; k < results.arrays.size(); ++k) html += arraySection(results, k);
    return html + modelParagraph(results) + "</body>\n</html>\n";
}

}  // namespace auralith
