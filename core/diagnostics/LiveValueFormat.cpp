#include "core/diagnostics/LiveValueFormat.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <cstdlib>

#include "core/diagnostics/DiagnosticsTexts.h"

namespace qor {
namespace {

double Pow10(int n) {
    double p = 1.0;
    for (int i = 0; i < n; ++i) p *= 10.0;
    return p;
}

int IntegerDigits(double magnitude) {
    int digits = 0;
    for (double limit = 1.0; magnitude >= limit; limit *= 10.0) ++digits;
    return digits;
}

std::string Exponent(double magnitude, bool negative, int maxSignificant,
                     const LiveValueFormat& format) {
    int exponent = IntegerDigits(magnitude) - 1;
    const int fractionDigits = maxSignificant - 1;
    // Mantissa digits as one integer (d ddd), rounded half away from zero. Scaling by a single
    // power of ten keeps exact halves exact.
    const int shift = exponent - fractionDigits;
    double mantissa =
        std::round(shift >= 0 ? magnitude / Pow10(shift) : magnitude * Pow10(-shift));
    if (mantissa >= Pow10(maxSignificant)) {
        mantissa /= 10.0;
        ++exponent;
    }
    std::string digits = std::to_string(static_cast<long long>(mantissa));
    std::string text = negative ? "-" : "";
    text += digits[0];
    if (fractionDigits > 0) {
        text += format.decimalSeparator;
        text += digits.substr(1);
    }
    text += 'E';
    text += exponent < 0 ? '-' : '+';
    if (std::abs(exponent) < 10) text += '0';
    return text + std::to_string(std::abs(exponent));
}

}  // namespace

std::string FormatLiveValue(double value, int decimals, int maxSignificant,
                            const LiveValueFormat& format) {
    if (!std::isfinite(value)) return std::string(diagtext::kNoTemperature);  // no word gives one
    const bool negative = value < 0;
    const double magnitude = std::fabs(value);
    const int integerDigits = IntegerDigits(magnitude);
    if (integerDigits > maxSignificant) return Exponent(magnitude, negative, maxSignificant, format);

    const int kept = std::min(decimals, maxSignificant - integerDigits);
    const auto scaled = static_cast<long long>(std::round(magnitude * Pow10(kept)));
    const auto unit = static_cast<long long>(Pow10(kept));
    const long long integerPart = scaled / unit;
    if (IntegerDigits(static_cast<double>(integerPart)) > maxSignificant)  // rounding carried
        return Exponent(magnitude, negative, maxSignificant, format);

    std::string text = (negative && scaled != 0) ? "-" : "";
    text += std::to_string(integerPart);
    if (decimals > 0) {
        text += format.decimalSeparator;
        std::string fraction = std::to_string(scaled % unit);
        if (kept > 0) text += std::string(kept - fraction.size(), '0') + fraction;
        text += std::string(decimals - kept, '0');
    }
    return text;
}

std::string FormatTemperature(std::uint16_t word, const LiveValueFormat& format) {
    const int magnitude = word & 0x7FFF;
    const int celsius = ((word & 0x8000) ? -magnitude : magnitude) - 20;
    if (celsius < -20 || celsius > 135) return std::string(diagtext::kNoTemperature);
    return FormatLiveValue(celsius, 1, 5, format);
}

std::optional<double> ParseLiveValueText(std::string_view text, const LiveValueFormat& format) {
    std::string plain(text);
    for (char& c : plain) {
        if (c == format.decimalSeparator) c = '.';
        else if (c == '.' || c == ',' || c == ' ') return std::nullopt;  // foreign separator
    }
    double value = 0;
    const char* end = plain.data() + plain.size();
    auto [ptr, ec] = std::from_chars(plain.data(), end, value);
    if (ec != std::errc() || ptr != end || plain.empty()) return std::nullopt;
    return value;
}

}  // namespace qor
