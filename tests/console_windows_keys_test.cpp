// The Windows console's key events, as recorded from ReadConsoleInputW, turned into key presses.
#include <gtest/gtest.h>

#include <vector>

#include "job/console/windows_keys.h"

namespace auralith {
namespace {

using namespace consolekeys;

// Virtual-key codes of the keys below, as the Windows headers define them.
constexpr std::uint16_t vkBack = 0x08, vkTab = 0x09, vkReturn = 0x0D, vkEscape = 0x1B, vkSpace = 0x20;
constexpr std::uint16_t vkPrior = 0x21, vkNext = 0x22, vkEnd = 0x23, vkHome = 0x24, vkLeft = 0x25, vkUp = 0x26,
                        vkRight = 0x27, vkDown = 0x28, vkInsert = 0x2D, vkDelete = 0x2E, vkF1 = 0x70, vkF12 = 0x7B;
constexpr std::uint16_t vkCapital = 0x14, vkLShift = 0xA0, vkRMenu = 0xA5, vkNumpad4 = 0x64, vkPacket = 0xE7;
constexpr std::uint32_t shiftPressed = 0x0010, capsLockOn = 0x0080, enhancedKey = 0x0100;

ConsoleKeyEvent down(std::uint16_t vk, char16_t ch, std::uint32_t state = 0) { return {true, 1, vk, ch, state}; }
ConsoleKeyEvent up(std::uint16_t vk, char16_t ch, std::uint32_t state = 0) { return {false, 1, vk, ch, state}; }

std::vector<Key> translate(const std::vector<ConsoleKeyEvent>& events) {
    WindowsKeyTranslator translator;
    std::vector<Key> keys;
    for (const auto& event : events) translator.feed(event, keys);
    return keys;
}

::testing::AssertionResult isCharacter(const Key& key, char32_t code, const std::string& text) {
    if (key.kind != Key::Kind::character) return ::testing::AssertionFailure() << "not a character key";
    if (key.code != code) return ::testing::AssertionFailure() << "code " << static_cast<unsigned>(key.code);
    if (key.text != text) return ::testing::AssertionFailure() << "text '" << key.text << "'";
    return ::testing::AssertionSuccess();
}

TEST(WindowsKeys, TypedWordWithShiftCountsOnlyKeyDowns) {
    // "Ab" as a console records it: Shift down, A down, A up, Shift up, B down, B up.
    const auto keys = translate({down(vkShift, 0, shiftPressed), down('A', u'A', shiftPressed),
                                 up('A', u'A', shiftPressed), up(vkShift, 0), down('B', u'b'), up('B', u'b')});
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].kind, Key::Kind::modifierOnly);
    EXPECT_TRUE(isCharacter(keys[1], U'A', "A"));
    EXPECT_TRUE(isCharacter(keys[2], U'b', "b"));
}

TEST(WindowsKeys, EnterBackspaceEscTabAndCtrlCAreTheirCodes) {
    const auto keys =
        translate({down(vkReturn, u'\r'), down(vkBack, u'\b'), down(vkEscape, 0x1B), down(vkTab, u'\t'),
                   down(vkControl, 0, leftCtrlPressed), down('C', 3, leftCtrlPressed), down(vkSpace, u' ')});
    ASSERT_EQ(keys.size(), 7u);
    EXPECT_TRUE(isCharacter(keys[0], 13, ""));
    EXPECT_TRUE(isCharacter(keys[1], 8, ""));
    EXPECT_TRUE(isCharacter(keys[2], 27, ""));
    EXPECT_TRUE(isCharacter(keys[3], 9, ""));
    EXPECT_EQ(keys[4].kind, Key::Kind::modifierOnly);
    EXPECT_TRUE(isCharacter(keys[5], 3, ""));
    EXPECT_TRUE(isCharacter(keys[6], U' ', " "));
}

TEST(WindowsKeys, NavigationAndFunctionKeysYieldNoCharacter) {
    for (const std::uint16_t vk :
         {vkLeft, vkRight, vkUp, vkDown, vkHome, vkEnd, vkInsert, vkDelete, vkPrior, vkNext, vkF1, vkF12}) {
        const auto keys = translate({down(vk, 0, enhancedKey), up(vk, 0, enhancedKey)});
        ASSERT_EQ(keys.size(), 1u) << vk;
        EXPECT_EQ(keys[0].kind, Key::Kind::noCharacter) << vk;
    }
}

TEST(WindowsKeys, ModifiersAloneAreNoKeyPress) {
    for (const std::uint16_t vk : {vkShift, vkControl, vkMenu, vkCapital, vkLShift, vkRMenu, std::uint16_t{0x90},
                                   std::uint16_t{0x91}, std::uint16_t{0x5B}}) {
        const auto keys = translate({down(vk, 0, capsLockOn)});
        ASSERT_EQ(keys.size(), 1u) << vk;
        EXPECT_EQ(keys[0].kind, Key::Kind::modifierOnly) << vk;
    }
}

