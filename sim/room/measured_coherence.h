// The coherence of two responses' late sound in an octave band, as measured: the real part of
// their cross-spectrum over the band (each bin weighted by the band's weight squared) over the
// geometric mean of their powers there, of what arrives from a time on. A diffuse field's late
// sound gives the closed form's value (diffuse_coherence.h); a shoebox of exact mirror images
// gives more, from its flutter and its symmetry.
#pragma once

#include <optional>
#include <span>

#include "sim/room/band_response.h"

namespace auralith {

// From `seconds` after the sound reaches the rig's centre from the arc; nothing when neither
// response has sound after it, it is longer than the mixer's transforms, or the memory cannot be had.
std::optional<double> lateCoherence(const BandMixer& mixer, const RoomResponse& a, const RoomResponse& b, int band,
                                    double seconds);

// The two channels' responses at one position of the sweep.
struct ResponsePair {
    const RoomResponse* left;
    const RoomResponse* right;
};

// The same in every band at once over the sweep's positions: each band's cross-spectra and powers
// summed over the pairs, then normalised, so that each position counts by its energy. Nothing
// when a band has no late sound, a response is longer than the mixer's transforms, or the memory
// cannot be had.
std::optional<BandValues> summedLateCoherence(const BandMixer& mixer, std::span<const ResponsePair> pairs,
                                              double seconds);

}  // namespace auralith
