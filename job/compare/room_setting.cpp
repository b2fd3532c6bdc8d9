#include "job/compare/room_setting.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <numbers>

#include "catalogue/rooms.h"
#include "sim/room/image_sources.h"
#if AURALITH_ROOM_RESPONSES
#include "sim/room/absorption_solver.h"
#endif

namespace auralith {

namespace {

// A length or a time as a message gives it: to the hundredth, without trailing zeros.
std::string decimal(double value) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f", value);
    std::string shown = text;
    while (shown.back() == '0') shown.pop_back();
    if (shown.back() == '.') shown.pop_back();
    return shown == "-0" ? "0" : shown;
}

std::string pointText(const RoomPoint& p) {
    return "(x " + decimal(p.x) + ", y " + decimal(p.y) + ", z " + decimal(p.z) + " m)";
}

std::string placementText(const PlacementRefusal& refusal) {
    const std::string surface(surfaceName(refusal.surface));
    if (refusal.clearance <= 0) return "lies outside the room, past the " + surface;
    return "is " + decimal(refusal.clearance) + " m from the " + surface + " (" + decimal(minClearance) +
           " m at least)";
}

// The room's size, name and the array's place and the arc, from the preset or --room's size;
// what the options say goes before either.
RoomSetting placedRoom(const RoomRequest& request) {
    RoomSetting s;
    const RoomPreset* preset = request.preset.empty() ? nullptr : roomPreset(request.preset);
    if (preset != nullptr) {
        s.name = std::string(preset->key);
        s.room = Room{preset->width, preset->depth, preset->height, {}};
        s.arrayAt = preset->arrayAt;
        s.distance = preset->distance;
    } else {
        const RoomPoint size = request.size.value_or(RoomPoint{});
        s.name = decimal(size.x) + " x " + decimal(size.y) + " x " + decimal(size.z) + " m";
        s.room = Room{size.x, size.y, size.z, {}};
    }
    s.distance = request.distance.value_or(s.distance);
    if (preset == nullptr) {
        // Off the centre line as the presets are, the sweep's centre 2 m before the stage's end
        // wall (a fifth of a shallow room's depth), at an engineer's 3 m up or half a low room.
        const double y = s.room.depth - std::min(2.0, s.room.depth / 5) - s.distance;
        s.arrayAt = RoomPoint{0.46 * s.room.width, y, std::min(3.0, s.room.height / 2)};
    }
    s.arrayAt = request.arrayAt.value_or(s.arrayAt);
    s.sourceHeight = request.sourceHeight.value_or(s.arrayAt.z);
    s.air = request.air;
    return s;
}

// The array, then each source, inside the room and clear of its surfaces.
std::optional<RoomRefusal> placementFault(const RoomSetting& s, const std::vector<NamedSource>& sources) {
    if (const auto refusal = placementRefusal(s.room, s.arrayAt))
        return RoomRefusal{"the array " + pointText(s.arrayAt) + " " + placementText(*refusal)};
    for (const NamedSource& source : sources)
        if (const auto refusal = placementRefusal(s.room, source.point))
            return RoomRefusal{source.name + " " + pointText(source.point) + " " + placementText(*refusal)};
    return std::nullopt;
}

// The sweep's positions as the sources on the arc.
std::vector<NamedSource> sweepSources(const RoomSetting& s, const SweepPositions& positions) {
    std::vector<NamedSource> sources;
    for (int p = 0; p < positions.count(); ++p) {
        const double degrees = static_cast<double>(positions.degrees(p));
        sources.push_back({"the source at " + decimal(degrees) + " degrees",
                           sourceOnArc(s.arrayAt, s.distance, s.sourceHeight, degrees)});
    }
    return sources;
}

// --absorption as given, in every band; refused when the room would ring longer than a response
// can hold by Eyring's estimate.
std::variant<RoomSetting, RoomRefusal> absorbing(RoomSetting s, const std::array<double, surfaceCount>& alpha) {
    for (int k = 0; k < surfaceCount; ++k) s.room.absorption[static_cast<std::size_t>(k)].fill(alpha[k]);
    const BandValues eyring = eyringSeconds(s.room);
    const double longest = *std::max_element(eyring.begin(), eyring.end());
    if (!(imageCountEstimate(s.room, std::min(10.0, 1.25 * longest + 0.1)) <= 2e6))
        return RoomRefusal{"--absorption: a room of " + s.name +
                           " that absorbs so little rings too long to be "
                           "simulated (some " +
                           decimal(std::min(longest, 1e3)) + " s by Eyring's formula, more than two million images)"};
    return s;
}

#if AURALITH_ROOM_RESPONSES
std::string bandName(int band) {
    const double hertz = bandCentres[static_cast<std::size_t>(band)];
    return hertz < 1000 ? decimal(hertz) + " Hz" : decimal(hertz / 1000) + " kHz";
}

// Why a target cannot be met, naming it as it was asked for: --rt60's, or the preset's.
std::string decayRefusalText(const DecayRefusal& refusal, const RoomRequest& request, const BandValues& targets) {
    const std::string asked = request.rt60 ? "--rt60" : "the " + request.preset + "'s times";
    const std::string band = bandName(refusal.band);
    const std::string seconds = decimal(targets[static_cast<std::size_t>(refusal.band)]) + " s";
    switch (refusal.kind) {
        case DecayRefusalKind::tooShort:
            return asked + ": " + seconds + " at " + band + " is shorter than this room can ring: at least " +
                   decimal(refusal.limit) + " s";
        case DecayRefusalKind::tooLong:
            return asked + ": " + seconds + " at " + band + " is longer than this room can ring: at most " +
                   decimal(refusal.limit) + " s";
        case DecayRefusalKind::tooManyImages:
            return asked + ": a room of " + std::string(request.preset.empty() ? "this size" : request.preset) +
                   " ringing that long has more than two million images to simulate: at most " +
                   decimal(refusal.limit) + " s";
        case DecayRefusalKind::noMemory: break;
    }
    return "the room's responses could not be had: not enough memory";
}

bool samePoint(const RoomPoint& a, const RoomPoint& b) { return a.x == b.x && a.y == b.y && a.z == b.z; }

// The preset whose targets these are as it stands, which holds its absorption found; or none.
const RoomPreset* presetStanding(const DecayTargets& t) {
    for (const RoomPreset& p : roomPresets())
        if (t.width == p.width && t.depth == p.depth && t.height == p.height && samePoint(t.array, p.arrayAt) &&
            samePoint(t.source, sourceOnArc(p.arrayAt, p.distance, p.arrayAt.z, 0)) && t.seconds == p.seconds &&
            t.air && t.seed == 1 && t.format.rate == 44100)
            return &p;
    return nullptr;
}

// The absorption that meets the targets as measured. A single --rt60 value is lowered, in the
// bands where the air keeps the room below it, to a hair under the longest they can have.
std::variant<RoomSetting, RoomRefusal> solved(RoomSetting s, const RoomRequest& request, const BandValues& targets) {
    // The room's absorption does not depend on the rate it is heard at: solved at 44.1 kHz, which
    // holds every band.
    DecayTargets t{s.room.width,
                   s.room.depth,
                   s.room.height,
                   s.arrayAt,
                   sourceOnArc(s.arrayAt, s.distance, s.sourceHeight, 0),
                   targets,
                   AudioFormat{44100, 1},
                   1,
                   s.air};
    for (int attempt = 0; attempt <= bandCount; ++attempt) {
        const RoomPreset* standing = presetStanding(t);
        const auto fit =
            standing != nullptr
                ? std::variant<AbsorptionFit, DecayRefusal>(AbsorptionFit{standing->absorption, standing->measured})
                : solveAbsorption(t);
        if (const auto* found = std::get_if<AbsorptionFit>(&fit)) {
            s.room.absorption.fill(found->absorption);
            s.target = t.seconds;
            s.measured = found->measured;
            s.targeted = true;
            return s;
        }
        const DecayRefusal refusal = std::get<DecayRefusal>(fit);
        auto& band = t.seconds[static_cast<std::size_t>(refusal.band)];
        if (!request.rt60Single || refusal.kind != DecayRefusalKind::tooLong || !(refusal.limit < band))
            return RoomRefusal{decayRefusalText(refusal, request, targets)};
        band = 0.95 * refusal.limit;
        s.airLimited[static_cast<std::size_t>(refusal.band)] = true;
    }
    return RoomRefusal{decayRefusalText({DecayRefusalKind::tooLong, 0, 0}, request, targets)};
}
#else
std::variant<RoomSetting, RoomRefusal> solved(RoomSetting, const RoomRequest&, const BandValues&) {
    return RoomRefusal{
        "the reverberation times need the room's responses, which this build lacks (FFTW3): "
        "give --absorption"};
}
#endif

std::variant<std::optional<RoomSetting>, RoomRefusal> refused(std::string why) { return RoomRefusal{std::move(why)}; }

}  // namespace

