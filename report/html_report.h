// report.html: one self-contained page (inline SVG, CSS and script, nothing fetched) with a panel
// to listen to the renders beside it, the localisation curves of the chosen arrays, each array's
// positions as a table, and a paragraph on the model.
#pragma once

#include <string>

#include "report/results.h"

namespace auralith {

std::string htmlReport(const CompareResults& results);

}  // namespace auralith
