#include "report/html_report.h"

#include <algorithm>
#include <cmath>
#include <vector>

#include "report/array_plan.h"
#include "report/columns.h"
#include "report/curves_plot.h"
#include "report/delay_rounding.h"
#include "report/html/html_text.h"
#include "report/listening/listening_panel.h"
#include "report/numbers.h"
#include "report/page_notes.h"
#include "report/room_plan.h"
#include "report/shown_text.h"
#include "report/stage_page.h"
#include "report/text_reports.h"

namespace auralith {

namespace {

// The name after its last separator, both separators on every platform as the program's file
// names take them.
std::string_view withoutFolder(std::string_view path) {
    const std::size_t slash = path.find_last_of("/\\");
    return slash == std::string_view::npos ? path : path.substr(slash + 1);
}

// The table's header, or a position's row, where row is given: the columns the page shows, each
// microphone's level and delay after the source's angle.
std::string tableLine(const CompareResults& results, const Pickup& pickup, const PositionRow* row) {
    static constexpr const char* micNames[3] = {"left", "right", "centre"};
    const char* cell = row ? "td>" : "th>";
    std::string line = "<tr>";
    for (const PositionColumn& column : positionColumns()) {
        if (!column.page.shown || !carried(column, results)) continue;
        const std::optional<double> value = row ? column.value(*row) : std::nullopt;
        line += std::string("<") + cell +
                (row ? (value ? writtenNumber(*value, column.page) : "-") : std::string(column.heading)) + "</" + cell;
        if (column.name != "source_deg") continue;
        for (int m = 0; m < pickup.count(); ++m)
            for (const MicColumn& mic : micColumns())
                line += std::string("<") + cell +
                        (row ? writtenNumber(mic.value(pickup.mics[m]), mic.page)
                             : micNames[m] + std::string(mic.heading)) +
                        "</" + cell;
    }
    return line + "</tr>\n";
}

// Where the channels are in antiphase, as ranges of the source angle; nothing where they never are.
std::string antiphaseText(const std::vector<CurvePoint>& curve) {
    std::string ranges;
    for (std::size_t i = 0; i < curve.size(); ++i) {
        if (!curve[i].antiphase || (i > 0 && curve[i - 1].antiphase)) continue;
        std::size_t last = i;
        while (last + 1 < curve.size() && curve[last + 1].antiphase) ++last;
        ranges += std::string(ranges.empty() ? "" : " and ") + "from " + signedText(curve[i].sourceDegrees, 0) +
                  "° to " + signedText(curve[last].sourceDegrees, 0) + "°";
    }
    if (ranges.empty()) return "";
    return "Its channels are in antiphase " + ranges +
           " (dotted on its curve): the trading rule, which weighs only level and time, still places an image "
           "there, but channels of opposite sign give a diffuse sound, hard to place, rather than that image. ";
}

// The array's heading and what its curve says: the recording angle, where its channels are in
// antiphase, and the figures published for it.
std::string sectionHead(const CompareResults& results, std::size_t k) {
    const ArrayResult& r = results.arrays[k];
    return "<section class=\"array\" id=\"array-" + r.array.key + "\">\n<h2>" + styleSwatch(curveStyle(results, k)) +
           htmlEscaped(r.array.key) + " " + htmlEscaped(r.array.name) +
           "</h2>\n<p>Stereo recording angle: " + recordingAngleText(r.analysis.recordingAngle) + ". " +
           antiphaseText(r.analysis.curve) + publishedFigures(r.array.key);
}

// How far the sources stand from the array: the sweep's on its arc, a stage's players each at
// their own distance ("the players 8.00 to 10.00 m away").
std::string sourcesAway(const CompareResults& results) {
    if (!results.stage || results.stage->players.empty())
        return "the sources " + fixedText(results.room->distance, 2) + " m away";
    double nearest = INFINITY, farthest = 0;
    for (const StagePlayer& p : results.stage->players) {
        nearest = std::min(nearest, p.distance);
        farthest = std::max(farthest, p.distance);
    }
    return "the players " + fixedText(nearest, 2) + (farthest > nearest ? " to " + fixedText(farthest, 2) : "") +
           " m away";
}

// In a room: how far its direct sound carries, the ears' correlation, and its channels' late
// coherence beside the diffuse field's.
std::string roomOfArray(const CompareResults& results, std::size_t k) {
    const std::optional<ArrayRoomResult>& room = results.arrays[k].room;
    if (!results.room || !room) return {};
    std::string html = "<p class=\"room\">In the room: critical distance " + fixedText(room->criticalDistance, 2) +
                       " m, " + sourcesAway(results) + ".";
    const std::string from = results.stage
                                 ? htmlEscaped(results.stage->players[centrePlayer(results.stage->players)].name) +
                                       ", the player nearest straight ahead"
                                 : std::string("the centre position");
    if (room->iaccEarly && room->iaccLate)
        html += " At the ears, from " + from + ": IACC early " + fixedText(*room->iaccEarly, 3) + ", late " +
                fixedText(*room->iaccLate, 3) + ".";
    html += " The channels' coherence after the first 80 ms, summed over the " +
            std::string(results.stage ? "players" : "positions") +
            ", per octave band, beside the diffuse field's (dashed): above it, the reverberation of the two channels "
            "is more alike than a diffuse field would make it, and sounds narrower.</p>\n";
    return html + coherenceSvg(*room, curveStyle(results, k));
}

std::string arraySection(const CompareResults& results, std::size_t k) {
    const ArrayResult& r = results.arrays[k];
    const ArrayAnalysis& a = r.analysis;
    std::string html = sectionHead(results, k);
    const std::optional<double> offset = loudnessOffset(results.arrays, k);
    if (r.loudness)
        html +=
            "Integrated loudness: " + fixedText(*r.loudness, 2) + " LUFS; " + fixedText(*offset, 2) +
            " dB would bring it to the loudest. Files: <code>" + htmlEscaped(shownOnPage(r.audioFile)) +
            "</code>, <code>" + htmlEscaped(shownOnPage(r.labelFile)) + "</code>" +
            (r.headphones.file.empty() ? "" : ", <code>" + htmlEscaped(shownOnPage(r.headphones.file)) + "</code>") +
            "." + (r.clipped > 0 ? " The render clipped " + std::to_string(r.clipped) + " samples at full scale." : "");
    else
        html += "No audio rendered.";
    if (r.headphones.loudness)
        html += " On headphones: " + fixedText(*r.headphones.loudness, 2) + " LUFS" +
                (r.headphones.clipped > 0 ? ", " + std::to_string(r.headphones.clipped) + " samples clipped" : "") +
                ".";
    html += "</p>\n" + arrayDrawings(results, k) + roomOfArray(results, k);
    if (results.stage) return html + stageOfArray(results, k) + "</section>\n";
    html += "<div class=\"scroll\"><table>\n" + tableLine(results, a.positions[0].pickup, nullptr);
    for (std::size_t p = 0; p < a.positions.size(); ++p) {
        const PositionRow row = positionRow(results, k, p);
        html += tableLine(results, row.position.pickup, &row);
    }
    return html + "</table></div>\n</section>\n";
}

constexpr const char* style =
    "body{font-family:sans-serif;margin:2em;max-width:60em;color:#222;background:#fff}"
    // On a phone's screen too the page never scrolls sideways: a wide table scrolls in its own box,
    // a long name breaks where it must, the margins shrink.
    ".scroll{overflow-x:auto;max-width:100%}h1,p{overflow-wrap:break-word}#panel select{max-width:100%}"
    "@media (max-width:40em){body{margin:1em}}"
    "svg{max-width:100%;height:auto}svg text{font-size:12px;fill:#333}"
    ".grid{stroke:#ddd;stroke-width:1}.limit{stroke:#555;stroke-width:1;stroke-dasharray:6 4}"
    ".sweep{fill:#f4f4f4}.curve{fill:none}.sra,.key{stroke-width:3}"
    "table{border-collapse:collapse;margin:0.5em 0 1.5em}td,th{border:1px solid #ccc;padding:2px 6px;"
    "text-align:right;font-size:13px}th{background:#f0f0f0}"
    ".swatch{vertical-align:middle;margin-right:0.4em;height:10px}.antiphase{fill:none}"
    // Each array's plan and own curve side by side, under each other where the screen is narrow.
    "figure.drawings{display:flex;flex-wrap:wrap;gap:0.5em 1.5em;align-items:flex-start;margin:0.5em 0}"
    "figure.drawings figcaption{flex-basis:100%;font-size:13px;color:#555}"
    "svg.plan text.mic-label,svg.plan text.polarity{font-weight:bold}circle.alone{cursor:auto}"
    ".conventions td,.conventions th{text-align:left}"
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

// "45° left", "7.5° right", "0°".
std::string sideOfCentre(double degrees) {
    const std::string size = decimalText(static_cast<int>(std::lrint(std::fabs(degrees) * 1000))) + "°";
    return degrees < 0 ? size + " left" : degrees > 0 ? size + " right" : size;
}

// Where the sweep's source goes: "from 45° left to 45° right".
std::string sweepArc(const CompareResults& results) {
    if (results.arrays.empty() || results.arrays[0].analysis.positions.empty()) return "over the sweep";
    const auto& positions = results.arrays[0].analysis.positions;
    return "from " + sideOfCentre(positions.front().sourceDegrees) + " to " +
           sideOfCentre(positions.back().sourceDegrees);
}

std::string modelParagraph(const CompareResults& results) {
    std::string text =
        "<h2>The model</h2>\n<p>The numbers come from the same model as the sound: each microphone's level factor, "
        "its share in each channel and its whole-sample delay at each position of the sweep (a source " +
        decimalText(static_cast<int>(std::lrint((results.room ? results.room->distance : results.distance) * 1000))) +
        " m from the array's centre, " + sweepArc(results) +
        "). ICLD is the level difference of the two channels for a "
        "white-noise source (positive: left louder); ICTD is the lag at which the channels' white-noise "
        "cross-correlation is largest (positive: the right channel later). The image on a loudspeaker pair at " +
        tradingRule(results.base) +
        " The stereo recording angle is twice the smallest source angle at which "
        "the image reaches a loudspeaker, found with unrounded delays on the arc from 0° to 90°; the curves "
        "use unrounded delays too, the dots and tables the delays as rendered. The model leaves out " +
        std::string(results.room ? "the room's reflections (the renders and the room's numbers have them), "
                                 : "the room, ") +
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

// The reverberation table's header, or a band's row: the room's band columns the page shows.
std::string reverberationLine(const BandRow* row) {
    const char* cell = row ? "td>" : "th>";
    std::string line = row ? "<tr class=\"band\">" : "<tr>";
    for (const BandColumn& column : bandColumns()) {
        if (!inTable(column, BandTable::reverberation) || !column.page.shown) continue;
        const std::optional<double> value = row ? column.value(*row) : std::nullopt;
        line += std::string("<") + cell +
                (row ? (value ? writtenNumber(*value, column.page) : "-") : std::string(column.heading)) + "</" + cell;
    }
    return line + "</tr>\n";
}

// The room: what it is and where everything stood, its plan, and its reverberation per band.
std::string roomSection(const CompareResults& results) {
    if (!results.room) return {};
    std::vector<double> sources;
    if (!results.arrays.empty())
        for (const PositionAnalysis& p : results.arrays[0].analysis.positions) sources.push_back(p.sourceDegrees);
    std::string html =
        "<div id=\"room\">\n<h2>The room</h2>\n<p>" + htmlEscaped(roomLine(*results.room, !results.stage)) + ".</p>\n" +
        (results.stage ? "" : roomPlanSvg(*results.room, sources)) +
        "<p>Reverberation per octave band: the time asked for, the absorption that gives it as "
        "measured (the surfaces' mean), what Sabine's and Eyring's formulas give with that absorption, "
        "and T30 measured on an omni's response at the array's place.</p>\n<table class=\"reverberation\">\n" +
        reverberationLine(nullptr);
    for (int b = 0; b < bandCount; ++b) {
        const BandRow row{results, 0, b};
        html += reverberationLine(&row);
    }
    return html + "</table>\n</div>\n";
}

// At a low rate, how far the whole-sample delays move the rendered images from the curves.
std::string roundingParagraph(const CompareResults& results) {
    std::string note = delayRoundingNote(results);
    if (note.empty()) return {};
    note[0] = static_cast<char>(note[0] - 'a' + 'A');
    return "<p class=\"note\">" + htmlEscaped(note) + ".</p>\n";
}

}  // namespace

std::string htmlReport(const CompareResults& results) {
    // The input's name without its folder: the page names no folder of the machine it was made on.
    const std::string input = htmlEscaped(shownOnPage(withoutFolder(results.input)));
    std::string body =
        (results.stage ? stageTitle(results)
                       : "<h1>Stereo arrays compared: <code>" + input +
                             "</code></h1>\n<p class=\"source\">Read: " + htmlEscaped(results.source) + ".</p>\n") +
        roundingParagraph(results) + listeningPanel(results) + stageSection(results) +
        "<div id=\"curves\">\n<h2>Localisation curves</h2>\n" + curvesSvg(results) + "</div>\n" + roomSection(results);
    for (std::size_t k = 0; k < results.arrays.size(); ++k) body += arraySection(results, k);
    const std::string title =
        results.stage ? "a stage of " + std::to_string(results.stage->players.size()) + " players" : input;
    return htmlPage(title + ": stereo arrays compared", style, body + modelParagraph(results) + publishedAnglesNote(),
                    /*fitsScreen=*/true);
}

}  // namespace auralith
