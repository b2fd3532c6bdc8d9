// The key decoder on recorded byte streams, and the cell-width table behind it.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "job/console/char_width.h"
#include "job/console/key_decoder.h"

namespace auralith {
namespace {

std::vector<Key> decode(const std::string& bytes, bool thenTimeout = true) {
    KeyDecoder decoder;
    std::vector<Key> keys;
    for (char b : bytes) decoder.feed(static_cast<std::uint8_t>(b), keys);
    if (thenTimeout) decoder.timeout(keys);
    return keys;
}

// A compact picture of keys: "c13" a character with code 13, "n" no character.
std::string describe(const std::vector<Key>& keys) {
    std::string out;
    for (const Key& key : keys) {
        if (!out.empty()) out += ' ';
        switch (key.kind) {
            case Key::Kind::character: out += 'c' + std::to_string(static_cast<unsigned>(key.code)); break;
            case Key::Kind::noCharacter: out += 'n'; break;
            case Key::Kind::modifierOnly: out += 'm'; break;
            case Key::Kind::endOfInput: out += 'e'; break;
        }
    }
    return out;
}

TEST(CharWidth, SingleWidthScriptsAreAccepted) {
    for (char32_t ch : {U'a', U'Z', U' ', U'~', U'é', U'ß', U'Ω', U'λ', U'Ж', U'я', U'€', U'─', U'\u00A0'})
        EXPECT_TRUE(isSingleWidth(ch)) << static_cast<unsigned>(ch);
}

TEST(CharWidth, ControlsMarksWideAndInvalidAreRefused) {
    for (char32_t ch : {U'\0',
                        U'\t',
                        U'\x1b',
                        U'\x7f',
                        char32_t{0x85},
                        char32_t{0x9F},  // controls
                        char32_t{0x0301},
                        char32_t{0x20D7},
                        char32_t{0xFE0F},  // combining, selector
                        char32_t{0x200B},
                        char32_t{0x200D},
                        char32_t{0xFEFF},
                        char32_t{0x00AD},  // zero width, format
                        U'中',
                        U'あ',
                        U'한',
                        U'Ａ',
                        char32_t{0x1F600},
                        char32_t{0x1F1E9},
                        char32_t{0x20000},
                        char32_t{0xD800},
                        char32_t{0xDFFF},
                        char32_t{0xFFFF},
                        char32_t{0x110000}})
        EXPECT_FALSE(isSingleWidth(ch)) << std::hex << static_cast<unsigned>(ch);
}

TEST(KeyDecoderCharacters, AsciiPrintableCarriesItsByte) {
    const auto keys = decode("aZ 9~");
    ASSERT_EQ(describe(keys), "c97 c90 c32 c57 c126");
    EXPECT_EQ(keys[0].text, "a");
    EXPECT_EQ(keys[2].text, " ");
    EXPECT_EQ(keys[4].text, "~");
}

TEST(KeyDecoderCharacters, BackspaceEitherByte) {
    const auto keys = decode("\x7f\x08");
    EXPECT_EQ(describe(keys), "c8 c8");
    EXPECT_TRUE(keys[0].text.empty());
}

TEST(KeyDecoderCharacters, EnterAsCrLfOrCrLf) {
    EXPECT_EQ(describe(decode("\r")), "c13");
    EXPECT_EQ(describe(decode("\n")), "c13");
    EXPECT_EQ(describe(decode("\r\n")), "c13");
    EXPECT_EQ(describe(decode("a\r\nb\r\n")), "c97 c13 c98 c13");
    EXPECT_EQ(describe(decode("\r\r")), "c13 c13");
    EXPECT_EQ(describe(decode("\n\n")), "c13 c13");
    EXPECT_EQ(describe(decode("\n\r")), "c13 c13");
    EXPECT_EQ(describe(decode("\r\n\n")), "c13 c13");  // only the LF right after a CR is swallowed
    EXPECT_EQ(describe(decode("\rx\n")), "c13 c120 c13");
}

TEST(KeyDecoderCharacters, ControlBytesKeepTheirCode) {
    EXPECT_EQ(describe(decode("\x03\t\x01\x1a")), "c3 c9 c1 c26");
    EXPECT_EQ(describe(decode(std::string(1, '\0'))), "c0");
}

TEST(KeyDecoderEscape, LoneEscResolvedByTimeout) {
    KeyDecoder decoder;
    std::vector<Key> keys;
    decoder.feed(0x1b, keys);
    EXPECT_TRUE(keys.empty());
    EXPECT_TRUE(decoder.pending());
    decoder.timeout(keys);
    EXPECT_EQ(describe(keys), "c27");
    EXPECT_FALSE(decoder.pending());
    decoder.timeout(keys);  // nothing pending: nothing more
    EXPECT_EQ(keys.size(), 1u);
}

TEST(KeyDecoderEscape, AltLetterYieldsNoCharacter) {
    EXPECT_EQ(describe(decode("\x1bx")), "n");
    EXPECT_EQ(describe(decode("\x1bxy")), "n c121");
    EXPECT_EQ(describe(decode("\x1b\r")), "n");
    EXPECT_EQ(describe(decode("\x1b\xc3\xa9z")), "n c122");  // Alt+é: the whole character dropped
}

TEST(KeyDecoderEscape, EscTwiceThenTimeout) {
    EXPECT_EQ(describe(decode("\x1b\x1b")), "c27 c27");
    EXPECT_EQ(describe(decode("\x1b\x1b[A")), "c27 n");
}

TEST(KeyDecoderEscape, CursorAndEditingKeys) {
    for (const char* seq : {"\x1b[A",  "\x1b[B",  "\x1b[C",  "\x1b[D",    "\x1b[H",    "\x1b[F",    "\x1bOA",
                            "\x1bOH",  "\x1bOF",  "\x1b[1~", "\x1b[2~",   "\x1b[3~",   "\x1b[4~",   "\x1b[5~",
                            "\x1b[6~", "\x1b[7~", "\x1b[8~", "\x1b[1;5C", "\x1b[1;2D", "\x1b[3;5~", "\x1b[Z"}) {
        const auto keys = decode(seq, false);
        EXPECT_EQ(describe(keys), "n") << seq + 1;
    }
}

TEST(KeyDecoderEscape, FunctionKeys) {
    for (const char* seq :
         {"\x1bOP", "\x1bOQ", "\x1bOR", "\x1bOS", "\x1b[11~", "\x1b[15~", "\x1b[17~", "\x1b[18~", "\x1b[19~",
          "\x1b[20~", "\x1b[21~", "\x1b[23~", "\x1b[24~", "\x1b[1;2P", "\x1bO2P", "\x1b[[A", "\x1b[[E", "\x1b[15;5~"}) {
        const auto keys = decode(seq, false);
        EXPECT_EQ(describe(keys), "n") << seq + 1;
    }
}

TEST(KeyDecoderEscape, SequenceThenTextIsNotSwallowed) {
    EXPECT_EQ(describe(decode("\x1b[Aab\x1b[15~\r")), "n c97 c98 n c13");
    EXPECT_EQ(describe(decode("\x1bOPx")), "n c120");
    EXPECT_EQ(describe(decode("\x1b[[Bq")), "n c113");
}

TEST(KeyDecoderEscape, SplitSequencesByteByByte) {
    KeyDecoder decoder;
    std::vector<Key> keys;
    const std::string stream = "\x1b[1;5C\x1bOQ\xce\xa9\x1b[24~";
    std::vector<std::size_t> countAfterByte;
    for (char b : stream) {
        decoder.feed(static_cast<std::uint8_t>(b), keys);
        countAfterByte.push_back(keys.size());
    }
    EXPECT_EQ(describe(keys), "n n c937 n");
    // A key appears only with the last byte of its sequence.
    EXPECT_EQ(countAfterByte, (std::vector<std::size_t>{0, 0, 0, 0, 0, 1, 1, 1, 2, 2, 3, 3, 3, 3, 3, 4}));
    EXPECT_FALSE(decoder.pending());
}

TEST(KeyDecoderEscape, UnfinishedSequenceAtTimeout) {
    EXPECT_EQ(describe(decode("\x1b[")), "n");  // Alt+[
    EXPECT_EQ(describe(decode("\x1bO")), "n");  // Alt+O
    EXPECT_EQ(describe(decode("\x1b[1;")), "n");
}

TEST(KeyDecoderEscape, SequenceCutByControlByte) {
    EXPECT_EQ(describe(decode("\x1b[1\r")), "n c13");
    EXPECT_EQ(describe(decode("\x1b[1\x1b[B")), "n n");
}

TEST(KeyDecoderUtf8, LatinGreekCyrillicAccepted) {
    const auto keys = decode("\xc3\xa9\xce\xbb\xd0\x96\xe2\x82\xac");  // é λ Ж €
    ASSERT_EQ(describe(keys), "c233 c955 c1046 c8364");
    EXPECT_EQ(keys[0].text, "\xc3\xa9");
    EXPECT_EQ(keys[1].text, "\xce\xbb");
    EXPECT_EQ(keys[2].text, "\xd0\x96");
    EXPECT_EQ(keys[3].text, "\xe2\x82\xac");
}

TEST(KeyDecoderUtf8, WideCombiningAndEmojiDropped) {
    EXPECT_EQ(describe(decode("\xe4\xb8\xad")), "n");      // 中
    EXPECT_EQ(describe(decode("\xef\xbc\xa1")), "n");      // fullwidth A
    EXPECT_EQ(describe(decode("\xf0\x9f\x98\x80")), "n");  // emoji
    EXPECT_EQ(describe(decode("e\xcc\x81")), "c101 n");    // e + combining acute
    EXPECT_EQ(describe(decode("\xe2\x80\x8b")), "n");      // zero-width space
    EXPECT_EQ(describe(decode("\xc2\x85")), "n");          // C1 control
}

TEST(KeyDecoderUtf8, MalformedDropped) {
    EXPECT_EQ(describe(decode("\x80")), "n");              // stray continuation
    EXPECT_EQ(describe(decode("\xc0\xaf")), "n n");        // overlong lead, then stray byte
    EXPECT_EQ(describe(decode("\xe0\x80\xaf")), "n");      // overlong three-byte form
    EXPECT_EQ(describe(decode("\xed\xa0\x80")), "n");      // surrogate
    EXPECT_EQ(describe(decode("\xf4\x90\x80\x80")), "n");  // beyond U+10FFFF
    EXPECT_EQ(describe(decode("\xff")), "n");
    EXPECT_EQ(describe(decode("\xc3x")), "n c120");  // cut short by an ASCII byte
    EXPECT_EQ(describe(decode("\xe2\x82")), "n");    // cut short by the end of input
}
}  // namespace
}  // namespace auralith
