// One reader for each kind of sequence, in the manner of a terminal's input parser: the state
// says which reader takes the next byte. A reader returns true when its byte cut the sequence
// short; that byte then starts a new key and is read again in the ground state.
#include "job/console/key_decoder.h"

#include "job/console/char_width.h"

namespace auralith {

namespace {

using State = KeyDecoder::State;

constexpr std::uint8_t esc = 0x1B;
constexpr int longestSequence = 32;  // no key sends more; anything longer is noise

Key characterKey(char32_t code, std::string text = {}) { return Key{Key::Kind::character, code, std::move(text)}; }

// A printable character, with its UTF-8 bytes: they are the bytes as typed, since a well-formed
// character has only one UTF-8 form.
Key textKey(char32_t code) {
    std::string text;
    appendUtf8(text, code);
    return characterKey(code, std::move(text));
}

Key noCharacterKey() { return Key{Key::Kind::noCharacter, 0, {}}; }

bool isFinalByte(std::uint8_t byte) { return byte >= 0x40 && byte <= 0x7E; }
bool isParameterOrIntermediate(std::uint8_t byte) { return byte >= 0x20 && byte <= 0x3F; }

// A byte that a CSI or SS3 sequence goes on with, unless the sequence has grown endless.
bool continuesSequence(KeyDecoder& decoder, std::uint8_t byte) {
    return !isFinalByte(byte) && isParameterOrIntermediate(byte) && ++decoder.sequenceLength <= longestSequence;
}

// The sequence ends with this byte, as a key that yields no character. A control or non-ASCII
// byte cannot belong to it: that byte cut it short.
bool endSequence(KeyDecoder& decoder, std::uint8_t byte, std::vector<Key>& out) {
    decoder.state = State::ground;
    out.push_back(noCharacterKey());
    return !isFinalByte(byte) && !isParameterOrIntermediate(byte);
}

// After ESC: a CSI or SS3 sequence, another Esc, or Alt with a key.
bool readAfterEscape(KeyDecoder& decoder, std::uint8_t byte, std::vector<Key>& out) {
    if (byte == '[' || byte == 'O') {
        decoder.state = byte == '[' ? State::csi : State::ss3;
        decoder.sequenceLength = 0;
        return false;
    }
    if (byte == esc) {
        out.push_back(characterKey(27));  // Esc pressed twice: the first one stands alone
        return false;
    }
    decoder.state = State::ground;
    if (byte >= 0xC0) {
        // Alt with a non-ASCII character: read the whole character, then drop it.
        decoder.altPrefix = true;
        return true;
    }
    out.push_back(noCharacterKey());  // Alt with a key
    return false;
}

// ESC [ parameters final, or the Linux console's F1-F5: ESC [ [ A .. E.
bool readCsi(KeyDecoder& decoder, std::uint8_t byte, std::vector<Key>& out) {
    if (decoder.sequenceLength == 0 && byte == '[') {
        decoder.state = State::linuxFunction;
        return false;
    }
    if (continuesSequence(decoder, byte)) return false;
    return endSequence(decoder, byte, out);
}

// ESC O x, possibly with a modifier parameter before the final byte (ESC O 1 ; 5 P).
bool readSs3(KeyDecoder& decoder, std::uint8_t byte, std::vector<Key>& out) {
    if (continuesSequence(decoder, byte)) return false;
    return endSequence(decoder, byte, out);
}

// The letter of ESC [ [ x; anything but a printable ASCII byte cut the sequence short.
bool readLinuxFunction(KeyDecoder& decoder, std::uint8_t byte, std::vector<Key>& out) {
    decoder.state = State::ground;
    out.push_back(noCharacterKey());
    return byte < 0x20 || byte >= 0x7F;
}

// A byte of a non-ASCII character. The character is a key when it fits one cell and was not
// typed with Alt; one cut short, ill-formed or too wide is one key without character.
bool readCharacter(KeyDecoder& decoder, std::uint8_t byte, std::vector<Key>& out) {
    const Utf8Step step = decoder.utf8.feed(byte);
    if (step.kind == Utf8Step::Kind::none) {
        decoder.state = State::utf8;
        return false;
    }
    const bool fits = step.kind == Utf8Step::Kind::character && !decoder.altPrefix && isSingleWidth(step.code);
    decoder.state = State::ground;
    decoder.altPrefix = false;
    out.push_back(fits ? textKey(step.code) : noCharacterKey());
    return step.readAgain;
}

// A byte that starts a new key.
void readGround(KeyDecoder& decoder, std::uint8_t byte, bool crBefore, std::vector<Key>& out) {
    if (byte == esc) {
        decoder.state = State::escape;
    } else if (byte == 0x7F || byte == 0x08) {
        out.push_back(characterKey(8));  // Backspace, whichever byte the terminal sends
    } else if (byte == '\r') {
        out.push_back(characterKey(13));
        decoder.afterCr = true;
    } else if (byte == '\n') {
        if (!crBefore) out.push_back(characterKey(13));
    } else if (byte < 0x20) {
        out.push_back(characterKey(byte));  // Tab, Ctrl+C and the other Ctrl keys
    } else if (byte < 0x7F) {
        out.push_back(characterKey(byte, std::string(1, static_cast<char>(byte))));
    } else {
        readCharacter(decoder, byte, out);  // the first byte of a non-ASCII character, or a stray one
    }
}

// The byte in the decoder's current state; true when it must be read in the ground state.
bool readInState(KeyDecoder& decoder, std::uint8_t byte, std::vector<Key>& out) {
    switch (decoder.state) {
        case State::escape: return readAfterEscape(decoder, byte, out);
        case State::csi: return readCsi(decoder, byte, out);
        case State::ss3: return readSs3(decoder, byte, out);
        case State::linuxFunction: return readLinuxFunction(decoder, byte, out);
        case State::utf8: return readCharacter(decoder, byte, out);
        case State::ground: return true;
    }
    return true;
}

}  // namespace

void KeyDecoder::feed(std::uint8_t byte, std::vector<Key>& out) {
    const bool crBefore = afterCr;
    afterCr = false;
    if (readInState(*this, byte, out)) readGround(*this, byte, crBefore, out);
}

void KeyDecoder::timeout(std::vector<Key>& out) {
    if (state == State::ground) return;
    out.push_back(state == State::escape ? characterKey(27) : noCharacterKey());
    state = State::ground;
    altPrefix = false;
    utf8 = Utf8Decoder{};  // a character begun is dropped with its key
}

}  // namespace auralith
