#include "sim/stage/stage.h"

#include <algorithm>
#include <cmath>

#include "sim/plan/plan_builder.h"
#include "sim/room/room.h"
#include "sim/room_render/room_responses.h"

namespace auralith {

namespace {

SweepPositions placeOf(const StageSource& source) { return {source.millidegrees, source.millidegrees, 1}; }

// A source heard in the free field: its one segment's direct taps and no reflections.
RoomSweep freeSweep(const AnyArray& array, const StageSource& source, std::int32_t n, std::int32_t rate) {
    Program program = sweepProgram({rate, 2}, n, placeOf(source));
    program.radius = source.distance;
    RoomSweep sweep;
    sweep.plan = planFor(array, program, FreeField{});
    sweep.reflections.assign(1, std::vector<RoomResponse>(static_cast<std::size_t>(sweep.plan.format.channels)));
    sweep.reach.assign(1, {});
    return sweep;
}

// Every array's sweep of one source in the room, at the source's height.
std::variant<std::vector<RoomSweep>, std::string> roomSweeps(std::span<const AnyArray> arrays, RoomField field,
                                                             const StageSource& source, std::int32_t n,
                                                             std::int32_t rate) {
    field.sourceHeight = source.height;
    auto responses = roomResponsesOf(arrays, field, placeOf(source), source.distance, rate);
    std::vector<RoomSweep> sweeps;
    for (std::size_t a = 0; a < arrays.size(); ++a) {
        if (auto* why = std::get_if<std::string>(&responses[a])) return std::move(*why);
        sweeps.push_back(roomSweep(arrays[a], field, std::get<RoomResponses>(std::move(responses[a])), n,
                                   placeOf(source), source.distance));
    }
    return sweeps;
}

// The source's one segment appended to the array's stage, its sound starting at `start`.
void addSegment(RoomSweep& stage, RoomSweep&& one, std::int64_t start) {
    if (stage.plan.segments.empty()) {
        stage.plan.format = one.plan.format;
        stage.plan.mix = one.plan.mix;
        stage.plan.shares = one.plan.shares;
        stage.plan.scale = one.plan.scale;
    }
    PlanSegment& segment = stage.plan.segments.emplace_back(std::move(one.plan.segments.front()));
    segment.start = start;
    stage.reflections.push_back(std::move(one.reflections.front()));
    stage.reach.push_back(one.reach.front());
    stage.gain = std::min(stage.gain, one.gain);
}

// The output's frames: a second of silence after the last sound or reflection any segment has.
std::int64_t stageFrames(const RoomSweep& stage) {
    const std::vector<SegmentExtent> extents = segmentExtents(stage);
    std::int64_t end = 0;
    for (std::size_t s = 0; s < extents.size(); ++s) {
        const PlanSegment& segment = stage.plan.segments[s];
        end = std::max(end, segment.start + segment.length + extents[s].late);
    }
    return end + stage.plan.format.rate;
}

}  // namespace

StageTiming stageTiming(std::span<const StageSource> sources, std::int32_t rate) {
    StageTiming timing{rate, {}};
    double nearest = sources.empty() ? 0 : sources.front().distance;
    for (const StageSource& s : sources) nearest = std::min(nearest, s.distance);
    for (const StageSource& s : sources)
        timing.lags.push_back(static_cast<std::int32_t>(std::lrint((s.distance - nearest) / soundSpeed * rate)));
    return timing;
}

std::vector<double> stageLevels(std::span<const StageSource> sources, double radius) {
    std::vector<double> levels;
    for (const StageSource& s : sources)
        levels.push_back(s.distance == radius ? s.level : s.level * radius / s.distance);
    return levels;
}

std::variant<std::vector<RoomSweep>, std::string> stageSweeps(std::span<const AnyArray> arrays,
                                                              const Surroundings& surroundings,
                                                              std::span<const StageSource> sources, std::int32_t n,
                                                              std::int32_t rate) {
    const StageTiming timing = stageTiming(sources, rate);
    std::vector<RoomSweep> stages(arrays.size());
    for (std::size_t s = 0; s < sources.size(); ++s) {
        const std::int64_t start = timing.soundStart + timing.lags[s];
        if (const auto* room = std::get_if<RoomField>(&surroundings)) {
            auto heard = roomSweeps(arrays, *room, sources[s], n, rate);
            if (auto* why = std::get_if<std::string>(&heard)) return std::move(*why);
            auto& sweeps = std::get<std::vector<RoomSweep>>(heard);
            for (std::size_t a = 0; a < arrays.size(); ++a) addSegment(stages[a], std::move(sweeps[a]), start);
        } else {
            for (std::size_t a = 0; a < arrays.size(); ++a)
                addSegment(stages[a], freeSweep(arrays[a], sources[s], n, rate), start);
        }
    }
    double gain = 1;
    for (const RoomSweep& stage : stages) gain = std::min(gain, stage.gain);
    for (RoomSweep& stage : stages) {
        stage.gain = gain;
        stage.plan.frames = stageFrames(stage);
    }
    return stages;
}

}  // namespace auralith
