#include "sim/model/stereo_buffer.h"

#include <algorithm>

namespace auralith {

SampleStorage SampleStorage::zeroed(std::size_t count) {
    SampleStorage storage;
    if (count == 0) return storage;
    // calloc hands out fresh pages for large blocks and knows they need no clearing. No huge
    // pages are asked for: on a virtual machine that gives freed memory back to its host, the
    // first touch of such memory takes three times as long in huge pages as in small ones, and
    // that is the memory a run usually meets there.
    storage.memory_.reset(static_cast<std::int16_t*>(std::calloc(count, sizeof(std::int16_t))));
    if (storage.memory_) storage.size_ = count;
    return storage;
}

bool SampleStorage::operator==(const SampleStorage& other) const {
    return size() == other.size() && std::equal(begin(), end(), other.begin());
}

}  // namespace auralith
