// A shoebox room: its size, what each of its six surfaces absorbs in each octave band, and where
// the array and the sources may stand in it. x runs across the width from the left wall (as seen
// from the array, which faces the stage), y from the back wall to the stage's end wall, z up.
#pragma once

#include <optional>
#include <string_view>

#include "sim/scene/room_shape.h"

namespace auralith {

// The free field's conventions, which the room's reflections share: the speed of sound in metres
// per second, and the arc's radius unless a run sets another, at which a source is heard with
// gain 1 and no delay.
inline constexpr double soundSpeed = 344;
inline constexpr double arcRadius = 10;

std::string_view surfaceName(Surface surface);

// The sides' limits, in metres.
inline constexpr double minRoomSide = 2;
inline constexpr double maxRoomSide = 100;
// How near a surface the array's and the sources' points may come, in metres.
inline constexpr double minClearance = 0.5;

// A room whose six surfaces absorb alike: `alpha` in every band.
Room uniformRoom(double width, double depth, double height, double alpha);

// Why a point cannot stand where it is: the surface it is beyond or nearer than minClearance to,
// and its distance inside that surface (negative outside).
struct PlacementRefusal {
    Surface surface;
    double clearance;
};

// Nothing when the point is inside and at least minClearance from every surface; otherwise the
// first surface it comes too near, in Surface's order.
std::optional<PlacementRefusal> placementRefusal(const Room& room, const RoomPoint& point);

// The reverberation times the classical formulas give in each band, in seconds, the air's
// absorption included (4 m V in the absorption area, m the air's intensity attenuation per metre).
BandValues sabineSeconds(const Room& room);
BandValues eyringSeconds(const Room& room);

}  // namespace auralith
