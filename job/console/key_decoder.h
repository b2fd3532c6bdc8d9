// Turns the bytes a terminal (or a pipe) sends into key presses. Pure: no I/O, no clock. The
// caller feeds bytes as they come and calls timeout() when no byte followed a pending Esc
// within a short time, or when the input has ended.
#pragma once

#include <cstdint>
#include <vector>

#include "job/console/keys.h"
#include "job/console/utf8.h"

namespace auralith {

struct KeyDecoder {
    enum class State { ground, escape, csi, ss3, linuxFunction, utf8 };

    State state = State::ground;
    bool afterCr = false;    // a LF right after a CR belongs to the same Enter
    bool altPrefix = false;  // the UTF-8 character being read followed an Esc (Alt+character)
    int sequenceLength = 0;  // bytes of the escape sequence so far, to give up on endless ones
    Utf8Decoder utf8;        // the non-ASCII character being read

    // Takes one byte; appends the keys it completes to `out` (none, one or two).
    void feed(std::uint8_t byte, std::vector<Key>& out);
    // No further byte came (short timeout or end of input): a lone Esc becomes code 27, any
    // unfinished sequence becomes a key that yields no character.
    void timeout(std::vector<Key>& out);
    // Whether a byte is awaited to decide the last key (a timeout would resolve it).
    bool pending() const { return state != State::ground; }
};

}  // namespace auralith
