#include "job/compare/room_options.h"

#include <algorithm>
#include <array>
#include <optional>
#include <vector>

#include "catalogue/descriptions.h"
#include "catalogue/rooms.h"
#include "report/shown_text.h"

namespace auralith {

namespace {

constexpr std::array<std::string_view, 6> valueOptions{"--room",     "--rt60",     "--absorption",
                                                       "--array-at", "--distance", "--source-height"};
constexpr std::array<std::string_view, bandCount> bandKeys{"125", "250", "500", "1k", "2k", "4k", "8k"};
constexpr std::string_view bandList = "125, 250, 500, 1k, 2k, 4k, 8k";

std::vector<std::string_view> split(std::string_view text, char separator) {
    std::vector<std::string_view> parts;
    for (std::size_t at = 0;;) {
        const std::size_t next = text.find(separator, at);
        parts.push_back(text.substr(at, next == std::string_view::npos ? next : next - at));
        if (next == std::string_view::npos) return parts;
        at = next + 1;
    }
}

std::string quoted(std::string_view text) { return "'" + shownOnTerminal(text) + "'"; }

// A decimal of up to three places, in thousandths, with an optional sign.
std::optional<double> signedValue(std::string_view text) {
    const bool negative = text.starts_with('-');
    if (negative || text.starts_with('+')) text.remove_prefix(1);
    const std::optional<int> thousandths = thousandthsOf(text);
    if (!thousandths) return std::nullopt;
    return (negative ? -*thousandths : *thousandths) / 1000.0;
}

std::optional<double> valueWithin(std::string_view text, double low, double high) {
    const auto value = text.starts_with('-') || text.starts_with('+') ? std::nullopt : signedValue(text);
    return value && *value >= low && *value <= high ? value : std::nullopt;
}

std::string readSize(std::string_view value, RoomRequest& request) {
    if (roomPreset(value) != nullptr) {
        request.preset = std::string(value);
        request.size.reset();
        return {};
    }
    const auto parts = split(value, 'x');
    if (parts.size() != 3)
        return "--room " + quoted(value) + " is neither WxDxH in metres (such as 26x42x17) nor one of " +
               roomPresetKeys();
    std::array<double, 3> sides{};
    for (std::size_t k = 0; k < 3; ++k) {
        const auto side = valueWithin(parts[k], minRoomSide, maxRoomSide);
        if (!side)
            return "--room " + quoted(value) + ": " + "WDH"[k] + " " + quoted(parts[k]) +
                   " is not a length of 2 to 100 metres";
        sides[k] = *side;
    }
    request.size = RoomPoint{sides[0], sides[1], sides[2]};
    request.preset.clear();
    return {};
}

std::string readTimes(std::string_view value, RoomRequest& request) {
    const std::string what = "--rt60 " + quoted(value);
    if (value.find(':') == std::string_view::npos) {
        const auto seconds = valueWithin(value, 0.001, maxTargetSeconds);
        if (!seconds)
            return what + " is neither a time of above 0 to 7.9 seconds nor BAND:T,... for the bands " +
                   std::string(bandList);
        request.rt60 = BandValues{};
        request.rt60->fill(*seconds);
        request.rt60Single = true;
        return {};
    }
    BandValues times{};
    std::array<bool, bandCount> given{};
    for (std::string_view entry : split(value, ',')) {
        const auto pair = split(entry, ':');
        const auto band = std::find(bandKeys.begin(), bandKeys.end(), pair[0]);
        if (pair.size() != 2 || band == bandKeys.end())
            return what + ": " + quoted(entry) + " is not BAND:T, BAND one of " + std::string(bandList);
        const auto k = static_cast<std::size_t>(band - bandKeys.begin());
        const auto seconds = valueWithin(pair[1], 0.001, maxTargetSeconds);
        if (!seconds)
            return what + ": " + quoted(pair[1]) + " at " + std::string(*band) +
                   " is not a time of above 0 to 7.9 seconds";
        if (given[k]) return what + ": " + std::string(*band) + " is given twice";
        given[k] = true;
        times[k] = *seconds;
    }
    for (std::size_t k = 0; k < bandCount; ++k)
        if (!given[k])
            return what + ": " + std::string(bandKeys[k]) + " is missing (all seven bands, or one time for all)";
    request.rt60 = times;
    request.rt60Single = false;
    return {};
}

std::string readAbsorption(std::string_view value, RoomRequest& request) {
    const auto parts = split(value, ',');
    if (parts.size() != 1 && parts.size() != surfaceCount)
        return "--absorption " + quoted(value) +
               " is neither one value of 0 to 1 nor six (left, right, stage end, back, floor, ceiling)";
    std::array<double, surfaceCount> alpha{};
    for (std::size_t k = 0; k < parts.size(); ++k) {
        const auto a = valueWithin(parts[k], 0, 1);
        if (!a) return "--absorption " + quoted(value) + ": " + quoted(parts[k]) + " is not a number of 0 to 1";
        alpha[k] = *a;
    }
    if (parts.size() == 1) alpha.fill(alpha[0]);
    request.absorption = alpha;
    return {};
}

std::string readPoint(std::string_view value, RoomRequest& request) {
    const auto parts = split(value, ',');
    std::array<std::optional<double>, 3> xyz{};
    for (std::size_t k = 0; k < parts.size() && k < 3; ++k) xyz[k] = valueWithin(parts[k], 0, maxRoomSide);
    if (parts.size() != 3 || !xyz[0] || !xyz[1] || !xyz[2])
        return "--array-at " + quoted(value) +
               " is not X,Y,Z in metres from the left wall, the back wall and the "
               "floor (such as 8.3,30.8,3.5)";
    request.arrayAt = RoomPoint{*xyz[0], *xyz[1], *xyz[2]};
    return {};
}

}  // namespace

bool isRoomValueOption(std::string_view option) {
    return std::find(valueOptions.begin(), valueOptions.end(), option) != valueOptions.end();
}

std::string readRoomValue(std::string_view option, std::string_view value, RoomRequest& request) {
    if (option == "--room") return readSize(value, request);
    if (option == "--rt60") return readTimes(value, request);
    if (option == "--absorption") return readAbsorption(value, request);
    if (option == "--array-at") return readPoint(value, request);
    if (option == "--distance") {
        request.distance = valueWithin(value, 1, 100);
        return request.distance ? "" : "--distance " + quoted(value) + " is not a distance of 1 to 100 metres";
    }
    request.sourceHeight = signedValue(value);
    if (request.sourceHeight && *request.sourceHeight >= -maxRoomSide && *request.sourceHeight <= maxRoomSide)
        return {};
    return "--source-height " + quoted(value) + " is not a height of -100 to 100 metres";
}

std::optional<double> decimalWithin(std::string_view text, double low, double high) {
    return valueWithin(text, low, high);
}

}  // namespace auralith
