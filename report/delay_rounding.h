// Whole-sample delays against the model's unrounded ones: at low rates the rounding moves the
// images the renders, the tables and the labels give away from those of the curves and the
// recording angles, and a run says so.
#pragma once

#include <string>
#include <vector>

#include "report/results.h"

namespace auralith {

// Moves of less than this are left unsaid: at 44 100 Hz no array's come near it.
inline constexpr double noticedImageShift = 1.0;  // degrees

// An array whose rendered image lies farther than noticedImageShift from the unrounded one at
// some position: the largest such move and the source angle it is at.
struct ImageShift {
    std::size_t array;
    double degrees;
    double sourceDegrees;
};

std::vector<ImageShift> imageShifts(const CompareResults& results);

// One sentence naming each such array ("4 by up to 4.5° (at -15.0°)"); empty when there is none.
std::string delayRoundingNote(const CompareResults& results);

}  // namespace auralith
