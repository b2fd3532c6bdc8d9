#include "sim/scene/program.h"

namespace auralith {

Program sweepProgram(AudioFormat format, std::int32_t n, const SweepPositions& positions) {
    Program program;
    program.format = format;
    const std::int64_t block = static_cast<std::int64_t>(format.rate) + n;
    const int count = positions.count();
    for (int p = 0; p < count; ++p) program.segments.push_back({p * block + format.rate, n, positions.degrees(p)});
    program.frames = count * block + format.rate;
    return program;
}

bool isSweep(const Program& program) {
    if (program.segments.empty()) return false;
    const std::int32_t n = program.segments.front().length;
    const std::int64_t block = static_cast<std::int64_t>(program.format.rate) + n;
    for (std::size_t p = 0; p < program.segments.size(); ++p) {
        const Segment& s = program.segments[p];
        if (s.length != n || s.start != static_cast<std::int64_t>(p) * block + program.format.rate) return false;
    }
    return program.frames == static_cast<std::int64_t>(program.segments.size()) * block + program.format.rate;
}

}  // namespace auralith
