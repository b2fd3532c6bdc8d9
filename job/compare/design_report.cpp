#include "job/compare/design_report.h"

#include <algorithm>
#include <cmath>
#include <span>

#include "catalogue/techniques.h"
#include "report/html/html_text.h"
#include "report/numbers.h"
#include "report/text_reports.h"
#include "sim/analysis/localisation.h"

namespace auralith {

namespace {

std::string spacingText(int thousandths) { return decimalText(thousandths); }

std::string degreesText(const RecordingAngle& a) { return a.degrees ? fixedText(*a.degrees, 1) + "°" : "none"; }

// Why a row has no spacing: the span of this angle's pairs, or the recording angles of the two
// neighbouring thousandths of a centimetre between which it passes the wanted one, too fast for
// either to come near it.
std::string whyNone(const SpacingFound& row) {
    const auto at = [](const RecordingAngle& a, int spacing) {
        return (a.degrees ? fixedText(*a.degrees, 1) + "°" : "no recording angle") + " at " + spacingText(spacing) +
               " cm";
    };
    if (row.jumpsAfter) return at(row.jumpFrom, *row.jumpsAfter) + ", " + at(row.jumpTo, *row.jumpsAfter + 1);
    return degreesText(row.coincident) + " coincident, " + degreesText(row.widest) + " at 200 cm";
}

std::string wantedText(const DesignResults& design) { return decimalText(design.wanted) + "°"; }

std::string shortText(double value) { return decimalText(static_cast<int>(std::lrint(value * 1000))); }

// "Pairs of cardioids with a recording angle of 100° between loudspeakers at ±45°".
std::string titleText(const DesignResults& design) {
    return "Pairs of " + patternPlural(design.pattern) + " with a recording angle of " + wantedText(design) +
           " between loudspeakers at ±" + shortText(design.base.halfAngle) + "°";
}

// The base's own trading, as its rule has it: "full image at 1.5 ms or 22.1 dB".
std::string fullImageText(const LoudspeakerBase& base) {
    return "full image at " + shortText(fullImageMs(base)) + " ms or " + shortText(fullImageDb(base)) + " dB";
}

bool omnis(const DesignResults& design) { return design.pattern.thousandths == 1000; }

constexpr const char* omniNote = "Omnis pick up alike whatever the angle between their axes: one row, at 0°.";

}  // namespace

std::string designPairText(const DesignResults& design, const SpacingFound& row) {
    return pairText(design.pattern, row.angle * 1000, row.spacing.value_or(0));
}

std::string designCsv(const DesignResults& design) {
    std::string csv = "angle_deg,spacing_cm,sra_deg,max_image_deg\n";
    for (const SpacingFound& row : design.rows) {
        csv += std::to_string(row.angle) + ",";
        if (row.spacing)
            csv += spacingText(*row.spacing) + "," + fixedText(*row.recordingAngle.degrees, 1) + "," +
                   fixedText(row.recordingAngle.maxImage, 1);
        else
            csv += ",,";
        csv += "\n";
    }
    return csv;
}

std::string designTable(const DesignResults& design, const std::string& folder) {
    std::string table = titleText(design) + " (" + fullImageText(design.base) + "):\n" +
                        (omnis(design) ? std::string(omniNote) + "\n" : "") + padded("angle", 7) +
                        padded("spacing", 12) + padded("recording angle", 17) + "to hear it\n";
    std::string all;
    int listed = 0;
    for (const SpacingFound& row : design.rows) {
        table += padded(std::to_string(row.angle) + "°", 7);
        if (!row.spacing) {
            table += "none (" + whyNone(row) + ")\n";
            continue;
        }
        const std::string text = designPairText(design, row);
        table += padded(spacingText(*row.spacing) + " cm", 12) + padded(degreesText(row.recordingAngle), 17) + "-a " +
                 text + "\n";
        all += (all.empty() ? "" : ",") + text;
        ++listed;
    }
    const std::string speakers =
        design.base.halfAngle == base30.halfAngle ? "" : "--speakers " + shortText(design.base.halfAngle) + " ";
    if (listed > 0)
        table += std::string("\nTo hear ") + (listed == 1 ? "it" : "them all") + ": auralith-compare " + speakers +
                 "-a " + all + " RECORDING.wav\n";
    return table + "\nFiles written in " + folder + ":\n  design.csv  design.html\n";
}

namespace {

// The plot: angle between the axes 0 .. 180 across, spacing 0 .. 200 cm upwards.
constexpr double plotLeft = 60, plotWidth = 630, plotTop = 20, plotHeight = 350;
double xAt(double angle) { return plotLeft + angle * plotWidth / 180; }
double yAt(double spacing) { return plotTop + (200 - spacing) * plotHeight / 200; }
std::string xOf(double angle) { return fixedText(xAt(angle), 2); }
std::string yOf(double spacing) { return fixedText(yAt(spacing), 2); }

std::string axes() {
    std::string svg;
    for (int a = 0; a <= 180; a += 30)
        svg += "<line class=\"grid\" x1=\"" + xOf(a) + "\" y1=\"" + yOf(0) + "\" x2=\"" + xOf(a) + "\" y2=\"" +
               yOf(200) + "\"/>\n<text x=\"" + xOf(a) + "\" y=\"" + fixedText(plotTop + plotHeight + 18, 2) +
               "\" text-anchor=\"middle\">" + std::to_string(a) + "°</text>\n";
    for (int cm = 0; cm <= 200; cm += 50)
        svg += "<line class=\"grid\" x1=\"" + xOf(0) + "\" y1=\"" + yOf(cm) + "\" x2=\"" + xOf(180) + "\" y2=\"" +
               yOf(cm) + "\"/>\n<text x=\"" + fixedText(plotLeft - 8, 2) + "\" y=\"" + fixedText(yAt(cm) + 4, 2) +
               "\" text-anchor=\"end\">" + std::to_string(cm) + " cm</text>\n";
    return svg + "<text x=\"" + xOf(90) + "\" y=\"" + fixedText(plotTop + plotHeight + 40, 2) +
           "\" text-anchor=\"middle\">angle between the axes</text>\n";
}

// The spacings found: a run of neighbouring angles that have one is a line through its dots, a
// lone one a larger marker, and an angle without one a gap.
std::string spacingCurve(const DesignResults& design) {
    const std::vector<SpacingFound>& rows = design.rows;
    const auto found = [&](std::size_t k) { return k < rows.size() && rows[k].spacing.has_value(); };
    std::string svg;
    std::string d;
    for (std::size_t k = 0; k < rows.size(); ++k) {
        if (!found(k)) continue;
        const bool before = k > 0 && found(k - 1);
        const bool lone = !before && !found(k + 1);
        const std::string x = xOf(rows[k].angle);
        const std::string y = yOf(*rows[k].spacing / 1000.0);
        if (!lone) d += (before ? " L" : (d.empty() ? "M" : " M")) + x + " " + y;
        svg += "<circle class=\"found" + std::string(lone ? " lone" : "") + "\" cx=\"" + x + "\" cy=\"" + y +
               "\" r=\"" + (lone ? "6" : "3.5") + "\"/>\n";
    }
    return (d.empty() ? std::string() : "<path class=\"spacing\" d=\"" + d + "\"/>\n") + svg;
}

// Each named technique where it lies, filled when it is of the design's pattern; those at one
// place (xy and blumlein) share a label.
std::string techniqueMarks(const DesignResults& design) {
    const std::span<const Technique> all = namedTechniques();
    std::string svg;
    for (std::size_t k = 0; k < all.size(); ++k) {
        const Technique& t = all[k];
        const auto here = [&](const Technique& u) { return u.angle == t.angle && u.spacing == t.spacing; };
        const bool first = std::none_of(all.begin(), all.begin() + static_cast<std::ptrdiff_t>(k), here);
        std::string label;
        for (const Technique& u : all)
            if (first && here(u)) label += (label.empty() ? "" : ", ") + htmlEscaped(u.key);
        svg += "<circle class=\"technique" + std::string(t.pattern == design.pattern.text ? "" : " other") +
               "\" cx=\"" + xOf(t.angle) + "\" cy=\"" + yOf(t.spacing) + "\" r=\"5\"/>\n";
        if (first)
            svg += "<text x=\"" + fixedText(xAt(t.angle) + 8, 2) + "\" y=\"" + fixedText(yAt(t.spacing) - 6, 2) +
                   "\" text-anchor=\"start\">" + label + "</text>\n";
    }
    return svg;
}

std::string techniqueTable(const DesignResults& design) {
    std::string html =
        "<table>\n<tr><th>technique</th><th>pattern</th><th>angle</th><th>spacing</th>"
        "<th>recording angle here</th><th>source</th></tr>\n";
    for (const Technique& t : namedTechniques()) {
        const ChosenArray chosen = techniqueChoice(t);
        html += "<tr><td>" + htmlEscaped(t.key) + "</td><td>" + htmlEscaped(t.pattern) + "</td><td>" +
                std::to_string(t.angle) + "°</td><td>" + std::to_string(t.spacing) + " cm</td><td>" +
                degreesText(recordingAngle(chosen.model, 44100, design.base)) + "</td><td class=\"text\">" +
                htmlEscaped(t.source) + "</td></tr>\n";
    }
    return html + "</table>\n";
}

std::string rowTable(const DesignResults& design) {
    std::string html = "<table>\n<tr><th>angle</th><th>spacing</th><th>recording angle</th><th>to hear it</th></tr>\n";
    for (const SpacingFound& row : design.rows) {
        html += "<tr><td>" + std::to_string(row.angle) + "°</td>";
        if (row.spacing)
            html += "<td>" + spacingText(*row.spacing) + " cm</td><td>" + degreesText(row.recordingAngle) +
                    "</td><td class=\"text\"><code>-a " + htmlEscaped(designPairText(design, row)) + "</code></td>";
        else
            html += "<td colspan=\"3\" class=\"text\">none (" + htmlEscaped(whyNone(row)) + ")</td>";
        html += "</tr>\n";
    }
    return html + "</table>\n";
}

constexpr const char* designStyle =
    "body{font-family:sans-serif;margin:2em;max-width:60em;color:#222;background:#fff}"
    "svg{max-width:100%;height:auto}svg text{font-size:12px;fill:#333}.grid{stroke:#ddd;stroke-width:1}"
    ".spacing{fill:none;stroke:#d62728;stroke-width:2.5}.found{fill:#d62728}.found.lone{stroke:#fff;stroke-width:2}"
    ".technique{fill:#1f77b4}.technique.other{fill:none;stroke:#1f77b4;stroke-width:1.5}"
    "table{border-collapse:collapse;margin:0.5em 0 1.5em}td,th{border:1px solid #ccc;padding:2px 6px;"
    "text-align:right;font-size:13px}th{background:#f0f0f0}td.text{text-align:left}";

}  // namespace

std::string designHtml(const DesignResults& design) {
    const std::string title = titleText(design);
    return htmlPage(
        htmlEscaped(title), designStyle,
        "<h1>" + htmlEscaped(title) +
            "</h1>\n<p>For each angle between the axes, the spacing at which a pair of this pattern has this stereo "
            "recording angle, found by a bracketed search on the recording angle the comparison's reports give "
            "(the source on a 10 m arc, each microphone's level from its pattern at its own angle of incidence and "
            "its distance, the time–level trading of MARRS for this base: " +
            fullImageText(design.base) + "). " + (omnis(design) ? std::string(omniNote) + " " : "") +
            "The named techniques are marked where they lie, filled when they are of this pattern.</p>\n"
            "<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 740 420\" width=\"740\" height=\"420\" "
            "role=\"img\" aria-label=\"Spacing against angle\">\n" +
            axes() + spacingCurve(design) + techniqueMarks(design) + "</svg>\n<h2>The spacings</h2>\n" +
            rowTable(design) + "<h2>The named techniques on this model</h2>\n" + techniqueTable(design));
}

}  // namespace auralith
