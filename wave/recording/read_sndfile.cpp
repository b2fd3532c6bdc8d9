// Recordings through libsndfile. The file is opened by the program's own file access (so that a
// file that cannot be opened is told in the system's words, as everywhere else) and handed to the
// library through its virtual I/O.
#include <sndfile.h>

#include <algorithm>
#include <cmath>
#include <memory>
#include <new>
#include <optional>
#include <span>
#include <vector>

#include "wave/files/file_access.h"
#include "wave/recording/read_sndfile.h"
#include "wave/recording/source_format.h"

namespace auralith {
namespace {

// The library's view of the open file: reads at a position of its own.
struct VirtualFile {
    ReadableFile& file;
    sf_count_t at = 0;
};

VirtualFile& fileOf(void* data) { return *static_cast<VirtualFile*>(data); }

sf_count_t lengthOf(void* data) { return static_cast<sf_count_t>(fileOf(data).file.length()); }

sf_count_t seekTo(sf_count_t offset, int whence, void* data) {
    VirtualFile& f = fileOf(data);
    const sf_count_t base = whence == SEEK_CUR ? f.at : whence == SEEK_END ? lengthOf(data) : 0;
    if (base + offset >= 0) f.at = base + offset;
    return f.at;
}

sf_count_t readFrom(void* into, sf_count_t count, void* data) {
    VirtualFile& f = fileOf(data);
    if (count <= 0) return 0;
    const std::size_t got = f.file.readAt(static_cast<std::uint64_t>(f.at), into, static_cast<std::size_t>(count));
    f.at += static_cast<sf_count_t>(got);
    return static_cast<sf_count_t>(got);
}

sf_count_t writeNothing(const void*, sf_count_t, void*) { return 0; }
sf_count_t positionOf(void* data) { return fileOf(data).at; }

struct SndfileCloser {
    void operator()(SNDFILE* file) const { sf_close(file); }
};
using SndfileHandle = std::unique_ptr<SNDFILE, SndfileCloser>;

// The samples' kind as the closing table and the page name it.
std::string sampleKindOf(SNDFILE* file, int format) {
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8: return "8-bit";
        case SF_FORMAT_PCM_16: return "16-bit";
        case SF_FORMAT_PCM_24: return "24-bit";
        case SF_FORMAT_PCM_32: return "32-bit";
        case SF_FORMAT_FLOAT: return "32-bit float";
        case SF_FORMAT_DOUBLE: return "64-bit float";
        default: break;
    }
    SF_FORMAT_INFO info{};
    info.format = format & SF_FORMAT_SUBMASK;
    if (sf_command(file, SFC_GET_FORMAT_INFO, &info, sizeof info) == 0 && info.name != nullptr) return info.name;
    return "encoded";
}

// Samples that lie uncompressed, each block where its position says: read again from any frame,
// they are the same samples. (FLAC names its samples' depth as PCM, but compresses them.)
bool readsAgain(int format) {
    if ((format & SF_FORMAT_TYPEMASK) == SF_FORMAT_FLAC) return false;
    switch (format & SF_FORMAT_SUBMASK) {
        case SF_FORMAT_PCM_S8:
        case SF_FORMAT_PCM_U8:
        case SF_FORMAT_PCM_16:
        case SF_FORMAT_PCM_24:
        case SF_FORMAT_PCM_32:
        case SF_FORMAT_FLOAT:
        case SF_FORMAT_DOUBLE: return true;
        default: return false;
    }
}

bool isFloatingPoint(int format) {
    const int subtype = format & SF_FORMAT_SUBMASK;
    return subtype == SF_FORMAT_FLOAT || subtype == SF_FORMAT_DOUBLE;
}

// A floating-point sample as a 16-bit one: full scale (1.0) is 32768, as libsndfile reads 16-bit
// samples into floating point, so that such a file gives back the 16-bit samples it was made
// from; beyond full scale clipped, ties to even. (libsndfile's own conversion to 16 bits scales
// by the file's peak, which would change the level.) A value that is not a number is silence,
// and counted.
std::int16_t sixteenBitsOf(double value, std::int64_t& notNumbers) {
    if (std::isnan(value)) {
        ++notNumbers;
        return 0;
    }
    const double scaled = std::rint(value * 32768.0);
    return static_cast<std::int16_t>(std::clamp(scaled, -32768.0, 32767.0));
}

// What reading the chosen channel came to.
struct ChannelRead {
    std::int64_t frames = 0;      // the frames that arrived
    std::int64_t notNumbers = 0;  // floating-point samples that were NaN
    bool libraryError = false;
};

// The chosen channel's samples, read in blocks. Integer samples as libsndfile converts them to
// 16 bits; floating-point ones as sixteenBitsOf says. It stops at the first short read: a file
// that gives fewer frames than it said has changed or is damaged.
ChannelRead readChannel(SNDFILE* file, const SF_INFO& info, int channel, std::span<std::int16_t> samples) {
    ChannelRead read;
    const auto channels = static_cast<std::size_t>(info.channels);
    const bool floating = isFloatingPoint(info.format);
    if (channels == 1 && !floating) {
        read.frames = sf_readf_short(file, samples.data(), static_cast<sf_count_t>(samples.size()));
        read.libraryError = sf_error(file) != SF_ERR_NO_ERROR;
        return read;
    }
    constexpr std::size_t blockFrames = 16384;
    std::vector<double> block(floating ? blockFrames * channels : 0);
    std::vector<std::int16_t> shorts(floating ? 0 : blockFrames * channels);
    for (std::size_t done = 0; done < samples.size();) {
        const auto want = static_cast<sf_count_t>(std::min(blockFrames, samples.size() - done));
        const sf_count_t got =
            shorts.empty() ? sf_readf_double(file, block.data(), want) : sf_readf_short(file, shorts.data(), want);
        for (sf_count_t f = 0; f < got; ++f) {
            const std::size_t at = static_cast<std::size_t>(f) * channels + static_cast<std::size_t>(channel - 1);
            samples[done + static_cast<std::size_t>(f)] =
                shorts.empty() ? sixteenBitsOf(block[at], read.notNumbers) : shorts[at];
        }
        read.frames += got;
        done += static_cast<std::size_t>(std::max<sf_count_t>(got, 0));
        if (got < want) break;
    }
    read.libraryError = sf_error(file) != SF_ERR_NO_ERROR;
    return read;
}

// The samples into the recording, or why they cannot be had.
std::optional<std::string> loadChannel(SNDFILE* file, const SF_INFO& info, int channel, Recording& recording) {
    recording.wave.samples.assign(static_cast<std::size_t>(recording.wave.sampleCount), 0);
    const ChannelRead read = readChannel(file, info, channel, recording.wave.samples);
    const std::int64_t count = recording.wave.sampleCount;
    if (read.libraryError) return std::string(sf_strerror(file));
    if (read.frames < count)
        return "it ended after " + groupedNumber(read.frames) + " of its " + groupedNumber(count) +
               " samples: it changed while it was read, or is damaged";
    if (count > 0 && read.notNumbers == count)
        return count == 1 ? std::string("its one sample is not a number")
                          : "none of its " + groupedNumber(count) + " samples is a number";
    recording.notNumbers = read.notNumbers;
    if (read.notNumbers > 0)
        recording.description +=
            ", " + groupedNumber(read.notNumbers) + (read.notNumbers == 1 ? " sample" : " samples") + " not a number";
    return std::nullopt;
}

}  // namespace

