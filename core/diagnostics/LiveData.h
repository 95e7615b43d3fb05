#pragma once
#include <array>
#include <cstdint>
#include <functional>
#include <span>

#include "core/app/Presentation.h"
#include "core/diagnostics/LiveValueFormat.h"
#include "core/image/ParameterSet.h"
#include "core/platform/Bytes.h"

namespace qor {

// The reply to '*': the letter, 32 words high byte first, the checksum. Offsets count from the
// letter.
namespace liveframe {
inline constexpr int kSize = 66;
inline constexpr Byte kLetter = '*';
inline constexpr int kEngineSpeed = 1;
inline constexpr int kPedalPos1 = 3;
inline constexpr int kPedalMv1 = 5;
inline constexpr int kPedalMv2 = 7;
inline constexpr int kThrottlePos1 = 9;
inline constexpr int kThrottleMv1 = 11;
inline constexpr int kBattery = 13;
inline constexpr int kThrottleMv2 = 15;
inline constexpr int kThrottleCorrection = 17;
inline constexpr int kMotorCurrent = 19;
inline constexpr int kCorrectionPid = 21;
inline constexpr int kPwmThrottle = 23;
inline constexpr int kLoadInput = 25;
inline constexpr int kResponseCurve = 27;
inline constexpr int kWaterTemp = 29;
inline constexpr int kEtcTemp = 31;
inline constexpr int kVarLaunch = 33;
inline constexpr int kPedalTarget1 = 35;
inline constexpr int kPedalPos2 = 37;
inline constexpr int kPedalTarget2 = 39;
inline constexpr int kThrottlePos2 = 41;
inline constexpr int kStatusBits = 43;
inline constexpr int kCalibrationResult = 45;
inline constexpr int kVarAls = 47;
inline constexpr int kErrorWord1 = 58;
inline constexpr int kErrorWord2 = 60;
inline constexpr int kErrorWord3 = 62;
inline constexpr int kChecksum = 65;
}  // namespace liveframe

// Status word bits 0..10 light DashboardView::leds[bit]; bit 11 reports an interrupted power
// supply; bits 15..12 mean nothing to the tool.
inline constexpr int kPowerInterruptedBit = 11;

// Paints an LED panel; a negative state leaves it unchanged, 2 or more is stored as 2.
void SetLedState(LedState& panel, int state);

// Active: value labels enabled and yellow, all LEDs grey. Inactive: disabled, silver, black.
void SetDashboardActive(DashboardView& dashboard, bool active);

// Writes "0" into every value label.
void ResetLiveValues(DashboardView& dashboard);

// Labels the three digital-input LEDs with the functions selected on the hardware page
// (item indexes of its three lists; the third list has "RPM input" as item 8). An index past
// a list's last item counts as the last; a negative one (nothing selected) gives an empty label.
void UpdateDigitalInputLabels(DashboardView& dashboard, const std::array<int, 3>& selectedItems);
// The same from the hardware page's three digital-input parameters.
void UpdateDigitalInputLabels(DashboardView& dashboard, const ParameterSet& params);

// LEDs from bits 0..10, the power panel from bit 11. The keyboard focus moves to the panel's
// upload button when the panel comes up, not on every frame, so the user can still type
// elsewhere while the module keeps reporting the interruption.
void ApplyStatusBits(DashboardView& dashboard, MainWindowView& main, std::uint16_t statusWord);

// Decodes live frames onto the presentation: dashboard, power panel, calibration gauges and the
// errors and warnings window.
class LiveDataDecoder {
public:
    explicit LiveDataDecoder(Presentation& presentation) : p_(presentation) {}

    // The separator every value text is written with.
    LiveValueFormat format;
    // Receives the calibration progress word of every frame; filled by the calibration dialogue.
    std::function<void(std::uint16_t)> HandleCalibrationResult;

    // Takes a frame whose length and checksum the receiver has already checked. Returns false,
    // touching nothing, for anything that is not a live frame of full length.
    bool DecodeLiveDataFrame(std::span<const Byte> frame);

private:
    Presentation& p_;
};

}  // namespace qor
