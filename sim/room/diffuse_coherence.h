// The coherence of two first-order microphones in a diffuse field, in closed form: what a room's
// late sound makes of a rig's spacing and angles, per frequency. For microphones i and j of
// pattern p and unit axis o, apart by d along the unit vector n, at x = 2 pi f |d| / c:
//   Gamma_ij = p_i p_j j0(x) + (1 - p_i)(1 - p_j) [(j1(x) / x) o_i.o_j - j2(x) (o_i.n)(o_j.n)]
// (the real part: the cross terms of one microphone's omni part and the other's figure-of-eight
// are imaginary), each microphone's own power P = p^2 + (1 - p)^2 / 3, and the coherence
// Re Gamma_ij / sqrt(P_i P_j). A channel mixed from several microphones sums Gamma over their shares.
#pragma once

#include "sim/scene/rig.h"

namespace auralith {

// The spherical Bessel functions of the first kind, j0(x), j1(x) / x and j2(x), by their series
// where the closed forms would cancel (small x).
struct SphericalBessel {
    double j0;
    double j1OverX;
    double j2;
};
SphericalBessel sphericalBessel(double x);

// Re Gamma of two microphones at `frequency` hertz, c the free field's speed of sound.
double diffuseCrossPower(const RigMic& a, const RigMic& b, double frequency);

// The coherence of two microphones in a diffuse field.
double diffuseCoherence(const RigMic& a, const RigMic& b, double frequency);

// The coherence of two output channels of a rig, each its microphones' shares summed.
double channelCoherence(const Rig& rig, int first, int second, double frequency);

}  // namespace auralith
