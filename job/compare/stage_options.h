// A stage on auralith-compare's command line: its players, FILE@ANGLE[:DISTANCE[:HEIGHT]][#N],
// their --gain and where they stand, each checked, and what is wrong said in one line that names
// the entry.
#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "job/compare/options.h"
#include "job/compare/room_setting.h"

namespace auralith {

// The players a stage holds: more would be a crowd no array's render tells apart.
inline constexpr int maxPlayers = 64;
// Two players stand at least this far apart, as the sources stand from the room's surfaces.
inline constexpr double minPlayerSpacing = 0.5;

// A decimal in thousandths with an optional sign: "-90", "+7.5"; the sweep's degrees and the
// players' are read alike.
std::optional<int> signedThousandths(std::string_view text);

// A channel number: 1 to 65535 in decimal digits, else 0; --channel's and a player's #N.
int channelNumber(std::string_view text);

// What is wrong with an argument read as a player. `placed` false: what follows its last '@' is
// no place at all (or it has no '@'), so that one such argument alone is the sweep's recording.
struct EntryFault {
    bool placed = false;
    std::string why;
};

std::variant<StageEntry, EntryFault> readStageEntry(std::string_view arg);

// Whether the argument has a place after its last '@', right or wrong: it is a player then.
bool hasPlace(std::string_view arg);

// The arguments as players, at most maxPlayers; what is wrong with the first that is wrong.
std::variant<std::vector<StageEntry>, std::string> stageOf(const std::vector<std::string>& args);

// Each --gain FILE=DB (the last '=' splits) given to every player of FILE; what is wrong, or
// nothing.
std::string applyGains(std::vector<StageEntry>& stage, const std::vector<std::string>& gains);

// What the players' places are measured from: the array's centre, x to the right and y forward
// (the origin in free field), and the defaults of a player's distance and height.
struct StageFrame {
    RoomPoint arrayAt{};
    double distance = 10;
    double height = 0;
};

// Where a player stands: at its angle, its distance and its height, or the frame's.
RoomPoint playerPoint(const StageEntry& entry, const StageFrame& frame);

// Two players at one place, or nearer than minPlayerSpacing, named both; or nothing.
std::string crowdingFault(const std::vector<StageEntry>& stage, const StageFrame& frame);

// The players as the sources a room must hold, each named by its entry.
std::vector<NamedSource> stageSources(const std::vector<StageEntry>& stage, const StageFrame& frame);

}  // namespace auralith
