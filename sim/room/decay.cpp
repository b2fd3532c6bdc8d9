#include "sim/room/decay.h"

#include <cmath>
#include <limits>

namespace auralith {

std::vector<double> decayCurveDb(std::span<const double> energies) {
    std::vector<double> curve(energies.size());
    double remaining = 0;
    for (std::size_t i = energies.size(); i-- > 0;) {
        remaining += energies[i];
        curve[i] = remaining;
    }
    const double total = remaining;
    for (double& value : curve)
        value = value > 0 && total > 0 ? 10 * std::log10(value / total) : -std::numeric_limits<double>::infinity();
    return curve;
}

std::optional<double> t30FromEnergies(std::span<const double> energies, double binSeconds) {
    const std::vector<double> curve = decayCurveDb(energies);
    std::size_t first = 0;
    while (first < curve.size() && curve[first] > -5) ++first;
    std::size_t end = first;
    while (end < curve.size() && curve[end] > -35) ++end;
    if (end >= curve.size() || end < first + 2) return std::nullopt;
    // The line's slope by least squares over the bins first .. end - 1, times in bins from `first`.
    double sumT = 0, sumL = 0, sumTT = 0, sumTL = 0;
    for (std::size_t i = first; i < end; ++i) {
        const auto t = static_cast<double>(i - first);
        sumT += t;
        sumL += curve[i];
        sumTT += t * t;
        sumTL += t * curve[i];
    }
    const auto n = static_cast<double>(end - first);
    const double slope = (n * sumTL - sumT * sumL) / (n * sumTT - sumT * sumT);  // dB per bin
    if (!(slope < 0)) return std::nullopt;
    return -60 / slope * binSeconds;
}

std::optional<double> t30Seconds(std::span<const double> samples, std::int32_t rate) {
    std::vector<double> energies(samples.size());
    for (std::size_t i = 0; i < samples.size(); ++i) energies[i] = samples[i] * samples[i];
    return t30FromEnergies(energies, 1.0 / rate);
}

}  // namespace auralith
