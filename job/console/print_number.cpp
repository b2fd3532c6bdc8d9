#include "job/console/print_number.h"

#include <cmath>
#include <cstdio>
#include <cstdlib>

namespace auralith {

std::string numberText(std::int64_t value) {
    // Digits from the magnitude as unsigned, so that the most negative value has one too.
    const std::uint64_t magnitude =
        value < 0 ? 0 - static_cast<std::uint64_t>(value) : static_cast<std::uint64_t>(value);
    std::string text(1, value < 0 ? '-' : ' ');
    text += std::to_string(magnitude);
    text += ' ';
    return text;
}

std::string numberText(double value) {
    const std::string sign = std::signbit(value) && value != 0.0 ? "-" : " ";
    if (std::isnan(value)) return " NaN ";
    if (std::isinf(value)) return sign + "Inf ";
    if (value == 0.0) return " 0 ";

    // The 15 significant digits d.dddddddddddddde±x, correctly rounded by the C library.
    char scientific[32];
    std::snprintf(scientific, sizeof scientific, "%.14e", std::fabs(value));
    std::string digits;
    digits.push_back(scientific[0]);
    digits.append(scientific + 2, 14);
    const int exponent = std::atoi(scientific + 17);
    while (digits.back() == '0') digits.pop_back();  // the first digit is never 0

    // The value is 0.digits times ten to the power exponent + 1; place the decimal point.
    const int integerDigits = exponent + 1;
    std::string text;
    if (integerDigits <= 0) {
        text = std::string(1, '.');
        text.append(static_cast<std::size_t>(-integerDigits), '0');
        text += digits;
    } else if (static_cast<std::size_t>(integerDigits) >= digits.size()) {
        text = digits + std::string(static_cast<std::size_t>(integerDigits) - digits.size(), '0');
    } else {
        const auto split = static_cast<std::size_t>(integerDigits);
        text = digits.substr(0, split) + "." + digits.substr(split);
    }
    return sign + text + " ";
}

}  // namespace auralith
