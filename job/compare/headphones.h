// auralith-compare --headphones: the measured head read and made ready before anything is
// written, each array's headphone render streamed into its file block by block, and the cues at
// the ears. A build without libmysofa and FFTW3 refuses --headphones through the same calls.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <variant>

#include "job/compare/options.h"
#include "sim/analysis/localisation.h"
#include "sim/headphones/ear_cues.h"
#include "sim/plan/pickup.h"
#include "wave/files/file_access.h"

namespace auralith {

// The head, its loudspeaker paths, the render's plans and the cue meter.
struct Listening;
struct ListeningRelease {
    void operator()(Listening* listening) const;
};
using ListeningHandle = std::unique_ptr<Listening, ListeningRelease>;

// Why the head cannot be had: the name to put before the reason (the SOFA file, or
// "--headphones" in a build without them) and the reason, one line.
struct ListeningRefusal {
    std::string name;
    std::string why;
};

// The head from its file at the recording's rate with its loudspeakers at +-base.halfAngle.
std::variant<ListeningHandle, ListeningRefusal> prepareListening(const CompareOptions& options, std::int32_t rate,
                                                                 const LoudspeakerBase& base);

// What the page and the table say of the head: "default.sofa, diffuse-field equalised".
std::string headDescription(const Listening& listening);

EarCues earCuesOf(const Listening& listening, const Pickup& pickup);

struct HeadphoneRender {
    WriteOutcome written;
    bool memory = true;  // false: the memory for the blocks or the meter could not be had
    std::optional<double> loudness;
    std::int64_t clipped = 0;
};

// The headphone render of a stereo render of n samples into the file `path` (replaced as
// auralith-compare's files are), its loudness measured as it is made unless `measure` is false.
HeadphoneRender writeHeadphoneRender(const Listening& listening, std::span<const std::int16_t> stereo,
                                     std::int32_t rate, std::int32_t n, const std::string& path, bool measure = true);

}  // namespace auralith
