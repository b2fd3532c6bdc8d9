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

std::optional<double> drr(const Row& row, int channel) {
    return row.drr ? (*row.drr)[static_cast<std::size_t>(channel)] : std::nullopt;
}

const PositionColumn positions[] = {
    // Where the position's sound lies in the render: its label's times, the times the page jumps to.
    {"start_s", "start", "s", Needs::nothing,
     [](const Row& r) -> std::optional<double> {
         return positionSpan(r.position.position, r.rate, r.n, r.starts).start;
     },
     notShown, notShown, fixed(6), fixed(6), "start", true},
    {"end_s", "end", "s", Needs::nothing,
     [](const Row& r) -> std::optional<double> { return positionSpan(r.position.position, r.rate, r.n, r.starts).end; },
     notShown, notShown, fixed(6), fixed(6), "end", true},
    {"position", "position", "", Needs::nothing,
     [](const Row& r) -> std::optional<double> { return r.position.position; }, fixed(0), fixed(0), notShown, notShown,
     "", true},
    {"source_deg", "source", "degrees", Needs::nothing,
     [](const Row& r) -> std::optional<double> { return r.position.sourceDegrees; }, fixed(1), withSign(1, "°"),
     labelled(1, "", "°"), withSign(1), "source", true},
    {"icld_db", "ICLD dB", "dB", Needs::nothing,
     [](const Row& r) -> std::optional<double> { return r.position.difference.icldDb; }, fixed(3), withSign(2),
     labelled(1, "ICLD ", " dB"), notShown, "", false},
    {"ictd_ms", "ICTD ms", "ms", Needs::nothing,
     [](const Row& r) -> std::optional<double> { return r.position.difference.ictdMs; }, fixed(4), withSign(3),
     labelled(2, "ICTD ", " ms"), notShown, "", false},
    {"ictd_samples", "ICTD samples", "samples", Needs::nothing,
     [](const Row& r) -> std::optional<double> { return static_cast<double>(r.position.difference.ictdFrames); },
     fixed(0), withSign(0), notShown, notShown, "", false},
    {"image_deg", "image", "degrees", Needs::nothing,
     [](const Row& r) -> std::optional<double> { return r.position.image; }, fixed(2), withSign(1, "°"),
     labelled(1, "image ", "°"), withSign(1), "images", false},
    {"ear_itd_ms", "ear ITD ms", "ms", Needs::head, [](const Row& r) { return ear(r, &EarCues::itdMs); }, fixed(4),
     withSign(3), notShown, notShown, "", false},
    {"ear_itd_low_ms", "ear ITD ms below 1.5 kHz", "ms", Needs::head,
     [](const Row& r) { return ear(r, &EarCues::itdLowMs); }, fixed(4), withSign(3), notShown, notShown, "", false},
    {"ear_ild_db", "ear ILD dB", "dB", Needs::head, [](const Row& r) { return ear(r, &EarCues::ildDb); }, fixed(3),
     withSign(2), notShown, notShown, "", false},
    {"drr_left_db", "DRR left dB", "dB", Needs::room, [](const Row& r) { return drr(r, 0); }, fixed(2), withSign(1),
     notShown, notShown, "", false},
    {"drr_right_db", "DRR right dB", "dB", Needs::room, [](const Row& r) { return drr(r, 1); }, fixed(2), withSign(1),
     notShown, notShown, "", false},
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

template <typename Value>
std::optional<double> roomOf(const Array& a, Value ArrayRoomResult::*value) {
    return of(a).room ? std::optional<double>(*of(a).room.*value) : std::nullopt;
}

std::vector<std::optional<double>> headphoneLoudness(const CompareResults& results) {
    std::vector<std::optional<double>> loudness;
    for (const ArrayResult& r : results.arrays) loudness.push_back(r.headphones.loudness);
    return loudness;
}

constexpr Written quoted{true, 0, false, "\"", "\"", 0};
constexpr Written text{true, 0, false, {}, {}, 0};

const ArrayColumn arrays[] = {
    {"array", "array", "", Needs::nothing, true, nullptr, [](const Array& a) { return of(a).array.key; }, text, text,
     text, "key"},
    {"array_name", "array", "", Needs::nothing, true, nullptr, [](const Array& a) { return of(a).array.name; }, quoted,
     text, text, "name"},
    {"sra_deg", "recording angle", "degrees", Needs::nothing, false,
     [](const Array& a) { return of(a).analysis.recordingAngle.degrees; }, nullptr, fixed(1), notShown, notShown, ""},
    {"max_image_deg", "largest image", "degrees", Needs::nothing, false,
     [](const Array& a) -> std::optional<double> { return of(a).analysis.recordingAngle.maxImage; }, nullptr, fixed(1),
     notShown, notShown, ""},
    {"loudness_lufs",
     "loudness",
     "LUFS",
     Needs::nothing,
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
     Needs::nothing,
     false,
     [](const Array& a) { return loudnessOffset(a.results.arrays, a.array); },
     nullptr,
     fixed(2),
     {true, 2, true, {}, " dB", 11},
     fixed(2),
     "offset"},
    {"headphones_loudness_lufs", "loudness on headphones", "LUFS", Needs::head, false,
     [](const Array& a) { return of(a).headphones.loudness; }, nullptr, fixed(2), notShown, notShown, ""},
    {"headphones_clipped", "clipped on headphones", "", Needs::head, false,
     [](const Array& a) -> std::optional<double> { return static_cast<double>(of(a).headphones.clipped); }, nullptr,
     fixed(0), notShown, notShown, ""},
    // A run without audio clipped nothing, nor could it have.
    {"clipped",
     "clipped",
     "",
     Needs::nothing,
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
    {"recording_angle", "recording angle", "", Needs::nothing, false, nullptr,
     [](const Array& a) { return recordingAngleText(of(a).analysis.recordingAngle); }, notShown, text, notShown, ""},
    // The headphone renders' offsets, reckoned against each other's loudness.
    {"headphones_offset_db", "offset on headphones", "dB", Needs::nothing, false,
     [](const Array& a) { return offsetToLoudest(headphoneLoudness(a.results), a.array); }, nullptr, notShown, notShown,
     fixed(2), "headphonesOffset"},
    // The room's: where the direct sound's energy equals the reverberant field's, beside how far
    // the sources stood; and the ears' correlation at the centre position.
    {"critical_distance_m", "critical distance", "m", Needs::room, false,
     [](const Array& a) { return roomOf(a, &ArrayRoomResult::criticalDistance); }, nullptr, fixed(2), notShown,
     notShown, ""},
    {"distance_m", "distance", "m", Needs::room, false,
     [](const Array& a) { return a.results.room ? std::optional<double>(a.results.room->distance) : std::nullopt; },
     nullptr, fixed(2), notShown, notShown, ""},
    {"iacc_early", "IACC early", "", Needs::roomAndHead, false,
     [](const Array& a) { return roomOf(a, &ArrayRoomResult::iaccEarly); }, nullptr, fixed(3), notShown, notShown, ""},
    {"iacc_late", "IACC late", "", Needs::roomAndHead, false,
     [](const Array& a) { return roomOf(a, &ArrayRoomResult::iaccLate); }, nullptr, fixed(3), notShown, notShown, ""},
};

using Band = BandRow;

const RoomResults& roomOf(const Band& b) { return *b.results.room; }

std::optional<double> coherenceOf(const Band& b, std::optional<BandValues> ArrayRoomResult::*values) {
    const auto& room = b.results.arrays[b.array].room;
    if (!room) return std::nullopt;
    const std::optional<BandValues>& measured = (*room).*values;
    return measured ? std::optional<double>((*measured)[static_cast<std::size_t>(b.band)]) : std::nullopt;
}

const BandColumn bands[] = {
    {"band_hz", "band Hz", "Hz", BandTable::both,
     [](const Band& b) -> std::optional<double> { return bandCentres[static_cast<std::size_t>(b.band)]; }, fixed(0),
     fixed(0)},
    {"measured", "", "", BandTable::coherence,
     [](const Band& b) { return coherenceOf(b, &ArrayRoomResult::coherence); }, fixed(3), notShown},
    {"diffuse_field", "", "", BandTable::coherence,
     [](const Band& b) -> std::optional<double> {
         const auto& room = b.results.arrays[b.array].room;
         return room ? std::optional<double>(room->diffuse[static_cast<std::size_t>(b.band)]) : std::nullopt;
     },
     fixed(3), notShown},
    {"target_s", "target s", "s", BandTable::reverberation,
     [](const Band& b) -> std::optional<double> {
         return roomOf(b).target ? std::optional<double>((*roomOf(b).target)[static_cast<std::size_t>(b.band)])
                                 : std::nullopt;
     },
     fixed(2), fixed(2)},
    {"absorption", "absorption", "", BandTable::reverberation,
     [](const Band& b) -> std::optional<double> {
         return meanAbsorption(roomOf(b).room)[static_cast<std::size_t>(b.band)];
     },
     fixed(4), fixed(3)},
    {"sabine_s", "Sabine s", "s", BandTable::reverberation,
     [](const Band& b) -> std::optional<double> { return roomOf(b).sabine[static_cast<std::size_t>(b.band)]; },
     fixed(2), fixed(2)},
    {"eyring_s", "Eyring s", "s", BandTable::reverberation,
     [](const Band& b) -> std::optional<double> { return roomOf(b).eyring[static_cast<std::size_t>(b.band)]; },
     fixed(2), fixed(2)},
    {"measured_t30_s", "measured T30 s", "s", BandTable::reverberation,
     [](const Band& b) { return roomOf(b).measured[static_cast<std::size_t>(b.band)]; }, fixed(2), fixed(2)},
};

}  // namespace

std::span<const PositionColumn> positionColumns() { return positions; }
std::span<const MicColumn> micColumns() { return mics; }
std::span<const ArrayColumn> arrayColumns() { return arrays; }

std::span<const BandColumn> bandColumns() { return bands; }

namespace {

bool carried(Needs needs, const CompareResults& results) {
    const bool head = !results.head.empty(), room = results.room.has_value();
    switch (needs) {
        case Needs::nothing: return true;
        case Needs::head: return head;
        case Needs::room: return room;
        case Needs::roomAndHead: return room && head;
    }
    return false;
}

}  // namespace

bool carried(const PositionColumn& column, const CompareResults& results) { return carried(column.needs, results); }
bool carried(const ArrayColumn& column, const CompareResults& results) { return carried(column.needs, results); }
bool carried(const BandColumn&, const CompareResults& results) { return results.room.has_value(); }

bool inTable(const BandColumn& column, BandTable table) {
    return column.table == BandTable::both || column.table == table;
}

std::string writtenNumber(double value, const Written& how) {
    return std::string(how.before) + (how.plus ? signedText(value, how.decimals) : fixedText(value, how.decimals)) +
           std::string(how.after);
}

PositionRow positionRow(const CompareResults& results, std::size_t array, std::size_t position) {
    const ArrayResult& r = results.arrays[array];
    const bool drr = results.room && r.room && position < r.room->drrDb.size();
    return {r.analysis.positions[position],
            results.head.empty() ? nullptr : &r.headphones.ears[position],
            results.rate,
            results.n,
            drr ? &r.room->drrDb[position] : nullptr,
            results.starts};
}

}  // namespace auralith
