// The two loudspeakers as the ears receive them: the four responses from the left and the right
// loudspeaker to the left and the right ear, each through the same diffuse-field equalisation
// (or none), and the one gain every headphone render is given.
#pragma once

#include <array>
#include <cstdint>
#include <optional>
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
enum class Speaker { left = 0, right = 1 };

struct SpeakerPaths {
    std::int32_t rate = 0;
    int taps = 0;
    std::array<std::vector<float>, 4> paths;  // [2 * speaker + ear]
    // 1 / the largest sum, over both ears and all frequencies, of the two loudspeakers'
    // magnitudes: no full-scale sine in the loudspeakers, in any mix of the two, goes past full
    // scale at an ear. From the head and its equalisation alone, so that every array's headphone
    // render keeps its loudness beside the others'.
    double gain = 1;

    const std::vector<float>& path(Speaker s, Ear e) const {
        return paths[static_cast<std::size_t>(2 * static_cast<int>(s) + static_cast<int>(e))];
    }
};

// The paths from the measurements `left` and `right` (indices into the head), equalised or not.
// Empty when the memory or the transforms cannot be had.
std::optional<SpeakerPaths> speakerPaths(const MeasuredHead& head, std::size_t left, std::size_t right,
                                         Equalisation equalisation);

}  // namespace auralith
