#pragma once
#include <array>
#include <string_view>

// Every text the dashboard and the errors and warnings window show, in one place. Code and
// tests use these constants; blanks and spellings are the module's own and must stay as they are.
namespace qor::diagtext {

inline constexpr std::string_view kUnitRpm = "RPM";
inline constexpr std::string_view kUnitPercent = "%";
inline constexpr std::string_view kUnitMillivolt = "mV";
inline constexpr std::string_view kUnitVolt = "V";
inline constexpr std::string_view kUnitAmpere = "A";
inline constexpr std::string_view kUnitCelsius = "\u00B0" "C";
inline constexpr std::string_view kNoUnit = "";

// Caption and unit beside each value label, in DashboardView::kValueNames order. The percent
// and millivolt labels of the first pedal and throttle sensor share one caption.
struct ValueLabelTexts {
    std::string_view caption;
    std::string_view unit;
};
inline constexpr std::array<ValueLabelTexts, 18> kValueLabels = {{
    {"Enginespeed", kUnitRpm},        {"Pedal Pos. 1", kUnitPercent},
    {"Pedal Pos. 1", kUnitMillivolt}, {"Pedal Pos. 2", kUnitMillivolt},
    {"Throttle pos. 1", kUnitPercent}, {"Throttle pos. 1", kUnitMillivolt},
    {"Throttle pos. 2", kUnitMillivolt}, {"Throttle Corr.", kUnitPercent},
    {"Motor current", kUnitAmpere},   {"Correction PID", kUnitPercent},
    {"PWM throttle", kUnitPercent},   {"Load input", kNoUnit},
    {"Response curve", kNoUnit},      {"Water temp.", kUnitCelsius},
    {"ETC temp.", kUnitCelsius},      {"Battery voltage", kUnitVolt},
    {"var. launch", kUnitPercent},    {"var. ALS", kUnitPercent},
}};

// A temperature code outside the sensor's range.
inline constexpr std::string_view kNoTemperature = "---";
// What a value label reads before any frame and after going offline.
inline constexpr std::string_view kResetValue = "0";

// LED captions, in the order of DashboardView::kLedNames.
inline constexpr std::array<std::string_view, 11> kLedCaptions = {
    "Digital input 1", "Digital input 2", "Digital input 3", "CAN input", "HighIdle", "Blib",
    "TPS lim",         "TPS curve 2",     "ALS",             "Launch",    "Airco"};

// Item 7 is too long for the dashboard label.
inline constexpr int kDigitalInputResponseCurve2 = 7;
inline constexpr std::string_view kDigitalInputResponseCurve2Short = "Resp. curve 2";

// Panel shown while the module reports an interrupted power supply.
inline constexpr std::array<std::string_view, 3> kPowerPanelLines = {
    "Power to the System", "was interruped !!!", "(see manual)"};
inline constexpr std::string_view kPowerPanelUploadLabel = "Up-load :";
inline constexpr std::string_view kPowerPanelDownloadLabel = "Down-load :";

// Errors and warnings window.
inline constexpr std::string_view kErrorsCaption = "                    Errors and warnings";
inline constexpr std::string_view kLegendWarning = "Orange = warning";
inline constexpr std::string_view kLegendError = "Red with ! = error";
inline constexpr std::string_view kClearMessage = "Clear message";
inline constexpr std::string_view kErrorIndicatorCaption = "!";

inline constexpr std::array<std::string_view, 24> kErrorConditions = {
    "Differentiation between TPS 1 and TPS 2",
    "Throttle not in startup position",
    "TPS 1  0.25V below calibration value",
    "TPS 1 0.25V above calibration value",
    "TPS 2  0.25V below calibration value",
    "TPS 2 0.25V above calibration value",
    "TPS 1 and 2  0.25V below calibration value",
    "TPS 1 and 2  0.25V above calibration value",
    "Differentiation between PPS 1 and PPS 2",
    "Pedal not in startup position",
    "PPS 1  0.25V below calibration value",
    "PPS 1 0.25V above calibration value",
    "PPS 2  0.25V below calibration value",
    "PPS 2 0.25V above calibration value",
    "PPS 1 and 2  0.25V below calibration value",
    "PPS 1 and 2  0.25V above calibration value",
    "Maximum  Intergrator  time",
    "5V short circuit",
    "motor current over 18 Amp",
    "Target  not reached in 1.5 sec",
    "motor over  userdefined current",
    "non defined error 3",
    "non defined error 2",
    "non defined error 1"};

}  // namespace qor::diagtext
