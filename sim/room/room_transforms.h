// FFTW3's real transforms of doubles as the room uses them: planned once with FFTW_ESTIMATE (so
// that a plan, and with it the last bits of a response, never differs from run to run) and run on
// any of FFTW's own buffers through the new-array calls, which several threads may make at once.
// Planning is not thread-safe: the transforms are made before any thread starts.
#pragma once

#include <fftw3.h>

#include <complex>
#include <cstddef>
#include <memory>

namespace auralith {

struct RoomFftwFree {
    void operator()(void* p) const { fftw_free(p); }
};
template <class T>
using RoomBuffer = std::unique_ptr<T[], RoomFftwFree>;

// Null when the memory cannot be had.
template <class T>
RoomBuffer<T> roomBuffer(std::size_t count) {
    return RoomBuffer<T>(static_cast<T*>(fftw_malloc(count * sizeof(T))));
}

class RoomTransforms {
public:
    explicit RoomTransforms(int size);
    ~RoomTransforms();
    RoomTransforms(const RoomTransforms&) = delete;
    RoomTransforms& operator=(const RoomTransforms&) = delete;

    bool valid() const { return forward_ != nullptr && inverse_ != nullptr; }
    int size() const { return size_; }
    int bins() const { return size_ / 2 + 1; }
    // size reals to size / 2 + 1 bins, and back, unscaled (a round trip multiplies by size). The
    // inverse destroys its input.
    void forward(double* in, std::complex<double>* out) const;
    void inverse(std::complex<double>* in, double* out) const;

private:
    int size_;
    fftw_plan forward_ = nullptr;
    fftw_plan inverse_ = nullptr;
};

// The smallest size of the form 2^a 3^b 5^c at least `n`, which FFTW transforms fast, and a
// multiple of `twos` (a power of two). Planned with FFTW_ESTIMATE, an odd size of a few hundred
// thousand takes some three times as long a frame as an even one near it: a multiple of 256 never
// does.
int transformSizeAtLeast(long long n, long long twos = 1);

}  // namespace auralith
