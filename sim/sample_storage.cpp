#include "sim/sample_storage.h"

#include <algorithm>
#include <cstdint>

#if defined(__linux__)
#include <sys/mman.h>
#endif

namespace auralith {

namespace {

// Large blocks are better served by huge pages: the first touch of each page is what filling
// the output costs most, and a huge page is touched once for 512 small ones.
void preferHugePages([[maybe_unused]] void* memory, [[maybe_unused]] std::size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
    constexpr std::uintptr_t huge = std::uintptr_t{1} << 21;
    const auto first = (reinterpret_cast<std::uintptr_t>(memory) + huge - 1) & ~(huge - 1);
    const auto last = (reinterpret_cast<std::uintptr_t>(memory) + bytes) & ~(huge - 1);
    if (last > first) ::madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE);
#endif
}

}  // namespace

SampleStorage SampleStorage::zeroed(std::size_t count) {
    SampleStorage storage;
    if (count == 0) return storage;
    // calloc hands out fresh pages for large blocks and knows they need no clearing.
    auto* memory = static_cast<std::int16_t*>(std::calloc(count, sizeof(std::int16_t)));
    if (memory == nullptr) return storage;
    preferHugePages(memory, count * sizeof(std::int16_t));
    storage.data_.reset(memory);
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
