// The chunk walk of a RIFF/WAVE file.
#include "wave/wave_chunks.h"

#include <algorithm>

#include "wave/byte_order.h"

namespace auralith {
namespace {

// The file's first 12 bytes: "RIFF", the RIFF size (not used: writers that stream their output
// leave it 0 or wrong, and the chunks themselves say where everything is), "WAVE".
constexpr std::size_t riffHeaderLength = 12;
constexpr std::size_t chunkHeaderLength = 8;  // a tag, then the body's size, little-endian
constexpr std::uint32_t shortestFormat = 16;  // format, channels, rate, byte rate, align, bits

// A file of more chunks than this before both are found is not taken as well formed: each chunk
// costs one read, and no writer puts more than a handful before the samples.
constexpr int mostChunks = 1 << 16;

bool hasTag(const std::uint8_t* bytes, const char (&tag)[5]) { return std::equal(tag, tag + 4, bytes); }

// A chunk tag is four printable ASCII characters; anything else means the walk has lost its way
// (a writer that left out a padding byte, say).
bool isPrintableTag(const std::uint8_t* bytes) {
    return std::all_of(bytes, bytes + 4, [](std::uint8_t c) { return c >= 0x20 && c <= 0x7e; });
}

// The 16 bytes of the extensible format's PCM subformat, KSDATAFORMAT_SUBTYPE_PCM:
// 00000001-0000-0010-8000-00AA00389B71, its first three fields little-endian.
constexpr std::array<std::uint8_t, 16> pcmSubformat = {0x01, 0x00, 0x00, 0x00, 0x00, 0x00, 0x10, 0x00,
                                                       0x80, 0x00, 0x00, 0xAA, 0x00, 0x38, 0x9B, 0x71};

constexpr std::uint16_t pcmFormat = 1;
constexpr std::uint16_t extensibleFormat = 0xFFFE;
constexpr std::uint32_t extensibleLength = 40;  // 16, the extension's size, then 22 bytes of it

}  // namespace

std::optional<WaveChunks> findWaveChunks(ReadableFile& file) {
    std::uint8_t head[riffHeaderLength];
    if (file.readAt(0, head, riffHeaderLength) != riffHeaderLength || !hasTag(head, "RIFF") ||
        !hasTag(head + 8, "WAVE"))
        return std::nullopt;

    WaveChunks chunks;
    bool haveFormat = false;
    bool haveData = false;
    std::uint64_t at = riffHeaderLength;
    for (int k = 0; k < mostChunks && !(haveFormat && haveData); ++k) {
        std::uint8_t chunk[chunkHeaderLength];
        if (file.readAt(at, chunk, chunkHeaderLength) != chunkHeaderLength || !isPrintableTag(chunk)) break;
        const std::uint32_t size = loadLittle32(chunk, 4);
        const std::uint64_t body = at + chunkHeaderLength;
        if (!haveFormat && hasTag(chunk, "fmt ")) {
            if (size < shortestFormat) break;
            const std::size_t wanted = std::min<std::size_t>(size, chunks.format.size());
            if (file.readAt(body, chunks.format.data(), wanted) != wanted) break;
            chunks.formatLength = size;
            haveFormat = true;
        } else if (!haveData && hasTag(chunk, "data")) {
            chunks.dataSize = size;
            chunks.dataAt = body;
            haveData = true;
        }
        at = body + size + (size & 1);  // an odd chunk is followed by a padding byte
    }
    if (!haveFormat || !haveData) return std::nullopt;
    return chunks;
}

bool isPcmFormat(const WaveChunks& chunks) {
    const std::uint16_t code = loadLittle16(chunks.format.data(), formatCodeAt);
    if (code == pcmFormat) return true;
    return code == extensibleFormat && chunks.formatLength >= extensibleLength &&
           std::equal(pcmSubformat.begin(), pcmSubformat.end(), chunks.format.begin() + formatSubformatAt);
}

}  // namespace auralith
