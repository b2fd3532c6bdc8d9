// The localisation curves of report.html as one inline SVG: each array's predicted image against
// the source angle, the sweep's positions, the recording angles, the stretches where the channels
// are in antiphase (dotted and labelled) and a legend; each array's curve alone, small, drawn by
// the same code; and how each array's curve is drawn.
#pragma once

#include <cstddef>
#include <string>

#include "catalogue/curve_style.h"
#include "report/results.h"

namespace auralith {

// How the k-th array's curve is drawn (curve_style.h).
CurveStyle curveStyle(const CompareResults& results, std::size_t k);

// The style's stroke attributes: stroke="#..." and, when dashed, stroke-dasharray="...".
std::string strokeOf(const CurveStyle& style);

// A short line in the style, the key beside an array's heading.
std::string styleSwatch(const CurveStyle& style);

std::string curvesSvg(const CompareResults& results);

// The k-th array's curve alone, small, in its own style: the copy its section shows beside its plan.
std::string arrayCurveSvg(const CompareResults& results, std::size_t k);

}  // namespace auralith
