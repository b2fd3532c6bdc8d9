#include "sim/room/room_transforms.h"

namespace auralith {

RoomTransforms::RoomTransforms(int size) : size_(size) {
    const auto real = roomBuffer<double>(static_cast<std::size_t>(size));
    const auto bins = roomBuffer<std::complex<double>>(static_cast<std::size_t>(size) / 2 + 1);
    if (!real || !bins) return;
    constexpr unsigned flags = FFTW_ESTIMATE | FFTW_DESTROY_INPUT;
    forward_ = fftw_plan_dft_r2c_1d(size, real.get(), reinterpret_cast<fftw_complex*>(bins.get()), flags);
    inverse_ = fftw_plan_dft_c2r_1d(size, reinterpret_cast<fftw_complex*>(bins.get()), real.get(), flags);
}

RoomTransforms::~RoomTransforms() {
    if (forward_) fftw_destroy_plan(forward_);
    if (inverse_) fftw_destroy_plan(inverse_);
}

void RoomTransforms::forward(double* in, std::complex<double>* out) const {
    fftw_execute_dft_r2c(forward_, in, reinterpret_cast<fftw_complex*>(out));
}

void RoomTransforms::inverse(std::complex<double>* in, double* out) const {
    fftw_execute_dft_c2r(inverse_, reinterpret_cast<fftw_complex*>(in), out);
}

int transformSizeAtLeast(long long n, long long twos) {
    long long best = twos;
    while (best < n) best *= 2;
    for (long long five = 1; five * twos < best; five *= 5)
        for (long long three = five; three * twos < best; three *= 3) {
            long long size = three * twos;
            while (size < n) size *= 2;
            if (size < best) best = size;
        }
    return static_cast<int>(best);
}

}  // namespace auralith
