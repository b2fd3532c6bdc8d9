#include "catalogue/descriptions.h"

#include <cmath>
#include <utility>

#include "catalogue/techniques.h"

namespace auralith {

namespace {

struct NamedPattern {
    std::string_view name;
    int thousandths;
    std::string_view plural;  // as an array's name says it
};

constexpr NamedPattern patterns[] = {
    {"omni", 1000, "omnis"},
    {"subcardioid", 700, "subcardioids"},
    {"cardioid", 500, "cardioids"},
    {"supercardioid", 370, "supercardioids"},
    {"hypercardioid", 250, "hypercardioids"},
    {"figure8", 0, "figures of eight"},
};

}  // namespace

std::string patternPlural(const PatternChoice& pattern) {
    for (const NamedPattern& named : patterns)
        if (named.name == pattern.text) return std::string(named.plural);
    return "pattern " + pattern.text;
}

namespace {

std::string capitalised(std::string text) {
    if (!text.empty() && text[0] >= 'a' && text[0] <= 'z') text[0] = static_cast<char>(text[0] - 'a' + 'A');
    return text;
}

// "cardioids, 100°, 25 cm", "omnis, 40 cm" (an omni has no axis to speak of), "cardioids, 90°,
// coincident".
std::string pairMeasures(const PatternChoice& pattern, int angle, int spacing) {
    std::string text = patternPlural(pattern);
    if (pattern.thousandths != 1000) text += ", " + decimalText(angle) + "°";
    return text + ", " + (spacing == 0 ? std::string("coincident") : decimalText(spacing) + " cm");
}

double valueOf(int thousandths) { return thousandths / 1000.0; }

}  // namespace

std::optional<int> thousandthsOf(std::string_view text) {
    const std::size_t point = text.find('.');
    const std::string_view whole = text.substr(0, point);
    const std::string_view fraction = point == std::string_view::npos ? std::string_view() : text.substr(point + 1);
    const auto digits = [](std::string_view part) {
        for (const char c : part)
            if (c < '0' || c > '9') return false;
        return true;
    };
    if (whole.empty() || whole.size() > 6 || !digits(whole)) return std::nullopt;
    if (point != std::string_view::npos && (fraction.empty() || fraction.size() > 3 || !digits(fraction)))
        return std::nullopt;
    int value = 0;
    for (const char c : whole) value = value * 10 + (c - '0');
    for (std::size_t k = 0; k < 3; ++k) value = value * 10 + (k < fraction.size() ? fraction[k] - '0' : 0);
    return value;
}

std::string decimalText(int thousandths) {
    std::string text = std::to_string(thousandths / 1000);
    std::string fraction = std::to_string(1000 + thousandths % 1000).substr(1);
    while (!fraction.empty() && fraction.back() == '0') fraction.pop_back();
    return fraction.empty() ? text : text + "." + fraction;
}

std::string lowerCase(std::string_view text) {
    std::string lower(text);
    for (char& c : lower)
        if (c >= 'A' && c <= 'Z') c = static_cast<char>(c - 'A' + 'a');
    return lower;
}

PatternFault readPattern(std::string_view text, PatternChoice& pattern) {
    const std::string name = lowerCase(text);
    for (const NamedPattern& named : patterns) {
        if (named.name != name) continue;
        pattern = {std::string(named.name), named.thousandths};
        return PatternFault::none;
    }
    const std::optional<int> p = thousandthsOf(text);
    const std::size_t point = text.find('.');
    // "0.0001": a number, but finer than the thousandths every value is read in.
    if (!p && point != std::string_view::npos && thousandthsOf(text.substr(0, point + 4)) &&
        text.find_first_not_of("0123456789", point + 1) == std::string_view::npos)
        return PatternFault::tooManyDecimals;
    if (!p) return PatternFault::unknown;
    if (*p > 1000) return PatternFault::outOfRange;
    pattern = {decimalText(*p), *p};
    return PatternFault::none;
}

ChosenArray describedPair(std::string key, const PatternChoice& pattern, int angle, int spacing) {
    const Rig layout = pairLayout(valueOf(pattern.thousandths), valueOf(angle), valueOf(spacing));
    return {std::move(key), capitalised(pairMeasures(pattern, angle, spacing)),
            "pair-" + pattern.text + "-" + decimalText(angle) + "-" + decimalText(spacing), layout};
}

ChosenArray describedTree(std::string key, int width, int depth, const PatternChoice& pattern) {
    const Rig layout = treeLayout(valueOf(width), valueOf(depth), valueOf(pattern.thousandths));
    return {
        std::move(key),
        "Tree of " + patternPlural(pattern) + ", " + decimalText(width) + " m wide, " + decimalText(depth) + " m deep",
        "tree-" + decimalText(width) + "-" + decimalText(depth) + "-" + pattern.text, layout};
}

namespace {

// p + (1 - p) cos(a) + w sin(a) peaks at p + sqrt((1 - p)^2 + w^2): the shares are scaled by its
// inverse, which changes no cue and no recording angle.
Rig midSideRig(double pattern, double width) {
    const long double p = pattern;
    const long double scale = 1 / (p + std::sqrt((1 - p) * (1 - p) + static_cast<long double>(width) * width));
    const long double side = width * scale;
    Rig rig;
    rig.mics = {{0, 0, 0, 0, 1, 0, pattern, {scale, scale}}, {0, 0, 0, -1, 0, 0, 0, {side, -side}}};
    return rig;
}

}  // namespace

ChosenArray describedMidSide(std::string key, const PatternChoice& pattern, int width) {
    // "Mid-side, cardioid mid, width 1", "Mid-side, pattern 0.6 mid, width 0.5".
    const bool named = patternPlural(pattern).rfind("pattern ", 0) != 0;
    const std::string mid = named ? pattern.text : "pattern " + pattern.text;
    return {std::move(key), "Mid-side, " + mid + " mid, width " + decimalText(width),
            "ms-" + pattern.text + "-" + decimalText(width), midSideRig(valueOf(pattern.thousandths), valueOf(width))};
}

ChosenArray techniqueChoice(const Technique& technique) {
    PatternChoice pattern;
    readPattern(technique.pattern, pattern);
    ChosenArray chosen =
        describedPair(std::string(technique.key), pattern, technique.angle * 1000, technique.spacing * 1000);
    chosen.name =
        std::string(technique.title) + ": " + pairMeasures(pattern, technique.angle * 1000, technique.spacing * 1000);
    chosen.slug = std::string(technique.key);
    return chosen;
}

std::string pairText(const PatternChoice& pattern, int angle, int spacing) {
    return "pair:" + pattern.text + ":" + decimalText(angle) + ":" + decimalText(spacing);
}

}  // namespace auralith
