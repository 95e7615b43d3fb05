#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#include "core/diagnostics/DiagnosticsTexts.h"
#include "core/diagnostics/LiveData.h"
#include "tests/support/DiagFrames.h"

namespace qor {
namespace {

using test::LiveFrame;

int ValueIndex(const std::string& name) {
    const auto& names = DashboardView::kValueNames;
    const auto it = std::find(names.begin(), names.end(), name);
    EXPECT_NE(it, names.end()) << name;
    return static_cast<int>(it - names.begin());
}

class DiagDashboard : public ::testing::Test {
protected:
    Presentation p;
    LiveDataDecoder decoder{p};
    std::vector<std::uint16_t> calibrationWords;

    DiagDashboard() {
        decoder.HandleCalibrationResult = [this](std::uint16_t w) { calibrationWords.push_back(w); };
    }
    const std::string& Value(const std::string& name) { return p.dashboard.values[ValueIndex(name)]; }
};

struct FieldCase {
    int offset;
    std::uint16_t word;
    const char* label;
    const char* text;
};

TEST_F(DiagDashboard, EachWordLandsInItsLabelWithItsScaleAndFormat) {
    const FieldCase cases[] = {
        {liveframe::kEngineSpeed, 999, "enginespeed", "9990"},
        {liveframe::kEngineSpeed, 65535, "enginespeed", "6.5535E+05"},
        {liveframe::kPedalPos1, 201, "Pedal_pos_1", "100.5"},
        {liveframe::kPedalMv1, 4711, "Pedal_pos_mV_1", "4711"},
        {liveframe::kPedalMv2, 512, "Pedal_pos_mV_2", "512"},
        {liveframe::kThrottlePos1, 3, "Throttle_pos_1", "1.5"},
        {liveframe::kThrottleMv1, 65535, "Throttle_pos_mV_1", "65535"},
        {liveframe::kThrottleMv2, 820, "Throttle_pos_mV_2", "820"},
        {liveframe::kBattery, 0, "Battery_Voltage", "8.0"},
        {liveframe::kBattery, 18, "Battery_Voltage", "12.5"},
        {liveframe::kBattery, 3968, "Battery_Voltage", "1.00E+03"},
        {liveframe::kThrottleCorrection, 65531, "Throttle_correction", "-5.0"},
        {liveframe::kThrottleCorrection, 7, "Throttle_correction", "7.0"},
        {liveframe::kMotorCurrent, 123, "Motor_current", "12.3"},
        {liveframe::kCorrectionPid, 2817, "Correction_PID", "100.0"},
        {liveframe::kCorrectionPid, static_cast<std::uint16_t>(-2817), "Correction_PID", "-100.0"},
        {liveframe::kPwmThrottle, 1409, "PWM_Throttle", "50.0"},
        {liveframe::kLoadInput, 9, "Load_input", "4.5"},
        {liveframe::kResponseCurve, 2, "Response_curve", "2"},
        {liveframe::kWaterTemp, 20, "Water_temp", "0.0"},
        {liveframe::kWaterTemp, 156, "Water_temp", "---"},
        {liveframe::kEtcTemp, 32768, "ETC_temp", "-20.0"},
        {liveframe::kVarLaunch, 100, "var_launch", "50.0"},
        {liveframe::kVarAls, 1, "var_ALS", "0.5"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(decoder.DecodeLiveDataFrame(LiveFrame({{c.offset, c.word}})));
        for (int i = 0; i < DashboardView::kValueCount; ++i) {
            const std::string name = DashboardView::kValueNames[i];
            if (name == c.label)
                EXPECT_EQ(p.dashboard.values[i], c.text) << name << " from word " << c.word;
            else if (name == "Battery_Voltage")   // a zero word still means 8 V
                EXPECT_EQ(p.dashboard.values[i], "8.0") << "set by " << c.label;
            else if (name == "Water_temp" || name == "ETC_temp")
                EXPECT_EQ(p.dashboard.values[i], "-20.0") << "set by " << c.label;
            else
                EXPECT_TRUE(p.dashboard.values[i] == "0" || p.dashboard.values[i] == "0.0")
                    << name << " = " << p.dashboard.values[i] << ", set by " << c.label;
        }
    }
}

TEST_F(DiagDashboard, EngineSpeedFontShrinksFromTenThousandRpm) {
    const std::tuple<std::uint16_t, const char*, int> cases[] = {
        {0, "0", 32}, {999, "9990", 32}, {1000, "10000", 26}, {9999, "99990", 26},
        {10000, "1.0000E+05", 26}, {500, "5000", 32}};
    for (const auto& [word, text, pt] : cases) {
        decoder.DecodeLiveDataFrame(LiveFrame({{liveframe::kEngineSpeed, word}}));
        EXPECT_EQ(Value("enginespeed"), text) << word;
        EXPECT_EQ(p.dashboard.engineSpeedFontPt, pt) << word;
    }
}

TEST_F(DiagDashboard, InjectedSeparatorAppliesToEveryDecimalLabel) {
    decoder.format.decimalSeparator = ',';
    decoder.DecodeLiveDataFrame(LiveFrame({{liveframe::kBattery, 18},
                                           {liveframe::kPedalPos1, 3},
                                           {liveframe::kWaterTemp, 105},
                                           {liveframe::kEngineSpeed, 20000}}));
    EXPECT_EQ(Value("Battery_Voltage"), "12,5");
    EXPECT_EQ(Value("Pedal_pos_1"), "1,5");
    EXPECT_EQ(Value("Water_temp"), "85,0");
    EXPECT_EQ(Value("enginespeed"), "2,0000E+05");
    for (const auto& v : p.dashboard.values) EXPECT_EQ(v.find('.'), std::string::npos) << v;
}

TEST_F(DiagDashboard, FrameWhileInactiveActivatesThenShowsStatus) {
    ASSERT_FALSE(p.dashboard.active);
    decoder.DecodeLiveDataFrame(LiveFrame({{liveframe::kStatusBits, 0x0005}}));
    EXPECT_TRUE(p.dashboard.active);
    EXPECT_EQ(p.dashboard.valueColor, colors::ValueActive);
    // Activation greys every LED; the status word then paints each one.
    const std::array<LedState, DashboardView::kLedCount> expected = {2, 0, 2, 0, 0, 0, 0, 0, 0, 0, 0};
    EXPECT_EQ(p.dashboard.leds, expected);
}

TEST_F(DiagDashboard, FrameWhileActiveDoesNotReactivate) {
    SetDashboardActive(p.dashboard, true);
    p.dashboard.valueColor = colors::Black;   // would be repainted by a second activation
    decoder.DecodeLiveDataFrame(LiveFrame());
    EXPECT_EQ(p.dashboard.valueColor, colors::Black);
}

TEST_F(DiagDashboard, StatusBitsDriveLedsAndThePowerPanel) {
    struct Case {
        std::uint16_t word;
        bool panel;
        std::array<LedState, DashboardView::kLedCount> leds;
    };
    const Case cases[] = {
        {0x0800, true, {}},     // only the power bit: panel shown, every LED black
        {0xF000, false, {}},    // bits 15..12 mean nothing: same as zero
        {0x0000, false, {}},
        {0x07FF, false, {2, 2, 2, 2, 2, 2, 2, 2, 2, 2, 2}},
        {0x0400, false, {0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 2}},   // bit 10: Airco
        {0x0108, false, {0, 0, 0, 2, 0, 0, 0, 0, 2, 0, 0}},   // CAN input, ALS
        {0x0A10, true, {0, 0, 0, 0, 2, 0, 0, 0, 0, 2, 0}},    // high idle, launch, power
    };
    for (const auto& c : cases) {
        MainWindowView main;
        main.powerInterruptedPanelVisible = !c.panel;
        ApplyStatusBits(p.dashboard, main, c.word);
        EXPECT_EQ(main.powerInterruptedPanelVisible, c.panel) << std::hex << c.word;
        EXPECT_EQ(p.dashboard.leds, c.leds) << std::hex << c.word;
    }
    EXPECT_EQ(std::string(DashboardView::kLedNames[10]), "Panel_Airco_Led");
    EXPECT_EQ(std::string(DashboardView::kLedNames[3]), "Panel_CAN_input");
}

TEST_F(DiagDashboard, PowerPanelTakesTheFocusWhenItComesUpOnly) {
    const auto power = LiveFrame({{liveframe::kStatusBits, 0x0800}});
    decoder.DecodeLiveDataFrame(power);
    EXPECT_TRUE(p.main.powerInterruptedPanelVisible);
    EXPECT_TRUE(p.main.focusPowerPanelUpload);
    decoder.DecodeLiveDataFrame(power);
    EXPECT_TRUE(p.main.powerInterruptedPanelVisible);
    EXPECT_FALSE(p.main.focusPowerPanelUpload);
    p.main.powerInterruptedPanelVisible = false;   // the upload command hides it
    decoder.DecodeLiveDataFrame(power);
    EXPECT_TRUE(p.main.focusPowerPanelUpload);
    decoder.DecodeLiveDataFrame(LiveFrame());
    EXPECT_FALSE(p.main.powerInterruptedPanelVisible);
    EXPECT_FALSE(p.main.focusPowerPanelUpload);
}

TEST_F(DiagDashboard, CalibrationGaugesFollowOnlyWhileTheMenuIsOpen) {
    const auto frame = LiveFrame({{liveframe::kPedalMv1, 4100},
                                  {liveframe::kPedalMv2, 2050},
                                  {liveframe::kThrottleMv1, 600},
                                  {liveframe::kThrottleMv2, 4400},
                                  {liveframe::kPedalPos1, 101},      // 50.5 -> 50
                                  {liveframe::kPedalTarget1, 103},   // 51.5 -> 52
                                  {liveframe::kPedalPos2, 200},
                                  {liveframe::kPedalTarget2, 7},     // 3.5 -> 4
                                  {liveframe::kThrottlePos1, 1},     // 0.5 -> 0
                                  {liveframe::kThrottlePos2, 199}}); // 99.5 -> 100
    const CalibrationGaugesView closed = p.calibration;
    decoder.DecodeLiveDataFrame(frame);
    EXPECT_EQ(p.calibration.millivoltTexts, closed.millivoltTexts);
    EXPECT_EQ(p.calibration.pedal1.value, closed.pedal1.value);
    EXPECT_EQ(p.calibration.pedal2.greenEnd, closed.pedal2.greenEnd);
    EXPECT_EQ(p.calibration.throttle2.value, closed.throttle2.value);

    p.calibration.menuVisible = true;
    p.calibration.throttle1.greenEnd = 0;
    decoder.DecodeLiveDataFrame(frame);
    const std::array<std::string, 4> mv = {"4100", "2050", "600", "4400"};
    EXPECT_EQ(p.calibration.millivoltTexts, mv);
    EXPECT_EQ(p.calibration.pedal1.value, 50);
    EXPECT_EQ(p.calibration.pedal1.greenEnd, 52);
    EXPECT_EQ(p.calibration.pedal2.value, 100);
    EXPECT_EQ(p.calibration.pedal2.greenEnd, 4);
    EXPECT_EQ(p.calibration.throttle1.value, 0);
    EXPECT_EQ(p.calibration.throttle2.value, 100);
    EXPECT_EQ(p.calibration.throttle1.greenEnd, 0);   // not a live value
}

TEST_F(DiagDashboard, CalibrationResultAndErrorWordsAreHandedOnEveryFrame) {
    decoder.DecodeLiveDataFrame(LiveFrame({{liveframe::kCalibrationResult, 1}}));
    decoder.DecodeLiveDataFrame(LiveFrame({{liveframe::kErrorWord3, 0x0002}}));
    EXPECT_EQ(calibrationWords, (std::vector<std::uint16_t>{1, 0}));
    EXPECT_TRUE(p.errors.visible);
    EXPECT_TRUE(p.errors.conditions[17].shown);
    EXPECT_TRUE(p.errors.conditions[17].isError);

    LiveDataDecoder unhooked{p};   // no calibration dialogue attached: still decodes
    EXPECT_TRUE(unhooked.DecodeLiveDataFrame(LiveFrame({{liveframe::kCalibrationResult, 3}})));
}

TEST_F(DiagDashboard, RejectsWhatIsNotAFullLiveFrame) {
    Bytes shortFrame = LiveFrame({{liveframe::kEngineSpeed, 100}});
    shortFrame.pop_back();
    Bytes otherLetter = LiveFrame({{liveframe::kEngineSpeed, 100}});
    otherLetter[0] = 'S';
    for (const Bytes& f : {shortFrame, otherLetter, Bytes{}}) {
        EXPECT_FALSE(decoder.DecodeLiveDataFrame(f));
        EXPECT_FALSE(p.dashboard.active);
        EXPECT_EQ(Value("enginespeed"), "0");
    }
    EXPECT_TRUE(calibrationWords.empty());
}

TEST(DiagDashboardOps, ActiveLookAndReset) {
    DashboardView d;
    d.values.fill("12.5");
    SetDashboardActive(d, true);
    EXPECT_TRUE(d.active);
    EXPECT_EQ(d.valueColor, colors::ValueActive);
    for (LedState s : d.leds) EXPECT_EQ(LedColor(s), colors::LedIdle);
    SetDashboardActive(d, false);
    EXPECT_FALSE(d.active);
    EXPECT_EQ(d.valueColor, colors::ValueInactive);
    for (LedState s : d.leds) EXPECT_EQ(LedColor(s), colors::LedOff);
    EXPECT_EQ(d.values[0], "12.5");   // the look only; values stay until reset
    ResetLiveValues(d);
    for (const auto& v : d.values) EXPECT_EQ(v, diagtext::kResetValue);
}

TEST(DiagDashboardOps, LedStatesAndColours) {
    const std::tuple<int, int, Rgb> cases[] = {
        {0, 0, Rgb{0x00, 0x00, 0x00}}, {1, 1, Rgb{0x80, 0x80, 0x80}},
        {2, 2, Rgb{0x00, 0xFF, 0x00}}, {7, 2, Rgb{0x00, 0xFF, 0x00}},
        {-1, 1, Rgb{0x80, 0x80, 0x80}},   // negative: unchanged from the grey it had
    };
    for (const auto& [state, stored, colour] : cases) {
        LedState led = 1;
        SetLedState(led, state);
        EXPECT_EQ(led, stored) << state;
        EXPECT_EQ(LedColor(led), colour) << state;
    }
}

TEST(DiagDashboardOps, DigitalInputLabelsNameTheSelectedFunction) {
    const std::pair<std::array<int, 3>, std::array<std::string, 3>> cases[] = {
        {{0, 1, 2}, {"None", "ALS activation", "Launch control activation"}},
        {{3, 4, 5}, {"Airco correction", "High idle", "Throttle Blip"}},
        {{6, 7, 0}, {"Throttle limit", "Resp. curve 2", "None"}},
        {{7, 7, 8}, {"Resp. curve 2", "Resp. curve 2", "RPM input"}},
        {{8, 9, 9}, {"Resp. curve 2", "Resp. curve 2", "RPM input"}},   // past the end clamps
        {{-1, 1, -1}, {"", "ALS activation", ""}},                      // nothing selected
    };
    for (const auto& [items, texts] : cases) {
        DashboardView d;
        UpdateDigitalInputLabels(d, items);
        EXPECT_EQ(d.digitalInputTexts, texts);
    }
}

TEST(DiagDashboardOps, DigitalInputLabelsFollowTheHardwarePageParameters) {
    ParameterSet params;
    DashboardView d;
    params.set("hardware_settings_digital_input_1", 7);
    params.set("hardware_settings_digital_input_2", 3);
    params.set("hardware_settings_digital_input_3", 8);
    UpdateDigitalInputLabels(d, params);
    EXPECT_EQ(d.digitalInputTexts,
              (std::array<std::string, 3>{"Resp. curve 2", "Airco correction", "RPM input"}));
}

}  // namespace
}  // namespace qor
