// How an array's curve is drawn. The built-in arrays look the same on every page, each as its row
// says; the described ones take a colour and then a dash in turn, so that the first 46 arrays of
// a run all differ in colour or dash.
#pragma once

#include <cstddef>
#include <string>

#include "sim/free/mic_layout.h"

namespace auralith {

struct CurveStyle {
    std::string colour;
    std::string dash;  // an SVG dash array; empty for a solid line
};

// The style of `model`'s curve; `describedRank` counts the arrays that are not built in before it
// on the page (the first described one 0), and is not used for a built-in one.
CurveStyle curveStyleOf(const AnyArray& model, std::size_t describedRank);

}  // namespace auralith
