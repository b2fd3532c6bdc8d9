#include "sim/scene/program.h"

namespace auralith {

Program sweepProgram(AudioSpec spec, std::int32_t n, const SweepPositions& positions) {
    Program program;
    program.spec = spec;
    const std::int64_t block = static_cast<std::int64_t>(spec.rate) + n;
    const int count = positions.count();
    for (int p = 0; p < count; ++p) program.segments.push_back({p * block + spec.rate, n, positions.degrees(p)});
    program.frames = count * block + spec.rate;
    return program;
}

bool isSweep(const Program& program) {
    if (program.segments.empty()) return false;
    const std::int32_t n = program.segments.front().length;
    const std::int64_t block = static_cast<std::int64_t>(program.spec.rate) + n;
    for (std::size_t p = 0; p < program.segments.size(); ++p) {
        const Segment& s = program.segments[p];
        if (s.length != n || s.start != static_cast<std::int64_t>(p) * block + program.spec.rate) return false;
    }
    return program.frames == static_cast<std::int64_t>(program.segments.size()) * block + program.spec.rate;
}

}  // namespace auralith
