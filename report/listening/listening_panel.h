// The top of report.html, where the arrays are heard: a player per file that works without script,
// the run's numbers and the renders' envelope for the page's script as JSON, and the script, which
// turns the players into one transport for every array (switching at the same moment, jumping to
// positions, level matching, the headphone renders, and blind and ABX comparisons), its time line
// drawing where the sound is. With no audio written it says so, and no more.
#pragma once

#include <string>
#include <string_view>

#include "report/results.h"

namespace auralith {

std::string listeningPanel(const CompareResults& results);

}  // namespace auralith
