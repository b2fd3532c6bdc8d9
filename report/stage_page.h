// The page's parts for a stage: its heading, the section that shows the players and where they
// stand, and, in each array's section, where the array puts them and the players' table that takes
// the place of the sweep's positions.
#pragma once

#include <cstddef>
#include <string>

#include "report/results.h"

namespace auralith {

// "<h1>Stereo arrays compared: a stage of 4 players</h1>".
std::string stageTitle(const CompareResults& results);

// "The stage": each player's file, place, level and what was read of it, the conversions to the
// run's rate, and the plan.
std::string stageSection(const CompareResults& results);

// For the k-th array: its images between the loudspeakers, then a row per player of its cues.
std::string stageOfArray(const CompareResults& results, std::size_t k);

}  // namespace auralith
