#pragma once
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace qor {

// How live values are written. The decimal separator is the user's locale's; the UI passes it
// in, and whoever reads a value label back must use the same one (ParseLiveValueText).
struct LiveValueFormat {
    char decimalSeparator = '.';
};

// Writes a value with a fixed number of decimals, keeping at most maxSignificant significant
// digits:
//  - The value is rounded once, half away from zero, at the finer of two places: its last
//    decimal, or its last significant digit. Places dropped by the digit limit are written as
//    zeros, so 12345.6 with 1 decimal and 5 digits reads "12346.0".
//  - No thousands separators; minus sign only for a value that is not zero after rounding.
//  - When the rounded value has more integer digits than maxSignificant it is written in
//    exponent form instead: one digit, the separator, maxSignificant - 1 digits, "E", the
//    exponent's sign and at least two exponent digits. With 5 digits 123456 reads "1.2346E+05";
//    with 3 digits 1000 reads "1.00E+03".
std::string FormatLiveValue(double value, int decimals, int maxSignificant,
                            const LiveValueFormat& format = {});

// Text for a temperature code: sign-and-magnitude word minus 20 degrees, one decimal, "---"
// outside -20 .. 135 degrees.
std::string FormatTemperature(std::uint16_t word, const LiveValueFormat& format = {});

// Reads a value label back (fixed or exponent form, same separator). Empty for "---" or any
// text that is not a number written by FormatLiveValue.
std::optional<double> ParseLiveValueText(std::string_view text,
                                         const LiveValueFormat& format = {});

}  // namespace qor
