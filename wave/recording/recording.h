// The recordings auralith-compare reads: whatever libsndfile reads (WAVE of any chunks and
// extensions, RF64, AIFF and AIFF-C, FLAC, W64, CAF, ...), 8- to 32-bit integer or floating-point
// samples, at any rate from 8 000 to 192 000 Hz, one channel of it, as the 16-bit samples the
// renders take. A build without libsndfile reads what the interactive program reads.
#pragma once

#include <cstdint>
#include <string>
#include <variant>

#include "wave/input_wave.h"

namespace auralith {

inline constexpr std::int32_t lowestRecordingRate = 8000;
inline constexpr std::int32_t highestRecordingRate = 192000;

struct RecordingRequest {
    std::string name;
    int channel = 0;          // 1-based; 0 when none was chosen, which only a mono file allows
    bool loadSamples = true;  // false: the header alone (fields, count), no samples
};

struct Recording {
    // Mono and 16-bit at the file's own rate, as the renders and the output take it: channels 1,
    // 16 bits per sample, the data size of a 16-bit file of these samples.
    InputWave wave;
    std::string description;  // what was read: "48 000 Hz, 24-bit, channel 2 of 2"
    // Floating-point samples that were not numbers (NaN), taken as silence; the description says so.
    std::int64_t notNumbers = 0;
    // Whether readRecordingBlock gives its samples again, the same, a block at a time (a file
    // whose samples lie uncompressed, so that a block is found by its position), and the frame
    // of the file its first sample is (an excerpt's start).
    bool readsAgain = false;
    std::int64_t from = 0;
};

// The recording, or why it cannot be had in the system's, the library's or the program's words,
// one line without the file's name ("No such file or directory", "File contains data in an
// unknown format.", "it has 2 channels: choose one with --channel 1 to 2").
std::variant<Recording, std::string> readRecording(const RecordingRequest& request);

// Samples [from, from + count) of a recording that reads again, as readRecording gave them (its
// `from` already added to `from` by the caller), into `into`; empty, or why they cannot be had
// ("it ended after ..." for a file that has changed since).
std::string readRecordingBlock(const RecordingRequest& request, std::int64_t from, std::int64_t count,
                               std::int16_t* into);

}  // namespace auralith
