#include "sim/headphones/speaker_paths.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <new>

#include "sim/headphones/fftw_plans.h"

namespace auralith {
namespace {

using Bins = std::vector<std::complex<double>>;

// One real signal's spectrum on a grid of t.size() points.
bool spectrumOf(const DoubleTransforms& t, const double* signal, std::size_t length, std::complex<double>* into) {
    const auto in = fftwBuffer<double>(static_cast<std::size_t>(t.size()));
    if (!in) return false;
    std::fill(in.get(), in.get() + t.size(), 0.0);
    std::copy(signal, signal + std::min<std::size_t>(length, static_cast<std::size_t>(t.size())), in.get());
    t.forward(in.get(), into);
    return true;
}

// The power spectrum of every measurement of both ears, averaged.
std::vector<double> averagedPower(const MeasuredHead& head, const DoubleTransforms& t) {
    const std::size_t bins = static_cast<std::size_t>(t.size()) / 2 + 1;
    std::vector<double> power(bins, 0.0), taps(static_cast<std::size_t>(head.taps));
    const auto out = fftwBuffer<std::complex<double>>(bins);
    if (!out) return {};
    for (std::size_t m = 0; m < head.count(); ++m)
        for (int ear = 0; ear < 2; ++ear) {
            const auto response = head.response(m, ear);
            std::copy(response.begin(), response.end(), taps.begin());
            if (!spectrumOf(t, taps.data(), taps.size(), out.get())) return {};
            for (std::size_t k = 0; k < bins; ++k) power[k] += std::norm(out[k]);
        }
    for (double& p : power) p /= static_cast<double>(2 * head.count());
    return power;
}

// Each bin the mean of the bins within half the smoothing width of it on either side, in octaves.
std::vector<double> smoothed(const std::vector<double>& power) {
    std::vector<double> sums(power.size() + 1, 0.0), out(power.size());
    for (std::size_t k = 0; k < power.size(); ++k) sums[k + 1] = sums[k] + power[k];
    const double half = std::exp2(smoothingOctaves / 2);
    for (std::size_t k = 0; k < power.size(); ++k) {
        const auto lo = static_cast<std::size_t>(std::floor(static_cast<double>(k) / half));
        const auto hi = std::min(power.size() - 1, static_cast<std::size_t>(std::ceil(static_cast<double>(k) * half)));
        out[k] = (sums[hi + 1] - sums[lo]) / static_cast<double>(hi + 1 - lo);
    }
    return out;
}

// The wanted gain of each bin in dB: the smoothed spectrum inverted within the limits.
std::vector<double> equalisationDb(const std::vector<double>& power, std::int32_t rate, int grid) {
    const auto last = static_cast<long long>(power.size()) - 1;
    const auto binOf = [&](double hz) {
        return static_cast<std::size_t>(std::clamp(std::llround(hz * grid / rate), 1LL, last));
    };
    const std::size_t from = binOf(equalisedFrom), to = std::max(from, binOf(equalisedTo));
    std::vector<double> level(power.size());
    for (std::size_t k = 0; k < power.size(); ++k) level[k] = 10 * std::log10(std::max(power[k], 1e-30));
    const double loudest =
        *std::max_element(level.begin() + static_cast<long>(from), level.begin() + static_cast<long>(to) + 1);
    std::vector<double> db(power.size());
    for (std::size_t k = 0; k < power.size(); ++k) {
        const std::size_t held = std::clamp(k, from, to);
        db[k] = std::min(loudest - level[held], mostBoost);
    }
    return db;
}

// The minimum-phase filter with these gains, by the real cepstrum, cut to `taps` with a fade over
// its last quarter.
std::vector<double> minimumPhase(const std::vector<double>& db, const DoubleTransforms& t, int taps) {
    const std::size_t grid = static_cast<std::size_t>(t.size()), bins = grid / 2 + 1;
    const auto spectrum = fftwBuffer<std::complex<double>>(bins);
    const auto real = fftwBuffer<double>(grid);
    if (!spectrum || !real) return {};
    for (std::size_t k = 0; k < bins; ++k) spectrum[k] = db[k] * std::log(10.0) / 20;
    t.inverse(spectrum.get(), real.get());  // the real cepstrum, times the grid
    for (std::size_t n = 1; n < grid; ++n) real[n] = n < grid / 2 ? 2 * real[n] : n == grid / 2 ? real[n] : 0;
    for (std::size_t n = 0; n < grid; ++n) real[n] /= static_cast<double>(grid);
    t.forward(real.get(), spectrum.get());
    for (std::size_t k = 0; k < bins; ++k) spectrum[k] = std::exp(spectrum[k]);
    t.inverse(spectrum.get(), real.get());
    std::vector<double> filter(static_cast<std::size_t>(taps));
    const int fade = taps / 4;
    for (int n = 0; n < taps; ++n) {
        const double w =
            n < taps - fade ? 1 : 0.5 + 0.5 * std::cos(3.14159265358979323846 * (n - (taps - fade)) / fade);
        filter[static_cast<std::size_t>(n)] = w * real[static_cast<std::size_t>(n)] / static_cast<double>(grid);
    }
    return filter;
}

std::vector<double> convolved(std::span<const float> a, const std::vector<double>& b) {
    std::vector<double> out(a.size() + b.size() - 1, 0.0);
    for (std::size_t i = 0; i < a.size(); ++i)
        for (std::size_t j = 0; j < b.size(); ++j) out[i + j] += a[i] * b[j];
    return out;
}

// 1 / the largest sum over the ears and the frequencies of the loudspeakers' magnitudes.
std::optional<double> pathsGain(const std::vector<std::vector<double>>& paths) {
    const DoubleTransforms t(powerOfTwoAtLeast(std::max<long long>(8192, 4 * static_cast<long long>(paths[0].size()))));
    const std::size_t bins = static_cast<std::size_t>(t.size()) / 2 + 1;
    std::vector<FftwBuffer<std::complex<double>>> spectra(paths.size());
    for (std::size_t p = 0; p < paths.size(); ++p) {
        spectra[p] = fftwBuffer<std::complex<double>>(bins);
        if (!t.valid() || !spectra[p] || !spectrumOf(t, paths[p].data(), paths[p].size(), spectra[p].get()))
            return std::nullopt;
    }
    double largest = 0;
    for (std::size_t k = 0; k < bins; ++k)
        for (std::size_t ear = 0; ear < 2; ++ear) {
            double sum = 0;
            for (std::size_t p = ear; p < paths.size(); p += 2) sum += std::abs(spectra[p][k]);
            largest = std::max(largest, sum);
        }
    return largest > 0 ? 1 / largest : 1.0;
}

}  // namespace

std::vector<double> diffuseFieldFilter(const MeasuredHead& head) {
    try {
        const DoubleTransforms t(powerOfTwoAtLeast(std::max<long long>(4096, 2LL * head.taps)));
        if (!t.valid() || head.count() == 0) return {};
        const std::vector<double> power = averagedPower(head, t);
        if (power.empty()) return {};
        return minimumPhase(equalisationDb(smoothed(power), head.rate, t.size()), t,
                            std::min(t.size() / 2, powerOfTwoAtLeast(head.rate / 100)));
    } catch (const std::bad_alloc&) {
        return {};
    }
}

std::optional<SpeakerPaths> speakerPaths(const MeasuredHead& head, std::span<const std::size_t> measurements,
                                         Equalisation equalisation) {
    try {
        if (measurements.empty()) return std::nullopt;
        std::vector<double> filter{1.0};
        if (equalisation == Equalisation::diffuseField) filter = diffuseFieldFilter(head);
        if (filter.empty()) return std::nullopt;
        std::vector<std::vector<double>> exact(2 * measurements.size());
        for (std::size_t speaker = 0; speaker < measurements.size(); ++speaker)
            for (int ear = 0; ear < 2; ++ear)
                exact[2 * speaker + static_cast<std::size_t>(ear)] =
                    convolved(head.response(measurements[speaker], ear), filter);
        const std::optional<double> gain = pathsGain(exact);
        if (!gain) return std::nullopt;
        SpeakerPaths out;
        out.rate = head.rate;
        out.taps = static_cast<int>(exact[0].size());
        out.gain = *gain;
        out.paths.resize(exact.size());
        for (std::size_t p = 0; p < exact.size(); ++p) out.paths[p].assign(exact[p].begin(), exact[p].end());
        return out;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

}  // namespace auralith
