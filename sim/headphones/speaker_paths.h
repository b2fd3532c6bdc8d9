// The loudspeakers as the ears receive them: the responses from each loudspeaker to the left and
// the right ear, each through the same diffuse-field equalisation (or none), and the one gain
// every headphone render is given.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "sim/headphones/measured_head.h"

namespace auralith {

enum class Equalisation { diffuseField, none };

// The equalisation's limits: the inverse of the averaged spectrum is followed between these
// frequencies and held at its edge values outside them, and it boosts no frequency by more than
// this over the averaged spectrum's loudest part.
inline constexpr double equalisedFrom = 200;  // Hz
inline constexpr double equalisedTo = 16000;  // Hz
inline constexpr double mostBoost = 15;       // dB
inline constexpr double smoothingOctaves = 1.0 / 3;

// The minimum-phase filter of the diffuse-field equalisation: the power spectrum of every
// measurement of both ears, averaged, smoothed over a third of an octave, inverted within the
// limits above; its loudest frequency passes at 0 dB. Empty when the memory cannot be had.
std::vector<double> diffuseFieldFilter(const MeasuredHead& head);

enum class Ear { left = 0, right = 1 };

struct SpeakerPaths {
    std::int32_t rate = 0;
    int taps = 0;
    std::vector<std::vector<float>> paths;  // [2 * speaker + ear], the loudspeakers in channel order
    // 1 / the largest sum, over both ears and all frequencies, of the loudspeakers' magnitudes: no
    // full-scale sine in the loudspeakers, in any mix of them, goes past full scale at an ear.
    // From the head and its equalisation alone, so that every array's headphone render keeps its
    // loudness beside the others'.
    double gain = 1;

    int speakers() const { return static_cast<int>(paths.size() / 2); }
    const std::vector<float>& path(std::size_t speaker, Ear e) const {
        return paths[2 * speaker + static_cast<std::size_t>(e)];
    }
};

// The paths from one measurement per loudspeaker (indices into the head, in channel order),
// equalised or not. Empty when the memory or the transforms cannot be had, or no loudspeaker is
// given.
std::optional<SpeakerPaths> speakerPaths(const MeasuredHead& head, std::span<const std::size_t> measurements,
                                         Equalisation equalisation);

}  // namespace auralith
