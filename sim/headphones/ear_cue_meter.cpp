#include "sim/headphones/ear_cue_meter.h"

#include <algorithm>
#include <cmath>
#include <new>

namespace auralith {
namespace {

using Bins = std::vector<std::complex<double>>;
constexpr double pi = 3.14159265358979323846;

// The lag of the largest value of a circular cross-correlation, the one nearer zero (then the
// negative one) among equals.
int largestLag(const double* correlation, int size) {
    int best = 0;
    double bestValue = correlation[0];
    for (int n = 1; n < size; ++n) {
        const int lag = n <= size / 2 ? n : n - size;
        const double v = correlation[n];
        const bool nearer = std::abs(lag) < std::abs(best) || (std::abs(lag) == std::abs(best) && lag < best);
        if (v > bestValue || (v == bestValue && nearer)) {
            best = lag;
            bestValue = v;
        }
    }
    return best;
}

// A one-sided spectrum's energy (Parseval, the bins between 0 and the middle counted twice).
double energyOf(const Bins& bins) {
    double e = 0;
    for (std::size_t k = 0; k < bins.size(); ++k) e += (k == 0 || k + 1 == bins.size() ? 1 : 2) * std::norm(bins[k]);
    return e;
}

}  // namespace

std::optional<EarCueMeter> EarCueMeter::create(const SpeakerPaths& paths, int widestLag) {
    if (paths.speakers() != 2) return std::nullopt;
    try {
        EarCueMeter m;
        m.rate_ = paths.rate;
        auto transforms = std::make_shared<DoubleTransforms>(powerOfTwoAtLeast(2LL * paths.taps + 2LL * widestLag + 2));
        if (!transforms->valid()) return std::nullopt;
        const std::size_t bins = static_cast<std::size_t>(transforms->size()) / 2 + 1;
        m.spectra_.resize(4 * bins);
        const auto real = fftwBuffer<double>(static_cast<std::size_t>(transforms->size()));
        if (!real) return std::nullopt;
        for (std::size_t p = 0; p < 4; ++p) {
            std::fill(real.get(), real.get() + transforms->size(), 0.0);
            std::copy(paths.paths[p].begin(), paths.paths[p].end(), real.get());
            transforms->forward(real.get(), m.spectra_.data() + p * bins);
        }
        m.transforms_ = std::move(transforms);
        return m;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

EarCues EarCueMeter::cues(const Pickup& pickup) const {
    const int size = transforms_->size();
    const std::size_t bins = static_cast<std::size_t>(size) / 2 + 1;
    long double earliest = pickup.mics[0].delay;
    for (int m = 1; m < pickup.count(); ++m) earliest = std::min(earliest, pickup.mics[m].delay);
    Bins left(bins), right(bins);
    for (int m = 0; m < pickup.count(); ++m) {
        const Microphone& mic = pickup.mics[m];
        const double toLeft = static_cast<double>(mic.leftShare * mic.factor);
        const double toRight = static_cast<double>(mic.rightShare * mic.factor);
        const double delay = static_cast<double>(mic.delay - earliest);
        for (std::size_t k = 0; k < bins; ++k) {
            // The delay, whole frames as rendered, is exact on the grid: its phase is taken modulo
            // the grid so that it stays exact for any bin.
            const auto turns = static_cast<double>(static_cast<long long>(k) * static_cast<long long>(delay) % size);
            const std::complex<double> shift = std::polar(1.0, -2 * pi * turns / size);
            for (std::size_t ear = 0; ear < 2; ++ear) {
                const std::complex<double> heard =
                    toLeft * spectra_[ear * bins + k] + toRight * spectra_[(2 + ear) * bins + k];
                (ear == 0 ? left : right)[k] += shift * heard;
            }
        }
    }
    return cuesOf(left, right);
}

EarCues EarCueMeter::cuesOfChannels(long double left, long double right) const {
    return cues(Pickup{{{left, 0, 1, 0}, {right, 0, 0, 1}}});
}

EarCues EarCueMeter::cuesOf(const Bins& leftEar, const Bins& rightEar) const {
    const int size = transforms_->size();
    const std::size_t bins = leftEar.size();
    EarCues c;
    const double l = energyOf(leftEar), r = energyOf(rightEar);
    if (l > 0 && r > 0) c.ildDb = 10 * std::log10(l / r);
    if (l == 0 || r == 0) return c;  // one ear hears nothing: no lag between them
    const auto cross = fftwBuffer<std::complex<double>>(bins);
    const auto correlation = fftwBuffer<double>(static_cast<std::size_t>(size));
    if (!cross || !correlation) return c;
    for (int band = 0; band < 2; ++band) {
        for (std::size_t k = 0; k < bins; ++k) {
            const bool kept = band == 0 || static_cast<double>(k) * rate_ / size <= lowBandTop;
            // Its inverse is sum over n of left[n] right[n + lag]: largest where the right ear
            // hears `lag` frames later.
            cross[k] = kept ? std::conj(leftEar[k]) * rightEar[k] : 0.0;
        }
        transforms_->inverse(cross.get(), correlation.get());
        const int lag = largestLag(correlation.get(), size);
        (band == 0 ? c.itdFrames : c.itdLowFrames) = lag;
        (band == 0 ? c.itdMs : c.itdLowMs) = 1000.0 * lag / rate_;
    }
    return c;
}

}  // namespace auralith
