// FFTW3's real transforms as the headphone code uses them: buffers from FFTW's own allocator (so
// that every buffer has the alignment the plans were made for, and a plan run on any of them
// takes the same path), plans made once with FFTW_ESTIMATE (measured plans could differ from run
// to run, and with them the last bits of the output) and run on any buffers through the
// new-array calls, which FFTW allows from several threads at once. Planning itself is not
// thread-safe: plans are made before any thread starts.
#pragma once

#include <fftw3.h>

#include <complex>
#include <cstddef>
#include <memory>

namespace auralith {

struct FftwFree {
    void operator()(void* p) const { fftw_free(p); }
};
template <class T>
using FftwBuffer = std::unique_ptr<T[], FftwFree>;

// Null when the memory cannot be had.
template <class T>
FftwBuffer<T> fftwBuffer(std::size_t count) {
    return FftwBuffer<T>(static_cast<T*>(fftw_malloc(count * sizeof(T))));
}

// A real transform of `size` points each way, single or double precision; `valid` is false when
// FFTW could not plan it.
class FloatTransforms {
public:
    explicit FloatTransforms(int size);
    ~FloatTransforms();
    FloatTransforms(const FloatTransforms&) = delete;
    FloatTransforms& operator=(const FloatTransforms&) = delete;
    bool valid() const { return forward_ != nullptr && inverse_ != nullptr; }
    int size() const { return size_; }
    // size reals to size / 2 + 1 bins, and back (unscaled: a round trip multiplies by size).
    void forward(float* in, std::complex<float>* out) const;
    void inverse(std::complex<float>* in, float* out) const;

private:
    int size_;
    fftwf_plan forward_ = nullptr;
    fftwf_plan inverse_ = nullptr;
};

class DoubleTransforms {
public:
    explicit DoubleTransforms(int size);
    ~DoubleTransforms();
    DoubleTransforms(const DoubleTransforms&) = delete;
    DoubleTransforms& operator=(const DoubleTransforms&) = delete;
    bool valid() const { return forward_ != nullptr && inverse_ != nullptr; }
    int size() const { return size_; }
    void forward(double* in, std::complex<double>* out) const;
    void inverse(std::complex<double>* in, double* out) const;

private:
    int size_;
    fftw_plan forward_ = nullptr;
    fftw_plan inverse_ = nullptr;
};

// The smallest power of two at least `n`.
int powerOfTwoAtLeast(long long n);

}  // namespace auralith
