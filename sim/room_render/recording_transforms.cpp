#include "sim/room_render/recording_transforms.h"

#include <algorithm>
#include <new>

namespace auralith {

std::optional<RecordingSpectra> recordingSpectra(std::span<const std::int16_t> x, std::int64_t longest) {
    RecordingSpectra s;
    s.samples = std::ssize(x);
    s.longest = std::max<std::int64_t>(longest, 1);
    // Four times the response: three quarters of each inverse transform are outputs.
    s.transforms = std::make_unique<RoomTransforms>(transformSizeAtLeast(std::max<std::int64_t>(4 * s.longest, 4096)));
    if (!s.transforms->valid()) return std::nullopt;
    const std::int64_t size = s.transforms->size();
    const auto bins = static_cast<std::size_t>(s.transforms->bins());
    s.step = size - s.longest + 1;
    const std::int64_t count = (s.samples + s.longest - 1 + s.step - 1) / s.step;
    auto real = roomBuffer<double>(static_cast<std::size_t>(size));
    auto spectrum = roomBuffer<std::complex<double>>(bins);
    if (!real || !spectrum) return std::nullopt;
    try {
        s.blocks.resize(static_cast<std::size_t>(count) * bins);
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    // Block b holds x[b L - (M - 1) .. b L - (M - 1) + N), zero outside the recording.
    for (std::int64_t b = 0; b < count; ++b) {
        const std::int64_t first = b * s.step - (s.longest - 1);
        for (std::int64_t i = 0; i < size; ++i) {
            const std::int64_t k = first + i;
            real[static_cast<std::size_t>(i)] = k >= 0 && k < s.samples ? x[static_cast<std::size_t>(k)] : 0.0;
        }
        s.transforms->forward(real.get(), spectrum.get());
        std::copy(spectrum.get(), spectrum.get() + bins, s.blocks.begin() + static_cast<std::ptrdiff_t>(b * bins));
    }
    return s;
}

std::optional<ConvolutionScratch> convolutionScratch(const RecordingSpectra& s) {
    if (!s.transforms) return std::nullopt;
    const auto bins = static_cast<std::size_t>(s.transforms->bins());
    ConvolutionScratch scratch{roomBuffer<double>(static_cast<std::size_t>(s.transforms->size())),
                               roomBuffer<std::complex<double>>(bins), roomBuffer<std::complex<double>>(bins)};
    if (!scratch.real || !scratch.filter || !scratch.product) return std::nullopt;
    return scratch;
}

bool convolveRecordingInto(const RecordingSpectra& s, std::span<const double> response, ConvolutionScratch& scratch,
                           std::vector<double>& out) {
    if (!s.transforms || std::ssize(response) > s.longest) return false;
    const std::int64_t size = s.transforms->size();
    const auto bins = static_cast<std::size_t>(s.transforms->bins());
    double* real = scratch.real.get();
    std::complex<double>* filter = scratch.filter.get();
    std::complex<double>* product = scratch.product.get();
    try {
        out.resize(static_cast<std::size_t>(std::max<std::int64_t>(s.samples + std::ssize(response) - 1, 0)));
    } catch (const std::bad_alloc&) {
        return false;
    }
    std::fill(real, real + size, 0.0);
    std::copy(response.begin(), response.end(), real);
    s.transforms->forward(real, filter);
    const double scale = 1.0 / static_cast<double>(size);
    for (std::int64_t b = 0; b < s.blockCount() && b * s.step < std::ssize(out); ++b) {
        const std::complex<double>* block = s.blocks.data() + b * static_cast<std::int64_t>(bins);
        for (std::size_t k = 0; k < bins; ++k) product[k] = block[k] * filter[k] * scale;
        s.transforms->inverse(product, real);
        const std::int64_t count = std::min(s.step, std::ssize(out) - b * s.step);
        std::copy(real + (s.longest - 1), real + (s.longest - 1) + count,
                  out.begin() + static_cast<std::ptrdiff_t>(b * s.step));
    }
    return true;
}

std::optional<std::vector<double>> convolveRecording(const RecordingSpectra& s, std::span<const double> response) {
    auto scratch = convolutionScratch(s);
    std::vector<double> out;
    if (!scratch || !convolveRecordingInto(s, response, *scratch, out)) return std::nullopt;
    return out;
}

}  // namespace auralith