std::variant<Recording, std::string> readRecording(const RecordingRequest& request) {
    OpenedFile opened = openForReadingOrSayWhy(request.name);
    if (!opened.file) return opened.why;
    return readRecordingFrom(*opened.file, request);
}

std::string readRecordingBlock(const RecordingRequest& request, std::int64_t from, std::int64_t count,
                               std::int16_t* into) {
    OpenedFile opened = openForReadingOrSayWhy(request.name);
    if (!opened.file) return opened.why;
    VirtualFile virtualFile{*opened.file};
    SF_VIRTUAL_IO io{lengthOf, seekTo, readFrom, writeNothing, positionOf};
    SF_INFO info{};
    const SndfileHandle file(sf_open_virtual(&io, SFM_READ, &info, &virtualFile));
    if (!file) return sf_strerror(nullptr);
    const int channel = request.channel == 0 ? 1 : request.channel;
    if (channel > info.channels || !readsAgain(info.format) || from < 0 || from + count > info.frames)
        return "it has changed since it was read";
    if (sf_seek(file.get(), from, SEEK_SET) != from) return sf_strerror(file.get());
    const ChannelRead read = readChannel(file.get(), info, channel,
                                         std::span(into, static_cast<std::size_t>(std::max<std::int64_t>(count, 0))));
    if (read.libraryError) return sf_strerror(file.get());
    if (read.frames < count) return "it ended early: it changed while it was read, or is damaged";
    return {};
}

std::variant<Recording, std::string> readRecordingFrom(ReadableFile& opened, const RecordingRequest& request) {
    VirtualFile virtualFile{opened};
    SF_VIRTUAL_IO io{lengthOf, seekTo, readFrom, writeNothing, positionOf};
    SF_INFO info{};
    const SndfileHandle file(sf_open_virtual(&io, SFM_READ, &info, &virtualFile));
    if (!file) return std::string(sf_strerror(nullptr));

    const SourceFormat source{info.samplerate, info.channels, info.frames, sampleKindOf(file.get(), info.format)};
    if (auto refusal = refusalOf(source, request.channel)) return *refusal;
    Recording recording = recordingOf(source, request);
    recording.readsAgain = readsAgain(info.format);
    if (!request.loadSamples) return recording;
    try {
        if (auto why = loadChannel(file.get(), info, request.channel == 0 ? 1 : request.channel, recording))
            return *why;
    } catch (const std::bad_alloc&) {
        return std::string(noMemoryForRecording);
    }
    return recording;
}

}  // namespace auralith
