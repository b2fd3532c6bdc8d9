// The output's samples: one block of 16-bit values that starts out zero. Fresh memory from the
// system is already zero, so nothing is cleared and untouched pages cost nothing until written.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <vector>

namespace auralith {

class SampleStorage {
public:
    SampleStorage() = default;
    // Copies of given samples (tests and tools build small buffers this way).
    SampleStorage(std::initializer_list<std::int16_t> samples);
    explicit SampleStorage(const std::vector<std::int16_t>& samples);

    // `count` zero samples; empty when the memory cannot be had.
    static SampleStorage zeroed(std::size_t count);

    std::int16_t* data() { return data_.get(); }
    const std::int16_t* data() const { return data_.get(); }
    std::size_t size() const { return size_; }
    std::int16_t& operator[](std::size_t k) { return data_.get()[k]; }
    const std::int16_t& operator[](std::size_t k) const { return data_.get()[k]; }
    std::int16_t* begin() { return data(); }
    std::int16_t* end() { return data() + size_; }
    const std::int16_t* begin() const { return data(); }
    const std::int16_t* end() const { return data() + size_; }
    bool operator==(const SampleStorage& other) const;

private:
    struct Release {
        void operator()(std::int16_t* memory) const { std::free(memory); }
    };
    std::unique_ptr<std::int16_t[], Release> data_;
    std::size_t size_ = 0;
};

}  // namespace auralith
