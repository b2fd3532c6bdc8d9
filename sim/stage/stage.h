// A stage: several sources at their places, each playing its own recording, heard at once by
// every array. Each array hears the stage as a sweep whose segments are the sources and overlap
// in time: segment s is source s, starting where its sound reaches the array, with its direct
// taps (the free field's, as the sweep has them at that angle and distance) and, in a room, its
// reflections per channel. So the responses, the DRR, the late coherence and the response files
// of a stage are worked out as the sweep's are.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <variant>
#include <vector>

#include "sim/free/mic_layout.h"
#include "sim/room_render/room_sweep.h"
#include "sim/scene/scene.h"

namespace auralith {

struct StageSource {
    int millidegrees = 0;                // the angle, negative to the left, in thousandths of a degree
    double distance = defaultArcRadius;  // metres from the array's centre
    double height = 0;                   // in a room, metres above the floor
    double level = 1;                    // the source's own gain factor (1: as recorded)
};

// How the sources' sound is laid out in the renders: where it begins, and each source's lag
// behind the nearest one (the sound's travel over the difference of their distances, in whole
// frames), so that a far player is heard later as at the array.
struct StageTiming {
    std::int64_t soundStart = 0;
    std::vector<std::int32_t> lags;
};

StageTiming stageTiming(std::span<const StageSource> sources, std::int32_t rate);

// Each source's level in the mix: its own gain times the arc's radius over its distance, so that
// a player nearer than the arc is louder, as the free field has it (the taps give gain 1 on the
// arc the source stands on).
std::vector<double> stageLevels(std::span<const StageSource> sources, double radius);

// Every array's stage, the sources' recordings being n samples long: in the free field, or in
// the room of `field` (each source at its own height there). In a room every array's gain is
// the least any array and source needs (as the sweep's is), so that renders compare. Refused,
// naming the source, when one stands outside the room or too near a surface.
std::variant<std::vector<RoomSweep>, std::string> stageSweeps(std::span<const AnyArray> arrays,
                                                              const Surroundings& surroundings,
                                                              std::span<const StageSource> sources, std::int32_t n,
                                                              std::int32_t rate);

}  // namespace auralith
