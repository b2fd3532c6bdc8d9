#include "sim/headphones/fftw_plans.h"

namespace auralith {

namespace {
constexpr unsigned planFlags = FFTW_ESTIMATE | FFTW_DESTROY_INPUT;

fftwf_complex* asFftw(std::complex<float>* p) { return reinterpret_cast<fftwf_complex*>(p); }
fftw_complex* asFftw(std::complex<double>* p) { return reinterpret_cast<fftw_complex*>(p); }
}  // namespace

FloatTransforms::FloatTransforms(int size) : size_(size) {
    const auto real = fftwBuffer<float>(static_cast<std::size_t>(size));
    const auto bins = fftwBuffer<std::complex<float>>(static_cast<std::size_t>(size) / 2 + 1);
    if (!real || !bins) return;
    forward_ = fftwf_plan_dft_r2c_1d(size, real.get(), asFftw(bins.get()), planFlags);
    inverse_ = fftwf_plan_dft_c2r_1d(size, asFftw(bins.get()), real.get(), planFlags);
}

FloatTransforms::~FloatTransforms() {
    if (forward_) fftwf_destroy_plan(forward_);
    if (inverse_) fftwf_destroy_plan(inverse_);
}

void FloatTransforms::forward(float* in, std::complex<float>* out) const {
    fftwf_execute_dft_r2c(forward_, in, asFftw(out));
}
void FloatTransforms::inverse(std::complex<float>* in, float* out) const {
    fftwf_execute_dft_c2r(inverse_, asFftw(in), out);
}

DoubleTransforms::DoubleTransforms(int size) : size_(size) {
    const auto real = fftwBuffer<double>(static_cast<std::size_t>(size));
    const auto bins = fftwBuffer<std::complex<double>>(static_cast<std::size_t>(size) / 2 + 1);
    if (!real || !bins) return;
    forward_ = fftw_plan_dft_r2c_1d(size, real.get(), asFftw(bins.get()), planFlags);
    inverse_ = fftw_plan_dft_c2r_1d(size, asFftw(bins.get()), real.get(), planFlags);
}

DoubleTransforms::~DoubleTransforms() {
    if (forward_) fftw_destroy_plan(forward_);
    if (inverse_) fftw_destroy_plan(inverse_);
}

void DoubleTransforms::forward(double* in, std::complex<double>* out) const {
    fftw_execute_dft_r2c(forward_, in, asFftw(out));
}
void DoubleTransforms::inverse(std::complex<double>* in, double* out) const {
    fftw_execute_dft_c2r(inverse_, asFftw(in), out);
}

int powerOfTwoAtLeast(long long n) {
    int p = 1;
    while (p < n) p *= 2;
    return p;
}

}  // namespace auralith
