#include "catalogue/built_in_arrays.h"

#include <algorithm>
#include <iterator>
#include <string>

namespace auralith {

namespace {

// The tree's curve is dashed, so that the spaced omnis' curve, which it follows closely, shows
// through.
constexpr BuiltInArray rows[] = {
    {1, "Blumlein crossed pair", "1-blumlein", "blumlein", "#1f77b4", "", MicArray::blumleinPair},
    {2, "Coincident cardioids (105 deg)", "2-cardioids", "cardioids", "#d62728", "", MicArray::cardioidPair},
    {3, "Faulkner near-coincident pair", "3-faulkner", "faulkner", "#2ca02c", "", MicArray::faulknerPair},
    {4, "ORTF near-coincident pair", "4-ortf", "ortf", "#9467bd", "", MicArray::ortfPair},
    {5, "Two spaced omnis", "5-spaced-omnis", "spaced-omnis", "#e07b00", "", MicArray::spacedOmniPair},
    {6, "Decca three-omni tree", "6-tree", "tree", "#17a2b8", "10 4", MicArray::threeOmniTree},
};

}  // namespace

std::span<const BuiltInArray> builtInArrays() { return rows; }

const BuiltInArray* builtInNumbered(std::string_view text) {
    const auto found = std::find_if(std::begin(rows), std::end(rows),
                                    [&](const BuiltInArray& a) { return std::to_string(a.menu) == text; });
    return found == std::end(rows) ? nullptr : found;
}

const BuiltInArray* builtInOf(const AnyArray& model) {
    const auto found = std::find_if(std::begin(rows), std::end(rows),
                                    [&](const BuiltInArray& a) { return sameArray(a.model, model); });
    return found == std::end(rows) ? nullptr : found;
}

std::string_view micArrayName(MicArray array) {
    const BuiltInArray* row = builtInOf(array);
    return row == nullptr ? std::string_view() : row->name;
}

std::string_view arraySlug(MicArray array) {
    const BuiltInArray* row = builtInOf(array);
    return row == nullptr ? std::string_view() : row->shortSlug;
}

ChosenArray builtInChoice(const BuiltInArray& array) {
    return {std::to_string(array.menu), std::string(array.name), std::string(array.slug), array.model};
}

ChosenArray builtInChoice(MicArray array) {
    const BuiltInArray* row = builtInOf(array);
    return row == nullptr ? ChosenArray{std::to_string(static_cast<int>(array)), {}, {}, array} : builtInChoice(*row);
}

}  // namespace auralith
