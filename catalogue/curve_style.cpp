#include "catalogue/curve_style.h"

#include <iterator>

#include "catalogue/built_in_arrays.h"

namespace auralith {

namespace {

constexpr const char* describedColours[] = {"#8c564b", "#e377c2", "#7f7f7f", "#bcbd22",
                                            "#393b79", "#637939", "#843c39", "#7b4173"};
// None of them the dots ("2 3") the page draws the stretches in antiphase with.
constexpr const char* describedDashes[] = {"", "10 4", "4 3", "10 3 2 3", "16 4 4 4"};

}  // namespace

CurveStyle curveStyleOf(const AnyArray& model, std::size_t describedRank) {
    if (const BuiltInArray* row = builtInOf(model)) return {std::string(row->colour), std::string(row->dash)};
    const std::size_t count = std::size(describedColours);
    return {describedColours[describedRank % count],
            describedDashes[describedRank / count % std::size(describedDashes)]};
}

}  // namespace auralith
