#include "sim/analysis/spacing_search.h"

#include <algorithm>
#include <cmath>

#include "sim/free/mic_layout.h"

namespace auralith {

namespace {

constexpr std::int32_t rate = 44100;  // the recording angle takes the delays unrounded: any rate

double widthOf(const RecordingAngle& a) { return a.degrees.value_or(INFINITY); }

SpacingFound searchAngle(int angle, double wanted, double pattern, const LoudspeakerBase& base) {
    const auto at = [&](int tenths) { return recordingAngle(pairLayout(pattern, angle, tenths / 10.0), rate, base); };
    SpacingFound row;
    row.angle = angle;
    row.coincident = at(0);
    row.widest = at(designMostSpacing);
    if (widthOf(row.coincident) < wanted || widthOf(row.widest) > wanted) return row;
    // The bracket: `wide` has a recording angle of at least the wanted one, `narrow` at most; each
    // step tries where the line between their misses meets zero (the midpoint while the wide end
    // has none), and a miss kept twice in a row counts half from then on (the Illinois rule), so
    // that the bracket closes from both sides.
    int wide = 0;
    int narrow = designMostSpacing;
    RecordingAngle wideAngle = row.coincident;
    RecordingAngle narrowAngle = row.widest;
    double wideMiss = widthOf(wideAngle) - wanted;
    double narrowMiss = widthOf(narrowAngle) - wanted;
    int kept = 0;  // +1: the wide end moved last, -1: the narrow one
    while (narrow - wide > 1) {
        const double guess =
            std::isinf(wideMiss) ? (wide + narrow) / 2.0 : wide + (narrow - wide) * wideMiss / (wideMiss - narrowMiss);
        const int middle = std::clamp(static_cast<int>(std::lrint(guess)), wide + 1, narrow - 1);
        const RecordingAngle a = at(middle);
        if (widthOf(a) >= wanted) {
            wide = middle;
            wideAngle = a;
            wideMiss = widthOf(a) - wanted;
            if (kept == 1) narrowMiss /= 2;
            kept = 1;
        } else {
            narrow = middle;
            narrowAngle = a;
            narrowMiss = widthOf(a) - wanted;
            if (kept == -1) wideMiss /= 2;
            kept = -1;
        }
    }
    const bool wideNearer = std::fabs(widthOf(wideAngle) - wanted) <= std::fabs(widthOf(narrowAngle) - wanted);
    const RecordingAngle& best = wideNearer ? wideAngle : narrowAngle;
    if (std::fabs(widthOf(best) - wanted) > designAnglesMatch) {
        row.jumpsAfter = wide;
        return row;
    }
    row.spacing = wideNearer ? wide : narrow;
    row.recordingAngle = best;
    return row;
}

}  // namespace

std::vector<SpacingFound> spacingsFor(double wanted, double pattern, const LoudspeakerBase& base) {
    std::vector<SpacingFound> rows(180 / designAngleStep + 1);
    for (std::size_t k = 0; k < rows.size(); ++k)
        rows[k] = searchAngle(static_cast<int>(k) * designAngleStep, wanted, pattern, base);
    return rows;
}

}  // namespace auralith
