#include "sim/headphones/ear_responses.h"

#include <algorithm>
#include <cmath>
#include <complex>
#include <new>

#include "sim/headphones/fftw_plans.h"

namespace auralith {

namespace {

using Bins = FftwBuffer<std::complex<double>>;

// The `length` first values of `real` into `out`, without the transforms' scale `size`.
void takeScaled(const double* real, std::size_t length, int size, std::vector<double>& out) {
    out.resize(length);
    for (std::size_t i = 0; i < length; ++i) out[i] = real[i] / size;
}

}  // namespace

std::optional<EarResponses> earResponses(std::span<const double> channels, const SpeakerPaths& paths) {
    const auto speakers = static_cast<std::size_t>(paths.speakers());
    if (speakers == 0 || channels.empty() || channels.size() % speakers != 0 || paths.taps < 1) return std::nullopt;
    const std::size_t frames = channels.size() / speakers;
    const std::size_t length = frames + static_cast<std::size_t>(paths.taps) - 1;
    try {
        const DoubleTransforms transforms(powerOfTwoAtLeast(static_cast<long long>(length)));
        const auto size = static_cast<std::size_t>(transforms.size());
        const std::size_t bins = size / 2 + 1;
        const auto real = fftwBuffer<double>(size);
        const Bins channel = fftwBuffer<std::complex<double>>(bins), path = fftwBuffer<std::complex<double>>(bins);
        const Bins ears[2] = {fftwBuffer<std::complex<double>>(bins), fftwBuffer<std::complex<double>>(bins)};
        if (!transforms.valid() || !real || !channel || !path || !ears[0] || !ears[1]) return std::nullopt;
        std::fill(ears[0].get(), ears[0].get() + bins, 0.0);
        std::fill(ears[1].get(), ears[1].get() + bins, 0.0);
        for (std::size_t s = 0; s < speakers; ++s) {
            std::fill(real.get(), real.get() + size, 0.0);
            for (std::size_t i = 0; i < frames; ++i) real[i] = channels[i * speakers + s];
            transforms.forward(real.get(), channel.get());
            for (std::size_t ear = 0; ear < 2; ++ear) {
                const std::vector<float>& taps = paths.path(s, static_cast<Ear>(ear));
                std::fill(real.get(), real.get() + size, 0.0);
                std::copy(taps.begin(), taps.end(), real.get());
                transforms.forward(real.get(), path.get());
                for (std::size_t k = 0; k < bins; ++k) ears[ear][k] += channel[k] * path[k];
            }
        }
        EarResponses out;
        transforms.inverse(ears[0].get(), real.get());
        takeScaled(real.get(), length, transforms.size(), out.left);
        transforms.inverse(ears[1].get(), real.get());
        takeScaled(real.get(), length, transforms.size(), out.right);
        return out;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

std::int64_t earsArrival(const EarResponses& ears) {
    double peak = 0;
    for (const auto* ear : {&ears.left, &ears.right})
        for (const double v : *ear) peak = std::max(peak, std::fabs(v));
    if (!(peak > 0)) return 0;
    const std::size_t size = std::max(ears.left.size(), ears.right.size());
    for (std::size_t i = 0; i < size; ++i) {
        const double l = i < ears.left.size() ? std::fabs(ears.left[i]) : 0;
        const double r = i < ears.right.size() ? std::fabs(ears.right[i]) : 0;
        if (std::max(l, r) >= 0.1 * peak) return static_cast<std::int64_t>(i);
    }
    return 0;
}

}  // namespace auralith
