#include "job/console/stream_keyboard.h"

#include <array>
#include <vector>

namespace auralith {

Key StreamKeyboard::nextKey() {
    while (queue_.needsInput()) readMore();
    return queue_.take();
}

void StreamKeyboard::readMore() {
    std::array<std::uint8_t, 256> bytes{};
    // Only a key waiting to be decided (a lone Esc, a cut sequence) puts a limit on the wait.
    const ByteRead got = source_.read(bytes, decoder_.pending() ? escapeWaitMs : -1);
    std::vector<Key> decoded;
    for (std::size_t i = 0; i < got.count; ++i) decoder_.feed(bytes[i], decoded);
    // No byte came in time, or none ever will: the key waiting is decided as it stands.
    if (got.status != ByteRead::Status::bytes) decoder_.timeout(decoded);
    if (got.status == ByteRead::Status::ended) queue_.ended = true;
    queue_.add(decoded);
}

}  // namespace auralith
