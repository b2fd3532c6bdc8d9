#include "job/console/char_width.h"

#include <algorithm>
#include <iterator>

namespace auralith {

namespace {

struct Range {
    char32_t first;
    char32_t last;
};

// Everything that does not take exactly one cell, sorted and non-overlapping. It covers the
// controls, the combining marks of the scripts in common use, the invisible format characters
// and the wide ranges; a rare mark missing here still gets a cell of its own when drawn. One
// range a line, with what it holds: the formatter leaves the table as it stands.
// clang-format off
constexpr Range unfit[] = {
    {0x0000, 0x001F},   // C0 controls
    {0x007F, 0x009F},   // DEL and C1 controls
    {0x00AD, 0x00AD},   // soft hyphen (format)
    {0x0300, 0x036F},   // combining diacritical marks
    {0x0483, 0x0489},   // Cyrillic combining marks
    {0x0591, 0x05BD},   // Hebrew points
    {0x05BF, 0x05BF},
    {0x05C1, 0x05C2},
    {0x05C4, 0x05C5},
    {0x05C7, 0x05C7},
    {0x0600, 0x0605},   // Arabic format characters
    {0x0610, 0x061A},   // Arabic marks
    {0x061C, 0x061C},
    {0x064B, 0x065F},
    {0x0670, 0x0670},
    {0x06D6, 0x06DD},
    {0x06DF, 0x06E4},
    {0x06E7, 0x06E8},
    {0x06EA, 0x06ED},
    {0x070F, 0x070F},   // Syriac abbreviation mark
    {0x0711, 0x0711},
    {0x0730, 0x074A},
    {0x07A6, 0x07B0},   // Thaana vowels
    {0x07EB, 0x07F3},   // NKo marks
    {0x0900, 0x0902},   // Devanagari marks
    {0x093A, 0x093A},
    {0x093C, 0x093C},
    {0x0941, 0x0948},
    {0x094D, 0x094D},
    {0x0951, 0x0957},
    {0x0962, 0x0963},
    {0x0981, 0x0981},   // Bengali marks
    {0x09BC, 0x09BC},
    {0x09C1, 0x09C4},
    {0x09CD, 0x09CD},
    {0x09E2, 0x09E3},
    {0x0E31, 0x0E31},   // Thai marks
    {0x0E34, 0x0E3A},
    {0x0E47, 0x0E4E},
    {0x1100, 0x11FF},   // Hangul Jamo: wide leading consonants, zero-width vowels and finals
    {0x180B, 0x180F},   // Mongolian variation selectors
    {0x1AB0, 0x1AFF},   // combining diacritical marks extended
    {0x1DC0, 0x1DFF},   // combining diacritical marks supplement
    {0x200B, 0x200F},   // zero-width space, joiners, direction marks
    {0x2028, 0x202E},   // line and paragraph separators, embeddings
    {0x2060, 0x206F},   // word joiner, invisible operators, isolates
    {0x20D0, 0x20FF},   // combining marks for symbols
    {0x231A, 0x231B},   // emoji presentation symbols from here to 0x2B55
    {0x2329, 0x232A},   // wide angle brackets
    {0x23E9, 0x23EC},
    {0x23F0, 0x23F0},
    {0x23F3, 0x23F3},
    {0x25FD, 0x25FE},
    {0x2614, 0x2615},
    {0x2648, 0x2653},
    {0x267F, 0x267F},
    {0x2693, 0x2693},
    {0x26A1, 0x26A1},
    {0x26AA, 0x26AB},
    {0x26BD, 0x26BE},
    {0x26C4, 0x26C5},
    {0x26CE, 0x26CE},
    {0x26D4, 0x26D4},
    {0x26EA, 0x26EA},
    {0x26F2, 0x26F3},
    {0x26F5, 0x26F5},
    {0x26FA, 0x26FA},
    {0x26FD, 0x26FD},
    {0x2705, 0x2705},
    {0x270A, 0x270B},
    {0x2728, 0x2728},
    {0x274C, 0x274C},
    {0x274E, 0x274E},
    {0x2753, 0x2755},
    {0x2757, 0x2757},
    {0x2795, 0x2797},
    {0x27B0, 0x27B0},
    {0x27BF, 0x27BF},
    {0x2B1B, 0x2B1C},
    {0x2B50, 0x2B50},
    {0x2B55, 0x2B55},
    {0x2CEF, 0x2CF1},   // Coptic combining marks
    {0x2DE0, 0x2DFF},   // Cyrillic extended-A (combining)
    {0x2E80, 0x303E},   // CJK radicals, ideographic description, CJK symbols and punctuation
    {0x3041, 0x33FF},   // kana, bopomofo, Hangul compatibility Jamo, CJK compatibility
    {0x3400, 0x4DBF},   // CJK extension A
    {0x4E00, 0xA4CF},   // CJK unified ideographs, Yi
    {0xA66F, 0xA672},   // Cyrillic extended-B combining marks
    {0xA674, 0xA67D},
    {0xA69E, 0xA69F},
    {0xA960, 0xA97F},   // Hangul Jamo extended-A
    {0xAC00, 0xD7A3},   // Hangul syllables
    {0xD7B0, 0xDFFF},   // Hangul Jamo extended-B, surrogates
    {0xF900, 0xFAFF},   // CJK compatibility ideographs
    {0xFDD0, 0xFDEF},   // non-characters
    {0xFE00, 0xFE0F},   // variation selectors
    {0xFE10, 0xFE19},   // vertical forms
    {0xFE20, 0xFE2F},   // combining half marks
    {0xFE30, 0xFE6F},   // CJK compatibility forms, small form variants
    {0xFEFF, 0xFEFF},   // zero-width no-break space
    {0xFF00, 0xFF60},   // fullwidth forms
    {0xFFE0, 0xFFE6},
    {0xFFF9, 0xFFFB},   // interlinear annotation (format)
    {0x1D167, 0x1D169}, // musical combining marks
    {0x1D173, 0x1D182},
    {0x16FE0, 0x18AFF}, // Tangut and ideographic symbols
    {0x1B000, 0x1B2FF}, // kana supplement and extensions, Nushu
    {0x1F004, 0x1F004}, // emoji from here to 0x1FAFF
    {0x1F0CF, 0x1F0CF},
    {0x1F18E, 0x1F18E},
    {0x1F191, 0x1F19A},
    {0x1F1E6, 0x1F202}, // regional indicators (flags), enclosed ideographs
    {0x1F210, 0x1F23B},
    {0x1F240, 0x1F248},
    {0x1F250, 0x1F251},
    {0x1F260, 0x1F265},
    {0x1F300, 0x1F64F}, // pictographs, emoticons, skin tone modifiers
    {0x1F680, 0x1F6FF}, // transport and map symbols
    {0x1F7E0, 0x1F7EB},
    {0x1F900, 0x1F9FF},
    {0x1FA70, 0x1FAFF},
    {0x20000, 0x3FFFD}, // CJK extensions B and beyond
    {0xE0000, 0xE0FFF}, // tags, variation selectors supplement
};
// clang-format on

}  // namespace

bool isSingleWidth(char32_t ch) {
    // Printable ASCII, almost every cell a screen holds, without the search: drawing a whole
    // screen asks about each of its 3 920 cells.
    if (ch >= 0x20 && ch < 0x7F) return true;
    if (ch > 0x10FFFF || (ch & 0xFFFE) == 0xFFFE) return false;  // beyond Unicode, U+xFFFE/U+xFFFF
    const auto* after = std::upper_bound(std::begin(unfit), std::end(unfit), ch,
                                         [](char32_t c, const Range& r) { return c < r.first; });
    if (after == std::begin(unfit)) return true;
    return ch > std::prev(after)->last;
}

}  // namespace auralith
