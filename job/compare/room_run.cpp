#include "job/compare/room_run.h"

#include <limits>

#include "sim/room_render/room_render.h"

namespace auralith {

std::variant<RenderedOutput, std::string> renderInRoom(const RoomRun& room, const AnyArray& array,
                                                       const InputWave& wave, double gain, RandomState& random,
                                                       const SweepPositions& positions) {
    auto responses = roomResponses(array, room.field, positions, room.distance, wave.sampleRate);
    if (auto* why = std::get_if<std::string>(&responses)) return std::move(*why);
    const RoomSweep sweep = roomSweep(array, room.field, std::get<RoomResponses>(std::move(responses)),
                                      wave.sampleCount, positions, room.distance);
    // A WAVE file's size is 32-bit: four bytes a frame.
    if (sweep.plan.frames > (std::numeric_limits<std::int32_t>::max() - 44) / 4)
        return std::string("the renders in this room would be too long for a WAVE file");
    RenderedOutput out;
    out.frames = static_cast<std::int32_t>(sweep.plan.frames);
    out.memory.frames = out.frames;
    out.memory.samples = SampleStorage::zeroed(2 * static_cast<std::size_t>(out.frames));
    if (out.memory.samples.size() == 0) return std::string("there is not enough memory for this recording");
    const RenderOutcome rendered = renderRoomInto(sweep, wave.samples, gain, random, out.memory.view());
    if (!rendered) return std::string(rendered.why);
    out.clipped = rendered.clipped;
    out.memory.clipped = rendered.clipped;
    return out;
}

}  // namespace auralith
