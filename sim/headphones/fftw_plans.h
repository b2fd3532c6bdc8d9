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

// FFTW's calls of one precision.
template <class T>
struct FftwCalls;

template <>
struct FftwCalls<float> {
    using Plan = fftwf_plan;
    static Plan forward(int n, float* in, std::complex<float>* out, unsigned flags) {
        return fftwf_plan_dft_r2c_1d(n, in, reinterpret_cast<fftwf_complex*>(out), flags);
    }
    static Plan inverse(int n, std::complex<float>* in, float* out, unsigned flags) {
        return fftwf_plan_dft_c2r_1d(n, reinterpret_cast<fftwf_complex*>(in), out, flags);
    }
    static void run(Plan p, float* in, std::complex<float>* out) {
        fftwf_execute_dft_r2c(p, in, reinterpret_cast<fftwf_complex*>(out));
    }
    static void run(Plan p, std::complex<float>* in, float* out) {
        fftwf_execute_dft_c2r(p, reinterpret_cast<fftwf_complex*>(in), out);
    }
    static void destroy(Plan p) { fftwf_destroy_plan(p); }
};

template <>
struct FftwCalls<double> {
    using Plan = fftw_plan;
    static Plan forward(int n, double* in, std::complex<double>* out, unsigned flags) {
        return fftw_plan_dft_r2c_1d(n, in, reinterpret_cast<fftw_complex*>(out), flags);
    }
    static Plan inverse(int n, std::complex<double>* in, double* out, unsigned flags) {
        return fftw_plan_dft_c2r_1d(n, reinterpret_cast<fftw_complex*>(in), out, flags);
    }
    static void run(Plan p, double* in, std::complex<double>* out) {
        fftw_execute_dft_r2c(p, in, reinterpret_cast<fftw_complex*>(out));
    }
    static void run(Plan p, std::complex<double>* in, double* out) {
        fftw_execute_dft_c2r(p, reinterpret_cast<fftw_complex*>(in), out);
    }
    static void destroy(Plan p) { fftw_destroy_plan(p); }
};

// A real transform of `size` points each way; `valid` is false when FFTW could not plan it.
template <class T>
class RealTransforms {
public:
    explicit RealTransforms(int size) : size_(size) {
        const auto real = fftwBuffer<T>(static_cast<std::size_t>(size));
        const auto bins = fftwBuffer<std::complex<T>>(static_cast<std::size_t>(size) / 2 + 1);
        if (!real || !bins) return;
        constexpr unsigned flags = FFTW_ESTIMATE | FFTW_DESTROY_INPUT;
        forward_ = Calls::forward(size, real.get(), bins.get(), flags);
        inverse_ = Calls::inverse(size, bins.get(), real.get(), flags);
    }
    ~RealTransforms() {
        if (forward_) Calls::destroy(forward_);
        if (inverse_) Calls::destroy(inverse_);
    }
    RealTransforms(const RealTransforms&) = delete;
    RealTransforms& operator=(const RealTransforms&) = delete;

    bool valid() const { return forward_ != nullptr && inverse_ != nullptr; }
    int size() const { return size_; }
    // size reals to size / 2 + 1 bins, and back (unscaled: a round trip multiplies by size).
    void forward(T* in, std::complex<T>* out) const { Calls::run(forward_, in, out); }
    void inverse(std::complex<T>* in, T* out) const { Calls::run(inverse_, in, out); }

private:
    using Calls = FftwCalls<T>;
    int size_;
    typename Calls::Plan forward_ = nullptr;
    typename Calls::Plan inverse_ = nullptr;
};

using FloatTransforms = RealTransforms<float>;
using DoubleTransforms = RealTransforms<double>;

// The smallest power of two at least `n`.
int powerOfTwoAtLeast(long long n);

}  // namespace auralith
