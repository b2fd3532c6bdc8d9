// Keys decoded ahead of their use, as a keyboard keeps them between reads.
#pragma once

#include <deque>
#include <utility>
#include <vector>

#include "job/console/keys.h"

namespace auralith {

struct KeyQueue {
    std::deque<Key> keys;
    bool ended = false;  // the input behind the keys has ended

    // Whether the input must be read before a key can be taken.
    bool needsInput() const { return keys.empty() && !ended; }
    void add(const std::vector<Key>& more) { keys.insert(keys.end(), more.begin(), more.end()); }
    // The oldest key; endOfInput once the input has ended and every key is taken.
    Key take() {
        if (keys.empty()) return Key{Key::Kind::endOfInput, 0, {}};
        Key key = std::move(keys.front());
        keys.pop_front();
        return key;
    }
};

}  // namespace auralith
