// The headphone render's conversions between 16-bit stereo frames and the two channels of floats
// the transforms take, each a plain loop and an SSE2 one that must give the same values (SSE2 is
// part of every x86-64 processor and of the 32-bit builds' flags; elsewhere the plain loop runs).
#pragma once

#include <cstddef>
#include <cstdint>

namespace auralith {

// Frames into two channels: left[i], right[i] = frames[2i], frames[2i + 1].
void splitFramesPlain(const std::int16_t* frames, std::size_t count, float* left, float* right);
void splitFrames(const std::int16_t* frames, std::size_t count, float* left, float* right);

// Two channels into frames, each value rounded to the nearest integer (ties to even) and clipped
// to -32768 .. 32767; the count of values clipped.
std::int64_t joinFramesPlain(const float* left, const float* right, std::size_t count, std::int16_t* frames);
std::int64_t joinFrames(const float* left, const float* right, std::size_t count, std::int16_t* frames);

}  // namespace auralith
