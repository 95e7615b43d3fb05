#pragma once
#include <array>
#include <functional>
#include <string>

#include "core/platform/Bytes.h"

namespace qor {

// Extension points of the Tool for subsystems built elsewhere. Each is called when set;
// where nothing is set the Tool does the documented default.
struct ToolHooks {
    // --- Replies handed on by the receive dispatcher.
    std::function<void(const Bytes& frame)> liveData;         // checked 66-byte '*' reply
    std::function<void()> blockReceived;                      // checked 'Z' reply in RxBuffer
    std::function<void(char letter, bool ok)> passwordReply;  // 'A', 'p', 'P'
    std::function<void(int code)> calibrationReply;           // 'q'
    std::function<void()> downloadEnd;                        // 'R'
    // Timer3 ticks other than the baud switch after an upload identification
    // (download steps -10, 30..200, table send 400...).
    std::function<void()> sequencerStep;
    // Re-sends whose frame is rebuilt from the user's current selection or typing.
    std::function<void()> resendAccessLevel;
    std::function<void(char letter)> resendPassword;
    // Sixth failure in a row: the calibration dialogue decides whether it was waiting.
    std::function<void()> calibrationLinkLost;
    std::function<void()> startTableEdit;            // PollAction 2
    std::function<void()> applyPedalCorrectionEdit;  // PollAction 5

    // --- Upload. Called for user level 2..4 once UploadStep is 3 and the gauge prepared;
    // default: no block reads, straight to endOfUpload() and live data.
    std::function<void()> startBlockReads;

    // --- Commands built elsewhere.
    std::function<void()> download;  // "&p" and Alt+P
    std::function<void()> lock;      // "&l" and Alt+L; default: send 'L' via the poll cycle
    std::function<bool()> lockBlockedByCurveWarnings;  // a decreasing-curve warning is shown
    std::function<void()> openFile;                    // F2 / Open file
    std::function<void()> saveFile;                    // F3 / Save file
    std::function<void()> openOptions;                 // F4 / Options
    std::function<void(bool visible)> setOptionsMenuVisible;
    std::function<void(bool enabled)> setPageCancelButtonsEnabled;

    // --- Presentation owned elsewhere (defaults touch only the dashboard's active flag).
    std::function<void(bool active)> setDashboardActive;
    std::function<void()> resetLiveValues;
    std::function<void()> updateDigitalInputLabels;
    std::function<void(bool locked)> lockLookChanged;  // grid headers, chart footer
    // Extra preparation when the main window is shown (grids, CAN lists, ...).
    std::function<void()> formShown;

    // --- Values from the parameter set. Defaults: headers left as they are; idle start 400.
    std::function<std::array<double, 21>()> rpmRangeRows;
    std::function<double()> idleStartSpeed;  // AdvSpinEdit_beginwaarde
};

}  // namespace qor
