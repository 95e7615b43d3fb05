#pragma once
// The main window's "Save file" / "Open file" commands and the predefined control-loop
// settings of the ETC page.
#include <functional>
#include <string>

#include "core/app/ToolState.h"
#include "core/image/ParameterFile.h"
#include "core/platform/Dialogs.h"

namespace qor {

// What the file commands need from the rest of the tool. Empty hooks are skipped.
struct FileCommandHooks {
    std::function<void()> stopLink;            // StopLink
    std::function<void()> requestLiveData;     // RequestLiveData (after RxMuted := off)
    std::function<void()> selectRegionTable;   // on version_info; its messages do not stop us
    std::function<void()> versionTextChanged;  // StaticText_version_info shows version_info
    // Main window off-line state after opening: SetDashboardActive(off), Timer1 and Timer2
    // stopped, EnableFileCommands(off), the up/download menu shown for "stay offline".
    std::function<void()> enterOfflineState;
};

class ParameterFileCommands {
  public:
    ParameterFileCommands(ToolState& state, ImageContext ctx, Dialogs& dialogs,
                          FileDialogs& fileDialogs, FileStore& files, FileCommandHooks hooks)
        : state_(state),
          ctx_(ctx),
          dialogs_(dialogs),
          fileDialogs_(fileDialogs),
          files_(files),
          hooks_(std::move(hooks)) {}

    void SaveFileClick();  // SpeedButton_savefile
    void OpenFileClick();  // SpeedButton_openfile

    // Writes ParameterFileName; true when the file was replaced.
    bool SaveParameterFile();
    // Reads ParameterFileName; true when regions were decoded. The whole file is read and
    // checked before anything changes: a missing or short file changes nothing.
    bool OpenParameterFile();

  private:
    void resumePolling();
    ToolState& state_;
    ImageContext ctx_;
    Dialogs& dialogs_;
    FileDialogs& fileDialogs_;
    FileStore& files_;
    FileCommandHooks hooks_;
};

// ---- Predefined settings -----------------------------------------------------------------

inline constexpr int kPredefinedCount = 5;
// Records 41..79: the words of the ETC region; a file needs at least 80 records.
inline constexpr int kPredefinedFirstRecord = 41;
inline constexpr int kPredefinedMinRecords = 80;

// "<AppDir>System/PredNN.e0i" for list index 0..4.
std::string PredefinedFileName(int index);
std::string PredefinedFilePath(const std::string& appDir, int index);

class PredefinedSettings {
  public:
    // startPidSend: Timer3 on, page Cancel buttons off, first call of the control-loop page
    // encoder; the send sequence itself belongs to the transfer code.
    PredefinedSettings(ToolState& state, ImageContext ctx, Dialogs& dialogs, FileStore& files,
                       std::function<void()> startPidSend)
        : state_(state),
          ctx_(ctx),
          dialogs_(dialogs),
          files_(files),
          startPidSend_(std::move(startPidSend)) {}

    void DropDown() { state_.PredefinedListOpened = true; }
    // Returns true when a file was loaded and the send started.
    bool ItemSelected(int index);

  private:
    ToolState& state_;
    ImageContext ctx_;
    Dialogs& dialogs_;
    FileStore& files_;
    std::function<void()> startPidSend_;
};

}  // namespace qor
