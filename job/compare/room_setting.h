// The room a run of auralith-compare is asked for, and what it resolves to: the options (--room,
// --rt60, --absorption, --no-air, --array-at, --distance, --source-height) as read, then the room
// with its surfaces' absorption solved, the array's place and the sweep's arc in it.
#pragma once

#include <array>
#include <optional>
#include <string>
#include <variant>
#include <vector>

#include "sim/room/room.h"
#include "sim/scene/program.h"

namespace auralith {

// The longest reverberation time --rt60 takes: a response lasts 1.25 times it and 0.1 s, at most 10 s.
inline constexpr double maxTargetSeconds = 7.9;

// The room's options as read, each checked for its own form and range.
struct RoomRequest {
    std::string preset;                                          // --room PRESET
    std::optional<RoomPoint> size;                               // --room WxDxH: x the width, y the depth, z the height
    std::optional<BandValues> rt60;                              // --rt60, one value in every band or seven
    bool rt60Single = false;                                     // --rt60 T
    std::optional<std::array<double, surfaceCount>> absorption;  // --absorption, in Surface's order
    bool air = true;                                             // --no-air: false
    std::optional<RoomPoint> arrayAt;                            // --array-at X,Y,Z
    std::optional<double> distance;                              // --distance R
    std::optional<double> sourceHeight;                          // --source-height H

    // Whether a room is asked for (--room).
    bool room() const { return !preset.empty() || size.has_value(); }
};

struct RoomSetting {
    std::string name;  // the preset's key, or "26 x 42 x 17 m"
    Room room;
    RoomPoint arrayAt;
    double distance = 10;
    double sourceHeight = 0;  // metres above the floor
    bool air = true;
    BandValues target{};    // the reverberation time aimed at in each band, when targeted
    BandValues measured{};  // T30 measured on the room's own response, when targeted
    bool targeted = false;  // the absorption solved for --rt60 or the preset's times
    // Bands of a single --rt60 value that the air keeps below it: their target is the longest
    // they can have.
    std::array<bool, bandCount> airLimited{};
};

// A usage error: what is wrong, in one line.
struct RoomRefusal {
    std::string why;
};

// A source the room must hold clear of its surfaces, and how a refusal names it.
struct NamedSource {
    std::string name;  // "the source at 30 degrees", "'vc.wav@30:9'"
    RoomPoint point;
};

// The room the options ask for, with the sweep's positions at the arc's radius; nothing to do
// with a room when none is asked for (the free field, where --distance and --source-height still
// apply). The surfaces are solved so that the omni's measured T30 meets each band's target, with
// the source straight ahead on the arc: this takes up to a few seconds for the church.
std::variant<std::optional<RoomSetting>, RoomRefusal> roomSettingOf(const RoomRequest& request,
                                                                    const SweepPositions& positions);

// The same room with other sources than the sweep's in it, such as a stage's players: each
// source is checked in it, clear of its surfaces, before the surfaces are solved.
std::variant<std::optional<RoomSetting>, RoomRefusal> roomSettingOf(const RoomRequest& request,
                                                                    const std::vector<NamedSource>& sources);

// The room, the array's place, the arc's radius and the sources' height as the options set them,
// the surfaces not yet solved: where the points of a stage are worked out before the room is.
RoomSetting placedRoomOf(const RoomRequest& request);

// The source's place at `degrees` on the arc (negative to the left, towards x = 0).
RoomPoint sourceOnArc(const RoomPoint& arrayAt, double distance, double height, double degrees);

}  // namespace auralith
