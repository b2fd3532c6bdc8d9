#include "report/numbers.h"

#include <charconv>
#include <cmath>

namespace auralith {

std::string fixedText(double value, int decimals) {
    if (std::isnan(value)) return "nan";
    if (std::isinf(value)) return value > 0 ? "inf" : "-inf";
    char text[400];
    const auto result = std::to_chars(text, text + sizeof text, value, std::chars_format::fixed, decimals);
    std::string printed(text, result.ptr);
    // A value that rounds to zero prints as zero, whatever its sign.
    if (printed.starts_with('-') && printed.find_first_not_of("-0.") == std::string::npos) printed.erase(0, 1);
    return printed;
}

std::string signedText(double value, int decimals) {
    std::string printed = fixedText(value, decimals);
    const bool zero = printed.find_first_not_of("0.") == std::string::npos;
    if (!zero && value > 0) printed.insert(0, "+");
    return printed;
}

std::string groupedText(std::int64_t value) {
    std::string digits = std::to_string(value);
    for (std::size_t at = digits.size(); at > 3 && digits[at - 4] != '-'; at -= 3) digits.insert(at - 3, " ");
    return digits;
}

}  // namespace auralith
