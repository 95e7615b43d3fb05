#include "core/diagnostics/LiveData.h"

#include <algorithm>

#include "core/diagnostics/DiagnosticsTexts.h"
#include "core/image/Catalogue.h"

namespace qor {
namespace {

enum class Scale { Times10, Half, Raw, Signed, Tenth, SignedPercent, Battery, Temperature };

struct ValueField {
    int offset;
    Scale scale;
    int decimals;
    int maxSignificant;
};

// One row per value label, in DashboardView::kValueNames order, which is also the order the
// labels are written in.
constexpr std::array<ValueField, DashboardView::kValueCount> kValueFields = {{
    {liveframe::kEngineSpeed, Scale::Times10, 0, 5},
    {liveframe::kPedalPos1, Scale::Half, 1, 5},
    {liveframe::kPedalMv1, Scale::Raw, 0, 5},
    {liveframe::kPedalMv2, Scale::Raw, 0, 5},
    {liveframe::kThrottlePos1, Scale::Half, 1, 5},
    {liveframe::kThrottleMv1, Scale::Raw, 0, 5},
    {liveframe::kThrottleMv2, Scale::Raw, 0, 5},
    {liveframe::kThrottleCorrection, Scale::Signed, 1, 5},
    {liveframe::kMotorCurrent, Scale::Tenth, 1, 5},
    {liveframe::kCorrectionPid, Scale::SignedPercent, 1, 5},
    {liveframe::kPwmThrottle, Scale::SignedPercent, 1, 5},
    {liveframe::kLoadInput, Scale::Half, 1, 5},
    {liveframe::kResponseCurve, Scale::Raw, 0, 5},
    {liveframe::kWaterTemp, Scale::Temperature, 1, 5},
    {liveframe::kEtcTemp, Scale::Temperature, 1, 5},
    {liveframe::kBattery, Scale::Battery, 1, 3},
    {liveframe::kVarLaunch, Scale::Half, 1, 5},
    {liveframe::kVarAls, Scale::Half, 1, 5},
}};

// Value labels the calibration menu repeats: pedal mV 1 and 2, throttle mV 1 and 2.
constexpr std::array<int, 4> kCalibrationMillivoltIndexes = {2, 3, 5, 6};
constexpr int kLargeEngineSpeed = 10000;
constexpr int kEngineSpeedFontPt = 32;
constexpr int kLargeEngineSpeedFontPt = 26;
// Output of the control loop: full scale 2817 counts.
constexpr double kCountsPerPercent = 28.17;

std::uint16_t WordAt(std::span<const Byte> frame, int offset) {
    return static_cast<std::uint16_t>(frame[offset] << 8 | frame[offset + 1]);
}

std::int16_t Signed(std::uint16_t word) {
    return static_cast<std::int16_t>(word);
}

// Half of a word to the nearest integer, halves to the even neighbour.
int RoundedHalf(std::uint16_t word) {
    const int half = word >> 1;
    return (word & 1) ? half + (half & 1) : half;
}

std::string FormatField(const ValueField& f, std::uint16_t word, const LiveValueFormat& format) {
    double value = 0;
    switch (f.scale) {
        case Scale::Times10:
            value = word * 10.0;
            break;
        case Scale::Half:
            value = word / 2.0;
            break;
        case Scale::Raw:
            value = word;
            break;
        case Scale::Signed:
            value = Signed(word);
            break;
        case Scale::Tenth:
            value = word / 10.0;
            break;
        case Scale::SignedPercent:
            value = Signed(word) / kCountsPerPercent;
            break;
        case Scale::Battery:
            value = word * 0.25 + 8.0;
            break;
        case Scale::Temperature:
            return FormatTemperature(word, format);
    }
    return FormatLiveValue(value, f.decimals, f.maxSignificant, format);
}

}  // namespace

void SetLedState(LedState& panel, int state) {
    if (state < 0) return;
    panel = std::min(state, 2);
}

void SetDashboardActive(DashboardView& dashboard, bool active) {
    dashboard.active = active;
    dashboard.valueColor = active ? colors::ValueActive : colors::ValueInactive;
    for (LedState& led : dashboard.leds) SetLedState(led, active ? 1 : 0);
}

void ResetLiveValues(DashboardView& dashboard) {
    dashboard.values.fill(std::string(diagtext::kResetValue));
}

namespace {
// The hardware page's lists of what each digital input does; the labels show their captions.
constexpr std::array<std::string_view, 3> kDigitalInputLists = {
    "hardware_settings_digital_input_1", "hardware_settings_digital_input_2",
    "hardware_settings_digital_input_3"};
}  // namespace

void UpdateDigitalInputLabels(DashboardView& dashboard, const std::array<int, 3>& selectedItems) {
    for (std::size_t i = 0; i < selectedItems.size(); ++i) {
        const auto& items =
            Catalogue()[static_cast<std::size_t>(ParamIndex(kDigitalInputLists[i]))].items;
        const int item = std::min(selectedItems[i], static_cast<int>(items.size()) - 1);
        std::string& text = dashboard.digitalInputTexts[i];
        if (item < 0)
            text.clear();
        else if (item == diagtext::kDigitalInputResponseCurve2)
            text = diagtext::kDigitalInputResponseCurve2Short;
        else
            text = items[static_cast<std::size_t>(item)];
    }
}

void UpdateDigitalInputLabels(DashboardView& dashboard, const ParameterSet& params) {
    std::array<int, 3> items{};
    for (std::size_t i = 0; i < kDigitalInputLists.size(); ++i)
        items[i] = static_cast<int>(params.get(kDigitalInputLists[i]));
    UpdateDigitalInputLabels(dashboard, items);
}

void ApplyStatusBits(DashboardView& dashboard, MainWindowView& main, std::uint16_t statusWord) {
    const bool interrupted = statusWord & (1u << kPowerInterruptedBit);
    main.focusPowerPanelUpload = interrupted && !main.powerInterruptedPanelVisible;
    main.powerInterruptedPanelVisible = interrupted;
    for (int bit = 0; bit < DashboardView::kLedCount; ++bit)
        SetLedState(dashboard.leds[bit], (statusWord & (1u << bit)) ? 2 : 0);
}

bool LiveDataDecoder::DecodeLiveDataFrame(std::span<const Byte> frame) {
    if (frame.size() < static_cast<std::size_t>(liveframe::kSize) || frame[0] != liveframe::kLetter)
        return false;
    DashboardView& dash = p_.dashboard;
    if (!dash.active) SetDashboardActive(dash, true);

    const std::uint16_t rpmWord = WordAt(frame, liveframe::kEngineSpeed);
    dash.engineSpeedFontPt =
        rpmWord * 10 < kLargeEngineSpeed ? kEngineSpeedFontPt : kLargeEngineSpeedFontPt;
    for (int i = 0; i < DashboardView::kValueCount; ++i) {
        const ValueField& f = kValueFields[i];
        dash.values[i] = FormatField(f, WordAt(frame, f.offset), format);
    }

    CalibrationGaugesView& cal = p_.calibration;
    if (cal.menuVisible) {
        for (std::size_t k = 0; k < kCalibrationMillivoltIndexes.size(); ++k)
            cal.millivoltTexts[k] = dash.values[kCalibrationMillivoltIndexes[k]];
        cal.pedal1.value = RoundedHalf(WordAt(frame, liveframe::kPedalPos1));
        cal.pedal1.greenEnd = RoundedHalf(WordAt(frame, liveframe::kPedalTarget1));
        cal.pedal2.value = RoundedHalf(WordAt(frame, liveframe::kPedalPos2));
        cal.pedal2.greenEnd = RoundedHalf(WordAt(frame, liveframe::kPedalTarget2));
        cal.throttle1.value = RoundedHalf(WordAt(frame, liveframe::kThrottlePos1));
        cal.throttle2.value = RoundedHalf(WordAt(frame, liveframe::kThrottlePos2));
    }

    ApplyStatusBits(dash, p_.main, WordAt(frame, liveframe::kStatusBits));
    if (HandleCalibrationResult)
        HandleCalibrationResult(WordAt(frame, liveframe::kCalibrationResult));
    ApplyErrorWords(p_.errors, WordAt(frame, liveframe::kErrorWord1),
                    WordAt(frame, liveframe::kErrorWord2), WordAt(frame, liveframe::kErrorWord3));
    return true;
}

}  // namespace qor
