#pragma once
#include <array>

// Fixed texts of the windows (captions, hints), kept in one place for the windows and their
// tests. Message-box texts live with the core; the dashboard's and the errors window's texts
// with the diagnostics (core/diagnostics/DiagnosticsTexts.h).
namespace qor::ui::texts {

inline constexpr const char* kProductName = "QOR ETC";
inline constexpr const char* kVersionCaption = "Version:";
inline constexpr const char* kSplashCredit = "Picture and program: QOR ETC team";
inline constexpr const char* kOk = "OK";

inline constexpr const char* kHintOpenFile = "Open file";
inline constexpr const char* kHintSaveFile = "Save file";
inline constexpr const char* kHintOptions = "Options";
inline constexpr const char* kHintUpDownLoad = "Up / Down load";
inline constexpr const char* kHintHelp = "Help";

inline constexpr const char* kOfflineHint1 = "Press F10 for online";
inline constexpr const char* kOfflineHint2 = "communication is offline";

inline constexpr const char* kUpDownloadMenu = "Up / Down load";
inline constexpr const char* kUpLoad = "Up-load :";
inline constexpr const char* kDownLoad = "Down-load :";
inline constexpr const char* kLockLine = "Lock Program in System:";
inline constexpr const char* kUploadButton = "&s";
inline constexpr const char* kDownloadButton = "&p";
inline constexpr const char* kLockButton = "&l";
inline constexpr const char* kStayOffline = "Stay Offline";
inline constexpr const char* kCancelMenu = "&Cancel";

// Table group captions and grid names.
struct TablePanelText {
    const char* groupName;
    const char* gridName;
    const char* caption;
};
inline constexpr std::array<TablePanelText, 4> kTablePanels = {{
    {"GroupBox_throttle_response_curve_1", "AdvStringGrid_Throttle_response_curve_1",
     "Throttle response curve 1"},
    {"GroupBox_throttle_response_curve_2", "AdvStringGrid_Throttle_response_curve_2",
     "Throttle response curve 2"},
    {"GroupBox_Throttle_limit", "AdvStringGrid_Throttle_limit", "Throttle limit"},
    {"AdvSmoothPanel_openloop_idle", "AdvStringGrid_openloop_idle", "Open loop idle"},
}};
// Fixed column headers of the two response curves.
inline constexpr std::array<const char*, 21> kResponseCurveHeaders = {
    "    0", "    5", "   10 ", "   15", "   20", "   25", "   30",
    "   35", "   40", "   45",  "   50", "   55", "   60", "   65",
    "   70", "   75", "   80",  "   85", "   90", "   95", " 100%"};

inline constexpr const char* kOptionsCaption = "Options";
inline constexpr const char* kPortGroup = "Communicationport";
inline constexpr const char* kPortLabel = "Port:";
inline constexpr const char* kSave = "Save";
inline constexpr const char* kCancel = "Cancel";

}  // namespace qor::ui::texts
