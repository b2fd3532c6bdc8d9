#include "wave/sofa/sofa_answer.h"

#include <algorithm>
#include <cstring>

#include "wave/files/limited_child.h"

namespace auralith {
namespace {

// A reason: 'W' and its text. Responses: 'H', then the rate and the taps (32-bit), the count of
// measurements (64-bit), the azimuths, the elevations and the taps as floats, all in the
// machine's own byte order: the two ends are one program on one machine.
constexpr unsigned char reasonTag = 'W', responsesTag = 'H';
constexpr std::size_t headerSize = 1 + 4 + 4 + 8;
constexpr std::size_t longestReason = 1024;

template <class T>
T valueAt(const unsigned char* at) {
    T value;
    std::memcpy(&value, at, sizeof value);
    return value;
}

std::optional<SofaAnswer> reasonFrom(const std::string& text) {
    if (text.empty() || text.size() > longestReason || text.find('\n') != std::string::npos) return std::nullopt;
    return SofaAnswer(text);
}

// Exactly n floats, as the arrays' whole content.
bool take(int fd, std::vector<float>& into, std::size_t n) {
    into.resize(n);
    return readWhole(fd, into.data(), n * sizeof(float)) == n * sizeof(float);
}

}  // namespace

bool writeSofaAnswer(int fd, const SofaAnswer& answer) {
    if (const auto* why = std::get_if<std::string>(&answer))
        return writeWhole(fd, &reasonTag, 1) && writeWhole(fd, why->data(), std::min(why->size(), longestReason));
    const SofaResponses& r = std::get<SofaResponses>(answer);
    unsigned char header[headerSize] = {responsesTag};
    const std::uint64_t count = r.azimuth.size();
    std::memcpy(header + 1, &r.rate, 4);
    std::memcpy(header + 5, &r.taps, 4);
    std::memcpy(header + 9, &count, 8);
    return writeWhole(fd, header, sizeof header) &&
           writeWhole(fd, r.azimuth.data(), r.azimuth.size() * sizeof(float)) &&
           writeWhole(fd, r.elevation.data(), r.elevation.size() * sizeof(float)) &&
           writeWhole(fd, r.values.data(), r.values.size() * sizeof(float));
}

std::optional<SofaAnswer> readSofaAnswer(int fd, std::int32_t rate, int longest, std::uint64_t largest) {
    unsigned char header[headerSize] = {};
    if (readWhole(fd, header, 1) != 1) return std::nullopt;
    if (header[0] == reasonTag) {
        std::string text(longestReason + 1, '\0');
        text.resize(readWhole(fd, text.data(), text.size()));
        return reasonFrom(text);
    }
    if (header[0] != responsesTag || readWhole(fd, header + 1, headerSize - 1) != headerSize - 1) return std::nullopt;
    SofaResponses r;
    r.rate = valueAt<std::int32_t>(header + 1);
    r.taps = valueAt<std::int32_t>(header + 5);
    const auto count = valueAt<std::uint64_t>(header + 9);
    if (r.rate != rate || r.taps < 1 || r.taps > longest) return std::nullopt;
    // Per measurement: its azimuth, its elevation and both ears' taps.
    const std::uint64_t each = (2 + 2 * static_cast<std::uint64_t>(r.taps)) * sizeof(float);
    if (count == 0 || count > largest / each) return std::nullopt;
    unsigned char beyond = 0;
    if (!take(fd, r.azimuth, count) || !take(fd, r.elevation, count) ||
        !take(fd, r.values, count * 2 * static_cast<std::size_t>(r.taps)) || readWhole(fd, &beyond, 1) != 0)
        return std::nullopt;
    return SofaAnswer(std::move(r));
}

}  // namespace auralith
