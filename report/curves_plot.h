// The localisation curves of report.html as one inline SVG: each array's predicted image against
// the source angle, the sweep's positions, the recording angles, the stretches where the channels
// are in antiphase (dotted and labelled) and a legend; and how each array's curve is drawn.
#pragma once

#include <cstddef>
#include <string>

#include "report/results.h"

namespace auralith {

// How an array's curve is drawn. The six built-in arrays look the same on every page (the tree
// dashed, so that the spaced omnis' curve, which it follows closely, shows through); the
// described ones take a colour and then a dash in turn, so that the first 46 arrays of a run all
// differ in colour or dash.
struct CurveStyle {
    std::string colour;
    std::string dash;  // an SVG dash array; empty for a solid line
};
CurveStyle curveStyle(const CompareResults& results, std::size_t k);

// The style's stroke attributes: stroke="#..." and, when dashed, stroke-dasharray="...".
std::string strokeOf(const CurveStyle& style);

// A short line in the style, the key beside an array's heading.
std::string styleSwatch(const CurveStyle& style);

std::string curvesSvg(const CompareResults& results);

}  // namespace auralith
