#include "sim/room/fractional_delay.h"

#include <algorithm>
#include <cmath>
#include <numbers>
#include <vector>

namespace auralith {

namespace {

constexpr int fractions = 256;
// The window's shape, and its half-width in frames: the taps' half-span, so that every tap the
// window leaves weight is one of the kernel's and the kernel is the windowed sinc whole.
constexpr double kaiserBeta = 5;
constexpr double windowHalfWidth = kernelTaps / 2;

double besselI0(double x) {
    // The power series sum (x/2)^2k / (k!)^2, to the last bit for the window's arguments (x <= 5).
    double term = 1, sum = 1;
    for (int k = 1; k < 40 && term > sum * 1e-17; ++k) {
        term *= (x / 2) * (x / 2) / (static_cast<double>(k) * k);
        sum += term;
    }
    return sum;
}

// The coefficients at a fraction, at times t = j - 7 - fraction from the delay: the windowed sinc
// scaled to sum to 1, then its centroid moved onto the delay (a truncated sinc's lies up to 0.004
// frames off) by a zero-sum correction shaped by the window, small against the kernel.
std::array<double, kernelTaps> kernelAt(double fraction) {
    std::array<double, kernelTaps> row{}, t{}, window{};
    double sum = 0, windowSum = 0, windowMoment = 0;
    for (int j = 0; j < kernelTaps; ++j) {
        t[j] = j - (kernelTaps / 2 - 1) - fraction;
        const double sinc = t[j] == 0 ? 1 : std::sin(std::numbers::pi * t[j]) / (std::numbers::pi * t[j]);
        const double edge = std::min(1.0, std::abs(t[j]) / windowHalfWidth);
        window[j] = besselI0(kaiserBeta * std::sqrt(1 - edge * edge)) / besselI0(kaiserBeta);
        row[j] = sinc * window[j];
        sum += row[j];
        windowSum += window[j];
        windowMoment += window[j] * t[j];
    }
    double centroid = 0, spread = 0;
    const double middle = windowMoment / windowSum;
    for (int j = 0; j < kernelTaps; ++j) {
        row[j] /= sum;
        centroid += row[j] * t[j];
        spread += window[j] * (t[j] - middle) * t[j];
    }
    for (int j = 0; j < kernelTaps; ++j) row[j] -= centroid * window[j] * (t[j] - middle) / spread;
    return row;
}

// The table's rows for fractions 0, 1/256 .. 1 (the last row is the first moved by a frame).
const std::vector<std::array<double, kernelTaps>>& kernelTable() {
    static const std::vector<std::array<double, kernelTaps>> table = [] {
        std::vector<std::array<double, kernelTaps>> rows(fractions + 1);
        for (int i = 0; i <= fractions; ++i) rows[i] = kernelAt(static_cast<double>(i) / fractions);
        return rows;
    }();
    return table;
}

}  // namespace

DelayKernel delayKernel(double delay) {
    // floor(delay) by conversion: the library's floor is a call or a long sequence on the
    // baseline x86-64, and this runs once for every image a microphone hears.
    auto whole = static_cast<std::int64_t>(delay);
    whole -= static_cast<double>(whole) > delay ? 1 : 0;
    const double position = (delay - static_cast<double>(whole)) * fractions;
    // A fraction a rounding away from 1 reads the last row.
    const int row = std::min(static_cast<int>(position), fractions - 1);
    const double between = position - row;
    const auto& table = kernelTable();
    DelayKernel kernel{whole - (kernelTaps / 2 - 1), {}};
    for (int j = 0; j < kernelTaps; ++j)
        kernel.coefficients[j] = table[row][j] + between * (table[row + 1][j] - table[row][j]);
    return kernel;
}

}  // namespace auralith
