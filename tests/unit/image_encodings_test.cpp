#include <gtest/gtest.h>

#include <array>
#include <functional>
#include <string>
#include <vector>

#include "core/image/Encodings.h"

namespace qor {
namespace {

// Integer helpers: one row per (helper, input, expected).
TEST(ImageEncodings, IntegerHelpers) {
    struct Case {
        const char* what;
        std::function<long long()> got;
        long long want;
    };
    const std::vector<Case> cases = {
        {"SmallIntToWord(-1)", [] { return SmallIntToWord(-1); }, 65535},
        {"SmallIntToWord(-32768)", [] { return SmallIntToWord(-32768); }, 32768},
        {"SmallIntToWord(5)", [] { return SmallIntToWord(5); }, 5},
        {"WordToSmallInt(65535)", [] { return WordToSmallInt(65535); }, -1},
        {"WordToSmallInt(32767)", [] { return WordToSmallInt(32767); }, 32767},
        {"WordToSmallInt(32768)", [] { return WordToSmallInt(32768); }, -32768},
        {"SignMagnitudeToInt(32769)", [] { return SignMagnitudeToInt(32769); }, -1},
        {"SignMagnitudeToInt(32768)", [] { return SignMagnitudeToInt(32768); }, 0},
        {"SignMagnitudeToInt(300)", [] { return SignMagnitudeToInt(300); }, 300},
        {"ByteToChar(-1)", [] { return ByteToChar(-1); }, 255},
        {"ByteToChar(-128)", [] { return ByteToChar(-128); }, 128},
        {"ByteToChar(200)", [] { return ByteToChar(200); }, 200},
        {"PackedCellAddress(20,1,24)", [] { return PackedCellAddress(20, 1, 24); }, 34},
        {"PackedCellAddress(1,1,24)", [] { return PackedCellAddress(1, 1, 24); }, 24},
        {"PackedCellAddress(3,2,24)", [] { return PackedCellAddress(3, 2, 24); }, 33},
        {"WordCellAddress(255,1,74)", [] { return WordCellAddress(255, 1, 74); }, 328},
        {"WordCellAddress(1,9,74)", [] { return WordCellAddress(1, 9, 74); }, 74},
        {"CanIdFromBytes(31,255,255,255)", [] { return CanIdFromBytes(31, 255, 255, 255); },
         536870911},
        {"CanIdWord(536870911,1)", [] { return CanIdWord(536870911, 1); }, 8191},
        {"CanIdWord(536870911,2)", [] { return CanIdWord(536870911, 2); }, 65535},
        {"CanIdWord(0x12345678,1)", [] { return CanIdWord(0x12345678, 1); }, 0x1234},
        {"CanIdWord(0x12345678,2)", [] { return CanIdWord(0x12345678, 2); }, 0x5678},
        {"CanIdWord(0x7FF,1)", [] { return CanIdWord(0x7FF, 1); }, 0},
        {"ModeValueFromIndex(0)", [] { return ModeValueFromIndex(0); }, 64},
        {"ModeValueFromIndex(4)", [] { return ModeValueFromIndex(4); }, 3},
        {"ModeIndexFromValue(64,70)", [] { return ModeIndexFromValue(64, 70); }, 0},
        {"ModeIndexFromValue(3,70)", [] { return ModeIndexFromValue(3, 70); }, 4},
        {"ModeIndexFromValue(200,70) clamps first", [] { return ModeIndexFromValue(200, 70); }, 70},
        {"ChannelCodeFromIndex(4)", [] { return ChannelCodeFromIndex(4); }, 4},
        {"ChannelCodeFromIndex(5)", [] { return ChannelCodeFromIndex(5); }, 100},
        {"ChannelIndexFromCode(100)", [] { return ChannelIndexFromCode(100); }, 5},
        {"ChannelIndexFromCode(4)", [] { return ChannelIndexFromCode(4); }, 4},
        {"ItemIndexFromValue(9,3)", [] { return ItemIndexFromValue(9, 3); }, 2},
        {"ItemIndexFromValue(1,3)", [] { return ItemIndexFromValue(1, 3); }, 1},
        {"SwitchToWord(true)", [] { return SwitchToWord(true); }, 256},
        {"SwitchToWord(false)", [] { return SwitchToWord(false); }, 0},
        {"SwitchFromHighByte(1)", [] { return SwitchFromHighByte(1); }, 1},
        {"SwitchFromHighByte(2)", [] { return SwitchFromHighByte(2); }, 0},
        {"Trunc(-2.7)", [] { return Trunc(-2.7); }, -2},
        {"Trunc(65535/256.0)", [] { return Trunc(65535 / 256.0); }, 255},
    };
    for (const auto& c : cases) EXPECT_EQ(c.got(), c.want) << c.what;
}

TEST(ImageEncodings, WordToBytesSplitsHighFirstWithSignMagnitudeNegatives) {
    struct Case {
        long long v;
        int high, low;
    };
    const Case cases[] = {{300, 1, 44}, {-1, 128, 1}, {-300, 129, 44}, {65535, 255, 255},
                          {0, 0, 0},    {256, 1, 0},  {65536, 0, 0},   {-32767, 255, 255}};
    for (const auto& c : cases) {
        const auto b = WordToBytes(c.v);
        EXPECT_EQ(b[0], c.high) << c.v;
        EXPECT_EQ(b[1], c.low) << c.v;
    }
    Bytes out;
    AppendWord(out, 300);
    AppendWord(out, 2);
    EXPECT_EQ(out, (Bytes{1, 44, 0, 2}));
    EXPECT_EQ(WordFromRegionBytes(out, 1), 300);
    EXPECT_EQ(WordFromRegionBytes(out, 3), 2);
}

// Ties go to the even neighbour, and a decimal tie that binary floating point cannot hold
// exactly still counts as a tie.
TEST(ImageEncodings, RoundTiesToEvenOnTheDecimalValue) {
    struct Case {
        double x;
        long long want;
    };
    const Case cases[] = {{2.5, 2},           {3.5, 4},
                          {-2.5, -2},         {-3.5, -4},
                          {0.5, 0},           {1.5, 2},
                          {2.4999, 2},        {2.5001, 3},
                          {0.005 * 100, 0},   {0.015 * 100, 2},
                          {1.005 * 100, 100}, {0.285 * 100, 28},
                          {-1.7, -2},         {1e13 + 0.5, 10000000000000}};
    for (const auto& c : cases) EXPECT_EQ(Round(c.x), c.want) << c.x;
}

TEST(ImageEncodings, ScalingFamiliesEncodeAndDecode) {
    struct Case {
        Scale s;
        double v;
        long long n;
        double back;  // DecodeScaled(n)
    };
    const Case cases[] = {
        {Scale::HalfPercent, 20.5, 41, 20.5},
        {Scale::HalfPercent, 0.25, 0, 0},
        {Scale::HalfPercent, 0.75, 2, 1},
        {Scale::HalfPercent, 127.5, 255, 127.5},
        {Scale::Hundredths, 2.55, 255, 2.55},
        {Scale::Hundredths, 0.005, 0, 0},
        {Scale::Hundredths, 0.015, 2, 0.02},
        {Scale::Plain, 1234, 1234, 1234},
        {Scale::Tens, 2550, 255, 2550},
        {Scale::Tens, 25, 2, 20},
        {Scale::Tens, 35, 4, 40},
        {Scale::TwentyFives, 6375, 255, 6375},
        {Scale::TwentyFives, 37.5, 2, 50},
        {Scale::Fives, 1275, 255, 1275},
        {Scale::Fives, 12.5, 2, 10},
        {Scale::Temperature, -20, 0, -20},
        {Scale::Temperature, 135, 155, 135},
        {Scale::Pwm, 100, 2816, 100},
        {Scale::Pwm, 50, 1408, 50},
        {Scale::StartRpm, 400, 0, 400},
        {Scale::StartRpm, 980, 29, 980},
        {Scale::StartRpm, 410, 0, 400},
        {Scale::StartRpm, 430, 2, 440},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(EncodeScaled(c.s, c.v), c.n) << static_cast<int>(c.s) << " " << c.v;
        EXPECT_DOUBLE_EQ(DecodeScaled(c.s, c.n), c.back) << static_cast<int>(c.s) << " " << c.n;
    }
}

TEST(ImageEncodings, Fixed24BytesAndBack) {
    struct Case {
        double x;
        std::array<int, 3> bytes;
        double back;
    };
    const Case cases[] = {
        {-0.001, {255, 255, 255}, -0.001},
        {-999.999, {240, 189, 193}, -999.999},
        {999.999, {15, 66, 63}, 999.999},
        {0, {0, 0, 0}, 0},
        {1.5, {0, 5, 220}, 1.5},
        {8388.608, {128, 0, 0}, 8388.608},  // 8388608 itself counts as positive
    };
    for (const auto& c : cases) {
        for (int k = 1; k <= 3; ++k)
            EXPECT_EQ(Fixed24Byte(c.x, k), c.bytes[static_cast<std::size_t>(k - 1)])
                << c.x << " k=" << k;
        EXPECT_DOUBLE_EQ(Fixed24ToFloat(c.bytes[0], c.bytes[1], c.bytes[2]), c.back) << c.x;
    }
    EXPECT_DOUBLE_EQ(Fixed24ToFloat(128, 0, 1), -8388.607);
}

TEST(ImageEncodings, CanFlagsPackAndUnpackOverAllSixteenValues) {
    for (int n = 0; n < 16; ++n) {
        const CanFlags f = UnpackCanFlags(n);
        EXPECT_EQ(f.tx, (n & 1) != 0) << n;
        EXPECT_EQ(f.id29, (n & 2) != 0) << n;
        EXPECT_EQ(f.modeOn, (n & 4) != 0) << n;
        EXPECT_EQ(f.valid, (n & 8) != 0) << n;
        EXPECT_EQ(PackCanFlags(f), n);
    }
}

TEST(ImageEncodings, ErrorMasksMapBitKToSwitchK) {
    struct Case {
        int mask;
        std::vector<int> on;
    };
    const Case cases[] = {{0, {}},
                          {1, {0}},
                          {0x8000, {15}},
                          {0xFFFF, {0, 1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15}},
                          {0x8421, {0, 5, 10, 15}}};
    for (const auto& c : cases) {
        std::array<bool, 16> want{};
        for (int k : c.on) want[static_cast<std::size_t>(k)] = true;
        EXPECT_EQ(SwitchesFromErrorMask(c.mask), want) << c.mask;
        EXPECT_EQ(ErrorMaskFromSwitches(want), c.mask) << c.mask;
    }
}

}  // namespace
}  // namespace qor
