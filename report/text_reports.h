// The reports that are plain text: the two CSV tables, an array's Audacity label track and the
// closing table on standard output. Each is built whole, as the file or the text it becomes.
#pragma once

#include <span>
#include <string>

#include "report/results.h"

namespace auralith {

// report.csv: one row per chosen array and position, after the header line.
std::string positionsCsv(const CompareResults& results);

// arrays.csv: one row per chosen array.
std::string arraysCsv(const CompareResults& results);

// coherence.csv, with a room: one row per chosen array and octave band, the late sound's
// coherence as measured beside the diffuse field's.
std::string coherenceCsv(const CompareResults& results);

// room.csv, with a room: one row per octave band, the reverberation asked for, the absorption
// used (averaged over the surfaces by their areas), the classical formulas' and the measured T30.
std::string roomCsv(const CompareResults& results);

// The room as the reports name it: "hall, 26 × 42 × 17 m", or "26 × 42 × 17 m" for a size given.
std::string roomTitle(const RoomResults& room);

// The closing table's line on the room: its title, where the array and (for the sweep) the
// sources stood, whether the air absorbed, and the room's gain.
std::string roomLine(const RoomResults& room, bool sweep = true);

// Where a position's sound lies in a render, in seconds from its start: its labels' times, and
// the times the page jumps to.
struct PositionSpan {
    double start;
    double end;
};
PositionSpan positionSpan(int position, std::int32_t rate, std::int32_t n, std::span<const std::int64_t> starts = {});

// The analysis's positions as Audacity labels: "start<TAB>end<TAB>text" per line, in seconds;
// `starts` as CompareResults has them.
std::string labelTrack(const ArrayAnalysis& analysis, std::int32_t rate, std::int32_t n,
                       const LoudspeakerBase& base = base30, std::span<const std::int64_t> starts = {});

// The text of one position's label, such as "-45.0° ICLD +3.1 dB ICTD +0.36 ms image -30.0°";
// at +-45 degrees the image is followed by " of ±45°".
std::string labelText(const PositionAnalysis& position, const LoudspeakerBase& base = base30);

// The text with blanks after it up to `width` characters (a character being one of UTF-8, so
// that the degree sign counts once).
std::string padded(std::string text, std::size_t width);

// A recording angle as the reports say it: "111.9°", or, where the image never reaches the
// loudspeakers, "wider than 180°: the image never reaches the loudspeakers, at most 28.0°".
std::string recordingAngleText(const RecordingAngle& angle);

// The closing table: number, name, loudness, offset and recording angle of each array, then the
// files written.
std::string summaryTable(const CompareResults& results, const std::string& folder);

}  // namespace auralith