TEST(WindowsKeys, AutoRepeatGivesOneKeyPerRepeat) {
    const auto keys = translate({ConsoleKeyEvent{true, 3, 'X', u'x', 0}, ConsoleKeyEvent{true, 0, 'Y', u'y', 0}});
    ASSERT_EQ(keys.size(), 4u);
    for (int k = 0; k < 3; ++k) EXPECT_TRUE(isCharacter(keys[static_cast<std::size_t>(k)], U'x', "x"));
    EXPECT_TRUE(isCharacter(keys[3], U'y', "y"));
}

TEST(WindowsKeys, LettersOutsideAsciiBecomeUtf8) {
    const auto keys = translate({down(0xDE, u'ä'), down('W', u'ω'), down('D', u'д'), down(0, u'€')});
    ASSERT_EQ(keys.size(), 4u);
    EXPECT_TRUE(isCharacter(keys[0], U'ä', "\xC3\xA4"));
    EXPECT_TRUE(isCharacter(keys[1], U'ω', "\xCF\x89"));
    EXPECT_TRUE(isCharacter(keys[2], U'д', "\xD0\xB4"));
    EXPECT_TRUE(isCharacter(keys[3], U'€', "\xE2\x82\xAC"));
}

TEST(WindowsKeys, SurrogatePairsJoinIntoOneCharacter) {
    // U+1D49C MATHEMATICAL SCRIPT CAPITAL A (one cell wide) arrives as two VK_PACKET events.
    const auto keys =
        translate({down(vkPacket, 0xD835), up(vkPacket, 0xD835), down(vkPacket, 0xDC9C), up(vkPacket, 0xDC9C)});
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_TRUE(isCharacter(keys[0], U'\U0001D49C', "\xF0\x9D\x92\x9C"));
}

TEST(WindowsKeys, WideCharactersAndBrokenPairsYieldNoCharacter) {
    // An emoji (two cells wide), a CJK ideograph, a second half alone, a first half followed by
    // an ordinary key (which still counts).
    const auto keys = translate({down(vkPacket, 0xD83D), down(vkPacket, 0xDE00), down(vkPacket, u'中'),
                                 down(vkPacket, 0xDC9C), down(vkPacket, 0xD835), down('A', u'a')});
    ASSERT_EQ(keys.size(), 5u);
    EXPECT_EQ(keys[0].kind, Key::Kind::noCharacter);
    EXPECT_EQ(keys[1].kind, Key::Kind::noCharacter);
    EXPECT_EQ(keys[2].kind, Key::Kind::noCharacter);
    EXPECT_EQ(keys[3].kind, Key::Kind::noCharacter);
    EXPECT_TRUE(isCharacter(keys[4], U'a', "a"));
}

TEST(WindowsKeys, AltWithALetterIsDroppedButAltGrTypes) {
    // Alt+F, then AltGr+Q on a German layout (reported as right Alt with left Ctrl) giving '@'.
    const auto keys = translate({down(vkMenu, 0, leftAltPressed), down('F', u'f', leftAltPressed),
                                 down('Q', u'@', rightAltPressed | leftCtrlPressed)});
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].kind, Key::Kind::modifierOnly);
    EXPECT_EQ(keys[1].kind, Key::Kind::noCharacter);
    EXPECT_TRUE(isCharacter(keys[2], U'@', "@"));
}

TEST(WindowsKeys, AltWithNumpadDigitsTypesOnTheReleaseOfAlt) {
    // Alt held, 2 3 4 on the keypad, Alt released: the character comes with the release.
    const auto keys = translate({down(vkMenu, 0, leftAltPressed), down(vkNumpad4, 0, leftAltPressed),
                                 up(vkNumpad4, 0, leftAltPressed), up(vkMenu, u'ê')});
    ASSERT_EQ(keys.size(), 3u);
    EXPECT_EQ(keys[0].kind, Key::Kind::modifierOnly);
    EXPECT_EQ(keys[1].kind, Key::Kind::noCharacter);
    EXPECT_TRUE(isCharacter(keys[2], U'ê', "\xC3\xAA"));
}

TEST(WindowsKeys, CtrlBackspaceIsBackspace) {
    const auto keys = translate({down(vkBack, 0x7F, leftCtrlPressed)});
    ASSERT_EQ(keys.size(), 1u);
    EXPECT_TRUE(isCharacter(keys[0], 8, ""));
}

}  // namespace
}  // namespace auralith
