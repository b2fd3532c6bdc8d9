// A program: the output's segments in time. Each plays the recording (or a stretch of it) with the
// source at one place, over a stretch of frames. The sweep is one program: a second of silence,
// then the sound with the source at the first position, and so on, a second of silence at the end.
#pragma once

#include <cstdint>
#include <vector>

#include "sim/model/sweep.h"
#include "sim/scene/audio_format.h"

namespace auralith {

// The sweep's positions: FROM, FROM + STEP, ... up to TO, in thousandths of a degree (negative
// to the left) so that every platform reads the same angles. The default is the thirteen
// positions from -45 to +45 degrees in steps of 7.5.
struct SweepPositions {
    int from = -45000;
    int to = 45000;
    int step = 7500;

    int count() const { return step > 0 && to >= from ? (to - from) / step + 1 : 0; }
    // Position p's angle in degrees: exact for the default positions (7.5 p - 45).
    long double degrees(int p) const {
        return (static_cast<long double>(from) + static_cast<long double>(step) * p) / 1000;
    }
    bool operator==(const SweepPositions&) const = default;
};

struct Segment {
    std::int64_t start = 0;         // the first frame of its sound
    std::int32_t length = 0;        // frames of sound: the recording's samples
    long double sourceDegrees = 0;  // the source's angle on the arc, negative to the left
};

struct Program {
    AudioFormat format;
    std::int64_t frames = 0;  // the whole output's frames
    std::vector<Segment> segments;
    double radius = defaultArcRadius;  // the arc the sources stand on, metres from the array's centre
};

// The sweep of a recording of n samples at the format's rate: each position's block is a second of
// silence and the sound, B = rate + n frames, and a second of silence ends it, count * B + rate.
Program sweepProgram(AudioFormat format, std::int32_t n, const SweepPositions& positions = {});

// Whether the program is a sweep: segments of equal length, one block apart, the first one second in.
bool isSweep(const Program& program);

}  // namespace auralith
