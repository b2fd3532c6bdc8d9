#include "sim/room/measured_coherence.h"

#include <algorithm>
#include <cmath>

namespace auralith {

namespace {

// The response's spectrum from frame `from` on, its frames moved to the transform's start.
bool lateSpectrum(const BandMixer& mixer, const RoomResponse& response, std::int64_t from,
                  std::complex<double>* spectrum) {
    const auto size = static_cast<std::size_t>(mixer.transforms.size());
    auto real = roomBuffer<double>(size);
    if (!real) return false;
    std::fill(real.get(), real.get() + size, 0.0);
    const std::int64_t skip = std::max<std::int64_t>(0, from - response.start);
    for (std::size_t i = static_cast<std::size_t>(skip), at = 0; i < response.samples.size() && at < size; ++i, ++at)
        real[at] = response.samples[i];
    mixer.transforms.forward(real.get(), spectrum);
    return true;
}

}  // namespace

std::optional<double> lateCoherence(const BandMixer& mixer, const RoomResponse& a, const RoomResponse& b, int band,
                                    double seconds) {
    const auto bins = static_cast<std::size_t>(mixer.transforms.bins());
    if (!mixer.valid()) return std::nullopt;
    auto x = roomBuffer<std::complex<double>>(bins);
    auto y = roomBuffer<std::complex<double>>(bins);
    const auto from = static_cast<std::int64_t>(std::ceil(seconds * mixer.format.rate));
    if (!x || !y || !lateSpectrum(mixer, a, from, x.get()) || !lateSpectrum(mixer, b, from, y.get()))
        return std::nullopt;
    const double* weight = mixer.weights.data() + static_cast<std::size_t>(band) * bins;
    double cross = 0, powerA = 0, powerB = 0;
    for (std::size_t k = 0; k < bins; ++k) {
        const double w = weight[k] * weight[k];
        cross += w * (x[k] * std::conj(y[k])).real();
        powerA += w * std::norm(x[k]);
        powerB += w * std::norm(y[k]);
    }
    if (!(powerA > 0 && powerB > 0)) return std::nullopt;
    return cross / std::sqrt(powerA * powerB);
}

std::optional<BandValues> summedLateCoherence(const BandMixer& mixer, std::span<const ResponsePair> pairs,
                                              double seconds) {
    const auto bins = static_cast<std::size_t>(mixer.transforms.bins());
    if (!mixer.valid()) return std::nullopt;
    auto x = roomBuffer<std::complex<double>>(bins);
    auto y = roomBuffer<std::complex<double>>(bins);
    if (!x || !y) return std::nullopt;
    const auto from = static_cast<std::int64_t>(std::ceil(seconds * mixer.format.rate));
    BandValues cross{}, powerA{}, powerB{};
    for (const ResponsePair& pair : pairs) {
        if (!lateSpectrum(mixer, *pair.left, from, x.get()) || !lateSpectrum(mixer, *pair.right, from, y.get()))
            return std::nullopt;
        for (int band = 0; band < bandCount; ++band) {
            const double* weight = mixer.weights.data() + static_cast<std::size_t>(band) * bins;
            for (std::size_t k = 0; k < bins; ++k) {
                const double w = weight[k] * weight[k];
                cross[band] += w * (x[k] * std::conj(y[k])).real();
                powerA[band] += w * std::norm(x[k]);
                powerB[band] += w * std::norm(y[k]);
            }
        }
    }
    BandValues coherence{};
    for (int band = 0; band < bandCount; ++band) {
        if (!(powerA[band] > 0 && powerB[band] > 0)) return std::nullopt;
        coherence[band] = cross[band] / std::sqrt(powerA[band] * powerB[band]);
    }
    return coherence;
}

}  // namespace auralith
