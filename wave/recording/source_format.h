// What the two readers of recordings share: the checks of a source's format against the request,
// the description of what was read, and the recording's header fields.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "wave/recording/recording.h"

namespace auralith {

// A file's format as its reader found it.
struct SourceFormat {
    std::int64_t rate = 0;
    int channels = 0;
    std::int64_t frames = 0;
    std::string sampleKind;  // "16-bit", "24-bit", "32-bit float", ...
};

// Why the request cannot be met from this source: the channel, the rate or the length. Empty when
// it can.
std::optional<std::string> refusalOf(const SourceFormat& source, int channel);

// "48 000 Hz, 24-bit, channel 2 of 2", or "44 100 Hz, 16-bit, mono".
std::string describeSource(const SourceFormat& source, int channel);

// The recording with its header fields filled and no samples: one 16-bit channel at the source's
// rate. The source must have passed refusalOf.
Recording recordingOf(const SourceFormat& source, const RecordingRequest& request);

// A whole number with its digits in groups of three, "48 000", as the program's texts write them.
std::string groupedNumber(std::int64_t value);

// The words for a refusal of the interactive reader, without its framing blanks.
std::string plainRefusalText(InputRefusal refusal);

inline constexpr const char* noMemoryForRecording = "there is not enough memory for this recording";

}  // namespace auralith
