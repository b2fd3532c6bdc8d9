#include "catalogue/array_list.h"

#include <algorithm>

#include "catalogue/built_in_arrays.h"
#include "catalogue/techniques.h"

namespace auralith {

namespace {

using Kind = ListFault::Kind;

std::vector<std::string_view> splitAt(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t start = 0;;) {
        const std::size_t end = std::min(text.find(separator, start), text.size());
        parts.push_back(text.substr(start, end - start));
        if (end == text.size()) return parts;
        start = end + 1;
    }
}

// What one entry asks for, or what is wrong with it.
struct Entry {
    ChosenArray array;
    ListFault fault;
};

Entry faulty(std::string_view entry, Kind kind, std::string_view part = {}, std::string_view value = {},
             std::string_view range = {}) {
    return {{}, {kind, std::string(entry), std::string(part), std::string(value), std::string(range)}};
}

// A measure within 0 .. most (thousandths), or the fault that names the part.
Entry measure(std::string_view entry, std::string_view part, std::string_view text, int most, std::string_view unit,
              int& value) {
    const std::optional<int> read = thousandthsOf(text);
    const std::string range = "0 to " + decimalText(most) + (unit.empty() ? "" : " ") + std::string(unit);
    if (!read) return faulty(entry, Kind::notANumber, part, text, range);
    if (*read > most) return faulty(entry, Kind::outOfRange, part, text, range);
    value = *read;
    return {};
}

Entry pattern(std::string_view entry, std::string_view text, PatternChoice& choice) {
    switch (readPattern(text, choice)) {
        case PatternFault::none: return {};
        case PatternFault::unknown: return faulty(entry, Kind::unknownPattern, "PATTERN", text);
        case PatternFault::outOfRange: return faulty(entry, Kind::outOfRange, "PATTERN", text, "0 to 1");
        case PatternFault::tooManyDecimals: return faulty(entry, Kind::tooManyDecimals, "PATTERN", text);
    }
    return {};
}

constexpr int thousand = 1000;

// pair:PATTERN:ANGLE:SPACING
Entry describedPairEntry(std::string_view entry, const std::vector<std::string_view>& parts) {
    PatternChoice p;
    int angle = 0;
    int spacing = 0;
    for (Entry step :
         {pattern(entry, parts[1], p),
          measure(entry, "ANGLE", parts[2], static_cast<int>(maxPairAngle) * thousand, "degrees", angle),
          measure(entry, "SPACING", parts[3], static_cast<int>(maxPairSpacing) * thousand, "centimetres", spacing)})
        if (step.fault.kind != Kind::none) return step;
    return {describedPair(std::string(entry), p, angle, spacing), {}};
}

// tree:WIDTH:DEPTH:PATTERN
Entry describedTreeEntry(std::string_view entry, const std::vector<std::string_view>& parts) {
    PatternChoice p;
    int width = 0;
    int depth = 0;
    for (Entry step : {measure(entry, "WIDTH", parts[1], static_cast<int>(maxTreeWidth) * thousand, "metres", width),
                       measure(entry, "DEPTH", parts[2], static_cast<int>(maxTreeDepth) * thousand, "metres", depth),
                       pattern(entry, parts[3], p)})
        if (step.fault.kind != Kind::none) return step;
    return {describedTree(std::string(entry), width, depth, p), {}};
}

// ms:PATTERN:WIDTH
Entry describedMidSideEntry(std::string_view entry, const std::vector<std::string_view>& parts) {
    PatternChoice p;
    int width = 0;
    for (Entry step : {pattern(entry, parts[1], p),
                       measure(entry, "WIDTH", parts[2], static_cast<int>(maxMidSideWidth) * thousand, "", width)})
        if (step.fault.kind != Kind::none) return step;
    return {describedMidSide(std::string(entry), p, width), {}};
}

Entry entryOf(std::string_view entry) {
    if (const BuiltInArray* builtIn = builtInNumbered(entry)) return {builtInChoice(*builtIn), {}};
    if (const Technique* technique = techniqueNamed(entry)) {
        ChosenArray chosen = techniqueChoice(*technique);
        chosen.key = entry;  // as given: "ORTF" stays so in the reports, its files are "ortf"'s
        return {std::move(chosen), {}};
    }
    const std::vector<std::string_view> parts = splitAt(entry, ':');
    const std::string form = lowerCase(parts[0]);
    if (form != "pair" && form != "tree" && form != "ms") return faulty(entry, Kind::unknownEntry);
    if (parts.size() != (form == "ms" ? 3 : 4)) return faulty(entry, Kind::partCount, form);
    if (form == "ms") return describedMidSideEntry(entry, parts);
    return form == "pair" ? describedPairEntry(entry, parts) : describedTreeEntry(entry, parts);
}

// A list a user of the menu numbers alone would type: digits, blanks and commas.
bool onlyDigitsAndBlanks(std::string_view list) {
    return std::all_of(list.begin(), list.end(), [](char c) { return (c >= '0' && c <= '9') || c == ' ' || c == ','; });
}

}  // namespace

ArrayList parseArrayList(std::string_view list) {
    ArrayList result;
    std::vector<ChosenArray> builtIn;
    std::vector<ChosenArray> described;
    for (const std::string_view text : splitAt(list, ',')) {
        Entry entry = entryOf(text);
        if (entry.fault.kind != Kind::none) {
            if (onlyDigitsAndBlanks(list))
                entry.fault = {Kind::notMenuNumbers, std::string(list), {}, {}, {}};
            else if (text.empty())
                entry.fault = {Kind::emptyEntry, std::string(list), {}, {}, {}};
            result.fault = entry.fault;
            return result;
        }
        auto& into = builtInOf(entry.array.model) != nullptr ? builtIn : described;
        const auto same = [&](const ChosenArray& a) { return sameArray(a.model, entry.array.model); };
        if (std::none_of(into.begin(), into.end(), same)) into.push_back(std::move(entry.array));
    }
    std::sort(builtIn.begin(), builtIn.end(), [](const ChosenArray& a, const ChosenArray& b) {
        return builtInOf(a.model)->menu < builtInOf(b.model)->menu;
    });
    result.arrays = std::move(builtIn);
    for (ChosenArray& a : described) result.arrays.push_back(std::move(a));
    return result;
}

}  // namespace auralith
