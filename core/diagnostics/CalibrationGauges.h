#pragma once
#include <array>
#include <string>

namespace qor {

// A linear gauge of the calibration menu: 0 to 100, a pointer value and the end of its green
// range (the target the module wants the pedal at).
struct GaugeView {
    static constexpr int kMinimum = 0;
    static constexpr int kMaximum = 100;
    int value = 0;
    int greenEnd = 0;
};

// The live part of the settings window's calibration menu. The calibration dialogue opens and
// closes the menu (menuVisible); live frames update the gauges and millivolt texts only while
// it is open.
struct CalibrationGaugesView {
    bool menuVisible = false;   // AdvSmoothPanel_Calibration_menu
    GaugeView pedal1;           // Series_Pedal_potmeter_1
    GaugeView pedal2;           // Series_Pedal_potmeter_2
    GaugeView throttle1;        // Series_Throttle_valve_potmeter_1
    GaugeView throttle2;        // Series_Throttle_valve_potmeter_2
    // Label_Pedal_pos_mV_Cal_1_waarde, _Cal_2, Label_Throttle_pos_mV_Cal_1_waarde, _Cal_2
    std::array<std::string, 4> millivoltTexts = {"0", "0", "0", "0"};
};

}  // namespace qor
