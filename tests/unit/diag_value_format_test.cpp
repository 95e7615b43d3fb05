#include <gtest/gtest.h>

#include <string>

#include "core/diagnostics/DiagnosticsTexts.h"
#include "core/diagnostics/LiveValueFormat.h"

namespace qor {
namespace {

struct FormatCase {
    double value;
    int decimals;
    int digits;
    const char* text;
};

TEST(DiagValueFormat, FixedPointWithSignificantDigitLimitAndExponentBeyond) {
    const FormatCase cases[] = {
        {0, 0, 5, "0"},
        {9990, 0, 5, "9990"},
        {99990, 0, 5, "99990"},
        {25.5, 1, 5, "25.5"},
        {8.0, 1, 3, "8.0"},
        {12.5, 1, 3, "12.5"},
        {8.25, 1, 3, "8.3"},          // exact half: away from zero
        {-5, 1, 5, "-5.0"},
        {-0.04, 1, 5, "0.0"},         // no minus on a value that rounds to zero
        {-0.05, 1, 5, "-0.1"},
        {6553.5, 1, 5, "6553.5"},
        {32767.5, 1, 5, "32768.0"},   // fifth digit is the last kept; decimals padded
        {-32768, 1, 5, "-32768.0"},
        {99.96, 1, 3, "100.0"},       // carry into a third integer digit still fits
        {100.25, 1, 3, "100.0"},
        {999.75, 1, 3, "1.00E+03"},   // carry past the limit
        {1000.0, 1, 3, "1.00E+03"},
        {16391.75, 1, 3, "1.64E+04"},
        {100000, 0, 5, "1.0000E+05"},
        {123455, 0, 5, "1.2346E+05"}, // exact half in the mantissa: away from zero
        {655350, 0, 5, "6.5535E+05"},
        {999996, 0, 5, "1.0000E+06"}, // mantissa carry bumps the exponent
        {-123456, 1, 5, "-1.2346E+05"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatLiveValue(c.value, c.decimals, c.digits), c.text)
            << c.value << " with " << c.decimals << " decimals, " << c.digits << " digits";
}

TEST(DiagValueFormat, UsesTheInjectedDecimalSeparatorInBothForms) {
    const LiveValueFormat comma{','};
    EXPECT_EQ(FormatLiveValue(12.5, 1, 3, comma), "12,5");
    EXPECT_EQ(FormatLiveValue(1000.0, 1, 3, comma), "1,00E+03");
    EXPECT_EQ(FormatLiveValue(4711, 0, 5, comma), "4711");
    EXPECT_EQ(FormatTemperature(105, comma), "85,0");
}

TEST(DiagValueFormat, TemperatureIsSignMagnitudeMinusTwentyWithinRange) {
    const std::string none(diagtext::kNoTemperature);
    const std::pair<std::uint16_t, std::string> cases[] = {
        {0, "-20.0"},     {20, "0.0"},      {105, "85.0"},    {155, "135.0"},
        {156, none},      {32767, none},    {32768, "-20.0"}, {32769, none},
        {0x8000 + 20, none}, {65535, none},
    };
    for (const auto& [word, text] : cases) EXPECT_EQ(FormatTemperature(word), text) << word;
}

TEST(DiagValueFormat, TextsReadBackWithTheSameSeparator) {
    for (char sep : {'.', ','}) {
        const LiveValueFormat f{sep};
        for (double v : {0.0, 9990.0, 12.5, -100.0, 100000.0, 16391.75}) {
            const int digits = v == 16391.75 ? 3 : 5;
            const auto back = ParseLiveValueText(FormatLiveValue(v, 1, digits, f), f);
            ASSERT_TRUE(back.has_value()) << v << " sep " << sep;
            EXPECT_NEAR(*back, v, v == 16391.75 ? 10.0 : 0.05) << sep;
        }
    }
    EXPECT_FALSE(ParseLiveValueText("---"));
    EXPECT_FALSE(ParseLiveValueText("12,5"));            // other locale's separator
    EXPECT_FALSE(ParseLiveValueText("12.5", {','}));
    EXPECT_FALSE(ParseLiveValueText(""));
}

}  // namespace
}  // namespace qor
