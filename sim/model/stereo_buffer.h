// The whole output in memory: 2F samples interleaved by frame, left first, zero at creation.
// Fresh memory from the system is already zero, so nothing is cleared and untouched pages cost
// nothing until written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <memory>
#include <span>

namespace auralith {

class SampleStorage {
public:
    SampleStorage() = default;

    // `count` zero samples; empty when the memory cannot be had.
    static SampleStorage zeroed(std::size_t count);

    std::int16_t* data() { return memory_.get(); }
    const std::int16_t* data() const { return memory_.get(); }
    std::size_t size() const { return memory_ ? size_ : 0; }
    std::int16_t& operator[](std::size_t k) { return memory_[k]; }
    const std::int16_t& operator[](std::size_t k) const { return memory_[k]; }
    std::int16_t* begin() { return data(); }
    std::int16_t* end() { return data() + size(); }
    const std::int16_t* begin() const { return data(); }
    const std::int16_t* end() const { return data() + size(); }
    bool operator==(const SampleStorage& other) const;

private:
    struct Release {
        void operator()(std::int16_t* memory) const { std::free(memory); }
    };
    std::unique_ptr<std::int16_t[], Release> memory_;
    std::size_t size_ = 0;
};

struct StereoBuffer {
    std::int32_t frames = 0;
    SampleStorage samples;     // 2 * frames
    std::int64_t clipped = 0;  // the samples its render clipped at full scale

    std::span<std::int16_t> view() { return {samples.data(), samples.size()}; }
    std::span<const std::int16_t> view() const { return {samples.data(), samples.size()}; }
};

}  // namespace auralith
