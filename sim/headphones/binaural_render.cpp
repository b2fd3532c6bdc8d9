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

// `count` frames of `channels` samples each into one buffer per channel, from `at` on.
void splitInto(const std::int16_t* frames, std::size_t count, int channels, float* const* into, std::size_t at) {
    if (channels == 2) return splitFrames(frames, count, into[0] + at, into[1] + at);
    for (std::size_t i = 0; i < count; ++i)
        for (int c = 0; c < channels; ++c) into[c][at + i] = frames[i * static_cast<std::size_t>(channels) + c];
}

// The products written out: std::complex's operator* checks each for infinities and NaNs.
std::complex<float> times(std::complex<float> x, std::complex<float> y) {
    return {x.real() * y.real() - x.imag() * y.imag(), x.real() * y.imag() + x.imag() * y.real()};
}

// Each ear the sum of the channels' bins through its paths' spectra `s`, in channel order, into
// the first two channels' place; every channel's bin is read before it is written. Two channels
// have a loop of their own: through the general one the whole render took a tenth longer.
void earsFrom(std::complex<float>* const* b, const std::complex<float>* s, std::size_t bins, std::size_t channels) {
    if (channels == 2) {
        std::complex<float>* const left = b[0];
        std::complex<float>* const right = b[1];
        for (std::size_t k = 0; k < bins; ++k) {
            const std::complex<float> l = left[k], r = right[k];
            left[k] = times(l, s[k]) + times(r, s[2 * bins + k]);
            right[k] = times(l, s[bins + k]) + times(r, s[3 * bins + k]);
        }
        return;
    }
    for (std::size_t k = 0; k < bins; ++k) {
        std::complex<float> left = times(b[0][k], s[k]), right = times(b[0][k], s[bins + k]);
        for (std::size_t c = 1; c < channels; ++c) {
            left = left + times(b[c][k], s[2 * c * bins + k]);
            right = right + times(b[c][k], s[(2 * c + 1) * bins + k]);
        }
        b[0][k] = left;
        b[1][k] = right;
    }
}

}  // namespace

// A block of every channel, and its bins; the first two of each take the ears on the way back,
// so there are two at least.
struct BinauralRender::Blocks {
    std::vector<FftwBuffer<float>> real;
    std::vector<FftwBuffer<std::complex<float>>> bins;
    std::vector<float*> realAt;
    std::vector<std::complex<float>*> binsAt;

    bool make(int channels, std::size_t size) {
        const std::size_t count = static_cast<std::size_t>(std::max(channels, 2));
        for (std::size_t c = 0; c < count; ++c) {
            real.push_back(fftwBuffer<float>(size));
            bins.push_back(fftwBuffer<std::complex<float>>(size / 2 + 1));
            if (!real.back() || !bins.back()) return false;
            realAt.push_back(real.back().get());
            binsAt.push_back(bins.back().get());
        }
        return true;
    }
};

std::optional<BinauralRender> BinauralRender::create(const SpeakerPaths& paths) {
    try {
        if (paths.speakers() == 0) return std::nullopt;
        BinauralRender r;
        r.channels_ = paths.speakers();
        r.taps_ = paths.taps;
        const int size = transformSize(paths.taps);
        r.hop_ = size - paths.taps + 1;
        auto transforms = std::make_shared<FloatTransforms>(size);
        if (!transforms->valid()) return std::nullopt;
        const std::size_t bins = static_cast<std::size_t>(size) / 2 + 1;
        auto spectra = std::make_shared<std::vector<std::complex<float>>>(paths.paths.size() * bins);
        const auto real = fftwBuffer<float>(static_cast<std::size_t>(size));
        const auto out = fftwBuffer<std::complex<float>>(bins);
        if (!real || !out) return std::nullopt;
        const float scale = static_cast<float>(paths.gain / size);
        for (std::size_t p = 0; p < paths.paths.size(); ++p) {
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
                                         std::int64_t start, std::int64_t from, std::int64_t to,
                                         const Blocks& blocks) const {
    const int size = transforms_->size();
    const auto channels = static_cast<std::size_t>(channels_);
    const std::int64_t frames = static_cast<std::int64_t>(in.size() / channels);
    const std::int64_t first = start - (taps_ - 1);
    // The frames of the block that lie in the render; zero before and after it.
    const int lo = static_cast<int>(std::clamp<std::int64_t>(-first, 0, size));
    const int hi = static_cast<int>(std::clamp<std::int64_t>(frames - first, lo, size));
    float* const* real = blocks.realAt.data();
    std::complex<float>* const* b = blocks.binsAt.data();
    for (std::size_t c = 0; c < channels; ++c) {
        std::fill(real[c], real[c] + lo, 0.0f);
        std::fill(real[c] + hi, real[c] + size, 0.0f);
    }
    splitInto(in.data() + channels * static_cast<std::size_t>(first + lo), static_cast<std::size_t>(hi - lo), channels_,
              real, static_cast<std::size_t>(lo));
    for (std::size_t c = 0; c < channels; ++c) transforms_->forward(real[c], b[c]);
    earsFrom(b, spectra_->data(), static_cast<std::size_t>(size) / 2 + 1, channels);
    transforms_->inverse(b[0], real[0]);
    transforms_->inverse(b[1], real[1]);
    const std::size_t skip = static_cast<std::size_t>(from - start + taps_ - 1);
    return joinFrames(real[0] + skip, real[1] + skip, static_cast<std::size_t>(to - from), out + 2 * (from - outFirst));
}

std::optional<std::int64_t> BinauralRender::render(std::span<const std::int16_t> in, std::span<std::int16_t> out,
                                                   std::int64_t begin, std::int64_t end, std::int64_t outFirst) const {
    Blocks blocks;
    try {
        if (!blocks.make(channels_, static_cast<std::size_t>(transforms_->size()))) return std::nullopt;
    } catch (const std::bad_alloc&) {
        return std::nullopt;
    }
    std::int64_t clipped = 0;
    // Blocks lie on the grid of whole hops from frame 0, wherever the range starts.
    for (std::int64_t start = begin / hop_ * hop_; start < end; start += hop_)
        clipped +=
            renderBlock(in, out.data(), outFirst, start, std::max(start, begin), std::min(start + hop_, end), blocks);
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
