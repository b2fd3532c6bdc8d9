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

std::optional<SofaAnswer> reasonFrom(std::span<const unsigned char> text) {
    if (text.empty() || text.size() > longestReason || std::find(text.begin(), text.end(), '\n') != text.end())
        return std::nullopt;
    return SofaAnswer(std::string(text.begin(), text.end()));
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

std::optional<SofaAnswer> readSofaAnswer(std::span<const unsigned char> bytes, std::int32_t rate, int longest) {
    if (bytes.empty()) return std::nullopt;
    if (bytes[0] == reasonTag) return reasonFrom(bytes.subspan(1));
    if (bytes[0] != responsesTag || bytes.size() < headerSize) return std::nullopt;
    SofaResponses r;
    r.rate = valueAt<std::int32_t>(bytes.data() + 1);
    r.taps = valueAt<std::int32_t>(bytes.data() + 5);
    const auto count = valueAt<std::uint64_t>(bytes.data() + 9);
    if (r.rate != rate || r.taps < 1 || r.taps > longest || (bytes.size() - headerSize) % sizeof(float) != 0)
        return std::nullopt;
    // Per measurement: its azimuth, its elevation and both ears' taps.
    const std::uint64_t floats = (bytes.size() - headerSize) / sizeof(float),
                        each = 2 + 2 * static_cast<std::uint64_t>(r.taps);
    if (count == 0 || floats % each != 0 || floats / each != count) return std::nullopt;
    const auto* from = bytes.data() + headerSize;
    const auto take = [&from](std::vector<float>& into, std::size_t n) {
        into.resize(n);
        std::memcpy(into.data(), from, n * sizeof(float));
        from += n * sizeof(float);
    };
    take(r.azimuth, count);
    take(r.elevation, count);
    take(r.values, count * 2 * static_cast<std::size_t>(r.taps));
    return SofaAnswer(std::move(r));
}

}  // namespace auralith
