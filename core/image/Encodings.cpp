#include "core/image/Encodings.h"

#include <algorithm>
#include <cmath>

namespace qor {

std::array<Byte, 2> WordToBytes(long long v) {
    long long high = 0;
    long long low = 0;
    if (v >= 0) {
        high = v / 256;
        low = v - 256 * high;
    } else {
        const long long m = -v;
        high = m / 256 + 128;
        low = m - 256 * (m / 256);
    }
    return {static_cast<Byte>(high & 0xFF), static_cast<Byte>(low & 0xFF)};
}

void AppendWord(Bytes& out, long long v) {
    const auto b = WordToBytes(v);
    out.push_back(b[0]);
    out.push_back(b[1]);
}

Byte ByteToChar(int v) {
    return static_cast<Byte>((v < 0 ? v + 256 : v) & 0xFF);
}

int SmallIntToWord(int v) {
    return v < 0 ? v + 65536 : v;
}

int WordToSmallInt(int w) {
    return w <= 32767 ? w : w - 65536;
}

int SignMagnitudeToInt(int w) {
    return w <= 32767 ? w : 32768 - w;
}

int PackedCellAddress(int c, int r, int s) {
    return s + c / 2 + 8 * (r - 1);
}

int WordCellAddress(int c, int /*r*/, int s) {
    return s + c - 1;
}

int WordFromRegionBytes(std::span<const Byte> regionBytes, int b) {
    return regionBytes[static_cast<std::size_t>(b - 1)] * 256 +
           regionBytes[static_cast<std::size_t>(b)];
}

long long Round(double x) {
    if (!std::isfinite(x)) return 0;
    if (std::fabs(x) >= 1e12) return static_cast<long long>(std::nearbyint(x));
    // Work in whole millionths so that decimal ties stay ties (see the header).
    const long long micro = std::llround(x * 1e6);
    long long n = micro / 1000000;
    long long rest = micro - n * 1000000;
    if (rest < 0) {  // floor division
        n -= 1;
        rest += 1000000;
    }
    if (rest > 500000 || (rest == 500000 && (n % 2 != 0))) n += 1;
    return n;
}

long long Trunc(double x) {
    if (!std::isfinite(x)) return 0;
    return static_cast<long long>(std::trunc(x));
}

long long EncodeScaled(Scale s, double v) {
    switch (s) {
        case Scale::HalfPercent:
            return Round(v * 2);
        case Scale::Hundredths:
            return Round(v * 100);
        case Scale::Plain:
            return Round(v);
        case Scale::Tens:
            return Round(v / 10);
        case Scale::TwentyFives:
            return Round(v / 25);
        case Scale::Fives:
            return Round(v / 5);
        case Scale::Temperature:
            return Round(v + 20);
        case Scale::Pwm:
            return Round(v * 28.16);
        case Scale::StartRpm:
            return Round((v - 400) / 20);
    }
    return 0;
}

double DecodeScaled(Scale s, long long n) {
    const auto d = static_cast<double>(n);
    switch (s) {
        case Scale::HalfPercent:
            return d / 2;
        case Scale::Hundredths:
            return d / 100;
        case Scale::Plain:
            return d;
        case Scale::Tens:
            return d * 10;
        case Scale::TwentyFives:
            return d * 25;
        case Scale::Fives:
            return d * 5;
        case Scale::Temperature:
            return d - 20;
        case Scale::Pwm:
            return d / 28.16;
        case Scale::StartRpm:
            return 400 + 20 * d;
    }
    return 0;
}

int ItemIndexFromValue(int n, int itemCount) {
    return std::min(n, itemCount - 1);
}

int SwitchToWord(bool on) {
    return on ? 256 : 0;
}

bool SwitchFromHighByte(int highByte) {
    return highByte == 1;
}

int PackCanFlags(const CanFlags& f) {
    return (f.tx ? 1 : 0) + (f.id29 ? 2 : 0) + (f.modeOn ? 4 : 0) + (f.valid ? 8 : 0);
}

CanFlags UnpackCanFlags(int n) {
    CanFlags f;
    f.valid = n >= 8;
    if (f.valid) n -= 8;
    f.modeOn = n >= 4;
    if (f.modeOn) n -= 4;
    f.id29 = n >= 2;
    if (f.id29) n -= 2;
    f.tx = n >= 1;
    return f;
}

long long CanIdWord(long long id, int part) {
    long long q1 = Trunc(static_cast<double>(id) / 16777216.0);
    if (q1 > 0) id -= q1 * 16777216;
    long long q2 = Trunc(static_cast<double>(id) / 65536.0);
    if (q2 > 0) id -= q2 * 65536;
    if (part == 1) return q1 * 256 + q2;
    long long q3 = Trunc(static_cast<double>(id) / 256.0);
    if (q3 > 0) id -= q3 * 256;
    return q3 * 256 + id;
}

long long CanIdFromBytes(int b1, int b2, int b3, int b4) {
    return static_cast<long long>(b1) * 16777216 + static_cast<long long>(b2) * 65536 +
           static_cast<long long>(b3) * 256 + b4;
}

int Fixed24Byte(double x, int k) {
    long long n = Round(x * 1000);
    if (x < 0) n += 16777216;
    switch (k) {
        case 1:
            return static_cast<int>((n >> 16) & 0xFF);
        case 2:
            return static_cast<int>((n >> 8) & 0xFF);
        default:
            return static_cast<int>(n & 0xFF);
    }
}

double Fixed24ToFloat(int b1, int b2, int b3) {
    long long n = static_cast<long long>(b1) * 65536 + b2 * 256 + b3;
    if (n > 8388608) n -= 16777216;
    return static_cast<double>(n) / 1000;
}

int ModeValueFromIndex(int i) {
    return i == 0 ? 64 : i - 1;
}

int ModeIndexFromValue(int n, int count) {
    n = std::min(n, count - 1);
    return n == 64 ? 0 : n + 1;
}

int ChannelCodeFromIndex(int i) {
    return i < 5 ? i : i + 95;
}

int ChannelIndexFromCode(int n) {
    return n < 100 ? n : n - 95;
}

int ErrorMaskFromSwitches(const std::array<bool, 16>& switches) {
    int mask = 0;
    for (int k = 0; k < 16; ++k)
        if (switches[static_cast<std::size_t>(k)]) mask |= 1 << k;
    return mask;
}

std::array<bool, 16> SwitchesFromErrorMask(int mask) {
    std::array<bool, 16> s{};
    for (int k = 15; k >= 1; --k) {
        if (mask >= (1 << k)) {
            s[static_cast<std::size_t>(k)] = true;
            mask -= 1 << k;
        }
    }
    s[0] = mask >= 1;
    return s;
}

}  // namespace qor
