#pragma once
#include <array>
#include <string>
#include <vector>

#include "core/app/ToolState.h"
#include "core/diagnostics/CalibrationGauges.h"
#include "core/diagnostics/ErrorsView.h"

namespace qor {

// What the windows show that behaviour depends on. The core writes it; the Qt layer renders
// it after every handled event; tests assert on it. Pixel layout, fonts and pictures are the
// UI's business and are not here.

// Up/download menu variants.
enum class MenuVariant { Hidden, GoingOnline, Menu, AfterOpenFile };

// Look of an LED panel: 0 black (off or inactive), 1 grey (active, nothing applied yet),
// 2 green (input set). SetLedState stores 2 for any state of 2 or more.
using LedState = int;

namespace colors {
inline constexpr Rgb LedOff{0x00, 0x00, 0x00};
inline constexpr Rgb LedIdle{0x80, 0x80, 0x80};
inline constexpr Rgb LedOn{0x00, 0xFF, 0x00};
inline constexpr Rgb ValueActive{0xFF, 0xFF, 0x00};    // value label captions, dashboard active
inline constexpr Rgb ValueInactive{0xC0, 0xC0, 0xC0};
}  // namespace colors

// Fill and gradient end colour of an LED panel in the given state.
constexpr Rgb LedColor(LedState state) {
    return state >= 2 ? colors::LedOn : state == 1 ? colors::LedIdle : colors::LedOff;
}

struct DashboardView {
    // Value labels in dashboard order, keyed by the label's control name without "Label_"
    // and "_waarde" (enginespeed, Pedal_pos_1, ...).
    static constexpr int kValueCount = 18;
    static constexpr std::array<const char*, kValueCount> kValueNames = {
        "enginespeed",       "Pedal_pos_1",      "Pedal_pos_mV_1",    "Pedal_pos_mV_2",
        "Throttle_pos_1",    "Throttle_pos_mV_1", "Throttle_pos_mV_2", "Throttle_correction",
        "Motor_current",     "Correction_PID",   "PWM_Throttle",      "Load_input",
        "Response_curve",    "Water_temp",       "ETC_temp",          "Battery_Voltage",
        "var_launch",        "var_ALS"};
    std::array<std::string, kValueCount> values = [] {
        std::array<std::string, kValueCount> v;
        v.fill("0");
        return v;
    }();
    bool active = false;          // value labels enabled, yellow; else disabled, silver
    Rgb valueColor = colors::ValueInactive;
    int engineSpeedFontPt = 32;   // 32 below 10000 rpm, 26 from 10000
    // Panel_Digital_input_1..3, Panel_CAN_input, Panel_highidle_Led, Panel_Blib_Led,
    // Panel_TPS_lim_Led, Panel_TPS_curve_2_Led, Panel_ALS_Led, Panel_Launch_Led, Panel_Airco_Led
    static constexpr int kLedCount = 11;
    static constexpr std::array<const char*, kLedCount> kLedNames = {
        "Panel_Digital_input_1", "Panel_Digital_input_2", "Panel_Digital_input_3",
        "Panel_CAN_input",       "Panel_highidle_Led",    "Panel_Blib_Led",
        "Panel_TPS_lim_Led",     "Panel_TPS_curve_2_Led", "Panel_ALS_Led",
        "Panel_Launch_Led",      "Panel_Airco_Led"};
    std::array<LedState, kLedCount> leds{};
    // Function texts beside Digital input 1..3 (Label_Digital_input_txt_2_1.._3).
    std::array<std::string, 3> digitalInputTexts = {"None", "None", "None"};
};

struct MainWindowView {
    std::string caption;
    int height = 749;
    // Online/offline look of Panel_dashbord (SetOnlineDisplay).
    bool dashboardOnlineLook = false;     // gradient (228,231,233)->silver, else (255,66,66)->red
    bool liveValuePanelsVisible = false;  // value panels and input indicators
    bool offlineHintsVisible = true;      // "Press F10 for online", "communication is offline"
    bool upDownLoadButtonVisible = false;
    // Toolbar enabling (EnableFileCommands).
    bool openFileEnabled = false;
    bool saveFileEnabled = false;
    bool optionsEnabled = false;
    bool upDownLoadEnabled = false;
    // Progress group.
    bool progressVisible = true;
    std::string progressCaption = "Up_loading";
    int gaugePosition = 0;
    int gaugeMaximum = 100;
    std::string commErrorsCaption = "COM port";   // Label_comm_errors
    MenuVariant menu = MenuVariant::Hidden;       // GroupBox_up_download_menu
    bool powerInterruptedPanelVisible = false;    // Panel_power_to_system_was_interrupted
    bool focusPowerPanelUpload = false;           // move focus to its upload button once
    // Table panels.
    bool responseCurvePanelsVisible = true;
    bool throttleLimitPanelVisible = true;
    bool openLoopIdlePanelVisible = true;
    std::array<std::string, 21> throttleLimitHeaders{};
    std::array<std::string, 21> openLoopIdleHeaders{};
    bool dataLockedLook = true;
    bool editMenuVisible = false;         // GroupBox_Edit_menu
    bool tablesEditable = true;           // the four tables take edits
    // Access settings and password groups (shown over the options panel).
    bool accessSettingsVisible = false;   // GroupBox_acces_Settings
    bool passwordGroupVisible = false;    // GroupBox_Change_password
    std::string userLevelCaption;         // AdvSmoothPanel_Level_user_act
};

struct PortPageView {
    bool visible = false;                 // settings window with GroupBox_set_communicationport
    std::vector<std::string> ports;       // ComComboBox_set_communicationport items
    int selected = -1;
};

struct SplashView {
    bool visible = false;
    std::string version = "1.03";         // Label_versie: the one place of the program version
    Rgb creditColor = colors::Silver;     // Label_Velmarin_logo font colour
};

struct Presentation {
    MainWindowView main;
    DashboardView dashboard;
    PortPageView portPage;
    SplashView splash;
    ErrorsView errors;                    // Form5
    CalibrationGaugesView calibration;    // live part of the settings window's calibration menu
};

}  // namespace qor
