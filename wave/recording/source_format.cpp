#include "wave/recording/source_format.h"

namespace auralith {

std::string groupedNumber(std::int64_t value) {
    std::string digits = std::to_string(value);
    for (std::size_t at = digits.size(); at > 3 && digits[at - 4] != '-'; at -= 3) digits.insert(at - 3, " ");
    return digits;
}

std::optional<std::string> refusalOf(const SourceFormat& source, int channel) {
    const std::string channels = std::to_string(source.channels);
    if (source.channels > 1 && channel == 0)
        return "it has " + channels + " channels: choose one with --channel 1 to " + channels;
    if (channel > source.channels)
        return "it has no channel " + std::to_string(channel) + ", only " +
               (source.channels == 1 ? std::string("one") : channels);
    if (source.rate < lowestRecordingRate || source.rate > highestRecordingRate)
        return "its sampling rate, " + groupedNumber(source.rate) + " Hz, is not within " +
               groupedNumber(lowestRecordingRate) + " to " + groupedNumber(highestRecordingRate) + " Hz";
    const std::int32_t longest = longestSampleCountAt(static_cast<std::int32_t>(source.rate));
    if (source.frames < 0 || source.frames > longest)
        return "it is too long: " + groupedNumber(source.frames) + " samples, where one output file at " +
               groupedNumber(source.rate) + " Hz holds at most " + groupedNumber(longest) + " (" +
               std::to_string(longest / source.rate / 60) + " minutes)";
    return std::nullopt;
}

std::string describeSource(const SourceFormat& source, int channel) {
    const std::string which =
        source.channels == 1 ? "mono" : "channel " + std::to_string(channel) + " of " + std::to_string(source.channels);
    return groupedNumber(source.rate) + " Hz, " + source.sampleKind + ", " + which;
}

Recording recordingOf(const SourceFormat& source, const RecordingRequest& request) {
    Recording r;
    r.wave.fileName = request.name;
    r.wave.channels = 1;
    r.wave.sampleRate = static_cast<std::int32_t>(source.rate);
    r.wave.bitsPerSample = 16;
    r.wave.sampleCount = static_cast<std::int32_t>(source.frames);
    // The size a 16-bit file of these samples states; the limit keeps it within 31 bits.
    r.wave.dataSize = 2 * r.wave.sampleCount;
    r.wave.duration = static_cast<double>(r.wave.sampleCount) / static_cast<double>(r.wave.sampleRate);
    r.description = describeSource(source, request.channel == 0 ? 1 : request.channel);
    return r;
}

std::string plainRefusalText(InputRefusal refusal) {
    const std::string_view text = refusalText(refusal);
    const std::size_t first = text.find_first_not_of(' ');
    const std::size_t last = text.find_last_not_of(' ');
    return first == std::string_view::npos ? std::string() : std::string(text.substr(first, last - first + 1));
}

}  // namespace auralith
