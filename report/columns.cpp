#include "report/columns.h"

#include <cmath>

#include "report/numbers.h"
#include "report/text_reports.h"
#include "sim/model/extended_math.h"

namespace auralith {

namespace {

using Row = PositionRow;

// Labels say each value after its word and before its unit: "ICLD +3.1 dB".
constexpr Written labelled(int decimals, std::string_view before, std::string_view after) {
    return {true, decimals, true, before, after, 0};
}

std::optional<double> ear(const Row& row, double EarCues::*cue) {
    return row.ears ? std::optional<double>(row.ears->*cue) : std::nullopt;
}

const PositionColumn positions[] = {
    // Where the position's sound lies in the render: its label's times, the times the page jumps to.
    {"start_s", "start", "s", false,
     [](const Row& r) -> std::optional<double> { return positionSpan(r.position.position, r.rate, r.n).start; },
     notShown, notShown, fixed(6), fixed(6), "start", true},
    {"end_s", "end", "s", false,
     [](const Row& r) -> std::optional<double> { return positionSpan(r.position.position, r.rate, r.n).end; }, notShown,
     notShown, fixed(6), fixed(6), "end", true},
    {"position", "position", "", false, [](const Row& r) -> std::optional<double> { return r.position.position; },
     fixed(0), fixed(0), notShown, notShown, "", true},
    {"source_deg", "source", "degrees", false,
     [](const Row& r) -> std::optional<double> { return r.position.sourceDegrees; }, fixed(1), withSign(1, "°"),
     labelled(1, "", "°"), withSign(1), "source", true},
    {"icld_db", "ICLD dB", "dB", false,
     [](const Row& r) -> std::optional<double> { return r.position.difference.icldDb; }, fixed(3), withSign(2),
     labelled(1, "ICLD ", " dB"), notShown, "", false},
    {"ictd_ms", "ICTD ms", "ms", false,
     [](const Row& r) -> std::optional<double> { return r.position.difference.ictdMs; }, fixed(4), withSign(3),
     labelled(2, "ICTD ", " ms"), notShown, "", false},
    {"ictd_samples", "ICTD samples", "samples", false,
     [](const Row& r) -> std::optional<double> { return static_cast<double>(r.position.difference.ictdFrames); },
     fixed(0), withSign(0), notShown, notShown, "", false},
    {"image_deg", "image", "degrees", false, [](const Row& r) -> std::optional<double> { return r.position.image; },
     fixed(2), withSign(1, "°"), labelled(1, "image ", "°"), withSign(1), "images", false},
    {"ear_itd_ms", "ear ITD ms", "ms", true, [](const Row& r) { return ear(r, &EarCues::itdMs); }, fixed(4),
     withSign(3), notShown, notShown, "", false},
    {"ear_itd_low_ms", "ear ITD ms below 1.5 kHz", "ms", true, [](const Row& r) { return ear(r, &EarCues::itdLowMs); },
     fixed(4), withSign(3), notShown, notShown, "", false},
    {"ear_ild_db", "ear ILD dB", "dB", true, [](const Row& r) { return ear(r, &EarCues::ildDb); }, fixed(3),
     withSign(2), notShown, notShown, "", false},
};

// A silent microphone's level is -inf dB, whatever the logarithm makes of 0.
const MicColumn mics[] = {
    {" mic dB",
     [](const Microphone& m) {
         return m.factor == 0 ? -INFINITY : static_cast<double>(20 * extendedLog10(std::fabs(m.factor)));
     },
     withSign(2)},
    {" mic delay", [](const Microphone& m) { return static_cast<double>(m.delay); }, withSign(0)},
};

using Array = ArrayRow;

const ArrayResult& of(const Array& a) { return a.results.arrays[a.array]; }

std::vector<std::optional<double>> headphoneLoudness(const CompareResults& results) {
    std::vector<std::optional<double>> loudness;
    for (const ArrayResult& r : results.arrays) loudness.push_back(r.headphones.loudness);
    return loudness;
}

constexpr Written quoted{true, 0, false, "\"", "\"", 0};
constexpr Written text{true, 0, false, {}, {}, 0};

const ArrayColumn arrays[] = {
    {"array", "array", "", false, true, nullptr, [](const Array& a) { return of(a).array.key; }, text, text, text,
     "key"},
    {"array_name", "array", "", false, true, nullptr, [](const Array& a) { return of(a).array.name; }, quoted, text,
     text, "name"},
    {"sra_deg", "recording angle", "degrees", false, false,
     [](const Array& a) { return of(a).analysis.recordingAngle.degrees; }, nullptr, fixed(1), notShown, notShown, ""},
    {"max_image_deg", "largest image", "degrees", false, false,
     [](const Array& a) -> std::optional<double> { return of(a).analysis.recordingAngle.maxImage; }, nullptr, fixed(1),
     notShown, notShown, ""},
    {"loudness_lufs",
     "loudness",
     "LUFS",
     false,
     false,
     [](const Array& a) { return of(a).loudness; },
     nullptr,
     fixed(2),
     {true, 2, false, {}, " LUFS", 14},
     notShown,
     ""},
    {"loudness_offset_db",
     "offset",
     "dB",
     false,
     false,
     [](const Array& a) { return loudnessOffset(a.results.arrays, a.array); },
     nullptr,
     fixed(2),
     {true, 2, true, {}, " dB", 11},
     fixed(2),
     "offset"},
    {"headphones_loudness_lufs", "loudness on headphones", "LUFS", true, false,
     [](const Array& a) { return of(a).headphones.loudness; }, nullptr, fixed(2), notShown, notShown, ""},
    {"headphones_clipped", "clipped on headphones", "", true, false,
     [](const Array& a) -> std::optional<double> { return static_cast<double>(of(a).headphones.clipped); }, nullptr,
     fixed(0), notShown, notShown, ""},
    // A run without audio clipped nothing, nor could it have.
    {"clipped",
     "clipped",
     "",
     false,
     false,
     [](const Array& a) {
         return of(a).audioFile.empty() ? std::nullopt : std::optional<double>(static_cast<double>(of(a).clipped));
     },
     nullptr,
     fixed(0),
     {true, 0, false, {}, {}, 9},
     notShown,
     ""},
    // Last in the closing table: where there is none, what that means is said at length without
    // widening every row.
    {"recording_angle", "recording angle", "", false, false, nullptr,
     [](const Array& a) { return recordingAngleText(of(a).analysis.recordingAngle); }, notShown, text, notShown, ""},
    // The headphone renders' offsets, reckoned against each other's loudness.
    {"headphones_offset_db", "offset on headphones", "dB", false, false,
     [](const Array& a) { return offsetToLoudest(headphoneLoudness(a.results), a.array); }, nullptr, notShown, notShown,
     fixed(2), "headphonesOffset"},
};

}  // namespace

std::span<const PositionColumn> positionColumns() { return positions; }
std::span<const MicColumn> micColumns() { return mics; }
std::span<const ArrayColumn> arrayColumns() { return arrays; }

bool carried(const PositionColumn& column, const CompareResults& results) {
    return !column.ears || !results.head.empty();
}

bool carried(const ArrayColumn& column, const CompareResults& results) { return !column.ears || !results.head.empty(); }

std::string writtenNumber(double value, const Written& how) {
    return std::string(how.before) + (how.plus ? signedText(value, how.decimals) : fixedText(value, how.decimals)) +
           std::string(how.after);
}

PositionRow positionRow(const CompareResults& results, std::size_t array, std::size_t position) {
    const ArrayResult& r = results.arrays[array];
    return {r.analysis.positions[position], results.head.empty() ? nullptr : &r.headphones.ears[position], results.rate,
            results.n};
}

}  // namespace auralith
