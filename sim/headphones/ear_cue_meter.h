// The cues at the ears of a listener in front of the two loudspeakers from one position of an
// array: a white-noise source through the array's microphones (factors, shares and delays as
// rendered), the loudspeakers and the head. Computed from the model and the paths, never from an
// output file.
#pragma once

#include <complex>
#include <memory>
#include <optional>
#include <vector>

#include "sim/headphones/ear_cues.h"
#include "sim/headphones/fftw_plans.h"
#include "sim/headphones/speaker_paths.h"
#include "sim/plan/pickup.h"

namespace auralith {

class EarCueMeter {
public:
    // The paths' spectra on a grid long enough for lags of `widestLag` frames either way. A pickup
    // feeds two loudspeakers, its left and right channels: empty for paths of any other count, and
    // when the memory or the transforms cannot be had.
    static std::optional<EarCueMeter> create(const SpeakerPaths& paths, int widestLag = 4096);

    // The ears' cues for this pickup; delay spreads beyond the meter's widest lag are not told
    // apart from shorter ones.
    EarCues cues(const Pickup& pickup) const;

    // The ears' cues for one loudspeaker fed alone (the other silent) or both fed the same.
    EarCues cuesOfChannels(long double left, long double right) const;

private:
    EarCueMeter() = default;
    EarCues cuesOf(const std::vector<std::complex<double>>& leftEar,
                   const std::vector<std::complex<double>>& rightEar) const;

    std::shared_ptr<const DoubleTransforms> transforms_;
    std::vector<std::complex<double>> spectra_;  // [2 * speaker + ear][bin]
    std::int32_t rate_ = 0;
};

}  // namespace auralith
