#include "job/console/key_decoder.h"

#include "job/console/char_width.h"

namespace auralith {

namespace {

constexpr std::uint8_t esc = 0x1B;
constexpr int longestSequence = 32;  // no key sends more; anything longer is noise

Key characterKey(char32_t code, std::string text = {}) {
    return Key{Key::Kind::character, code, std::move(text)};
}

Key noCharacterKey() { return Key{Key::Kind::noCharacter, 0, {}}; }

bool isFinalByte(std::uint8_t byte) { return byte >= 0x40 && byte <= 0x7E; }
bool isParameterOrIntermediate(std::uint8_t byte) { return byte >= 0x20 && byte <= 0x3F; }

}  // namespace

void KeyDecoder::feed(std::uint8_t byte, std::vector<Key>& out) {
    const bool crBefore = afterCr;
    afterCr = false;
    switch (state) {
    case State::escape:
        if (byte == '[') {
            state = State::csi;
            sequenceLength = 0;
            return;
        }
        if (byte == 'O') {
            state = State::ss3;
            sequenceLength = 0;
            return;
        }
        if (byte == esc) {
            out.push_back(characterKey(27));  // Esc pressed twice: the first one stands alone
            return;
        }
        state = State::ground;
        if (byte >= 0xC0) {
            // Alt with a non-ASCII character: read the whole character, then drop it.
            altPrefix = true;
            break;
        }
        out.push_back(noCharacterKey());  // Alt with a key
        return;
    case State::csi:
        if (sequenceLength == 0 && byte == '[') {
            state = State::linuxFunction;  // the Linux console's F1-F5: ESC [ [ A .. E
            return;
        }
        if (isFinalByte(byte) || !isParameterOrIntermediate(byte) || ++sequenceLength > longestSequence) {
            state = State::ground;
            out.push_back(noCharacterKey());
            if (isFinalByte(byte) || isParameterOrIntermediate(byte)) return;
            break;  // a control or non-ASCII byte cut the sequence short: it is a key of its own
        }
        return;
    case State::ss3:
        // ESC O x, possibly with a modifier parameter before the final byte (ESC O 1 ; 5 P).
        if (!isFinalByte(byte) && isParameterOrIntermediate(byte) && ++sequenceLength <= longestSequence) return;
        state = State::ground;
        out.push_back(noCharacterKey());
        if (isFinalByte(byte) || isParameterOrIntermediate(byte)) return;
        break;
    case State::linuxFunction:
        state = State::ground;
        out.push_back(noCharacterKey());
        if (byte >= 0x20 && byte < 0x7F) return;
        break;
    case State::utf8:
        if ((byte & 0xC0) == 0x80) {
            utf8Code = (utf8Code << 6) | (byte & 0x3Fu);
            utf8Bytes.push_back(static_cast<char>(byte));
            if (--utf8Missing > 0) return;
            state = State::ground;
            const bool fit = !altPrefix && utf8Code >= utf8Minimum && isSingleWidth(utf8Code);
            altPrefix = false;
            out.push_back(fit ? characterKey(utf8Code, utf8Bytes) : noCharacterKey());
            return;
        }
        // A character cut short: drop it and read this byte afresh.
        state = State::ground;
        altPrefix = false;
        out.push_back(noCharacterKey());
        break;
    case State::ground:
        break;
    }

    // Ground state: the byte starts a new key.
    if (byte == esc) {
        state = State::escape;
    } else if (byte == 0x7F || byte == 0x08) {
        out.push_back(characterKey(8));  // Backspace, whichever byte the terminal sends
    } else if (byte == '\r') {
        out.push_back(characterKey(13));
        afterCr = true;
    } else if (byte == '\n') {
        if (!crBefore) out.push_back(characterKey(13));
    } else if (byte < 0x20) {
        out.push_back(characterKey(byte));  // Tab, Ctrl+C and the other Ctrl keys
    } else if (byte < 0x7F) {
        out.push_back(characterKey(byte, std::string(1, static_cast<char>(byte))));
    } else if (byte >= 0xC2 && byte <= 0xF4) {
        state = State::utf8;
        utf8Missing = byte >= 0xF0 ? 3 : byte >= 0xE0 ? 2 : 1;
        utf8Minimum = byte >= 0xF0 ? 0x10000 : byte >= 0xE0 ? 0x800 : 0x80;
        utf8Code = byte & (byte >= 0xF0 ? 0x07u : byte >= 0xE0 ? 0x0Fu : 0x1Fu);
        utf8Bytes.assign(1, static_cast<char>(byte));
    } else {
        altPrefix = false;
        out.push_back(noCharacterKey());  // a stray continuation byte or an invalid lead byte
    }
}

void KeyDecoder::timeout(std::vector<Key>& out) {
    if (state == State::ground) return;
    out.push_back(state == State::escape ? characterKey(27) : noCharacterKey());
    state = State::ground;
    altPrefix = false;
}

}  // namespace auralith
