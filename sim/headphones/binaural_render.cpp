#include "sim/headphones/binaural_render.h"

#include <algorithm>
#include <cmath>
#include <new>

#include "sim/fast/parallel.h"
#include "sim/headphones/ear_frames.h"

namespace auralith {
namespace {

// The transform's size: the smallest power of two of at least four times the paths' length, so
// that three quarters or more of each block is output, and at least 4096 points.
int transformSize(int taps) { return powerOfTwoAtLeast(std::max<long long>(4096, 4LL * taps)); }

}  // namespace

std::optional<BinauralRender> BinauralRender::create(const SpeakerPaths& paths) {
    try {
        BinauralRender r;
        r.taps_ = paths.taps;
        const int size = transformSize(paths.taps);
        r.hop_ = size - paths.taps + 1;
        auto transforms = std::make_shared<FloatTransforms>(size);
        if (!transforms->valid()) return std::nullopt;
        const std::size_t bins = static_cast<std::size_t>(size) / 2 + 1;
        auto spectra = std::make_shared<std::vector<std::complex<float>>>(4 * bins);
        const auto real = fftwBuffer<float>(static_cast<std::size_t>(size));
        const auto out = fftwBuffer<std::complex<float>>(bins);
        if (!real || !out) return std::nullopt;
        const float scale = static_cast<float>(paths.gain / size);
        for (std::size_t p = 0; p < 4; ++p) {
            std::fill(real.get(), real.get() + size, 0.0f);
            std::copy(paths.paths[p].begin(), paths.paths[p].end(), real.get());
            transforms->forward(real.get(), out.get());
            for (std::size_t k = 0; k < bins; ++k) (*spectra)[p * bins + k] = out[k] * scale;
        }
        r.transforms_ = std::move(transforms);
        r.spectra_ = std::move(spectra);
        return r;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
}

// One block: the input frames start - (taps - 1) .. start + hop - 1 (zero outside the render)
// give the output frames start .. start + hop - 1, of which from .. to - 1 are kept.
std::int64_t BinauralRender::renderBlock(std::span<const std::int16_t> in, std::int16_t* out, std::int64_t outFirst,
                                         std::int64_t start, std::int64_t from, std::int64_t to, float* left,
                                         float* right, std::complex<float>* leftBins,
                                         std::complex<float>* rightBins) const {
    const int size = transforms_->size();
    const std::int64_t frames = static_cast<std::int64_t>(in.size() / 2);
    const std::int64_t first = start - (taps_ - 1);
    // The frames of the block that lie in the render; zero before and after it.
    const int lo = static_cast<int>(std::clamp<std::int64_t>(-first, 0, size));
    const int hi = static_cast<int>(std::clamp<std::int64_t>(frames - first, lo, size));
    std::fill(left, left + lo, 0.0f);
    std::fill(right, right + lo, 0.0f);
    splitFrames(in.data() + 2 * (first + lo), static_cast<std::size_t>(hi - lo), left + lo, right + lo);
    std::fill(left + hi, left + size, 0.0f);
    std::fill(right + hi, right + size, 0.0f);
    transforms_->forward(left, leftBins);
    transforms_->forward(right, rightBins);
    const std::size_t bins = static_cast<std::size_t>(size) / 2 + 1;
    const std::complex<float>* s = spectra_->data();
    // The products written out: std::complex's operator* checks each for infinities and NaNs.
    const auto times = [](std::complex<float> a, std::complex<float> b) {
        return std::complex<float>(a.real() * b.real() - a.imag() * b.imag(),
                                   a.real() * b.imag() + a.imag() * b.real());
    };
    for (std::size_t k = 0; k < bins; ++k) {
        const std::complex<float> l = leftBins[k], r = rightBins[k];
        leftBins[k] = times(l, s[k]) + times(r, s[2 * bins + k]);          // the left ear
        rightBins[k] = times(l, s[bins + k]) + times(r, s[3 * bins + k]);  // the right ear
    }
    transforms_->inverse(leftBins, left);
    transforms_->inverse(rightBins, right);
    const std::size_t skip = static_cast<std::size_t>(from - start + taps_ - 1);
    const std::int64_t clipped =
        joinFrames(left + skip, right + skip, static_cast<std::size_t>(to - from), out + 2 * (from - outFirst));
    return clipped;
}

std::optional<std::int64_t> BinauralRender::render(std::span<const std::int16_t> in, std::span<std::int16_t> out,
                                                   std::int64_t begin, std::int64_t end, std::int64_t outFirst) const {
    const std::size_t size = static_cast<std::size_t>(transforms_->size());
    const auto left = fftwBuffer<float>(size), right = fftwBuffer<float>(size);
    const auto leftBins = fftwBuffer<std::complex<float>>(size / 2 + 1);
    const auto rightBins = fftwBuffer<std::complex<float>>(size / 2 + 1);
    if (!left || !right || !leftBins || !rightBins) return std::nullopt;
    std::int64_t clipped = 0;
    // Blocks lie on the grid of whole hops from frame 0, wherever the range starts.
    for (std::int64_t start = begin / hop_ * hop_; start < end; start += hop_)
        clipped += renderBlock(in, out.data(), outFirst, start, std::max(start, begin), std::min(start + hop_, end),
                               left.get(), right.get(), leftBins.get(), rightBins.get());
    return clipped;
}

std::optional<std::int64_t> BinauralRender::renderOnCores(std::span<const std::int16_t> in, std::span<std::int16_t> out,
                                                          std::int64_t begin, std::int64_t end, int parts) const {
    const std::uint64_t blocks = static_cast<std::uint64_t>((end - begin + hop_ - 1) / hop_);
    const int count = std::max(1, std::min<int>(parts > 0 ? parts : partsFor(blocks << 18, 0),
                                                static_cast<int>(std::max<std::uint64_t>(blocks, 1))));
    std::vector<std::optional<std::int64_t>> clipped(static_cast<std::size_t>(count));
    runParts(count, [&](int k) {
        const auto from = begin + static_cast<std::int64_t>(partStart(blocks, count, k)) * hop_;
        const auto to = std::min(end, begin + static_cast<std::int64_t>(partStart(blocks, count, k + 1)) * hop_);
        clipped[static_cast<std::size_t>(k)] = render(in, out, from, to);
    });
    std::int64_t total = 0;
    for (const auto& c : clipped) {
        if (!c) return std::nullopt;
        total += *c;
    }
    return total;
}

}  // namespace auralith
