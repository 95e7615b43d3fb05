#pragma once
// The parameter catalogue: one row per parameter of the image, written once and iterated by
// the codecs, the files, the dump tool and (later) the settings pages.
#include <array>
#include <span>
#include <string>
#include <vector>

namespace qor {

enum class ControlKind { Spin, List, Box, Grid };

// How a parameter's control value becomes the integer stored in its bytes.
enum class Family {
    HalfPercent,
    Hundredths,
    Plain,
    Tens,
    TwentyFives,
    Fives,
    Temperature,
    Pwm,
    StartRpm,
    ItemIndex,
    Switch,        // 1 in its byte when set; set exactly when the byte is 1
    CanFlag,       // one bit of the CAN flags byte (PackCanFlags / UnpackCanFlags)
    ErrorMaskBit,  // one bit of an error setup mask word
    CanId,         // four bytes: CanIdWord parts 1 and 2
    Fixed24,       // three bytes: Fixed24Byte / Fixed24ToFloat
    ModeValue,     // ModeValueFromIndex / ModeIndexFromValue
    ChannelCode,   // ChannelCodeFromIndex / ChannelIndexFromCode
    SignedWord,    // SmallIntToWord / WordToSmallInt (pedal correction cells)
    CurveDisplay,  // shown response curve: not stored; the image holds UserCurve1/2
    Complement,  // box that takes the opposite state of its partner (Rx_n, ID_11Bit_n); not stored
};

const char* FamilyName(Family f);
const char* ControlKindName(ControlKind k);

struct ParamDef {
    std::string name;  // control name without the widget prefix
    ControlKind kind;
    Family family;
    int region;      // image region 0..18
    int word;        // image word of the first byte
    int byteInWord;  // 0: starts in the high byte, 1: in the low byte
    int width;       // bytes of one value (1..4), consecutive in link order
    int bit = -1;    // bit index for CanFlag and ErrorMaskBit
    double min = 0, max = 0, step = 1;
    int decimals = 0;
    bool bounded = true;  // false: the field does not correct values (Launch_min, grids)
    std::vector<std::string> items;
    std::string hint;
    double start = 0;
    int cells = 0;        // grids: number of cells, `width` bytes each
    int firstColumn = 0;  // grids: column of the first cell
    int partner = -1;     // boxes of a pair: catalogue index of the other box

    // False for rows that have no bytes of their own in the image.
    bool stored() const { return family != Family::CurveDisplay && family != Family::Complement; }

    bool isGrid() const { return kind == ControlKind::Grid; }
    int firstImageByte() const { return word * 2 + byteInWord; }
};

// Region table: start words B(0)..B(19) of the 19 image regions.
inline constexpr std::array<int, 20> kRegionStart = {
    0, 11, 22, 24, 35, 74, 329, 332, 354, 356, 358, 376, 379, 439, 566, 567, 578, 579, 896, 1024};
inline constexpr int kRegionCount = 19;
inline constexpr int kImageWords = 1024;
inline constexpr int kCanMessages = 12;
inline constexpr int kCanChannels = 18;
inline constexpr int kCanSettingsTouchedWord = 565;
inline constexpr int kSystemAreaWords = 128;
inline constexpr int kCurveCells = 21;
inline constexpr int kPedalCells = 255;

int RegionStart(int k);
int RegionWords(int k);

// The whole catalogue in image order.
const std::vector<ParamDef>& Catalogue();
// Index of a parameter by name, or -1.
int ParamIndex(std::string_view name);
// Catalogue indexes of the parameters stored in region k (display-only rows included).
std::span<const int> RegionParams(int k);

}  // namespace qor
