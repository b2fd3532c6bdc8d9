// Keys decoded from a byte stream: a POSIX terminal in raw mode, or a pipe or file when the
// program is scripted.
#pragma once

#include "job/console/byte_stream.h"
#include "job/console/console_parts.h"
#include "job/console/key_decoder.h"
#include "job/console/key_queue.h"

namespace auralith {

// A lone Esc is one that no byte follows within this time; the bytes of a key's sequence come
// together, well within it.
inline constexpr int escapeWaitMs = 50;

class StreamKeyboard final : public Keyboard {
public:
    explicit StreamKeyboard(ByteSource& source) : source_(source) {}

    Key nextKey() override;

private:
    void readMore();

    ByteSource& source_;
    KeyDecoder decoder_;
    KeyQueue queue_;
};

}  // namespace auralith
