#include "sim/room/band_response.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "sim/room/band_filters.h"
#include "sim/room/fractional_delay.h"

namespace auralith {

namespace {

// The band buffers lie one after another, each the transforms' size: a tap adds its sixteen
// coefficients to seven short runs, and each band goes to its transform as one run (read across
// bands interleaved frame by frame, each band would stride through every cache line of them all).

// A tenth of a second either side: the bank's bands ring for a few hundredths at the lowest band.
std::int64_t padFrames(AudioFormat format) { return (format.rate + 9) / 10; }

std::vector<double> bankWeights(AudioFormat format, int size) {
    const int bins = size / 2 + 1;
    std::vector<double> weights(static_cast<std::size_t>(bandCount) * bins);
    for (int b = 0; b < bandCount; ++b)
        for (int k = 0; k < bins; ++k)
            weights[static_cast<std::size_t>(b) * bins + k] =
                bandWeight(b, static_cast<double>(k) * format.rate / size);
    return weights;
}

}  // namespace

BandMixer::BandMixer(AudioFormat format_, std::int64_t span)
    : format(format_),
      pad(padFrames(format_)),
      transforms(bandMixerSize(format_, span)),
      weights(bankWeights(format_, transforms.size())) {}

int bandMixerSize(AudioFormat format, std::int64_t span) {
    return transformSizeAtLeast(span + kernelTaps + 3 * padFrames(format));
}

std::int64_t setSpanFrames(const ImageSet& set, double reach, std::int32_t rate) {
    return static_cast<std::int64_t>(std::ceil((set.seconds + 2 * (reach + imageDisplacement) / soundSpeed) * rate)) +
           1;
}

namespace {

// The scratch made for the mixer's size, its bands zero; false when the memory cannot be had.
bool scratchFor(const BandMixer& mixer, BandScratch& scratch) {
    const int size = mixer.transforms.size();
    if (scratch.size != size) {
        scratch.real = roomBuffer<double>(static_cast<std::size_t>(size));
        scratch.spectrum = roomBuffer<std::complex<double>>(static_cast<std::size_t>(mixer.transforms.bins()));
        scratch.sum = roomBuffer<std::complex<double>>(static_cast<std::size_t>(mixer.transforms.bins()));
        scratch.size = scratch.real && scratch.spectrum && scratch.sum ? size : 0;
        if (scratch.size == 0) return false;
    }
    // Seven bands of a response up to 10 s: an allocation that may fail.
    try {
        scratch.bands.assign(static_cast<std::size_t>(size) * bandCount, 0.0);
    } catch (const std::bad_alloc&) {
        return false;
    }
    return true;
}

// The bands' buffers summed through the bank into `out` (size frames), scaled back from the
// transforms' gain.
void mixBands(const BandMixer& mixer, BandScratch& scratch, std::vector<double>& out) {
    const RoomTransforms& t = mixer.transforms;
    const auto size = static_cast<std::size_t>(t.size());
    const auto bins = static_cast<std::size_t>(t.bins());
    double* real = scratch.real.get();
    std::complex<double>* spectrum = scratch.spectrum.get();
    std::complex<double>* sum = scratch.sum.get();
    std::fill(sum, sum + bins, std::complex<double>{});
    for (int b = 0; b < bandCount; ++b) {
        const double* band = scratch.bands.data() + static_cast<std::size_t>(b) * size;
        std::copy(band, band + size, real);
        t.forward(real, spectrum);
        const double* weight = mixer.weights.data() + static_cast<std::size_t>(b) * bins;
        for (std::size_t k = 0; k < bins; ++k) sum[k] += weight[k] * spectrum[k];
    }
    t.inverse(sum, real);
    out.resize(size);
    for (std::size_t n = 0; n < size; ++n) out[n] = real[n] / static_cast<double>(size);
}

}  // namespace

std::optional<RoomResponse> renderBandTaps(const BandMixer& mixer, std::span<const BandTap> taps) {
    BandScratch scratch;
    return renderBandTaps(mixer, taps, scratch);
}

namespace {

// The taps each(take) gives, in the same order each time it is called, rendered through the bank:
// once for their span, once to add each into the bands. `heard`, where given, is told whether
// there was any tap; with none the response is empty.
template <typename Each>
std::optional<RoomResponse> renderEachTap(const BandMixer& mixer, Each each, BandScratch& scratch,
                                          bool* heard = nullptr) {
    if (!mixer.valid()) return std::nullopt;
    double first = 0, last = 0;
    bool any = false;
    each([&](const BandTap& tap) {
        first = !any ? tap.delay : std::min(first, tap.delay);
        last = !any ? tap.delay : std::max(last, tap.delay);
        any = true;
    });
    if (heard != nullptr) *heard = any;
    if (heard != nullptr && !any) return RoomResponse{mixer.format, 0, {}};
    RoomResponse response{mixer.format, static_cast<std::int64_t>(std::floor(first)) - mixer.pad, {}};
    const std::int64_t used = static_cast<std::int64_t>(std::floor(last)) + kernelTaps + mixer.pad - response.start;
    if (used + mixer.pad > mixer.transforms.size()) return std::nullopt;
    if (!scratchFor(mixer, scratch)) return std::nullopt;
    const auto size = static_cast<std::size_t>(mixer.transforms.size());
    each([&](const BandTap& tap) {
        const DelayKernel kernel = delayKernel(tap.delay - static_cast<double>(response.start));
        for (int b = 0; b < bandCount; ++b) {
            double* at = scratch.bands.data() + static_cast<std::size_t>(b) * size + kernel.first;
            const double gain = tap.gain[b];
            for (int j = 0; j < kernelTaps; ++j) at[j] += kernel.coefficients[j] * gain;
        }
    });
    mixBands(mixer, scratch, response.samples);
    response.samples.resize(static_cast<std::size_t>(used));
    return response;
}

}  // namespace

std::optional<RoomResponse> renderBandTaps(const BandMixer& mixer, std::span<const BandTap> taps,
                                           BandScratch& scratch) {
    return renderEachTap(
        mixer,
        [&](auto take) {
            for (const BandTap& tap : taps) take(tap);
        },
        scratch);
}

std::optional<RoomResponse> renderMicBandTaps(const BandMixer& mixer, const ImageSet& set, const RigMic& mic,
                                              BandScratch& scratch, bool& heard) {
    heard = false;
    return renderEachTap(
        mixer, [&](auto take) { eachMicBandTap(set, mic, mixer.format.rate, take); }, scratch, &heard);
}

std::optional<RoomResponse> responseBand(const BandMixer& mixer, const RoomResponse& response, int band) {
    const RoomTransforms& t = mixer.transforms;
    const auto size = static_cast<std::size_t>(t.size());
    const auto bins = static_cast<std::size_t>(t.bins());
    if (!mixer.valid() || response.samples.size() + static_cast<std::size_t>(mixer.pad) > size) return std::nullopt;
    auto real = roomBuffer<double>(size);
    auto spectrum = roomBuffer<std::complex<double>>(bins);
    if (!real || !spectrum) return std::nullopt;
    std::fill(real.get(), real.get() + size, 0.0);
    std::copy(response.samples.begin(), response.samples.end(), real.get());
    t.forward(real.get(), spectrum.get());
    const double* weight = mixer.weights.data() + static_cast<std::size_t>(band) * bins;
    for (std::size_t k = 0; k < bins; ++k) spectrum[k] *= weight[k] / static_cast<double>(size);
    t.inverse(spectrum.get(), real.get());
    return RoomResponse{response.format, response.start,
                        std::vector<double>(real.get(), real.get() + response.samples.size())};
}

}  // namespace auralith
