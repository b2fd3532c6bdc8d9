#include "report/shown_text.h"

#include <cstdint>

namespace auralith {
namespace {

// The length of the well-formed UTF-8 sequence at `at` (RFC 3629: no overlong forms, no
// surrogates, nothing past U+10FFFF), or 0 when the byte there begins none.
std::size_t sequenceLength(std::string_view text, std::size_t at) {
    const auto byte = [&](std::size_t k) { return static_cast<std::uint8_t>(text[at + k]); };
    const std::uint8_t lead = byte(0);
    if (lead < 0x80) return 1;
    std::size_t length = 0;
    std::uint8_t low = 0x80;  // the range of the second byte, which rules out the overlong forms
    std::uint8_t high = 0xBF;
    if (lead >= 0xC2 && lead <= 0xDF) {
        length = 2;
    } else if (lead >= 0xE0 && lead <= 0xEF) {
        length = 3;
        low = lead == 0xE0 ? 0xA0 : 0x80;
        high = lead == 0xED ? 0x9F : 0xBF;
    } else if (lead >= 0xF0 && lead <= 0xF4) {
        length = 4;
        low = lead == 0xF0 ? 0x90 : 0x80;
        high = lead == 0xF4 ? 0x8F : 0xBF;
    } else {
        return 0;
    }
    if (at + length > text.size() || byte(1) < low || byte(1) > high) return 0;
    for (std::size_t k = 2; k < length; ++k)
        if ((byte(k) & 0xC0) != 0x80) return 0;
    return length;
}

// C0 controls, DEL, and the C1 controls U+0080 .. U+009F (0xC2 0x80 .. 0xC2 0x9F in UTF-8).
bool isControl(std::string_view sequence) {
    const auto lead = static_cast<std::uint8_t>(sequence[0]);
    if (sequence.size() == 1) return lead < 0x20 || lead == 0x7F;
    return sequence.size() == 2 && lead == 0xC2 && static_cast<std::uint8_t>(sequence[1]) <= 0x9F;
}

std::string escaped(std::string_view bytes) {
    static constexpr char hex[] = "0123456789abcdef";
    std::string text;
    for (const char c : bytes) {
        const auto byte = static_cast<std::uint8_t>(c);
        text += std::string("\\x") + hex[byte >> 4] + hex[byte & 15];
    }
    return text;
}

template <typename Invalid>
std::string shown(std::string_view text, Invalid invalid) {
    std::string out;
    for (std::size_t at = 0; at < text.size();) {
        const std::size_t length = sequenceLength(text, at);
        if (length == 0) {
            out += invalid(text.substr(at, 1));
            ++at;
            continue;
        }
        const std::string_view sequence = text.substr(at, length);
        out += isControl(sequence) ? escaped(sequence) : std::string(sequence);
        at += length;
    }
    return out;
}

}  // namespace

std::string shownOnTerminal(std::string_view text) { return shown(text, escaped); }

std::string shownOnPage(std::string_view text) {
    return shown(text, [](std::string_view) { return std::string("\xEF\xBF\xBD"); });  // U+FFFD
}

}  // namespace auralith
