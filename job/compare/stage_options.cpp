#include "job/compare/stage_options.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

#include "catalogue/descriptions.h"
#include "job/compare/room_options.h"
#include "report/shown_text.h"

namespace auralith {

namespace {

std::string quoted(std::string_view text) { return "'" + shownOnTerminal(text) + "'"; }

std::vector<std::string_view> fieldsOf(std::string_view text) {
    std::vector<std::string_view> fields;
    for (std::size_t at = 0;;) {
        const std::size_t next = text.find(':', at);
        fields.push_back(text.substr(at, next == std::string_view::npos ? next : next - at));
        if (next == std::string_view::npos) return fields;
        at = next + 1;
    }
}

// Whether a field is written as a number, right or wrong: "95", "-7.5", "1.2345". A name such
// as "home.wav" is not.
bool numeral(std::string_view text) {
    return !text.empty() && text.find_first_not_of("0123456789.+-") == std::string_view::npos;
}

// The form of what follows the last '@': one to three numerals separated by ':', then #DIGITS
// or nothing. What is wrong with it, or nothing.
std::optional<std::string> formFault(std::string_view place) {
    constexpr std::array<std::string_view, 3> names{"angle", "distance", "height"};
    const std::size_t hash = place.find('#');
    const auto fields = fieldsOf(place.substr(0, hash));
    if (fields.size() > names.size()) return "more than ANGLE:DISTANCE:HEIGHT after the '@'";
    for (std::size_t k = 0; k < fields.size(); ++k) {
        if (fields[k].empty()) return "the " + std::string(names[k]) + " is empty";
        if (!numeral(fields[k])) return "the " + std::string(names[k]) + " " + quoted(fields[k]) + " is not a number";
    }
    const std::string_view channel = hash == std::string_view::npos ? "1" : place.substr(hash + 1);
    if (channel.empty() || channel.find_first_not_of("0123456789") != std::string_view::npos)
        return quoted("#" + std::string(channel)) + " is not #N, N a channel number (1 for the first)";
    return std::nullopt;
}

// The place's values within their ranges into `entry`; what is wrong, or nothing.
std::optional<std::string> rangeFault(std::string_view place, StageEntry& entry) {
    const std::size_t hash = place.find('#');
    const auto fields = fieldsOf(place.substr(0, hash));
    const std::optional<int> angle = signedThousandths(fields[0]);
    if (!angle || std::abs(*angle) > 90000)
        return "the angle " + quoted(fields[0]) + " is not a number of degrees from -90 to 90 (at most three decimals)";
    entry.millidegrees = *angle;
    if (fields.size() > 1) entry.distance = decimalWithin(fields[1], 1, 100);
    if (fields.size() > 1 && !entry.distance)
        return "the distance " + quoted(fields[1]) + " is not a distance of 1 to 100 metres";
    if (fields.size() > 2) entry.height = decimalWithin(fields[2], 0, maxRoomSide);
    if (fields.size() > 2 && !entry.height)
        return "the height " + quoted(fields[2]) + " is not a height of 0 to 100 metres";
    if (hash != std::string_view::npos) entry.channel = channelNumber(place.substr(hash + 1));
    if (hash != std::string_view::npos && entry.channel == 0)
        return quoted(place.substr(hash)) + " is not a channel number (1 for the first)";
    return std::nullopt;
}

std::string spotName(const StageEntry& entry) { return quoted(entry.entry); }

}  // namespace

std::optional<int> signedThousandths(std::string_view text) {
    const bool negative = text.starts_with('-');
    if (negative || text.starts_with('+')) text.remove_prefix(1);
    const std::optional<int> value = thousandthsOf(text);
    return value && negative ? std::optional<int>(-*value) : value;
}

int channelNumber(std::string_view text) {
    if (text.empty() || text.size() > 5 || text.find_first_not_of("0123456789") != std::string_view::npos) return 0;
    const int number = std::stoi(std::string(text));
    return number <= 65535 ? number : 0;
}

std::variant<StageEntry, EntryFault> readStageEntry(std::string_view arg) {
    const std::size_t at = arg.rfind('@');
    if (at == std::string_view::npos)
        return EntryFault{false, quoted(arg) + " has no place: a player is FILE@ANGLE[:DISTANCE[:HEIGHT]][#N]"};
    const std::string_view place = arg.substr(at + 1);
    if (const auto fault = formFault(place)) return EntryFault{false, quoted(arg) + ": " + *fault};
    StageEntry entry;
    entry.entry = std::string(arg);
    entry.file = std::string(arg.substr(0, at));
    if (entry.file.empty()) return EntryFault{true, quoted(arg) + ": the file's name is empty"};
    if (const auto fault = rangeFault(place, entry)) return EntryFault{true, quoted(arg) + ": " + *fault};
    return entry;
}

bool hasPlace(std::string_view arg) {
    const auto read = readStageEntry(arg);
    const auto* fault = std::get_if<EntryFault>(&read);
    return fault == nullptr || fault->placed;
}

std::variant<std::vector<StageEntry>, std::string> stageOf(const std::vector<std::string>& args) {
    std::vector<StageEntry> stage;
    for (const std::string& arg : args) {
        auto read = readStageEntry(arg);
        if (const auto* fault = std::get_if<EntryFault>(&read)) return fault->why;
        if (stage.size() == maxPlayers) return quoted(arg) + ": at most " + std::to_string(maxPlayers) + " players";
        stage.push_back(std::move(std::get<StageEntry>(read)));
    }
    return stage;
}

std::string applyGains(std::vector<StageEntry>& stage, const std::vector<std::string>& gains) {
    std::vector<std::string_view> files;
    for (const std::string& gain : gains) {
        const std::string what = "--gain " + quoted(gain);
        const std::size_t split = gain.rfind('=');
        if (split == std::string::npos || split == 0) return what + " is not FILE=DB (such as vc.wav=-3)";
        const std::string_view file = std::string_view(gain).substr(0, split);
        const std::string_view db = std::string_view(gain).substr(split + 1);
        const std::optional<int> thousandths = signedThousandths(db);
        if (!thousandths || *thousandths < -60000 || *thousandths > 24000)
            return what + ": " + quoted(db) + " is not a gain of -60 to 24 dB (at most three decimals)";
        if (std::find(files.begin(), files.end(), file) != files.end())
            return what + ": " + quoted(file) + " is given a gain twice";
        files.push_back(file);
        bool played = false;
        for (StageEntry& entry : stage)
            if (entry.file == file) {
                entry.gainDb = *thousandths / 1000.0;
                played = true;
            }
        if (!played) return what + ": no player plays " + quoted(file);
    }
    return {};
}

RoomPoint playerPoint(const StageEntry& entry, const StageFrame& frame) {
    return sourceOnArc(frame.arrayAt, entry.distance.value_or(frame.distance), entry.height.value_or(frame.height),
                       entry.millidegrees / 1000.0);
}

std::string crowdingFault(const std::vector<StageEntry>& stage, const StageFrame& frame) {
    std::vector<RoomPoint> points;
    for (const StageEntry& entry : stage) points.push_back(playerPoint(entry, frame));
    for (std::size_t j = 1; j < stage.size(); ++j)
        for (std::size_t i = 0; i < j; ++i) {
            const StageEntry& a = stage[i];
            const StageEntry& b = stage[j];
            const bool same = a.millidegrees == b.millidegrees &&
                              a.distance.value_or(frame.distance) == b.distance.value_or(frame.distance) &&
                              a.height.value_or(frame.height) == b.height.value_or(frame.height);
            if (same) return spotName(b) + ": stands where " + spotName(a) + " stands";
            const RoomPoint& p = points[i];
            const RoomPoint& q = points[j];
            if (std::hypot(p.x - q.x, p.y - q.y, p.z - q.z) < minPlayerSpacing)
                return spotName(b) + ": stands within 0.5 m of " + spotName(a);
        }
    return {};
}

std::vector<NamedSource> stageSources(const std::vector<StageEntry>& stage, const StageFrame& frame) {
    std::vector<NamedSource> sources;
    for (const StageEntry& entry : stage) sources.push_back({spotName(entry), playerPoint(entry, frame)});
    return sources;
}

}  // namespace auralith
