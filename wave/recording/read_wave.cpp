// Recordings where libsndfile is missing (the cross builds): the interactive program's reader,
// mono 16-bit 44 100 Hz WAVE files, with the system's words for a file that cannot be opened.
#include "wave/files/file_access.h"
#include "wave/recording/source_format.h"

namespace auralith {

std::variant<Recording, std::string> readRecording(const RecordingRequest& request) {
    if (OpenedFile opened = openForReadingOrSayWhy(request.name); !opened.file) return opened.why;
    auto header = readInputHeader(request.name);
    if (const auto* refusal = std::get_if<InputRefusal>(&header)) return plainRefusalText(*refusal);
    InputWave& wave = std::get<InputWave>(header);
    const SourceFormat source{wave.sampleRate, 1, wave.sampleCount, "16-bit"};
    if (auto refusal = refusalOf(source, request.channel)) return *refusal;
    Recording recording = recordingOf(source, request);
    recording.wave = std::move(wave);
    if (request.loadSamples && !loadInputSamples(recording.wave)) return std::string(noMemoryForRecording);
    return recording;
}

// Without libsndfile nothing reads again: every recording is held whole.
std::string readRecordingBlock(const RecordingRequest&, std::int64_t, std::int64_t, std::int16_t*) {
    return "this build reads no recording a block at a time";
}

}  // namespace auralith
