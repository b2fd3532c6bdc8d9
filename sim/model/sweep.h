// The sweep's geometry: where the source stands at each position, how far each microphone is
// from it and how many whole frames later than the array's centre it hears it.
#pragma once

#include <cstdint>

namespace auralith {

// The arc's radius unless a run sets another: the sources stand this far from the array's centre,
// and a microphone this far from the source hears it with gain 1 and no delay.
inline constexpr double defaultArcRadius = 10;

// The source at one position, on a circle of 10 m around the array's centre.
struct SourcePlace {
    double azimuth;  // radians, negative to the left
    double lateral;  // s: metres to the right of the centre
    double forward;  // f: metres ahead of the centre
};

SourcePlace sourceAt(int position, double deg);

// The source at any angle in degrees (negative to the left) on the same circle, or on one of
// another radius. At a position's angle (7.5 * position - 45, exact) it is the position's place
// to the last bit.
SourcePlace sourceAtAngle(long double degrees, double deg, double radius = defaultArcRadius);

// A position's angle in degrees: 7.5 * position - 45, exact.
inline long double sweepAngle(int position) { return 7.5f * static_cast<long double>(position) - 45; }

// Distance from the source to a microphone at (lateral, forward) offsets, the forward term
// squared and added first, held as a double.
double micDistance(const SourcePlace& source, long double lateralOffset, long double forwardOffset);

// Whole-frame delay against the array's centre: nearest integer (ties to even) of
// ((r - 10) / 344) * rate.
std::int16_t micDelay(double distance, std::int32_t rate);

// The same delay before the rounding: ((r - 10) / 344) * rate frames, or ((r - R) / 344) * rate
// on an arc of radius R.
long double micDelayFrames(double distance, std::int32_t rate, double radius = defaultArcRadius);

}  // namespace auralith
