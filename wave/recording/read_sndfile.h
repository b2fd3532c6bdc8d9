// The libsndfile reader from a file already opened: what readRecording does once the name is
// open, for a file of any kind the file access gives (and for the tests, one that ends early).
#pragma once

#include <string>
#include <variant>

#include "wave/files/file_access.h"
#include "wave/recording/recording.h"

namespace auralith {

// The recording from `file`, or why it cannot be had; request.name is not opened again.
std::variant<Recording, std::string> readRecordingFrom(ReadableFile& file, const RecordingRequest& request);

}  // namespace auralith
