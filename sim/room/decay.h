// How a response dies away: Schroeder's backward integration of its energy, and the
// reverberation time T30 read from it, the line through the decay curve from -5 to -35 dB
// extrapolated to 60 dB.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <vector>

namespace auralith {

// The decay curve of energies in successive bins: 10 log10 of the energy from each bin to the
// end over the whole, 0 dB at the first bin (and -infinity after the last energy).
std::vector<double> decayCurveDb(std::span<const double> energies);

// T30 in seconds from energies in bins of `binSeconds`: the least-squares line through the decay
// curve from the first bin at or below -5 dB to the last bin above -35 dB, -60 dB over its slope.
// Nothing when the curve never falls below -35 dB or the line does not fall.
std::optional<double> t30FromEnergies(std::span<const double> energies, double binSeconds);

// The same of a response's samples at `rate` frames per second (each frame a bin of its square).
std::optional<double> t30Seconds(std::span<const double> samples, std::int32_t rate);

}  // namespace auralith
