// Each array drawn as the planning tools draw it, beside its own localisation curve: a plan seen
// from above with the stage at the top, every microphone at its place to scale (with a scale bar
// in centimetres), its axis as an arrow and its polar pattern around it, and the source's way over
// the sweep as an arc with an arrow. Microphones at one point are drawn at that point, each with
// its own axis and pattern, so that a coincident pair shows as the two it is.
#pragma once

#include <cstddef>
#include <string>
#include <vector>

#include "report/results.h"
#include "sim/free/mic_layout.h"

namespace auralith {

// The microphones an array stands for: a described array's own rig; for a built-in one, its
// measures (arrays.h) as the pair or tree it is. For the drawing only: the built-in arrays render
// through their own arithmetic.
Rig drawnRig(const AnyArray& model);

// The plan's scale: the array's farthest microphone from its centre (at least 25 cm, so that a
// near-coincident pair is not blown up past its patterns) fills a fixed radius; the scale bar is
// the longest round length of at most 100 pixels.
struct PlanScale {
    double pixelsPerMetre;
    int barCentimetres;
};
PlanScale planScale(const Rig& rig);

// A first-order pattern's response at `degrees` off its axis, p + (1 - p) cos(a): negative where
// the pattern's polarity is, as behind a figure of eight.
double patternResponse(double pattern, double degrees);

// The plan as an inline SVG, its patterns in `colour`; `sweep` holds the source's angles in the
// sweep's order (negative to the left), the arc running from the first to the last.
std::string arrayPlanSvg(const AnyArray& model, const std::vector<double>& sweep, const std::string& name,
                         const std::string& colour);

// The k-th array's plan and its own curve side by side, with a caption that says how to read them.
std::string arrayDrawings(const CompareResults& results, std::size_t k);

}  // namespace auralith
