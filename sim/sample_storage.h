// The output's samples: one block of 16-bit values that starts out zero. Fresh memory from the
// system is already zero, so nothing is cleared and untouched pages cost nothing until written.
// The block is either this storage's own or lent by a keeper (a file mapped into memory, say)
// that gives it back when the last holder lets go.
#pragma once

#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <initializer_list>
#include <memory>
#include <utility>
#include <vector>

namespace auralith {

class SampleStorage {
public:
    SampleStorage() = default;
    // A storage moved from is empty.
    SampleStorage(SampleStorage&& other) noexcept
        : own_(std::move(other.own_)), keeper_(std::move(other.keeper_)),
          data_(std::exchange(other.data_, nullptr)), size_(std::exchange(other.size_, 0)) {}
    SampleStorage& operator=(SampleStorage&& other) noexcept {
        own_ = std::move(other.own_);
        keeper_ = std::move(other.keeper_);
        data_ = std::exchange(other.data_, nullptr);
        size_ = std::exchange(other.size_, 0);
        return *this;
    }
    // Copies of given samples (tests and tools build small buffers this way).
    SampleStorage(std::initializer_list<std::int16_t> samples);
    explicit SampleStorage(const std::vector<std::int16_t>& samples);

    // `count` zero samples; empty when the memory cannot be had.
    static SampleStorage zeroed(std::size_t count);

    // `count` samples at `data`, which must be zero and stay valid while `keeper` is held.
    // Defined here, so that the file layer that lends such memory needs no simulation code.
    static SampleStorage lent(std::int16_t* data, std::size_t count, std::shared_ptr<void> keeper) {
        SampleStorage storage;
        storage.keeper_ = std::move(keeper);
        storage.data_ = data;
        storage.size_ = count;
        return storage;
    }

    std::int16_t* data() { return data_; }
    const std::int16_t* data() const { return data_; }
    std::size_t size() const { return size_; }
    std::int16_t& operator[](std::size_t k) { return data_[k]; }
    const std::int16_t& operator[](std::size_t k) const { return data_[k]; }
    std::int16_t* begin() { return data(); }
    std::int16_t* end() { return data() + size_; }
    const std::int16_t* begin() const { return data(); }
    const std::int16_t* end() const { return data() + size_; }
    bool operator==(const SampleStorage& other) const;

private:
    struct Release {
        void operator()(std::int16_t* memory) const { std::free(memory); }
    };
    std::unique_ptr<std::int16_t[], Release> own_;
    std::shared_ptr<void> keeper_;
    std::int16_t* data_ = nullptr;
    std::size_t size_ = 0;
};

}  // namespace auralith
