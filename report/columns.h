// The columns of auralith-compare's reports, each declared once: its name as the CSV header has it,
// its unit, where its value comes from, and how each format writes it. report.csv, arrays.csv, the
// closing table, the labels, the page's tables and the page's data are all written from these
// declarations: a format picks the columns it shows and renders their values as declared, and
// computes no value itself. A new column is one entry here.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <string_view>

#include "report/results.h"

namespace auralith {

// How one format writes a column's value; a column a format does not show has `shown` false.
struct Written {
    bool shown = false;
    int decimals = 0;
    bool plus = false;        // a "+" before a positive value
    std::string_view before;  // in front of the value: a label's "ICLD ", a quote in a CSV file
    std::string_view after;   // behind it: its unit, "°" or " dB"
    std::size_t width = 0;    // the closing table's column, padded to that many characters
};

inline constexpr Written notShown{};
constexpr Written fixed(int decimals, std::string_view after = {}) { return {true, decimals, false, {}, after, 0}; }
constexpr Written withSign(int decimals, std::string_view after = {}) { return {true, decimals, true, {}, after, 0}; }

// What a run must have for its reports to carry a column.
enum class Needs { nothing, head, room, roomAndHead };

// One position of one array: the row of report.csv, of the page's table and of the label track.
struct PositionRow {
    const PositionAnalysis& position;
    const EarCues* ears;                                        // null without --headphones
    std::int32_t rate;                                          // the render's, for where the position lies in it
    std::int32_t n;                                             // the recording's samples
    const std::array<std::optional<double>, 2>* drr = nullptr;  // the channels' DRR; null without a room
    std::span<const std::int64_t> starts = {};                  // the positions' frames (CompareResults::starts)
};

struct PositionColumn {
    std::string_view name;     // report.csv's header: "icld_db"
    std::string_view heading;  // the page table's header: "ICLD dB"
    std::string_view unit;     // "degrees", "dB", "ms", "samples", "s"; empty for a count
    Needs needs;
    std::optional<double> (*value)(const PositionRow&);
    Written csv, page, label, data;
    std::string_view dataKey;  // the page data's key
    bool sameForEveryArray;    // in the data's list of positions, else in each array's own list
};

// The page's table has a level and a delay column for each microphone of the array.
struct MicColumn {
    std::string_view heading;  // after the microphone's name: "left mic dB"
    double (*value)(const Microphone&);
    Written page;
};

// One array of a run: the row of arrays.csv and of the closing table, and its object in the data.
struct ArrayRow {
    const CompareResults& results;
    std::size_t array;  // its index in results.arrays
};

struct ArrayColumn {
    std::string_view name;     // arrays.csv's header: "loudness_lufs"
    std::string_view heading;  // the closing table's header: "loudness"
    std::string_view unit;     // "degrees", "LUFS", "dB", "m"; empty for a count or a name
    Needs needs;
    bool namesTheArray;  // key and name: report.csv's rows begin with them, the closing table too
    std::optional<double> (*value)(const ArrayRow&);  // none where a text is the value
    std::string (*text)(const ArrayRow&);             // none where a number is
    Written csv, closing, data;
    std::string_view dataKey;
};

// One octave band of the room: a row of room.csv and of the page's reverberation table, or, of
// one array, a row of coherence.csv.
struct BandRow {
    const CompareResults& results;  // with a room
    std::size_t array;              // its index in results.arrays, for the coherence's columns
    int band;
};

// Which band table a column is of: coherence.csv's rows per array, room.csv's per band, or both.
enum class BandTable { both, coherence, reverberation };

struct BandColumn {
    std::string_view name;     // the CSV header: "sabine_s"
    std::string_view heading;  // the page's reverberation table's: "Sabine s"
    std::string_view unit;     // "Hz", "s"; empty for a ratio
    BandTable table;
    std::optional<double> (*value)(const BandRow&);
    Written csv, page;
};

std::span<const PositionColumn> positionColumns();
std::span<const MicColumn> micColumns();
std::span<const ArrayColumn> arrayColumns();
std::span<const BandColumn> bandColumns();

// Whether the run's reports carry the column: the ear columns only with a head, the room's only
// with a room.
bool carried(const PositionColumn& column, const CompareResults& results);
bool carried(const ArrayColumn& column, const CompareResults& results);
bool carried(const BandColumn& column, const CompareResults& results);
// Whether a band column belongs to the table.
bool inTable(const BandColumn& column, BandTable table);

// The value as the format writes it: before, the number with its decimals, after.
std::string writtenNumber(double value, const Written& how);

// An array's rows, one per position of its analysis.
PositionRow positionRow(const CompareResults& results, std::size_t array, std::size_t position);

}  // namespace auralith
