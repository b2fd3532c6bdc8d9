#include "sim/analysis/spacing_search.h"

#include <algorithm>
#include <cmath>
#include <functional>

#include "sim/free/mic_layout.h"

namespace auralith {

namespace {

constexpr std::int32_t rate = 44100;  // the recording angle takes the delays unrounded: any rate

double widthOf(const RecordingAngle& a) { return a.degrees.value_or(INFINITY); }

// `wide` has a recording angle of at least the wanted one, `narrow` at most (spacings in
// thousandths of a centimetre).
struct Bracket {
    int wide = 0;
    int narrow = 0;
    RecordingAngle wideAngle;
    RecordingAngle narrowAngle;
};

using AngleAt = std::function<RecordingAngle(int)>;

// Closes the bracket to two neighbours `step` apart, its ends on that grid. Each step tries where
// the line between the ends' misses meets zero (the midpoint while the wide end has none), and a
// miss kept twice in a row counts half from then on (the Illinois rule), so that the bracket
// closes from both sides.
Bracket closed(Bracket b, int step, double wanted, const AngleAt& at) {
    double wideMiss = widthOf(b.wideAngle) - wanted;
    double narrowMiss = widthOf(b.narrowAngle) - wanted;
    int kept = 0;  // +1: the wide end moved last, -1: the narrow one
    while (b.narrow - b.wide > step) {
        const double wide = b.wide / step;
        const double narrow = b.narrow / step;
        const double guess =
            std::isinf(wideMiss) ? (wide + narrow) / 2 : wide + (narrow - wide) * wideMiss / (wideMiss - narrowMiss);
        const int middle =
            step * std::clamp(static_cast<int>(std::lrint(guess)), b.wide / step + 1, b.narrow / step - 1);
        const RecordingAngle a = at(middle);
        if (widthOf(a) >= wanted) {
            b.wide = middle;
            b.wideAngle = a;
            wideMiss = widthOf(a) - wanted;
            if (kept == 1) narrowMiss /= 2;
            kept = 1;
        } else {
            b.narrow = middle;
            b.narrowAngle = a;
            narrowMiss = widthOf(a) - wanted;
            if (kept == -1) wideMiss /= 2;
            kept = -1;
        }
    }
    return b;
}

bool wideNearer(const Bracket& b, double wanted) {
    return std::fabs(widthOf(b.wideAngle) - wanted) <= std::fabs(widthOf(b.narrowAngle) - wanted);
}

double nearestMiss(const Bracket& b, double wanted) {
    return std::fabs(widthOf(wideNearer(b, wanted) ? b.wideAngle : b.narrowAngle) - wanted);
}

SpacingFound searchAngle(int angle, double wanted, double pattern, const LoudspeakerBase& base) {
    const AngleAt at = [&](int thousandths) {
        return recordingAngle(pairLayout(pattern, angle, thousandths / 1000.0), rate, base);
    };
    SpacingFound row;
    row.angle = angle;
    row.coincident = at(0);
    row.widest = at(designMostSpacing);
    if (widthOf(row.coincident) < wanted || widthOf(row.widest) > wanted) return row;
    Bracket b = closed({0, designMostSpacing, row.coincident, row.widest}, designCoarseStep, wanted, at);
    // Near the arc's end the recording angle can change by tens of degrees per centimetre, so
    // that neither neighbouring tenth comes near the wanted angle although a spacing between
    // them gives it: the thousandths between them tell such a slope from a jump.
    if (nearestMiss(b, wanted) > designAnglesMatch) b = closed(b, 1, wanted, at);
    if (nearestMiss(b, wanted) > designAnglesMatch) {
        row.jumpsAfter = b.wide;
        row.jumpFrom = b.wideAngle;
        row.jumpTo = b.narrowAngle;
        return row;
    }
    const bool wideKept = wideNearer(b, wanted);
    row.spacing = wideKept ? b.wide : b.narrow;
    row.recordingAngle = wideKept ? b.wideAngle : b.narrowAngle;
    return row;
}

}  // namespace

std::vector<SpacingFound> spacingsFor(double wanted, double pattern, const LoudspeakerBase& base) {
    if (pattern == 1) return {searchAngle(0, wanted, pattern, base)};
    std::vector<SpacingFound> rows(180 / designAngleStep + 1);
    for (std::size_t k = 0; k < rows.size(); ++k)
        rows[k] = searchAngle(static_cast<int>(k) * designAngleStep, wanted, pattern, base);
    return rows;
}

}  // namespace auralith
