// UTF-8, the console's one text encoding: one encoder and one decoder. The decoder takes a byte
// at a time, so that the key decoder can use it on bytes as they arrive; whole texts go through
// the same decoder. It only says what the bytes are; each caller decides how an ill-formed run
// shows (one replacement per byte on the screen, one key without character, one '?' per run).
#pragma once

#include <cstdint>
#include <string>
#include <string_view>

namespace auralith {

// A character as UTF-8 bytes appended to `out`. Surrogates and values beyond U+10FFFF have no
// UTF-8 form: they are written as U+FFFD.
void appendUtf8(std::string& out, char32_t ch);

// What one byte (or the end of the input) made of the bytes fed so far.
struct Utf8Step {
    enum class Kind {
        none,       // nothing complete: a character has begun (or, at the end, none had)
        character,  // `code` is complete and well-formed
        invalid,    // the run of `bytes` bytes forms no character
    };
    Kind kind = Kind::none;
    char32_t code = 0;
    int bytes = 0;           // invalid: the length of the ill-formed run
    bool cutShort = false;   // invalid: a character begun, ended by another byte or by the end
    bool readAgain = false;  // the byte just fed ended a cut-short run without being part of it
};

// A lead byte announces the length of its character; the continuation bytes are taken first and
// the value judged at the end (an overlong form, a surrogate or a value beyond U+10FFFF is one
// invalid run of all its bytes), so that a key made of such bytes is one key. The leads C0, C1
// and F5..FF can only begin such a run: they are invalid at once, each a run of its own, as is a
// continuation byte where a character must begin.
struct Utf8Decoder {
    int expected = 0;       // continuation bytes still awaited
    int taken = 0;          // bytes of the character begun
    char32_t code = 0;      // its value so far
    char32_t smallest = 0;  // the least value of its length: anything less is an overlong form

    Utf8Step feed(std::uint8_t byte);
    // No further byte comes: a character begun is cut short.
    Utf8Step finish();
    bool pending() const { return expected > 0; }
};

// A whole text through the decoder: `visit` gets each character and each ill-formed run in
// order.
template <typename Visit>
void decodeUtf8(std::string_view text, Visit&& visit) {
    Utf8Decoder decoder;
    std::size_t i = 0;
    while (i < text.size()) {
        const Utf8Step step = decoder.feed(static_cast<std::uint8_t>(text[i]));
        if (!step.readAgain) ++i;
        if (step.kind != Utf8Step::Kind::none) visit(step);
    }
    const Utf8Step last = decoder.finish();
    if (last.kind != Utf8Step::Kind::none) visit(last);
}

// The characters of a text, one U+FFFD for each byte of an ill-formed run.
std::u32string charactersFromUtf8(std::string_view utf8);

}  // namespace auralith
