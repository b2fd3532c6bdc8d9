#include "job/compare/text_reports.h"

#include <algorithm>
#include <cmath>

#include "job/compare/delay_rounding.h"
#include "job/compare/numbers.h"
#include "job/compare/shown_text.h"

namespace auralith {

std::optional<double> offsetToLoudest(const std::vector<std::optional<double>>& loudness, std::size_t index) {
    if (!loudness[index]) return std::nullopt;
    double loudest = -INFINITY;
    for (const std::optional<double>& l : loudness)
        if (l) loudest = std::max(loudest, *l);
    if (std::isinf(loudest)) return 0.0;  // all silent: nothing to match
    return loudest - *loudness[index];
}

std::optional<double> loudnessOffset(const std::vector<ArrayResult>& arrays, std::size_t index) {
    std::vector<std::optional<double>> loudness;
    for (const ArrayResult& a : arrays) loudness.push_back(a.loudness);
    return offsetToLoudest(loudness, index);
}

namespace {

std::string quoted(std::string_view text) { return "\"" + std::string(text) + "\""; }

std::string optionalText(const std::optional<double>& value, int decimals) {
    return value ? fixedText(*value, decimals) : std::string();
}

}  // namespace

std::string positionsCsv(const CompareResults& results) {
    const bool ears = !results.head.empty();
    std::string csv = "array,array_name,position,source_deg,icld_db,ictd_ms,ictd_samples,image_deg";
    csv += ears ? ",ear_itd_ms,ear_itd_low_ms,ear_ild_db\n" : "\n";
    for (const ArrayResult& r : results.arrays) {
        for (const PositionAnalysis& p : r.analysis.positions) {
            csv += r.array.key + "," + quoted(r.array.name) + "," + std::to_string(p.position) + "," +
                   fixedText(p.sourceDegrees, 1) + "," + fixedText(p.difference.icldDb, 3) + "," +
                   fixedText(p.difference.ictdMs, 4) + "," +
                   fixedText(static_cast<double>(p.difference.ictdFrames), 0) + "," + fixedText(p.image, 2);
            const EarCues& e = r.headphones.ears[static_cast<std::size_t>(p.position)];
            if (ears) csv += "," + fixedText(e.itdMs, 4) + "," + fixedText(e.itdLowMs, 4) + "," + fixedText(e.ildDb, 3);
            csv += "\n";
        }
    }
    return csv;
}

std::string arraysCsv(const CompareResults& results) {
    const bool ears = !results.head.empty();
    std::string csv = "array,array_name,sra_deg,max_image_deg,loudness_lufs,loudness_offset_db";
    csv += ears ? ",headphones_loudness_lufs,headphones_clipped,clipped\n" : ",clipped\n";
    for (std::size_t k = 0; k < results.arrays.size(); ++k) {
        const ArrayResult& r = results.arrays[k];
        csv += r.array.key + "," + quoted(r.array.name) + "," + optionalText(r.analysis.recordingAngle.degrees, 1) +
               "," + fixedText(r.analysis.recordingAngle.maxImage, 1) + "," + optionalText(r.loudness, 2) + "," +
               optionalText(loudnessOffset(results.arrays, k), 2);
        if (ears) csv += "," + optionalText(r.headphones.loudness, 2) + "," + std::to_string(r.headphones.clipped);
        csv += "," + (r.audioFile.empty() ? std::string() : std::to_string(r.clipped)) + "\n";
    }
    return csv;
}

std::string labelText(const PositionAnalysis& p, const LoudspeakerBase& base) {
    return signedText(p.sourceDegrees, 1) + "° ICLD " + signedText(p.difference.icldDb, 1) + " dB ICTD " +
           signedText(p.difference.ictdMs, 2) + " ms image " + signedText(p.image, 1) + "°" +
           (base.halfAngle == 30 ? "" : " of ±" + fixedText(base.halfAngle, 0) + "°");
}

PositionSpan positionSpan(int position, std::int32_t rate, std::int32_t n) {
    // The position's sound begins one second into its block of rate + n frames.
    const std::int64_t first = static_cast<std::int64_t>(position) * (rate + n) + rate;
    return {static_cast<double>(first) / rate, static_cast<double>(first + n) / rate};
}

std::string labelTrack(const ArrayAnalysis& analysis, std::int32_t rate, std::int32_t n, const LoudspeakerBase& base) {
    std::string track;
    for (const PositionAnalysis& p : analysis.positions) {
        const PositionSpan span = positionSpan(p.position, rate, n);
        track += fixedText(span.start, 6) + "\t" + fixedText(span.end, 6) + "\t" + labelText(p, base) + "\n";
    }
    return track;
}

namespace {

std::string arrayLabel(const ArrayResult& r) { return r.array.key + "  " + r.array.name; }

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

// The recording angle comes last: where there is none, what that means is said at length
// without widening every row.
std::string summaryRow(const CompareResults& results, std::size_t k, std::size_t nameWidth) {
    const ArrayResult& r = results.arrays[k];
    const std::optional<double> offset = loudnessOffset(results.arrays, k);
    const std::string loudness = r.loudness ? fixedText(*r.loudness, 2) + " LUFS" : "-";
    return padded(arrayLabel(r), nameWidth) + padded(loudness, 14) +
           padded(offset ? signedText(*offset, 2) + " dB" : "-", 11) +
           padded(r.audioFile.empty() ? "-" : std::to_string(r.clipped), 9) +
           recordingAngleText(r.analysis.recordingAngle) + "\n";
}

// The first column as wide as its longest entry needs, 34 characters at least.
std::size_t nameWidth(const CompareResults& results) {
    std::size_t width = 34;
    for (const ArrayResult& r : results.arrays) width = std::max(width, characters(arrayLabel(r)) + 2);
    return width;
}

}  // namespace

std::string summaryTable(const CompareResults& results, const std::string& folder) {
    const std::size_t width = nameWidth(results);
    std::string table = shownOnTerminal(results.input) + ": " + results.source + "\n";
    if (results.base.halfAngle != 30) table += "Loudspeakers at ±" + fixedText(results.base.halfAngle, 0) + "°\n";
    if (!results.head.empty()) table += "Headphone renders through " + shownOnTerminal(results.head) + "\n";
    table += "\n";
    table += padded("array", width) + padded("loudness", 14) + padded("offset", 11) + padded("clipped", 9) +
             "recording angle\n";
    for (std::size_t k = 0; k < results.arrays.size(); ++k) table += summaryRow(results, k, width);
    if (const std::string note = delayRoundingNote(results); !note.empty()) table += "\nNote: " + note + ".\n";
    table += "\nFiles written in " + shownOnTerminal(folder) + ":\n";
    for (const ArrayResult& r : results.arrays)
        if (!r.audioFile.empty())
            table += "  " + shownOnTerminal(r.audioFile) + "  " + shownOnTerminal(r.labelFile) +
                     (r.headphones.file.empty() ? "" : "  " + shownOnTerminal(r.headphones.file)) + "\n";
    table += "  report.csv  arrays.csv  report.html\n";
    return table;
}

}  // namespace auralith
