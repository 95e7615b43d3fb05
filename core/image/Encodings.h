#pragma once
// Word and value encodings shared by the link, the image codecs, the files and the tables.
// Pure functions without state.
#include <array>
#include <cstdint>
#include <span>

#include "core/platform/Bytes.h"

namespace qor {

// ---- Integer and byte helpers -----------------------------------------------------------

// Two bytes, high first. Negatives as sign-magnitude (bit 7 of the high byte is the sign);
// each byte is reduced to its low 8 bits.
std::array<Byte, 2> WordToBytes(long long v);
// Appends WordToBytes(v) to out.
void AppendWord(Bytes& out, long long v);
// One byte, two's complement for negatives.
Byte ByteToChar(int v);
// 16-bit two's complement as 0..65535.
int SmallIntToWord(int v);
int WordToSmallInt(int w);
// Bit 15 the sign, bits 0..14 the magnitude.
int SignMagnitudeToInt(int w);
// Word address of byte-table cell c (two cells per word) in row r of a region starting at s.
int PackedCellAddress(int c, int r, int s);
// Word address of word-table cell c; the row is not used.
int WordCellAddress(int c, int r, int s);
// Word made of region bytes b and b+1 (b counted from 1, odd). Unsigned.
int WordFromRegionBytes(std::span<const Byte> regionBytes, int b);

// ---- Rounding ---------------------------------------------------------------------------

// Round to nearest, ties to the even neighbour. The argument is taken as the decimal number
// it stands for: it is first brought to the nearest millionth, so that a product such as
// 0.005 * 100 (0.50000000000000001 in binary) counts as the tie 0.5 it means and gives 0.
// Every value our controls hold has at most three decimals and every factor at most two, so
// the millionth grid is exact for them. Beyond +-1e12 plain binary rounding applies.
long long Round(double x);
// Toward zero.
long long Trunc(double x);

// ---- Scaling families -------------------------------------------------------------------

enum class Scale {
    HalfPercent,  // n = Round(v * 2)
    Hundredths,   // n = Round(v * 100)
    Plain,        // n = v
    Tens,         // n = Round(v / 10)
    TwentyFives,  // n = Round(v / 25)
    Fives,        // n = Round(v / 5)
    Temperature,  // n = Round(v + 20)
    Pwm,          // n = Round(v * 28.16)
    StartRpm,     // n = Round((v - 400) / 20)
};

long long EncodeScaled(Scale s, double v);
double DecodeScaled(Scale s, long long n);

// Drop-down lists: the stored value is the index, clamped to the last item when decoded.
int ItemIndexFromValue(int n, int itemCount);
// Switches: 1 in the high byte (word 256) when set, else 0; set exactly when the high byte is 1.
int SwitchToWord(bool on);
bool SwitchFromHighByte(int highByte);

// ---- CAN helpers ------------------------------------------------------------------------

struct CanFlags {
    bool tx = false;    // Tx selected (Rx box takes the opposite)
    bool id29 = false;  // 29-bit identifier (11-bit box takes the opposite)
    bool modeOn = false;
    bool valid = false;
    friend bool operator==(const CanFlags&, const CanFlags&) = default;
};
int PackCanFlags(const CanFlags& f);
CanFlags UnpackCanFlags(int n);
// part 1: bits 31..16 of the identifier, part 2: bits 15..0.
long long CanIdWord(long long id, int part);
long long CanIdFromBytes(int b1, int b2, int b3, int b4);
// Byte k (1: bits 23..16, 2: 15..8, 3: 7..0) of Round(x * 1000) as 24-bit two's complement.
int Fixed24Byte(double x, int k);
double Fixed24ToFloat(int b1, int b2, int b3);
int ModeValueFromIndex(int i);
int ModeIndexFromValue(int n, int count);
int ChannelCodeFromIndex(int i);
int ChannelIndexFromCode(int n);

// ---- Error setup masks ------------------------------------------------------------------

// Bit k of the mask is switch k of the 16 given (first mask: Error_setup_0..15, second:
// Error_setup_16..31).
int ErrorMaskFromSwitches(const std::array<bool, 16>& switches);
std::array<bool, 16> SwitchesFromErrorMask(int mask);

}  // namespace qor
