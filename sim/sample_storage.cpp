#include "sim/sample_storage.h"

#include <algorithm>
#include <cstdint>

namespace auralith {

SampleStorage SampleStorage::zeroed(std::size_t count) {
    SampleStorage storage;
    if (count == 0) return storage;
    // calloc hands out fresh pages for large blocks and knows they need no clearing.
    auto* memory = static_cast<std::int16_t*>(std::calloc(count, sizeof(std::int16_t)));
    if (memory == nullptr) return storage;
    // No huge pages asked for (madvise): measured on a virtual machine that gives freed memory
    // back to its host, first touching memory that had been given back took three times as long
    // in huge pages as in small ones, and that is the memory a run usually meets there.
    storage.own_.reset(memory);
    storage.data_ = memory;
    storage.size_ = count;
    return storage;
}

SampleStorage::SampleStorage(std::initializer_list<std::int16_t> samples) : SampleStorage(std::vector(samples)) {}

SampleStorage::SampleStorage(const std::vector<std::int16_t>& samples) {
    *this = zeroed(samples.size());
    if (size_ == samples.size()) std::copy(samples.begin(), samples.end(), begin());
}

bool SampleStorage::operator==(const SampleStorage& other) const {
    return size_ == other.size_ && std::equal(begin(), end(), other.begin());
}

}  // namespace auralith
