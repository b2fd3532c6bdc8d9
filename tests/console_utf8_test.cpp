// The console's UTF-8 unit: the encoder, the byte-by-byte decoder, and whole texts as cells.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "job/console/utf8.h"

namespace auralith {
namespace {

// A compact picture of the steps of a whole text: "c233" a character, "i3" an invalid run of
// three bytes, "s2" an invalid run of two bytes cut short.
std::string steps(std::string_view text) {
    std::string out;
    decodeUtf8(text, [&](const Utf8Step& step) {
        if (!out.empty()) out += ' ';
        if (step.kind == Utf8Step::Kind::character) {
            out += 'c' + std::to_string(static_cast<unsigned>(step.code));
        } else {
            out += (step.cutShort ? 's' : 'i') + std::to_string(step.bytes);
        }
    });
    return out;
}

std::string encoded(char32_t ch) {
    std::string out;
    appendUtf8(out, ch);
    return out;
}

// --- Text to cells ---

TEST(ScreenText, EachUtf8CharacterIsOneCharacter) {
    EXPECT_EQ(charactersFromUtf8("a\xC3\xA9\xCE\xA9\xD0\x96\xE2\x82\xAC\xF0\x9F\x8E\xB5"),
              (std::u32string{U'a', U'é', U'Ω', U'Ж', U'€', U'\U0001F3B5'}));
    EXPECT_EQ(charactersFromUtf8(""), std::u32string{});
}

TEST(ScreenText, EveryInvalidByteBecomesAReplacementCharacter) {
    EXPECT_EQ(charactersFromUtf8("\xFF"), U"\uFFFD");
    EXPECT_EQ(charactersFromUtf8("a\x80z"), U"a\uFFFDz");                            // stray continuation byte
    EXPECT_EQ(charactersFromUtf8("\xC3"), U"\uFFFD");                                // cut off at the end
    EXPECT_EQ(charactersFromUtf8("\xC3z"), U"\uFFFDz");                              // continuation missing
    EXPECT_EQ(charactersFromUtf8("\xC0\xAF"), U"\uFFFD\uFFFD");                      // overlong '/'
    EXPECT_EQ(charactersFromUtf8("\xED\xA0\x80"), U"\uFFFD\uFFFD\uFFFD");            // a surrogate
    EXPECT_EQ(charactersFromUtf8("\xF4\x90\x80\x80"), U"\uFFFD\uFFFD\uFFFD\uFFFD");  // beyond U+10FFFF
}

TEST(ScreenText, CharactersEncodeBackToTheirUtf8Bytes) {
    std::string text;
    for (char32_t ch : std::u32string{U'a', U'é', U'Ω', U'Ж', U'€', U'\U0001F3B5'}) appendUtf8(text, ch);
    EXPECT_EQ(text, "a\xC3\xA9\xCE\xA9\xD0\x96\xE2\x82\xAC\xF0\x9F\x8E\xB5");
}

TEST(ScreenText, MoreIllFormedRunsGiveOneReplacementPerByte) {
    EXPECT_EQ(charactersFromUtf8("\xE2\x82z"), U"\uFFFD\uFFFDz");                    // cut short by a byte
    EXPECT_EQ(charactersFromUtf8("\xE2\x82"), U"\uFFFD\uFFFD");                      // cut short by the end
    EXPECT_EQ(charactersFromUtf8("\xE0\x80\xAF"), U"\uFFFD\uFFFD\uFFFD");            // overlong three-byte '/'
    EXPECT_EQ(charactersFromUtf8("\xF5\x80\x80\x80"), U"\uFFFD\uFFFD\uFFFD\uFFFD");  // no lead past F4
    EXPECT_EQ(charactersFromUtf8("\xC3\xC3\xA9"), U"\uFFFD\u00E9");                  // the cutting byte begins anew
}

// --- The encoder ---

TEST(Utf8Encoder, EachLengthAtItsEdges) {
    EXPECT_EQ(encoded(0x00), std::string(1, '\0'));
    EXPECT_EQ(encoded(0x7F), "\x7F");
    EXPECT_EQ(encoded(0x80), "\xC2\x80");
    EXPECT_EQ(encoded(0x7FF), "\xDF\xBF");
    EXPECT_EQ(encoded(0x800), "\xE0\xA0\x80");
    EXPECT_EQ(encoded(0xFFFF), "\xEF\xBF\xBF");
    EXPECT_EQ(encoded(0x10000), "\xF0\x90\x80\x80");
    EXPECT_EQ(encoded(0x10FFFF), "\xF4\x8F\xBF\xBF");
}

TEST(Utf8Encoder, ValuesWithoutAUtf8FormBecomeTheReplacementCharacter) {
    for (char32_t ch : {char32_t{0xD800}, char32_t{0xDFFF}, char32_t{0x110000}, char32_t{0xFFFFFFFF}})
        EXPECT_EQ(encoded(ch), "\xEF\xBF\xBD") << std::hex << static_cast<unsigned>(ch);
}

TEST(Utf8Encoder, EveryCharacterDecodesBackToItself) {
    for (char32_t ch = 0; ch <= 0x10FFFF; ch += ch < 0x1000 ? 1 : 97) {
        if (ch >= 0xD800 && ch <= 0xDFFF) continue;
        EXPECT_EQ(steps(encoded(ch)), 'c' + std::to_string(static_cast<unsigned>(ch)));
    }
}

// --- The decoder, byte by byte ---

TEST(Utf8Decoder, ACharacterIsReportedWithItsLastByte) {
    Utf8Decoder decoder;
    EXPECT_EQ(decoder.feed(0xE2).kind, Utf8Step::Kind::none);
    EXPECT_TRUE(decoder.pending());
    EXPECT_EQ(decoder.feed(0x82).kind, Utf8Step::Kind::none);
    const Utf8Step last = decoder.feed(0xAC);
    EXPECT_EQ(last.kind, Utf8Step::Kind::character);
    EXPECT_EQ(last.code, U'€');
    EXPECT_FALSE(last.readAgain);
    EXPECT_FALSE(decoder.pending());
    EXPECT_EQ(decoder.feed('a').code, U'a');
}

TEST(Utf8Decoder, AByteThatCutsACharacterShortIsToBeReadAgain) {
    Utf8Decoder decoder;
    decoder.feed(0xF0);
    decoder.feed(0x9F);
    const Utf8Step cut = decoder.feed('x');
    EXPECT_EQ(cut.kind, Utf8Step::Kind::invalid);
    EXPECT_EQ(cut.bytes, 2);
    EXPECT_TRUE(cut.cutShort);
    EXPECT_TRUE(cut.readAgain);
    EXPECT_FALSE(decoder.pending());
    const Utf8Step again = decoder.feed('x');
    EXPECT_EQ(again.kind, Utf8Step::Kind::character);
    EXPECT_EQ(again.code, U'x');
}

TEST(Utf8Decoder, TheEndCutsACharacterShort) {
    Utf8Decoder decoder;
    EXPECT_EQ(decoder.finish().kind, Utf8Step::Kind::none);  // nothing begun: nothing to report
    decoder.feed(0xE2);
    decoder.feed(0x82);
    const Utf8Step end = decoder.finish();
    EXPECT_EQ(end.kind, Utf8Step::Kind::invalid);
    EXPECT_EQ(end.bytes, 2);
    EXPECT_TRUE(end.cutShort);
    EXPECT_FALSE(end.readAgain);
    EXPECT_FALSE(decoder.pending());
}

TEST(Utf8Decoder, WholeSequencesWithoutACharacterAreOneRun) {
    EXPECT_EQ(steps("\xE0\x80\xAF"), "i3");      // overlong
    EXPECT_EQ(steps("\xF0\x80\x80\xAF"), "i4");  // overlong
    EXPECT_EQ(steps("\xED\xA0\x80"), "i3");      // a surrogate
    EXPECT_EQ(steps("\xED\xBF\xBF"), "i3");
    EXPECT_EQ(steps("\xF4\x90\x80\x80"), "i4");  // beyond U+10FFFF
}

TEST(Utf8Decoder, BytesThatCannotBeginACharacterAreRunsOfOne) {
    EXPECT_EQ(steps("\x80\xBF"), "i1 i1");  // stray continuation bytes
    EXPECT_EQ(steps("\xC0\xAF"), "i1 i1");  // C0 and C1 could only begin overlong forms
    EXPECT_EQ(steps("\xC1\xBF"), "i1 i1");
    EXPECT_EQ(steps("\xF5\x80"), "i1 i1");  // F5 and above only values past U+10FFFF
    EXPECT_EQ(steps("\xFE\xFF"), "i1 i1");
}

TEST(Utf8Decoder, CutShortRunsCountTheirBytes) {
    EXPECT_EQ(steps("\xC3z"), "s1 c122");
    EXPECT_EQ(steps("\xE2\x82z"), "s2 c122");
    EXPECT_EQ(steps("\xF0\x9F\x98\x1B"), "s3 c27");
    EXPECT_EQ(steps("\xF0\x9F\x98"), "s3");
    EXPECT_EQ(steps("\xE2\xF0\x9F\x98\x80"), "s1 c128512");  // a lead cuts short and begins anew
}

TEST(Utf8Decoder, TheEdgesOfEachLength) {
    EXPECT_EQ(steps("\xC2\x80\xDF\xBF"), "c128 c2047");
    EXPECT_EQ(steps("\xE0\xA0\x80\xEF\xBF\xBF"), "c2048 c65535");
    EXPECT_EQ(steps("\xED\x9F\xBF\xEE\x80\x80"), "c55295 c57344");  // either side of the surrogates
    EXPECT_EQ(steps("\xF0\x90\x80\x80\xF4\x8F\xBF\xBF"), "c65536 c1114111");
}

}  // namespace
}  // namespace auralith
