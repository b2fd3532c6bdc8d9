// What a room does to an array, in the numbers engineers choose by: how much direct sound survives
// (direct-to-reverberant ratio, critical distance), how alike the channels' reverberation is in a
// diffuse field, and what the ears receive (interaural cross-correlation, ISO 3382-1).
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/room/room.h"
#include "sim/scene/rig.h"

namespace auralith {

// One sample of a channel's direct sound: the free field's tap of one of its microphones, its
// share included, at a whole frame.
struct DirectTap {
    std::int64_t frame = 0;
    double gain = 0;
};

// A channel's direct energy over the energy of its reflections, in dB. Taps on one frame add
// before they are squared, as they do in the channel. +inf without reflections, -inf without
// direct sound; nothing when there is neither.
std::optional<double> directToReverberantDb(std::span<const DirectTap> direct, std::span<const double> reflections);

// A channel's directivity factor Q: its on-axis response squared over its mean square over all
// directions, its microphones' patterns summed with their shares as if they stood at one point
// (their directivity far below the frequencies their spacing shows at). For one microphone of
// pattern p it is 1 / P, P = p^2 + (1 - p)^2 / 3: 1 for an omni, 3 for a cardioid or a
// figure-of-eight; a mid-side channel gets its first-order equivalent's.
double channelDirectivity(const Rig& rig, int channel);

// Where the direct sound's energy equals the reverberant field's, in metres: 0.057 sqrt(Q V / T)
// for a room of `volume` cubic metres ringing `seconds`.
double criticalDistance(double directivity, double volume, double seconds);

// The reverberation time the critical distance is reckoned with: the mean of the 500 Hz and
// 1 kHz bands (ISO 3382-1's T_mid).
double midBandSeconds(const BandValues& seconds);

// The diffuse field's coherence of a rig's channels 0 and 1 at `perOctave` frequencies an octave
// from `from` hertz up to `to`, both included: the curve the page draws beside the measured bands.
struct CoherencePoint {
    double frequency = 0;
    double coherence = 0;
};
std::vector<CoherencePoint> diffuseCoherenceCurve(const Rig& rig, double from, double to, int perOctave);

// The interaural cross-correlation coefficient of two ear responses (ISO 3382-1): the largest
// absolute value, over lags within +-1 ms, of the left ear's samples from `from` to `to` seconds
// after frame `direct` (the direct sound's arrival) against the right ear's moved by the lag,
// over the square root of both ears' energies in that window. Nothing when either ear is silent
// there.
std::optional<double> interauralCrossCorrelation(std::span<const double> left, std::span<const double> right,
                                                 std::int32_t rate, std::int64_t direct, double from, double to);

// IACC early (0 to 80 ms) and late (80 ms to the responses' end).
struct EarCorrelation {
    std::optional<double> early;
    std::optional<double> late;
};
EarCorrelation earlyAndLateIacc(std::span<const double> left, std::span<const double> right, std::int32_t rate,
                                std::int64_t direct);

}  // namespace auralith
