#include "report/delay_rounding.h"

#include <cmath>

#include "report/numbers.h"

namespace auralith {

std::vector<ImageShift> imageShifts(const CompareResults& results) {
    std::vector<ImageShift> shifts;
    for (std::size_t k = 0; k < results.arrays.size(); ++k) {
        ImageShift largest{k, 0, 0};
        for (const PositionAnalysis& p : results.arrays[k].analysis.positions)
            if (const double moved = std::fabs(p.image - p.unroundedImage); moved > largest.degrees)
                largest = {k, moved, p.sourceDegrees};
        if (largest.degrees > noticedImageShift) shifts.push_back(largest);
    }
    return shifts;
}

std::string delayRoundingNote(const CompareResults& results) {
    const std::vector<ImageShift> shifts = imageShifts(results);
    if (shifts.empty()) return {};
    std::string arrays;
    for (const ImageShift& s : shifts)
        arrays += (arrays.empty() ? "" : ", ") + results.arrays[s.array].array.key + " by up to " +
                  fixedText(s.degrees, 1) + "° (at " + signedText(s.sourceDegrees, 1) + "°)";
    return "at " + groupedText(results.rate) +
           " Hz the delays, whole samples, move the images of the renders, tables and labels from those of "
           "the curves and recording angles (delays unrounded) by more than " +
           fixedText(noticedImageShift, 0) + "°: " + arrays;
}

}  // namespace auralith
