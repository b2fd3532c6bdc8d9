#include "sim/room/room.h"

#include <cmath>

#include "sim/room/air_absorption.h"

namespace auralith {

std::string_view surfaceName(Surface surface) {
    switch (surface) {
        case Surface::left: return "left wall";
        case Surface::right: return "right wall";
        case Surface::stageEnd: return "stage end wall";
        case Surface::back: return "back wall";
        case Surface::floor: return "floor";
        case Surface::ceiling: return "ceiling";
    }
    return "surface";
}

Room uniformRoom(double width, double depth, double height, double alpha) {
    Room room{width, depth, height, {}};
    for (BandValues& surface : room.absorption) surface.fill(alpha);
    return room;
}

std::optional<PlacementRefusal> placementRefusal(const Room& room, const RoomPoint& point) {
    const std::array<double, surfaceCount> clearances{point.x, room.width - point.x, room.depth - point.y, point.y,
                                                      point.z, room.height - point.z};
    for (int s = 0; s < surfaceCount; ++s)
        if (!(clearances[s] >= minClearance)) return PlacementRefusal{static_cast<Surface>(s), clearances[s]};
    return std::nullopt;
}

namespace {

std::array<double, surfaceCount> surfaceAreas(const Room& room) {
    const double wd = room.width * room.depth;
    const double dh = room.depth * room.height;
    const double wh = room.width * room.height;
    return {dh, dh, wh, wh, wd, wd};
}

// Sabine's constant 24 ln 10 / c, with the free field's speed of sound.
double sabineConstant() { return 24 * std::log(10.0) / soundSpeed; }

// The air's intensity attenuation per metre in a band: its level's dB per metre over 10 log10 e.
double airIntensityPerMetre(int band) { return airAbsorptionDbPerMetre(bandCentres[band]) / (10 / std::log(10.0)); }

}  // namespace

BandValues sabineSeconds(const Room& room) {
    const auto areas = surfaceAreas(room);
    const double volume = room.width * room.depth * room.height;
    BandValues seconds{};
    for (int b = 0; b < bandCount; ++b) {
        double absorptionArea = 4 * airIntensityPerMetre(b) * volume;
        for (int s = 0; s < surfaceCount; ++s) absorptionArea += areas[s] * room.absorption[s][b];
        seconds[b] = sabineConstant() * volume / absorptionArea;
    }
    return seconds;
}

BandValues eyringSeconds(const Room& room) {
    const auto areas = surfaceAreas(room);
    const double volume = room.width * room.depth * room.height;
    double total = 0;
    for (double area : areas) total += area;
    BandValues seconds{};
    for (int b = 0; b < bandCount; ++b) {
        double weighted = 0;
        for (int s = 0; s < surfaceCount; ++s) weighted += areas[s] * room.absorption[s][b];
        const double absorptionArea = -total * std::log1p(-weighted / total) + 4 * airIntensityPerMetre(b) * volume;
        seconds[b] = sabineConstant() * volume / absorptionArea;
    }
    return seconds;
}

}  // namespace auralith
