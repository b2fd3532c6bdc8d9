// The headphone render: a render of one channel per loudspeaker played through the loudspeakers
// and received at the two ears, by overlap-save convolution with FFTW. Each block of the render is
// transformed once per channel, and the paths (each loudspeaker to each ear) share those
// transforms; two inverse transforms give the two ears. The output has the render's length: its
// last second of silence holds the responses' tails.
#pragma once

#include <complex>
#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "sim/headphones/fftw_plans.h"
#include "sim/headphones/speaker_paths.h"

namespace auralith {

class BinauralRender {
public:
    // Plans and the paths' spectra, made once; empty when the memory or the plans cannot be had.
    static std::optional<BinauralRender> create(const SpeakerPaths& paths);

    // Frames [begin, end) of the headphone render of `in` (16-bit, one sample a loudspeaker,
    // interleaved by frame) into `out` (16-bit stereo, the ears, its first frame being frame `outFirst`): rounded to
    // the nearest 16-bit value (ties to even), clipped at full scale. Any frames, from any number of threads at once
    // for ranges that do not overlap; each frame's value does not depend on the range it was rendered in. The count of
    // samples clipped; empty when the memory for the blocks cannot be had.
    std::optional<std::int64_t> render(std::span<const std::int16_t> in, std::span<std::int16_t> out,
                                       std::int64_t begin, std::int64_t end, std::int64_t outFirst = 0) const;

    // The same over [begin, end), split at blocks between `parts` threads (0: one per core).
    std::optional<std::int64_t> renderOnCores(std::span<const std::int16_t> in, std::span<std::int16_t> out,
                                              std::int64_t begin, std::int64_t end, int parts = 0) const;

    int blockFrames() const { return hop_; }
    int channels() const { return channels_; }

private:
    struct Blocks;  // one call's buffers: a block of each channel, and its bins
    BinauralRender() = default;
    std::int64_t renderBlock(std::span<const std::int16_t> in, std::int16_t* out, std::int64_t outFirst,
                             std::int64_t start, std::int64_t from, std::int64_t to, const Blocks& blocks) const;

    std::shared_ptr<const FloatTransforms> transforms_;
    // The paths' spectra, scaled by the gain and 1 / size: [2 * speaker + ear][bin].
    std::shared_ptr<const std::vector<std::complex<float>>> spectra_;
    int channels_ = 0;  // the loudspeakers
    int taps_ = 0;
    int hop_ = 0;  // output frames of one block: size - taps + 1
};

}  // namespace auralith
