// The headphone render assembled: a measured head read from its SOFA file and checked before
// anything is written, the measurement that stands for each loudspeaker of a layout, their paths,
// the render's plans and the cue meter; each headphone render streamed into its file block by
// block. A build without libmysofa and FFTW3 refuses the head through the same calls.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <variant>

#include "sim/headphones/ear_cues.h"
#include "sim/headphones/ear_responses.h"
#include "sim/plan/pickup.h"
#include "sim/scene/loudspeakers.h"
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

// What to listen through: the head's SOFA file, whether its responses are given the
// diffuse-field equalisation, and the loudspeakers, one for each channel of the renders.
struct ListeningRequest {
    std::string sofaFile;
    bool equalise = true;
    LoudspeakerLayout layout;
};

// The head from its file at the recording's rate, with the request's loudspeakers.
std::variant<ListeningHandle, ListeningRefusal> prepareListening(const ListeningRequest& request, std::int32_t rate);

// What the page and the table say of the head: "default.sofa, diffuse-field equalised".
std::string headDescription(const Listening& listening);

// The cues at the ears of a listener in front of two loudspeakers fed the pickup's left and right
// channels; zeros for a layout of another count, which a pickup does not feed.
EarCues earCuesOf(const Listening& listening, const Pickup& pickup);

// What the ears of a listener in front of two loudspeakers receive from a stereo response
// (interleaved by frame, at the head's rate) played through them, the head as measured whatever
// equalises the headphones, as for the cues. Empty for a layout of another count, and when the
// memory cannot be had.
std::optional<EarResponses> earResponsesOf(const Listening& listening, std::span<const double> stereo);

struct HeadphoneRender {
    WriteOutcome written;
    bool memory = true;  // false: the memory for the blocks or the meter could not be had
    std::optional<double> loudness;
    std::int64_t clipped = 0;
};

// The headphone render of a render of n samples (one channel a loudspeaker of the layout,
// interleaved by frame) into the file `path` (replaced as auralith-compare's files are), its
// loudness measured as it is made unless `measure` is false.
HeadphoneRender writeHeadphoneRender(const Listening& listening, std::span<const std::int16_t> in, std::int32_t rate,
                                     std::int32_t n, const std::string& path, bool measure = true);

}  // namespace auralith