std::variant<std::optional<RoomSetting>, RoomRefusal> roomSettingOf(const RoomRequest& request,
                                                                    const SweepPositions& positions) {
    return roomSettingOf(request,
                         request.room() ? sweepSources(placedRoom(request), positions) : std::vector<NamedSource>{});
}

std::variant<std::optional<RoomSetting>, RoomRefusal> roomSettingOf(const RoomRequest& request,
                                                                    const std::vector<NamedSource>& sources) {
    if (!request.room()) {
        if (request.rt60) return refused("--rt60 goes with --room");
        if (request.absorption) return refused("--absorption goes with --room");
        if (!request.air) return refused("--no-air goes with --room");
        if (request.arrayAt) return refused("--array-at goes with --room");
        // The free field's arrays hear a horizontal sweep: a height there would change nothing.
        if (request.sourceHeight) return refused("--source-height goes with --room");
        return std::optional<RoomSetting>{};
    }
    if (request.rt60 && request.absorption) return refused("--rt60 and --absorption cannot go together");
    const RoomPreset* preset = request.preset.empty() ? nullptr : roomPreset(request.preset);
    if (!request.rt60 && !request.absorption && preset == nullptr)
        return refused("--room " + placedRoom(request).name + " needs --rt60 or --absorption");
    const RoomSetting placed = placedRoom(request);
    if (auto fault = placementFault(placed, sources)) return *fault;
    const auto setting = request.absorption ? absorbing(placed, *request.absorption)
                                            : solved(placed, request, request.rt60 ? *request.rt60 : preset->seconds);
    if (const auto* refusal = std::get_if<RoomRefusal>(&setting)) return *refusal;
    return std::optional<RoomSetting>{std::get<RoomSetting>(setting)};
}

RoomSetting placedRoomOf(const RoomRequest& request) { return placedRoom(request); }

RoomPoint sourceOnArc(const RoomPoint& arrayAt, double distance, double height, double degrees) {
    const double radians = degrees * std::numbers::pi / 180;
    return {arrayAt.x + distance * std::sin(radians), arrayAt.y + distance * std::cos(radians), height};
}

}  // namespace auralith
