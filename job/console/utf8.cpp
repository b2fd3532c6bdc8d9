#include "job/console/utf8.h"

#include <utility>

namespace auralith {

namespace {

constexpr char32_t replacement = U'\uFFFD';

bool isContinuation(std::uint8_t byte) { return (byte & 0xC0) == 0x80; }

bool hasUtf8Form(char32_t ch) { return ch <= 0x10FFFF && (ch < 0xD800 || ch > 0xDFFF); }

Utf8Step characterStep(char32_t code) { return Utf8Step{Utf8Step::Kind::character, code, 0, false, false}; }

Utf8Step invalidStep(int bytes, bool cutShort) { return Utf8Step{Utf8Step::Kind::invalid, 0, bytes, cutShort, false}; }

// A byte where a character must begin.
Utf8Step beginCharacter(Utf8Decoder& decoder, std::uint8_t lead) {
    if (lead < 0x80) return characterStep(lead);
    if (lead < 0xC2 || lead > 0xF4) return invalidStep(1, false);
    const int length = lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
    constexpr char32_t smallest[] = {0, 0, 0x80, 0x800, 0x10000};
    constexpr unsigned payload[] = {0, 0, 0x1F, 0x0F, 0x07};
    decoder.expected = length - 1;
    decoder.taken = 1;
    decoder.smallest = smallest[length];
    decoder.code = lead & payload[length];
    return {};
}

}  // namespace

void appendUtf8(std::string& out, char32_t ch) {
    if (!hasUtf8Form(ch)) ch = replacement;
    const auto put = [&](char32_t value) { out.push_back(static_cast<char>(value)); };
    if (ch < 0x80) {
        put(ch);
    } else if (ch < 0x800) {
        put(0xC0 | (ch >> 6));
        put(0x80 | (ch & 0x3F));
    } else if (ch < 0x10000) {
        put(0xE0 | (ch >> 12));
        put(0x80 | ((ch >> 6) & 0x3F));
        put(0x80 | (ch & 0x3F));
    } else {
        put(0xF0 | (ch >> 18));
        put(0x80 | ((ch >> 12) & 0x3F));
        put(0x80 | ((ch >> 6) & 0x3F));
        put(0x80 | (ch & 0x3F));
    }
}

Utf8Step Utf8Decoder::feed(std::uint8_t byte) {
    if (expected == 0) return beginCharacter(*this, byte);
    if (!isContinuation(byte)) {
        Utf8Step step = finish();
        step.readAgain = true;  // the byte may well begin the next character
        return step;
    }
    code = (code << 6) | (byte & 0x3Fu);
    ++taken;
    if (--expected > 0) return {};
    const int length = std::exchange(taken, 0);
    if (code < smallest || !hasUtf8Form(code)) return invalidStep(length, false);
    return characterStep(code);
}

Utf8Step Utf8Decoder::finish() {
    if (expected == 0) return {};
    expected = 0;
    return invalidStep(std::exchange(taken, 0), true);
}

std::u32string charactersFromUtf8(std::string_view utf8) {
    std::u32string characters;
    decodeUtf8(utf8, [&](const Utf8Step& step) {
        if (step.kind == Utf8Step::Kind::character) {
            characters.push_back(step.code);
        } else {
            characters.append(static_cast<std::size_t>(step.bytes), replacement);
        }
    });
    return characters;
}

}  // namespace auralith
