// The top of report.html, where the arrays are heard: a player per file that works without script,
// the run's numbers for the page's script as JSON, and the script, which turns the players into one
// transport for every array (switching at the same moment, jumping to positions, level matching,
// the headphone renders, and blind and ABX comparisons). With no audio written it says so, and no more.
#pragma once

#include <string>
#include <string_view>

#include "job/compare/results.h"

namespace auralith {

std::string listeningPanel(const CompareResults& results);

// A file name as a relative URL: every byte but letters, digits and "-._~" as %XX, so that a
// name holding "#", "?", "%" or a blank still names the file.
std::string urlEscaped(std::string_view name);

// The text as a JSON string, quotes included; "<" as \u003c, so that it never ends a script element.
std::string jsonString(std::string_view text);

}  // namespace auralith
